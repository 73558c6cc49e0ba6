#include "modules/zrm71300/data/rdmcadcalendorc.h"

#include "framework/remote/netconnection.h"

namespace RdmCadCalendOrc {

TRemoteResult GetVersoesAno(TNetConnection* connection, const QString& year) {
    return connection->AppServer().Call(QStringLiteral("GetVersoesAno"), {year});
}

TRemoteResult NovaVersao(TNetConnection* connection, const QString& year, const QString& origin,
                         const QString& description) {
    return connection->AppServer().Call(QStringLiteral("NovaVersao"), {year, origin, description});
}

TRemoteResult SetDescVersao(TNetConnection* connection, const QString& year, qint32 version,
                            const QString& description) {
    return connection->AppServer().Call(QStringLiteral("SetDescVersao"), {year, version, description});
}

TRemoteResult ExcluiVersao(TNetConnection* connection, const QString& year, qint32 version) {
    return connection->AppServer().Call(QStringLiteral("ExcluiVersao"), {year, version});
}

TRemoteResult GetCiclo(TNetConnection* connection, const QString& year) {
    return connection->AppServer().Call(QStringLiteral("GetCiclo"), {year});
}

TRemoteResult SetCiclo(TNetConnection* connection, const QString& year, const QString& start,
                       const QString& end) {
    return connection->AppServer().Call(QStringLiteral("SetCiclo"), {year, start, end});
}

TRemoteResult GetFasesCad(TNetConnection* connection) {
    return connection->AppServer().Call(QStringLiteral("GetFasesCad"));
}

TRemoteResult SetFasesCad(TNetConnection* connection, const zrm::Delta& delta) {
    return connection->AppServer().Call(QStringLiteral("SetFasesCad"), {delta});
}

TRemoteResult GetConclusoes(TNetConnection* connection, const QString& year, qint32 version) {
    return connection->AppServer().Call(QStringLiteral("GetConclusoes"), {year, version});
}

TRemoteResult RegistraConclusao(TNetConnection* connection, const QString& year, qint32 version,
                                const QString& code, const QString& branch) {
    return connection->AppServer().Call(QStringLiteral("RegistraConclusao"), {year, version, code, branch});
}

TRemoteResult RetiraConclusao(TNetConnection* connection, const QString& year, qint32 version,
                              const QString& code, const QString& branch) {
    return connection->AppServer().Call(QStringLiteral("RetiraConclusao"), {year, version, code, branch});
}

}  // namespace RdmCadCalendOrc
