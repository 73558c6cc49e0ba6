#pragma once

// What every fuzz target shares: the input as Qt bytes, and the stop on a broken property.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace zrm::fuzz {

// The input without a copy; valid for the call of the target only.
inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A property that must hold for every input did not: names it and aborts, which the fuzzer records
// as a crash with the input that caused it.
[[noreturn]] inline void fault(const char* property, const QString& detail = QString()) {
    std::fprintf(stderr, "Fault: %s\n%s\n", property, detail.toLocal8Bit().constData());
    std::abort();
}

inline void require(bool holds, const char* property, const QString& detail = QString()) {
    if (!holds)
        fault(property, detail);
}

}  // namespace zrm::fuzz
