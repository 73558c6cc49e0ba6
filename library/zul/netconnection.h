#pragma once

// The screens' connection to the application server: the framework's TNetConnection, configured
// with the host's token and operator. A form description's "TNetConnection" component is made this
// way (zulclasses.cpp); code that makes one itself calls Netconnection::Create.

#include "framework/remote/netconnection.h"

namespace Netconnection {

// A new connection owned by parent, with the host's token and operator and, until its BeforeConnect
// handler says otherwise, the host's server address. Never fails.
TNetConnection* Create(QObject* parent);

// Gives connection the host's token, operator and server address. Never fails.
void ApplyHostSettings(TNetConnection* connection);

}  // namespace Netconnection
