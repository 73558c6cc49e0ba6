#pragma once

// The content of a data file, section by section, and its JSON form.

#include "server/storage/records.h"

#include <QByteArray>

#include <vector>

namespace zrm::server {

struct DataFileContent {
    std::vector<OperatorRecord> operators;
    std::vector<PhaseRecord> phases;
    std::vector<VersionRecord> versions;
    std::vector<UsedVersionRecord> usedVersions;  // absent from the files of older servers
    std::vector<CycleRecord> cycles;
    std::vector<CalendarRecord> calendar;
    std::vector<ConcludedRecord> concluded;
};

// Reads a data file. Checks every record's form (known keys, JSON types, lengths, four-digit years,
// positive versions, flags "S", "N" or empty, date-times of the wire form, start not after end);
// references between records are left to the database. Throws DataFileError naming the first bad
// record by section and position (counted from 1).
DataFileContent parseDataFile(const QByteArray& json);

// Writes a data file, one record per line, keys in a fixed order; parseDataFile reads it back equal.
QByteArray writeDataFile(const DataFileContent& content);

}  // namespace zrm::server
