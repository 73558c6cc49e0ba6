#include "library/zul/netconnection.h"

#include "library/config/hostsettings.h"

namespace Netconnection {

TNetConnection* Create(QObject* parent) {
    auto* connection = new TNetConnection(parent);
    ApplyHostSettings(connection);
    return connection;
}

void ApplyHostSettings(TNetConnection* connection) {
    const zrm::config::HostSettings settings = zrm::config::HostSettings::load();
    connection->SetHost(settings.appServerHost());
    connection->SetPort(settings.appServerPort());
    connection->SetToken(settings.appServerToken());
    connection->SetOperator(settings.operatorCode());
}

}  // namespace Netconnection
