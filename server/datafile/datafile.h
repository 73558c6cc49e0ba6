#pragma once

// Administration of a calendar database through its data file (JSON: operators, phases, versions,
// cycles, calendar, concluded uses). Link the CMake target `zrm_server_datafile`.
//
// Every function opens the database named by dbUrl ("sqlite:PATH" or
// "postgresql://user:pw@host:port/db"), creating or migrating its schema first, and closes it again.

#include <QString>

#include <stdexcept>

namespace zrm::server {

// A data file that cannot be read, written or loaded. The message is a Portuguese sentence; for a bad
// record it names the section and the record's position, counted from 1 ("seção \"calendar\",
// registro 3: ...").
class DataFileError : public std::runtime_error {
public:
    explicit DataFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// Loads the data file at path in one transaction. Refuses a database that already holds data unless
// replace is true, in which case everything stored is replaced in the same transaction. On any failure
// nothing is changed. Throws DataFileError (bad file, bad record, database not empty) or StoreError
// (database unreachable).
void importDataFile(const QString& dbUrl, const QString& path, bool replace);

// Writes everything stored to path as a data file that importDataFile reads back unchanged.
// Throws DataFileError (file not writable) or StoreError (database unreachable).
void exportDataFile(const QString& dbUrl, const QString& path);

// Loads the shipped demo data set (about ten phases, versions 1 and 2 of currentYear and version 1
// of the year before, with their calendars, a blocked phase, a calculation phase and a concluded use),
// dated relative to currentYear. Refuses a database that already holds data (DataFileError).
void loadDemo(const QString& dbUrl, int currentYear);

// True when the database holds any data (a phase, a version, a calendar row ...). Lets the caller load
// the demo data on the first run only. Throws StoreError when the database is unreachable.
bool databaseHoldsData(const QString& dbUrl);

}  // namespace zrm::server
