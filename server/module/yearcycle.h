#pragma once

// The cycle of a budget year as the modules answer it: the stored one, or January to December of
// the year when none is stored.

#include "server/storage/records.h"
#include "server/storage/sqlconnection.h"

#include <QDate>

#include <string>
#include <utility>

namespace zrm::server {

// A date at midnight in the wire form: "YYYY-MM-DDT00:00:00".
std::string midnightText(const QDate& date);

// The year's cycle and whether it is stored (false: the default, from 1 January to 1 December of the
// year). year is the four-digit key of a year from 1 to 9999. Throws StoreError as the connection does.
std::pair<CycleRecord, bool> storedOrDefaultCycle(sql::Connection& connection, const std::string& year);

}  // namespace zrm::server
