#pragma once

// One positional argument of a remote call: a text, a 32-bit integer or a delta, the three kinds the
// remote methods take. Converts implicitly, so a call reads
// `AppServer().Call(QStringLiteral("GetDateBloq"), {2026, version, code})`.

#include "framework/packet/packet.h"

#include <QString>

#include <string>
#include <variant>

namespace zrm {

class RemoteArg {
public:
    RemoteArg(const QString& text) : m_value(text) {}  // NOLINT(google-explicit-constructor)
    RemoteArg(qint32 number) : m_value(number) {}      // NOLINT(google-explicit-constructor)
    RemoteArg(const Delta& delta) : m_value(delta) {}  // NOLINT(google-explicit-constructor)
    // A flag is not an integer on the wire; refusing it here keeps `true` from travelling as 1.
    RemoteArg(bool) = delete;

    // Appends the argument as a JSON-RPC parameter: a string, a number or a delta object. Throws
    // PacketError for a delta that cannot be encoded (a value that does not fit its column).
    void write(std::string& out) const;

private:
    std::variant<QString, qint32, Delta> m_value;
};

}  // namespace zrm
