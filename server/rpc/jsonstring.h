#pragma once

// JSON string literals written straight into a response buffer, for the front and the modules alike.

#include <string>
#include <string_view>

namespace zrm::server {

// Appends text (UTF-8) as a JSON string literal, quotes and escapes included. Never fails.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace zrm::server
