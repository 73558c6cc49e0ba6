// Every method of the calendar module on arbitrary parameters. The first byte picks the method (or
// the operator code's presence); the rest is the JSON text of the parameters. A call either answers a
// JSON value or refuses with a JSON-RPC error carrying a message; anything else escaping the module
// is a fault.

#include "fuzz/fuzzserver.h"
#include "fuzz/fuzzsupport.h"
#include "server/rpc/jsonrpcenvelope.h"

#include <QJsonDocument>

#include <array>
#include <string>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 10> Methods = {
    "GetCalendOrcOp", "GetVersao",   "GetFaseOrc",     "ValCiclo",         "GetValDateBloq",
    "GetDateBloq",    "BloqDelFase", "SetCalendOrcOp", "GetHistCalendOrc", "NoSuchMethod"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zrm::fuzz::calendarModule();  // the database is made before the first input, not during it
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view method = Methods[data[0] % Methods.size()];
    const QString operatorCode = data[0] / Methods.size() % 2 == 0 ? QStringLiteral("fuzz") : QString();
    // The call as the front reads it: the parameters go through the envelope's reader.
    const std::string body = R"({"jsonrpc":"2.0","id":1,"method":")" + std::string(method) +
                             R"(","params":)" +
                             std::string(reinterpret_cast<const char*>(data + 1), size - 1) + "}";
    zrm::server::RpcRequest request;
    try {
        std::string_view id;
        request = zrm::server::jsonrpc::parseRequest(body, id);
    } catch (const zrm::server::RpcError&) {
        return 0;  // the envelope refuses these before any method runs
    }

    std::string result;
    try {
        zrm::fuzz::calendarModule().call(request, zrm::server::CallContext{operatorCode}, result);
    } catch (const zrm::server::RpcError& error) {
        zrm::fuzz::require(!error.message().isEmpty(), "a refusal is explained");
        return 0;
    }
    QJsonParseError resultError;
    QJsonDocument::fromJson(QByteArray::fromStdString("[" + result + "]"), &resultError);
    zrm::fuzz::require(resultError.error == QJsonParseError::NoError, "a result is JSON",
                       QString::fromStdString(result));
    return 0;
}
