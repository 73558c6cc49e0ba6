#pragma once

// The month flags of a phase: for each month of the budget year, whether budget calculation is
// permitted in it. A phase row keeps them in twelve fields, one per month, each "S" (permitted) or
// "N"; only an exact "S" reads as permitted, so an empty flag means not permitted.

#include <QLatin1String>
#include <QStringView>

#include <array>

namespace zrm::calendar {

inline constexpr int MonthCount = 12;

// A month as the calendar names it: the phase-row field of its flag and its short label.
struct Month {
    const char* flagField;
    const char* label;  // as headings and lists of months show it
};

// The months in calendar order, January first.
inline constexpr std::array<Month, MonthCount> Months = {{{"IDPERMCALCJAN", "jan"},
                                                          {"IDPERMCALCFEV", "fev"},
                                                          {"IDPERMCALCMAR", "mar"},
                                                          {"IDPERMCALCABR", "abr"},
                                                          {"IDPERMCALCMAI", "mai"},
                                                          {"IDPERMCALCJUN", "jun"},
                                                          {"IDPERMCALCJUL", "jul"},
                                                          {"IDPERMCALCAGO", "ago"},
                                                          {"IDPERMCALCSET", "set"},
                                                          {"IDPERMCALCOUT", "out"},
                                                          {"IDPERMCALCNOV", "nov"},
                                                          {"IDPERMCALCDEZ", "dez"}}};

// The phase-row field of the flag of month, 1 (January) to 12 (December); nullptr for any other.
constexpr const char* monthFlagField(int month) {
    return month >= 1 && month <= MonthCount ? Months[size_t(month - 1)].flagField : nullptr;
}

// The two values a flag is written with.
inline constexpr const char* PermittedFlag = "S";
inline constexpr const char* NotPermittedFlag = "N";

// Whether flag permits calculation: exactly "S".
inline bool isPermitted(QStringView flag) {
    return flag == QLatin1String(PermittedFlag);
}

// Calculation permitted or not, month by month, January first.
using PermittedMonths = std::array<bool, MonthCount>;

// The permitted months of a phase row whose flags flagOf(field name) gives as text.
template <class FlagOf>
PermittedMonths readPermittedMonths(FlagOf flagOf) {
    PermittedMonths months{};
    for (size_t month = 0; month < Months.size(); ++month)
        months[month] = isPermitted(flagOf(Months[month].flagField));
    return months;
}

}  // namespace zrm::calendar
