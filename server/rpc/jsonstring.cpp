#include "server/rpc/jsonstring.h"

namespace zrm::server {

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += '"';
    size_t plainFrom = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text.data() + plainFrom, i - plainFrom);
        plainFrom = i + 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += Hex[c >> 4];
                out += Hex[c & 0xf];
        }
    }
    out.append(text.data() + plainFrom, text.size() - plainFrom);
    out += '"';
}

}  // namespace zrm::server
