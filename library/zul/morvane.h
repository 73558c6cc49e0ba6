#pragma once

// Morvane: where the application server is and who is working, as the host's settings give them
// (the environment first, then the host's settings file, then the defaults 127.0.0.1 and 7130). Read
// anew at every call, so a connection made later sees a changed setting.

#include <QDate>
#include <QString>

namespace Morvane {

// Host name or address of the application server. Never fails.
QString WebURL();
// TCP port of the application server, 1 to 65535. Never fails.
int WebPort();
// The bearer token the connection presents to the server; empty for none. Never fails.
QString WebToken();
// The code of the operator working in this session. Never fails.
QString Operador();
// The session's date: the host's "today" setting (ZRM_TODAY), else the system clock's. Never fails.
QDate Today();

}  // namespace Morvane
