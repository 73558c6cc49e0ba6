#include "modules/zrm71300/data/rdmcalendorcop.h"

#include "framework/remote/netconnection.h"

namespace RdmCalendOrcOp {

TRemoteResult GetCalendOrcOp(TNetConnection* connection, const QString& year, const QString& version) {
    return connection->AppServer().Call(QStringLiteral("GetCalendOrcOp"), {year, version});
}

TRemoteResult GetVersao(TNetConnection* connection, const QString& year, const QString& version,
                        const QString& mode) {
    return connection->AppServer().Call(QStringLiteral("GetVersao"), {year, version, mode});
}

TRemoteResult GetFaseOrc(TNetConnection* connection, const QString& code) {
    return connection->AppServer().Call(QStringLiteral("GetFaseOrc"), {code});
}

TRemoteResult ValCiclo(TNetConnection* connection, qint32 year) {
    return connection->AppServer().Call(QStringLiteral("ValCiclo"), {year});
}

TRemoteResult GetValDateBloq(TNetConnection* connection, const QString& code) {
    return connection->AppServer().Call(QStringLiteral("GetValDateBloq"), {code});
}

TRemoteResult GetDateBloq(TNetConnection* connection, qint32 year, const QString& version,
                          const QString& code) {
    return connection->AppServer().Call(QStringLiteral("GetDateBloq"), {year, version, code});
}

TRemoteResult BloqDelFase(TNetConnection* connection, const QString& code, qint32 year,
                          const QString& version) {
    return connection->AppServer().Call(QStringLiteral("BloqDelFase"), {code, year, version});
}

TRemoteResult SetCalendOrcOp(TNetConnection* connection, const zrm::Delta& delta, const QString& saveId) {
    return connection->AppServer().CallSave(QStringLiteral("SetCalendOrcOp"), {delta}, saveId);
}

TRemoteResult GetHistCalendOrc(TNetConnection* connection, const QString& year, const QString& version,
                               qint32 limit) {
    return connection->AppServer().Call(QStringLiteral("GetHistCalendOrc"), {year, version, limit});
}

}  // namespace RdmCalendOrcOp
