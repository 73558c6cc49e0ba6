#pragma once

// The stored records of the calendar database, as plain values. Text is UTF-8; an empty text is an
// empty value (the database holds null). Date-times are text in the wire form
// "YYYY-MM-DDTHH:MM:SS" (".mmm" added only when there are milliseconds).

#include <QtGlobal>

#include <array>
#include <string>

namespace zrm::server {

struct OperatorRecord {
    std::string code;  // CDOPERADOR
    std::string name;  // NMOPERADOR
};

// An entry of the phase catalogue.
struct PhaseRecord {
    std::string code;         // CDFASEORCOPERAC
    std::string name;         // NMFASEORCOPERAC
    std::string calculation;  // IDFASECALCORCA
    std::string approval;     // IDFASEAPROVORCA
    std::string blocked;      // IDBLOQFASEORCA

    bool isBlocked() const { return blocked == "S"; }
};

struct VersionRecord {
    std::string year;          // CDANOVERORCA
    qint64 version = 0;        // CDVERSAOORCA
    std::string createdAt;     // DTINCLUSAO
    std::string createdBy;     // CDOPERINCLUSAO
    std::string operatorName;  // NMOPERADOR, joined from the operators; not stored with the version
    std::string description;   // DSVERSAOORCA
};

// The highest version number a year ever used: the next version of the year gets the one above it.
struct UsedVersionRecord {
    std::string year;    // CDANOVERORCA
    qint64 highest = 0;  // CDULTVERSAOORCA
};

struct CycleRecord {
    std::string year;        // the cycle's year
    std::string firstMonth;  // MESINI
    std::string lastMonth;   // MESFIN
};

// The key of a calendar row.
struct CalendarKey {
    std::string year;    // NRANOORCOPERAC
    qint64 version = 0;  // CDVERSCALENORCA
    std::string code;    // CDFASEORCOPERAC

    bool operator==(const CalendarKey&) const = default;
};

// A phase row of a calendar: the columns the calendar itself stores.
struct CalendarRecord {
    CalendarKey key;
    std::string start;                   // DTINIFASEORCA
    std::string end;                     // DTFINFASEORCA
    std::array<std::string, 12> months;  // the month flags, January first (calendar::Months)

    bool operator==(const CalendarRecord&) const = default;
};

// A calendar row with the catalogue's name and flags of its phase joined in.
struct CalendarView {
    CalendarRecord row;
    std::string name;         // NMFASEORCOPERAC
    std::string blocked;      // IDBLOQFASEORCA
    std::string calculation;  // IDFASECALCORCA
};

// A branch that has concluded a phase of a calendar.
struct ConcludedRecord {
    CalendarKey key;
    std::string branch;       // CDFILIAL
    std::string name;         // NMFASEORCOPERAC, joined from the catalogue; not stored with the use
    std::string concludedAt;  // DTCONCLUSAO; empty for the uses recorded before it was kept
};

// One entry of the change history.
struct HistoryRecord {
    std::string when;  // date-time of the change
    std::string operatorCode;
    std::string method;
    std::string change;  // the change as JSON
    CalendarKey key;     // the calendar and phase changed: the new row's, or the old one's for a deletion
};

// An entry of the change history as read back, with the names of operator and phase joined in.
struct HistoryEntry {
    HistoryRecord record;
    std::string operatorName;  // NMOPERADOR; empty for an operator the operators do not list
    std::string phaseName;     // NMFASEORCOPERAC
};

}  // namespace zrm::server
