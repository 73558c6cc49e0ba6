#pragma once

// TRemoteData: what a successful remote call gives a screen to load: one data packet, or, for a
// method that answers several, an array of packets. A screen loads it with SetData:
//
//     cdsFaseOrc->SetData(Consiste::CheckResultServ(result, true, 0));       // one packet
//     const TRemoteData data = Consiste::CheckResultServ(result, true, 0);  // an array
//     cdsCalendOrcOp->SetData(data[0]);
//     cdsVer->SetData(data[1]);

#include "framework/packet/packet.h"

#include <QList>

class TRemoteData {
public:
    static TRemoteData packet(zrm::DataPacket packet);
    static TRemoteData array(QList<zrm::DataPacket> packets);

    // True when the result was an array of packets.
    bool IsArray() const { return m_isArray; }
    // Number of packets: 1 for a single packet.
    int Count() const { return int(m_packets.size()); }

    // The packet at index of an array (0 for a single packet). Throws Exception saying how many
    // packets the answer holds when index is outside them.
    const zrm::DataPacket& operator[](int index) const;
    // The single packet. Throws Exception when the result is an array: loading a whole array into
    // one dataset is a fault of the caller.
    const zrm::DataPacket& Packet() const;
    operator const zrm::DataPacket&() const { return Packet(); }  // NOLINT(google-explicit-constructor)

private:
    TRemoteData() = default;
    QList<zrm::DataPacket> m_packets;
    bool m_isArray = false;
};
