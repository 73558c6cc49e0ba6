#pragma once

#include <QDate>
#include <QDateTime>

namespace zrm::server {

// The server's idea of "today". Fixed by configuration (`--today YYYY-MM-DD`) for tests and demos,
// otherwise the machine's local date at the moment of asking. A plain value: copy it freely.
class ServerClock {
public:
    ServerClock() = default;  // the real date
    explicit ServerClock(const QDate& fixedToday) : m_fixedToday(fixedToday) {}

    // Today's date; the fixed one when one was given and is valid.
    QDate today() const { return m_fixedToday.isValid() ? m_fixedToday : QDate::currentDate(); }

    // This moment, local time: today() at the machine's time of day.
    QDateTime now() const {
        const QDateTime moment = QDateTime::currentDateTime();
        return m_fixedToday.isValid() ? QDateTime(m_fixedToday, moment.time()) : moment;
    }

private:
    QDate m_fixedToday;
};

}  // namespace zrm::server
