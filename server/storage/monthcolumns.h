#pragma once

// The month-flag columns of CALENDORCOP as the statements name them, January first, made from the
// calendar's one list of the flag fields.

#include "domain/calendar/monthflags.h"

#include <string>
#include <string_view>

namespace zrm::server {

// "IDPERMCALCJAN, IDPERMCALCFEV, ..." with prefix ("c.") before each column.
inline std::string monthColumns(std::string_view prefix = {}) {
    std::string columns;
    for (const calendar::Month& month : calendar::Months) {
        if (!columns.empty())
            columns += ", ";
        columns.append(prefix).append(month.flagField);
    }
    return columns;
}

// The placeholders of the twelve flags from $firstParam on: "$6, $7, ...", or with assign
// "IDPERMCALCJAN = $6, IDPERMCALCFEV = $7, ...".
inline std::string monthParams(int firstParam, bool assign = false) {
    std::string params;
    for (const calendar::Month& month : calendar::Months) {
        if (!params.empty())
            params += ", ";
        if (assign)
            params.append(month.flagField).append(" = ");
        params += '$' + std::to_string(firstParam++);
    }
    return params;
}

}  // namespace zrm::server
