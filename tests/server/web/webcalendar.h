#pragma once

// The calendar the web-page tests serve: year 2026, versions 1 and 2 (the latest). Version 2 by start
// date: 0000000001 "Premissas & <metas>" (5-30 Jan), 0000000002 calculation (2 Feb-13 Mar, Jan Feb
// Dec permitted), 0000000003 blocked and named LongPhaseName (20-31 Mar, touches nothing), 0000000004
// (25 Apr-15 May), 0000000007 blocked (10-31 May, touched by 0000000004), 0000000005 concluded by a
// branch (1-12 Jun). Version 1 holds 0000000001 only, 5-23 Jan. The server's today is 10 May 2026.

#include <QByteArray>

namespace zrm::server::test {

// A name far wider than the timeline's label column.
inline constexpr const char* LongPhaseName =
    "Consolidação das previsões de receitas e despesas de todas as filiais e regionais";

QByteArray webCalendarFixture();

}  // namespace zrm::server::test
