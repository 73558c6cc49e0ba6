// A JSON-RPC request body of any bytes, dispatched to the calendar module: the envelope, the method
// lookup and the parameters. Every body gets a JSON-RPC 2.0 response object, and an error response
// exactly when the reply carries an error code.

#include "fuzz/fuzzserver.h"
#include "fuzz/fuzzsupport.h"
#include "server/rpc/rpcdispatcher.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <string_view>

namespace {

const zrm::server::RpcDispatcher& dispatcher() {
    static const zrm::server::RpcDispatcher instance(zrm::fuzz::calendarRegistry());
    return instance;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dispatcher();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const zrm::server::RpcReply reply = dispatcher().dispatch(
        dispatcher().read("ZRM71300.rdmCalendOrcOp", body), zrm::server::CallContext{QStringLiteral("fuzz")});

    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(reply.body), &parseError);
    const QString shown = QString::fromStdString(reply.body);
    zrm::fuzz::require(parseError.error == QJsonParseError::NoError && document.isObject(),
                       "the reply is a JSON object", shown);
    const QJsonObject response = document.object();
    zrm::fuzz::require(response.value(QStringLiteral("jsonrpc")) == QStringLiteral("2.0"),
                       "the reply is JSON-RPC 2.0", shown);
    const bool isError = response.contains(QStringLiteral("error"));
    zrm::fuzz::require(isError != response.contains(QStringLiteral("result")), "a result or an error", shown);
    zrm::fuzz::require(isError == (reply.errorCode != 0), "the error code matches the reply", shown);
    if (isError) {
        const QJsonObject error = response.value(QStringLiteral("error")).toObject();
        zrm::fuzz::require(error.value(QStringLiteral("code")).toInt() == reply.errorCode,
                           "the code is the one answered", shown);
        zrm::fuzz::require(!error.value(QStringLiteral("message")).toString().isEmpty(),
                           "an error is explained", shown);
    }
    return 0;
}
