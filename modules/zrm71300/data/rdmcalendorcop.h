#pragma once

// The remote data module of the budget calendar, "ZRM71300.rdmCalendOrcOp", as the screen calls it:
// each method by name, with its arguments in the order and of the types the module declares. The
// AppServer handle is read anew from the connection for every call. A method returns the raw
// result, to be passed through Consiste::CheckResultServ before anything is loaded.

#include "framework/remote/remoteresult.h"

#include <QString>

class TNetConnection;

namespace RdmCalendOrcOp {

// The name that identifies the remote data module on the server.
inline constexpr char ServerName[] = "ZRM71300.rdmCalendOrcOp";

// GetCalendOrcOp(year, version): the phase rows of a budget year and calendar version, and the
// version they belong to, as an array of two packets [calendar, version]. An empty version asks for
// the year's latest version. Both texts are passed by reference; the server does not send them back.
// Every failure (no connection, the server's refusal) comes back as a failed result, since the
// screen's connection does not throw; fires the connection's BeforeConnect when it must connect.
TRemoteResult GetCalendOrcOp(TNetConnection* connection, const QString& year, const QString& version);

}  // namespace RdmCalendOrcOp
