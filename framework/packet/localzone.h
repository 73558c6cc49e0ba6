#pragma once

// The local time zone of a whole program, decided by its main and by nothing else.
//
// While TZ is unset, the C library reads the zone file's status again at every local-time
// conversion, a system call per date-time that Qt converts; on a packet of thousands of dates that
// costs more than all the rest of reading it. Naming the very file it would read anyway keeps the zone
// the system's and lets it read the file once. Setting the environment is a decision for a program,
// never for a library: a library loaded into a running host would change the time handling of every
// thread already running there.

#include <QByteArray>
#include <QtGlobal>

namespace zrm {

// Pins the local zone to the system's zone file unless TZ is set already. Call first thing in main,
// before any thread starts. Returns whether it set TZ. Fires nothing, never fails.
inline bool pinLocalTimeZone() {
    if (qEnvironmentVariableIsSet("TZ"))
        return false;
    qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
    return true;
}

}  // namespace zrm
