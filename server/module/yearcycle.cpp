#include "server/module/yearcycle.h"

#include "server/storage/calendarstore.h"

namespace zrm::server {

std::string midnightText(const QDate& date) {
    return date.toString(Qt::ISODate).toStdString() + "T00:00:00";
}

std::pair<CycleRecord, bool> storedOrDefaultCycle(sql::Connection& connection, const std::string& year) {
    if (std::optional<CycleRecord> stored = CalendarStore(connection).cycle(year))
        return {std::move(*stored), true};
    const int number = std::stoi(year);
    return {CycleRecord{year, midnightText(QDate(number, 1, 1)), midnightText(QDate(number, 12, 1))}, false};
}

}  // namespace zrm::server
