#pragma once

// The remote data module of the budget calendar, "ZRM71300.rdmCalendOrcOp", as the screen calls it:
// each method by name, with its arguments in the order and of the types the module declares. The
// AppServer handle is read anew from the connection for every call. A method returns the raw
// result, to be passed through Consiste::CheckResultServ before anything is loaded. Every failure
// (no connection, the server's refusal) comes back as a failed result, since the screen's
// connection does not throw; each call fires the connection's BeforeConnect when it must connect.

#include "framework/packet/packet.h"
#include "framework/remote/remoteresult.h"

#include <QString>

class TNetConnection;

namespace RdmCalendOrcOp {

// The name that identifies the remote data module on the server.
inline constexpr char ServerName[] = "ZRM71300.rdmCalendOrcOp";

// GetCalendOrcOp(year, version): the phase rows of a budget year and calendar version, and the
// version they belong to, as an array of two packets [calendar, version]. An empty version asks for
// the year's latest version. Both texts are passed by reference; the server does not send them back.
TRemoteResult GetCalendOrcOp(TNetConnection* connection, const QString& year, const QString& version);

// GetVersao(year, version, mode): with mode "T" and an empty version every version of the year,
// the latest in the first row; with an empty mode that one version, or no row.
TRemoteResult GetVersao(TNetConnection* connection, const QString& year, const QString& version,
                        const QString& mode);

// GetFaseOrc(code): the catalogue entry of that phase code, or no row; "T" the whole catalogue.
TRemoteResult GetFaseOrc(TNetConnection* connection, const QString& code);

// ValCiclo(year): one row with the server's today (DATAATU) and the year's cycle (MESINI, MESFIN).
TRemoteResult ValCiclo(TNetConnection* connection, qint32 year);

// GetValDateBloq(code): the catalogue entry of that code with its blocked flag IDBLOQFASEORCA.
TRemoteResult GetValDateBloq(TNetConnection* connection, const QString& code);

// GetDateBloq(year, version, code): the other phase rows of that year and version, with their periods.
TRemoteResult GetDateBloq(TNetConnection* connection, qint32 year, const QString& version,
                          const QString& code);

// BloqDelFase(code, year, version): the uses that make the phase concluded; any row means concluded.
// The argument order differs from GetDateBloq's.
TRemoteResult BloqDelFase(TNetConnection* connection, const QString& code, qint32 year,
                          const QString& version);

// SetCalendOrcOp(delta): applies the pending changes of the calendar, all or nothing. saveId, when
// not empty, names these changes: sent again under it they are stored once (see TAppServer::CallSave).
TRemoteResult SetCalendOrcOp(TNetConnection* connection, const zrm::Delta& delta, const QString& saveId = {});

// GetHistCalendOrc(year, version, limit): the calendar's change history, newest first, at most
// limit changes (1 to 1000); an empty version asks for the year's latest version.
TRemoteResult GetHistCalendOrc(TNetConnection* connection, const QString& year, const QString& version,
                               qint32 limit);

}  // namespace RdmCalendOrcOp
