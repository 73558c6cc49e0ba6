#pragma once

// The options of `zrm-appserver serve`, read and checked: the database, the listening address, the
// fixed "today", the token and the transport's limits.

#include "server/app/commandline.h"
#include "server/http/bearertoken.h"
#include "server/http/httpserver.h"

#include <QDate>
#include <QString>

namespace zrm::server::app {

struct ServeOptions {
    QString dbUrl;
    QDate today;  // invalid: the machine's date
    BearerToken token;
    HttpServerConfig http;
};

// The command's description: options and help texts.
CommandDefinition serveCommandDefinition();

// Reads the options of a parsed serve command. Throws UsageError for a missing --db, an address that
// is not HOST:PORT, a date that is not YYYY-MM-DD, a number out of range, --tls-cert without
// --tls-key or the reverse; std::runtime_error when the
// token file cannot be read.
ServeOptions readServeOptions(const ParsedCommand& command);

// "127.0.0.1:7130", "localhost:0", "[::1]:7130" into host and port. Throws UsageError.
void parseListenAddress(const std::string& text, std::string& host, std::uint16_t& port);

// A date "YYYY-MM-DD". Throws UsageError naming the option.
QDate parseDateOption(const std::string& option, const std::string& text);

}  // namespace zrm::server::app
