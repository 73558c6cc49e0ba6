#include "framework/remote/remotearg.h"

#include "framework/packet/packetwriter.h"

namespace zrm {

void RemoteArg::write(std::string& out) const {
    if (const auto* text = std::get_if<QString>(&m_value))
        return packet::appendJsonString(out, text->toStdString());
    if (const auto* number = std::get_if<qint32>(&m_value)) {
        out += std::to_string(*number);
        return;
    }
    packet::write(out, std::get<Delta>(m_value));
}

}  // namespace zrm
