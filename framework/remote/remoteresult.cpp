#include "framework/remote/remoteresult.h"

#include <utility>

TRemoteResult TRemoteResult::success(const QJsonValue& value) {
    TRemoteResult result;
    result.ok = true;
    result.value = value;
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
