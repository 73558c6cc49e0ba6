// The packet and delta decoders on arbitrary bytes. The first byte picks the decoder; the rest is the
// document. Whatever decodes must encode to a document that decodes to the same encoding again.

#include "framework/packet/packet.h"
#include "fuzz/fuzzsupport.h"

namespace {

template <class Decoded>
void roundTrip(const QByteArray& document, Decoded (*decode)(const QByteArray&)) {
    Decoded decoded;
    try {
        decoded = decode(document);
    } catch (const zrm::PacketError&) {
        return;  // refused with a message: what the decoder is for
    }
    const QByteArray encoded = zrm::packet::encode(decoded);
    try {
        const QByteArray again = zrm::packet::encode(decode(encoded));
        zrm::fuzz::require(again == encoded, "encoding is stable over a decode",
                           QString::fromUtf8(encoded + "\n" + again));
    } catch (const zrm::PacketError& error) {
        zrm::fuzz::fault("an encoded value decodes",
                         error.message() + QLatin1Char('\n') + QString::fromUtf8(encoded));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray document = zrm::fuzz::bytesOf(data + 1, size - 1);
    if (data[0] % 2 == 0)
        roundTrip(document, &zrm::packet::decodePacket);
    else
        roundTrip(document, &zrm::packet::decodeDelta);
    return 0;
}
