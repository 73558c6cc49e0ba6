#pragma once

// The columns of the packets the administration methods return, in the order the screens' datasets
// declare them.

#include "framework/packet/packetwriter.h"

#include <array>

namespace zrm::server::admindatasets {

using packet::Column;
using enum FieldType;

// The versions of a year, latest first.
inline constexpr std::array<Column, 8> Versions = {{
    {"CDANOVERORCA", String, 4},
    {"CDVERSAOORCA", Integer},
    {"DSVERSAOORCA", String, 100},
    {"DTINCLUSAO", DateTime},
    {"CDOPERINCLUSAO", String, 12},
    {"NMOPERADOR", String, 40},
    {"QTFASES", Integer},
    {"IDULTIMA", String, 1},
}};

// The cycle of a year, stored or the default one.
inline constexpr std::array<Column, 4> Cycle = {{
    {"NRANOCICLO", String, 4},
    {"MESINI", DateTime},
    {"MESFIN", DateTime},
    {"IDCICLOGRAVADO", String, 1},
}};

// The phase catalogue.
inline constexpr std::array<Column, 4> Catalogue = {{
    {"CDFASEORCOPERAC", String, 10},
    {"NMFASEORCOPERAC", String, 100},
    {"IDFASECALCORCA", String, 1},
    {"IDBLOQFASEORCA", String, 1},
}};

// The branches that concluded the phases of a calendar.
inline constexpr std::array<Column, 4> Conclusions = {{
    {"CDFASEORCOPERAC", String, 10},
    {"NMFASEORCOPERAC", String, 100},
    {"CDFILIAL", String, 4},
    {"DTCONCLUSAO", DateTime},
}};

}  // namespace zrm::server::admindatasets
