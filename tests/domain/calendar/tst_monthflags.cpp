// The month flags: one field per month in calendar order, and only an exact "S" permits.

#include "domain/calendar/monthflags.h"

#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace zrm::calendar {
namespace {

TEST(MonthFlags, fieldOfEachMonth_followsTheCalendarAndNothingElseHasOne) {
    const struct {
        int month;
        const char* field;
    } cases[] = {{1, "IDPERMCALCJAN"}, {2, "IDPERMCALCFEV"},  {3, "IDPERMCALCMAR"},  {6, "IDPERMCALCJUN"},
                 {9, "IDPERMCALCSET"}, {10, "IDPERMCALCOUT"}, {12, "IDPERMCALCDEZ"}, {0, nullptr},
                 {13, nullptr},        {-1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.month);
        const char* field = monthFlagField(c.month);
        if (!c.field)
            EXPECT_EQ(field, nullptr);
        else
            EXPECT_STREQ(field, c.field);
    }
}

TEST(MonthFlags, onlyAnExactS_permits) {
    const struct {
        const char* flag;
        bool permitted;
    } cases[] = {{"S", true}, {"N", false}, {"", false}, {"s", false}, {"SS", false}, {" S", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flag);
        EXPECT_EQ(isPermitted(QString::fromLatin1(c.flag)), c.permitted);
    }
}

TEST(MonthFlags, readPermittedMonths_takesEachMonthFromItsOwnField) {
    const std::map<std::string, QString> row = {{"IDPERMCALCJAN", QStringLiteral("S")},
                                                {"IDPERMCALCFEV", QStringLiteral("N")},
                                                {"IDPERMCALCAGO", QStringLiteral("S")},
                                                {"IDPERMCALCDEZ", QStringLiteral("S")}};
    const PermittedMonths months = readPermittedMonths([&](const char* field) {
        const auto found = row.find(field);
        return found == row.end() ? QString() : found->second;
    });
    EXPECT_EQ(months, (PermittedMonths{true, false, false, false, false, false, false, true, false, false,
                                       false, true}));
}

}  // namespace
}  // namespace zrm::calendar
