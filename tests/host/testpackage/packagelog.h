#pragma once

// The record a test package keeps of the calls it receives: one line per call, appended to the file
// named by ZRM_TESTPACKAGE_LOG (nothing is written when the variable is unset). A file outlives the
// library, so a test can check what ran even after the host unloaded the package.

#include <QString>

namespace zrm::testpackage {

// Name of the variable that names the log file.
constexpr char logVariable[] = "ZRM_TESTPACKAGE_LOG";

// Name of the variable that makes an entry fail: "Initialize" throws from Initialize, "IniProc" throws
// a failure with a message from IniProc, "IniProcSilent" one with an empty message; "IniProcErrorBox"
// makes IniProc show a modal error box after opening the screen, "IniProcErrorBoxLater" makes the
// event loop show it right after IniProc.
constexpr char failVariable[] = "ZRM_TESTPACKAGE_FAIL";

// Appends line to the log file. Fails silently when the file cannot be written.
void logCall(const QString& line);

// Whether failVariable names entry.
bool shouldFail(const char* entry);

}  // namespace zrm::testpackage
