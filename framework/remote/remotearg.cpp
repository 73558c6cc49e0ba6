#include "framework/remote/remotearg.h"

namespace zrm {

QJsonValue RemoteArg::toJson() const {
    if (const auto* text = std::get_if<QString>(&m_value))
        return *text;
    if (const auto* number = std::get_if<qint32>(&m_value))
        return *number;
    return packet::toJson(std::get<Delta>(m_value));
}

}  // namespace zrm
