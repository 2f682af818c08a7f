#include "monitor/platform/system_network_state.h"

#include <QNetworkInformation>

namespace ossivant {

namespace {

NetworkReach FromReachability(QNetworkInformation::Reachability reachability) {
    switch (reachability) {
        case QNetworkInformation::Reachability::Online:
        case QNetworkInformation::Reachability::Site:
            return NetworkReach::Online;
        // A computer with only a local link cannot reach the sites either.
        case QNetworkInformation::Reachability::Disconnected:
        case QNetworkInformation::Reachability::Local:
            return NetworkReach::Offline;
        case QNetworkInformation::Reachability::Unknown:
            break;
    }
    return NetworkReach::Unknown;
}

}  // namespace

SystemNetworkState::SystemNetworkState(QObject* parent) : NetworkState(parent) {
    if (!QNetworkInformation::loadDefaultBackend()) return;
    QObject::connect(QNetworkInformation::instance(),
                     &QNetworkInformation::reachabilityChanged, this,
                     [this](QNetworkInformation::Reachability r) {
                         emit ReachChanged(FromReachability(r));
                     });
}

NetworkReach SystemNetworkState::Reach() const {
    const QNetworkInformation* info = QNetworkInformation::instance();
    return info ? FromReachability(info->reachability()) : NetworkReach::Unknown;
}

}  // namespace ossivant
