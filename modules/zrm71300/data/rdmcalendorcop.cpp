#include "modules/zrm71300/data/rdmcalendorcop.h"

#include "framework/remote/netconnection.h"

namespace RdmCalendOrcOp {

TRemoteResult GetCalendOrcOp(TNetConnection* connection, const QString& year, const QString& version) {
    return connection->AppServer().Call(QStringLiteral("GetCalendOrcOp"), {year, version});
}

}  // namespace RdmCalendOrcOp
