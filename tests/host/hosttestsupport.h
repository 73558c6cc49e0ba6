#pragma once

// Helpers of the host's tests.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zrm::hosttest {

// Sets an environment variable (unsets it for a null value) for the object's life, then restores the
// value it had.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QString& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_oldValue;
};

// A test with a temporary folder, an isolated configuration folder, no host variables set, and the
// test packages' log in the folder.
class HostTest : public testing::Test {
protected:
    HostTest();
    ~HostTest() override;

    // Path of name inside the temporary folder.
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Sets a variable for the rest of the test.
    void setEnvironment(const char* name, const QString& value);
    // The lines the test packages logged so far.
    QStringList packageLog() const;
    // Writes text to the file name of the temporary folder and returns its path.
    QString writeFile(const QString& name, const QByteArray& text) const;

    QTemporaryDir m_dir;

private:
    std::vector<std::unique_ptr<ScopedEnvironment>> m_environment;
};

}  // namespace zrm::hosttest
