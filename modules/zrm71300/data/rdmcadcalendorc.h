#pragma once

// The remote data module of the calendar's administration screens, "ZRM71302.rdmCadCalendOrc", as
// the screens "Versões do calendário" (ZRM71302) and "Fases do orçamento" (ZRM71303) call it: the
// versions of a year, the year's cycle, the phase catalogue and the concluded uses of phases. As
// with the budget calendar's module, a method returns the raw result, to be passed through
// Consiste::CheckResultServ before anything is loaded, and every failure comes back as a failed
// result. Versions travel as numbers here; a year as its four-digit text.

#include "framework/packet/packet.h"
#include "framework/remote/remoteresult.h"

#include <QString>

class TNetConnection;

namespace RdmCadCalendOrc {

// The name that identifies the remote data module on the server.
inline constexpr char ServerName[] = "ZRM71302.rdmCadCalendOrc";

// How NovaVersao fills the new version.
namespace origem {
inline constexpr char UltimaVersao[] = "A";  // a copy of the year's latest version
inline constexpr char Vazia[] = "V";         // empty: only for a year without versions
inline constexpr char AnoAnterior[] = "P";   // the previous year's latest, moved one year forward
}  // namespace origem

// GetVersoesAno(year): the versions of the year, latest first, with description, created on and
// by, the number of phases and which one is the latest.
TRemoteResult GetVersoesAno(TNetConnection* connection, const QString& year);

// NovaVersao(year, origin, description): creates the next version of the year, filled as origin
// says, in one transaction; the result is the new version's row as GetVersoesAno gives it.
TRemoteResult NovaVersao(TNetConnection* connection, const QString& year, const QString& origin,
                         const QString& description);

// SetDescVersao(year, version, description): the description of the year's latest version.
TRemoteResult SetDescVersao(TNetConnection* connection, const QString& year, qint32 version,
                            const QString& description);

// ExcluiVersao(year, version): deletes the year's latest version with its phases, while no
// concluded use refers to it. Its number is not handed out again.
TRemoteResult ExcluiVersao(TNetConnection* connection, const QString& year, qint32 version);

// GetCiclo(year): the year's cycle, stored or the default one, and whether it is stored.
TRemoteResult GetCiclo(TNetConnection* connection, const QString& year);

// SetCiclo(year, start, end): stores the year's cycle; start and end are first days of months as
// date-time texts ("2026-04-01T00:00:00").
TRemoteResult SetCiclo(TNetConnection* connection, const QString& year, const QString& start,
                       const QString& end);

// GetFasesCad(): the phase catalogue by code, with the calculation and blocked flags.
TRemoteResult GetFasesCad(TNetConnection* connection);

// SetFasesCad(delta): applies the pending changes of the catalogue, all or nothing.
TRemoteResult SetFasesCad(TNetConnection* connection, const zrm::Delta& delta);

// GetConclusoes(year, version): the branches that concluded each phase of that calendar.
TRemoteResult GetConclusoes(TNetConnection* connection, const QString& year, qint32 version);

// RegistraConclusao(year, version, code, branch): records that the branch concluded the phase.
TRemoteResult RegistraConclusao(TNetConnection* connection, const QString& year, qint32 version,
                                const QString& code, const QString& branch);

// RetiraConclusao(year, version, code, branch): withdraws the branch's conclusion of the phase.
TRemoteResult RetiraConclusao(TNetConnection* connection, const QString& year, qint32 version,
                              const QString& code, const QString& branch);

}  // namespace RdmCadCalendOrc
