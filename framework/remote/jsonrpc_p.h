#pragma once

// The JSON-RPC 2.0 messages of a remote call: the request body, and the reading of a response body
// into a raw result.

#include "framework/remote/remotearg.h"
#include "framework/remote/remoteresult.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace zrm::remote {

// {"jsonrpc":"2.0","id":id,"method":method,"params":[…]} with the arguments in their order.
QByteArray encodeRequest(qint64 id, const QString& method, const QList<RemoteArg>& args);

// Reads the response to request `id`: its result, or the error the server reported. A body that is
// not a JSON-RPC 2.0 response to that request gives a transport failure naming what was wrong.
TRemoteResult decodeResponse(const QByteArray& body, qint64 id);

}  // namespace zrm::remote
