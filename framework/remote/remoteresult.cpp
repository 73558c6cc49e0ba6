#include "framework/remote/remoteresult.h"

#include <utility>

TRemoteResult TRemoteResult::success(QList<zrm::DataPacket> packets, bool isList) {
    TRemoteResult result;
    result.ok = true;
    result.packets = std::move(packets);
    result.isList = isList;
    return result;
}

TRemoteResult TRemoteResult::successNotPackets(const QString& why) {
    TRemoteResult result;
    result.ok = true;
    result.unreadable = why;
    return result;
}

TRemoteResult TRemoteResult::serverFailure(int code, const QString& message) {
    TRemoteResult result;
    result.code = code;
    result.message = message;
    result.transient = code == RemoteError::Unavailable;
    return result;
}

TRemoteResult TRemoteResult::transportFailure(const QString& message) {
    TRemoteResult result;
    result.code = RemoteError::Unavailable;
    result.message = message;
    result.transient = true;
    return result;
}

ERemoteCallError::ERemoteCallError(TRemoteResult result)
    : Exception(result.message), m_result(std::move(result)) {}
