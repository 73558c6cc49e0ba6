#pragma once

// The rules every change of a budget calendar obeys, whichever client sends it. They are checked
// here, once, above the storage.

#include "server/calendar/calendarchange.h"
#include "server/storage/calendarstore.h"

#include <QDate>

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zrm::server {

class CalendarRules {
public:
    CalendarRules(CalendarStore& store, const QDate& today) : m_store(store), m_today(today) {}

    // Inside a write transaction: locks every calendar the changes touch, then checks the changes in
    // order, each against the calendars as the earlier ones left them. First every update and delete
    // is compared with the stored row (throws Conflict at the first stale one), then the business
    // rules run (throws RuleRefused at the first refusal). Changes nothing in the database.
    void check(const std::vector<CalendarChange>& changes);

private:
    using CalendarId = std::pair<std::string, qint64>;       // year, version
    using Calendar = std::map<std::string, CalendarRecord>;  // by phase code
    using Calendars = std::map<CalendarId, Calendar>;

    void loadCalendars(const std::vector<CalendarChange>& changes);
    void checkOldRows(const std::vector<CalendarChange>& changes) const;
    void checkRules(const std::vector<CalendarChange>& changes);

    void checkWritable(const CalendarKey& key);
    void checkNewRow(const DeltaRow& row, const Calendar& calendar, const CalendarKey* replaced);
    void checkBlockedPeriod(const CalendarRecord& row, const Calendar& calendar, const CalendarKey* replaced);
    void checkNotConcluded(const CalendarKey& key, const char* message);
    void checkDeletable(const CalendarRecord& stored);

    const std::optional<PhaseRecord>& phase(const std::string& code);
    // Whether the phase of that calendar has concluded uses; asked once per key and save, as the
    // save does not change them.
    bool concluded(const CalendarKey& key);

    static void apply(Calendars& calendars, const CalendarChange& change);

    CalendarStore& m_store;
    QDate m_today;
    Calendars m_stored;  // the touched calendars as stored
    std::map<std::string, std::optional<PhaseRecord>> m_phases;
    std::map<std::string, std::optional<qint64>> m_latestVersions;
    std::map<std::tuple<std::string, qint64, std::string>, bool> m_concluded;  // year, version, code
};

}  // namespace zrm::server
