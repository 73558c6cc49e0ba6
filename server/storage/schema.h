#pragma once

#include "server/storage/sqlconnection.h"

namespace zrm::server {

// The schema version this server creates.
int currentSchemaVersion();

// Brings the schema of the database up to date: applies, in one transaction and in order, every
// numbered migration the database has not seen yet, and records the new schema version. Several
// servers starting at once on one PostgreSQL database apply each migration once. A target below the
// current version stops there (the upgrade tests make the databases of older servers with it).
// Throws StoreError when the database's schema is newer than this server knows, or any error of the
// connection.
void migrateSchema(sql::Connection& connection, int target = currentSchemaVersion());

// Inside a write transaction: advances the data generation, so that whoever holds answers computed
// before this transaction commits sees them as out of date. Throws as the connection does.
void markDataChanged(sql::Connection& connection);

// The data generation as last committed. Throws as the connection does.
qint64 dataGeneration(sql::Connection& connection);

}  // namespace zrm::server
