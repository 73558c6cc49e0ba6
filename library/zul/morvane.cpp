#include "library/zul/morvane.h"

#include "library/config/hostsettings.h"

namespace Morvane {

QString WebURL() {
    return zrm::config::HostSettings::load().appServerHost();
}

int WebPort() {
    return zrm::config::HostSettings::load().appServerPort();
}

QString WebToken() {
    return zrm::config::HostSettings::load().appServerToken();
}

QString Operador() {
    return zrm::config::HostSettings::load().operatorCode();
}

QDate Today() {
    return zrm::config::HostSettings::load().today();
}

}  // namespace Morvane
