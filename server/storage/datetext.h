#pragma once

#include <string>
#include <string_view>

namespace zrm::server {

// Brings a date-time read from either database into the wire form "YYYY-MM-DDTHH:MM:SS[.mmm]":
// PostgreSQL writes a blank between date and time and as many fraction digits as it needs; SQLite
// returns what was stored. An empty text stays empty.
inline std::string wireDateTime(std::string_view stored) {
    std::string text(stored);
    if (text.size() > 10 && text[10] == ' ')
        text[10] = 'T';
    if (const size_t dot = text.find('.'); dot != std::string::npos) {
        std::string fraction = text.substr(dot + 1, 3);
        fraction.resize(3, '0');
        text.resize(dot);
        if (fraction != "000")
            text += '.' + fraction;
    }
    return text;
}

}  // namespace zrm::server
