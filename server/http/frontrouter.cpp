#include "server/http/frontrouter.h"

#include <QString>

#include <chrono>

namespace zrm::server {

namespace {

constexpr std::string_view RpcPrefix = "/rpc/";

// Outcome label of a JSON-RPC answer.
std::string_view outcomeOf(int errorCode) {
    switch (errorCode) {
        case 0:
            return "ok";
        case rpcerror::ParseError:
        case rpcerror::InvalidRequest:
            return "invalid_request";
        case rpcerror::MethodNotFound:
            return "unknown_method";
        case rpcerror::InvalidParams:
            return "invalid_params";
        case rpcerror::RuleRefused:
            return "refused";
        case rpcerror::Conflict:
            return "conflict";
        case rpcerror::StorageUnavailable:
            return "unavailable";
        default:
            return "internal_error";
    }
}

// Text from the client in a label or a log line: printable ASCII only and short, so that no request
// can forge log lines or blow up the metrics.
std::string sanitized(std::string_view text, std::size_t maxLength = 64) {
    std::string out;
    for (const char c : text.substr(0, maxLength)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '_' || c == '-' || c == '/';
        out += plain ? c : '?';
    }
    if (text.size() > maxLength)
        out += "...";
    return out;
}

void plainText(HttpResponse& response, int status, std::string body) {
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = std::move(body);
}

}  // namespace

FrontRouter::FrontRouter(const ModuleRegistry& registry, BearerToken token, Metrics& metrics,
                         const RequestLog& log)
    : m_registry(registry)
    , m_token(std::move(token))
    , m_metrics(metrics)
    , m_log(log)
    , m_dispatcher(registry, [this](std::string_view method, std::string_view what) {
        m_log.note("falha interna em " + sanitized(method) + ": " + std::string(what));
    }) {}

void FrontRouter::handle(const HttpRequest& request, HttpResponse& response) {
    const auto start = std::chrono::steady_clock::now();
    Labels labels;
    try {
        labels = route(request, response);
    } catch (...) {
        // Only memory exhaustion gets here; the client hears a plain 500.
        plainText(response, 500, "Erro interno do servidor de aplicação.\n");
        labels = {"-", "internal_error"};
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    try {
        m_metrics.record(labels.method, labels.outcome, seconds);
        const std::size_t queryAt = request.target.find('?');
        m_log.request(std::string(request.method) + " " + sanitized(request.target.substr(0, queryAt), 96),
                      labels.method, seconds * 1000.0, labels.outcome, response.status);
    } catch (...) {
        // Losing a log line or a sample must never lose the answer.
    }
}

void FrontRouter::rejectedByTransport(int status, std::string_view reason) {
    try {
        const std::string outcome = "http_" + std::to_string(status);
        m_metrics.record("-", outcome, 0.0);
        m_log.request(reason, "-", 0.0, outcome, status);
    } catch (...) {
    }
}

FrontRouter::Labels FrontRouter::route(const HttpRequest& request, HttpResponse& response) {
    const std::string_view path = request.target.substr(0, request.target.find('?'));
    const bool isGet = request.method == "GET";
    if (path == "/health") {
        if (!isGet) {
            plainText(response, 405, "Use GET em /health.\n");
            response.allow = "GET";
            return {"health", "http_405"};
        }
        return serveHealth(response);
    }
    for (PageProvider* pages : m_pages) {
        if (path.substr(0, pages->prefix().size()) == pages->prefix())
            return servePage(*pages, request, path.substr(pages->prefix().size()), response);
    }
    if (!m_token.admits(request.authorization)) {
        plainText(response, 401,
                  "Acesso negado: envie o cabeçalho \"Authorization: Bearer <token>\" com o token do "
                  "servidor.\n");
        response.wwwAuthenticate = "Bearer";
        return {"-", "http_401"};
    }
    if (path == "/metrics") {
        if (!isGet) {
            plainText(response, 405, "Use GET em /metrics.\n");
            response.allow = "GET";
            return {"metrics", "http_405"};
        }
        return serveMetrics(response);
    }
    if (path.substr(0, RpcPrefix.size()) == RpcPrefix) {
        if (request.method != "POST") {
            plainText(response, 405, "Use POST com uma chamada JSON-RPC 2.0 em /rpc/{servidor}.\n");
            response.allow = "POST";
            return {"-", "http_405"};
        }
        return serveRpc(request, path.substr(RpcPrefix.size()), response);
    }
    plainText(response, 404,
              "Endereço desconhecido. Use POST /rpc/{servidor}, GET /health ou GET /metrics.\n");
    return {"-", "http_404"};
}

FrontRouter::Labels FrontRouter::serveRpc(const HttpRequest& request, std::string_view serverName,
                                          HttpResponse& response) {
    CallContext context;
    context.operatorCode =
        QString::fromUtf8(request.operatorCode.data(), static_cast<qsizetype>(request.operatorCode.size()));
    RpcReply reply = m_dispatcher.dispatch(serverName, request.body, context);
    response.status = 200;
    response.body = std::move(reply.body);
    return {reply.method.empty() ? std::string("-") : sanitized(reply.method),
            std::string(outcomeOf(reply.errorCode))};
}

FrontRouter::Labels FrontRouter::servePage(PageProvider& pages, const HttpRequest& request,
                                           std::string_view path, HttpResponse& response) {
    const std::string label(pages.prefix().substr(1, pages.prefix().size() - 2));
    if (request.method != "GET") {
        plainText(response, 405, "Use GET nas páginas do servidor.\n");
        response.allow = "GET";
        return {label, "http_405"};
    }
    if (!m_token.admitsPassword(request.authorization)) {
        // The browser asks for the token through its own login prompt: any user name, the token as
        // the password.
        plainText(response, 401,
                  "Acesso negado: informe o token do servidor como senha (qualquer nome de usuário).\n");
        response.wwwAuthenticate = R"(Basic realm="Sistema ZRM", charset="UTF-8")";
        return {label, "http_401"};
    }
    pages.serve(path, response);
    return {label, response.status == 200 ? std::string("ok") : "http_" + std::to_string(response.status)};
}

FrontRouter::Labels FrontRouter::serveHealth(HttpResponse& response) {
    if (m_registry.healthy()) {
        plainText(response, 200, "ok\n");
        return {"health", "ok"};
    }
    plainText(response, 503, "indisponível\n");
    return {"health", "unavailable"};
}

FrontRouter::Labels FrontRouter::serveMetrics(HttpResponse& response) {
    plainText(response, 200, m_metrics.exposition());
    response.contentType = "text/plain; version=0.0.4; charset=utf-8";
    return {"metrics", "ok"};
}

}  // namespace zrm::server
