#pragma once

// The columns of the packets the calendar methods return, in the order the screen's datasets
// declare them.

#include "domain/calendar/monthflags.h"
#include "framework/packet/packetwriter.h"

#include <array>

namespace zrm::server::datasets {

using packet::Column;
using enum FieldType;

// The columns of cdsCalendOrcOp: the phase row's own, then the month flags, January first.
constexpr std::array<Column, 20> calendarColumns() {
    std::array<Column, 20> columns = {{
        {"NRANOORCOPERAC", String, 4},
        {"CDVERSCALENORCA", Float},
        {"CDFASEORCOPERAC", String, 10},
        {"IDBLOQFASEORCA", String, 1},
        {"NMFASEORCOPERAC", String, 100},
        {"DTINIFASEORCA", DateTime},
        {"DTFINFASEORCA", DateTime},
        {"IDFASECALCORCA", String, 1},
    }};
    size_t column = 8;
    for (const calendar::Month& month : calendar::Months)
        columns[column++] = {month.flagField, String, 1};
    return columns;
}

// cdsCalendOrcOp: the phase rows of a calendar.
inline constexpr std::array<Column, 20> Calendar = calendarColumns();

// cdsVer: the version a calendar load used.
inline constexpr std::array<Column, 1> Version = {{{"CDVERSAO", Float}}};

// cdsVersao: the versions of a year.
inline constexpr std::array<Column, 5> Versions = {{
    {"CDANOVERORCA", String, 4},
    {"CDVERSAOORCA", String, 40},
    {"DTINCLUSAO", DateTime},
    {"CDOPERINCLUSAO", String, 12},
    {"NMOPERADOR", String, 40},
}};

// cdsFaseOrc: the phase catalogue.
inline constexpr std::array<Column, 4> Phases = {{
    {"CDFASEORCOPERAC", String, 10},
    {"NMFASEORCOPERAC", String, 100},
    {"IDFASECALCORCA", String, 1},
    {"IDFASEAPROVORCA", String, 1},
}};

// cdsValCiclo: today and the year's cycle.
inline constexpr std::array<Column, 3> Cycle = {
    {{"DATAATU", DateTime}, {"MESINI", DateTime}, {"MESFIN", DateTime}}};

// cdsValBloq: the blocked flag of a phase.
inline constexpr std::array<Column, 2> BlockedFlag = {
    {{"CDFASEORCOPERAC", String, 10}, {"IDBLOQFASEORCA", String, 1}}};

// cdsValBloqDate: the periods of the other phases of a calendar.
inline constexpr std::array<Column, 8> OtherPeriods = {{
    {"NRANOORCOPERAC", String, 4},
    {"CDVERSCALENORCA", Float},
    {"CDFASEORCOPERAC", String, 10},
    {"NMFASEORCOPERAC", String, 100},
    {"IDFASECALCORCA", String, 1},
    {"DTINIFASEORCA", DateTime},
    {"DTFINFASEORCA", DateTime},
    {"IDBLOQFASEORCA", String, 1},
}};

// cdsBloqAltFase and cdsBloqDelFase: the branches that have concluded a phase.
inline constexpr std::array<Column, 5> ConcludedUses = {{
    {"NRANOORCOPERAC", String, 4},
    {"CDVERSCALENORCA", Float},
    {"CDFASEORCOPERAC", String, 10},
    {"NMFASEORCOPERAC", String, 100},
    {"CDFILIAL", String, 4},
}};

// cdsHistorico: the change history of a calendar. The before and after columns hold a JSON object
// of the calendar columns the change touched (every column with a value, for an insert or a delete).
inline constexpr std::array<Column, 8> History = {{
    {"DTALTERACAO", DateTime},
    {"CDOPERADOR", String, 40},
    {"NMOPERADOR", String, 40},
    {"IDOPERACAO", String, 6},
    {"CDFASEORCOPERAC", String, 10},
    {"NMFASEORCOPERAC", String, 100},
    {"DSANTES", String, 4000},
    {"DSDEPOIS", String, 4000},
}};

}  // namespace zrm::server::datasets
