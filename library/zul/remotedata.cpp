#include "library/zul/remotedata.h"

#include "framework/data/exceptions.h"
#include "framework/ui/formresources.h"

#include <utility>

TRemoteData TRemoteData::packet(zrm::DataPacket packet) {
    TRemoteData data;
    data.m_packets.append(std::move(packet));
    return data;
}

TRemoteData TRemoteData::array(QList<zrm::DataPacket> packets) {
    TRemoteData data;
    data.m_packets = std::move(packets);
    data.m_isArray = true;
    return data;
}

const zrm::DataPacket& TRemoteData::operator[](int index) const {
    if (index < 0 || index >= m_packets.size())
        throw Exception(
            zrm::ui::FormResources::translate(
                QStringLiteral("A resposta do servidor traz %1 pacote(s) de dados; o pacote %2 não existe."))
                .arg(m_packets.size())
                .arg(index + 1));
    return m_packets.at(index);
}

const zrm::DataPacket& TRemoteData::Packet() const {
    if (m_isArray)
        throw Exception(zrm::ui::FormResources::translate(
                            QStringLiteral("A resposta do servidor traz %1 pacotes de dados, não um só."))
                            .arg(m_packets.size()));
    return m_packets.constFirst();
}
