#pragma once

// A fresh, empty calendar database for one test, on the backend the test is parameterised with:
// "sqlite" (a file in a temporary folder) or "postgresql" (a schema of its own in the database that
// ZRM_TEST_PG_URL names, dropped again afterwards).

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace zrm::server::sql {
class Connection;
}

namespace zrm::server::test {

class TestDatabase {
public:
    // A database for backend, or null when that backend is not available here (PostgreSQL without
    // ZRM_TEST_PG_URL); the test then skips itself.
    static std::unique_ptr<TestDatabase> create(const std::string& backend);
    ~TestDatabase();

    // Ends every server connection to this database, as a database restart or a network failure
    // would. PostgreSQL only; returns false (and does nothing) on SQLite.
    bool terminateConnections();

    // The URL the server opens the database with.
    const QString& url() const { return m_url; }

private:
    TestDatabase() = default;

    QString m_url;
    QString m_adminUrl;  // PostgreSQL: the database itself, to drop the schema
    QString m_schema;
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Takes the database on connection back to the schema version that release left it in, undoing the
// later migrations newest first (their data goes with them), as a database made by an older server
// would be. Throws std::logic_error for a migration this does not know how to undo yet: each new
// migration adds its undo here.
void rollBackSchema(sql::Connection& connection, int version);

// Backends every storage-facing suite runs on.
inline const std::string Backends[] = {"sqlite", "postgresql"};

// Writes text to a new file in dir and returns its path.
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text);

// Loads a data file into the database at url (which must be empty). Throws as importDataFile.
void seed(const QString& url, const QByteArray& dataFile);

// The calendar the module tests start from: budget year 2026 with versions 1 and 2 (2 the latest)
// and 2025 with version 1. Version 2 of 2026, by start date: 0000000001 (5-30 Jan), 0000000002
// (2 Feb-13 Mar, a calculation phase with Jan, Feb, Dec allowed), 0000000003 (20-31 Mar, blocked),
// 0000000004 (10-20 May), 0000000005 (1-12 Jun, concluded by branches 0001 and 0002), 0000000008
// (1-31 Jul). Phases 0000000006 and 0000000007 (blocked) are in the catalogue but in no calendar.
// The cycle of 2026 runs from February to November; the tests' today is 10 May 2026.
QByteArray calendarFixture();

}  // namespace zrm::server::test
