#include "server/http/frontrouter.h"

#include <QString>

#include <algorithm>
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

template <typename Route>
bool FrontRouter::answerWith(const HttpRequest& request, HttpResponse& response, Route route) {
    m_inHand.fetch_add(1, std::memory_order_relaxed);
    std::optional<Labels> labels;
    try {
        labels = route();
    } catch (...) {
        // Only memory exhaustion gets here; the client hears a plain 500.
        plainText(response, 500, "Erro interno do servidor de aplicação.\n");
        labels = Labels{"-", "internal_error"};
    }
    if (!labels) {
        m_inHand.fetch_sub(1, std::memory_order_relaxed);
        return false;
    }
    account(request, response, *labels);
    return true;
}

bool FrontRouter::answerAtOnce(const HttpRequest& request, HttpResponse& response) {
    return answerWith(request, response, [&] { return routeAtOnce(request, response); });
}

bool FrontRouter::startWait(const HttpRequest& request, std::function<void(WaitOutcome)> woken) {
    // Only a call to a module, by a client answerAtOnce has let through, waits for its module.
    const std::string_view path = request.target.substr(0, request.target.find('?'));
    if (request.method != "POST" || path.substr(0, RpcPrefix.size()) != RpcPrefix || pagesOf(request) ||
        !m_token.admits(request.authorization))
        return false;
    return m_dispatcher.confirmGeneration(rpcServerName(request), request.body, std::move(woken));
}

bool FrontRouter::answerAfterWait(const HttpRequest& request, WaitOutcome outcome, HttpResponse& response) {
    if (!outcome)
        return false;
    return answerWith(request, response, [&]() -> std::optional<Labels> {
        RpcReply reply;
        if (!m_dispatcher.answerAtGeneration(rpcServerName(request), request.body, *outcome, reply))
            return std::nullopt;
        return rpcAnswer(std::move(reply), response);
    });
}

void FrontRouter::handle(const HttpRequest& request, HttpResponse& response) {
    m_inHand.fetch_add(1, std::memory_order_relaxed);
    Labels labels;
    try {
        if (const std::optional<Labels> answered = routeAtOnce(request, response))
            labels = *answered;
        else if (PageProvider* pages = pagesOf(request))
            labels = servePage(*pages, request, pagePath(*pages, request), response);
        else
            labels = serveRpc(request, rpcServerName(request), response);
    } catch (...) {
        plainText(response, 500, "Erro interno do servidor de aplicação.\n");
        labels = {"-", "internal_error"};
    }
    account(request, response, labels);
}

void FrontRouter::account(const HttpRequest& request, const HttpResponse& response, const Labels& labels) {
    // From the whole request in hand, so the time spent waiting for the database counts too.
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - request.received).count();
    // The last request in hand writes the gathered log lines before its answer leaves.
    const bool last = m_inHand.fetch_sub(1, std::memory_order_acq_rel) == 1;
    try {
        m_metrics.record(labels.method, labels.outcome, seconds);
        const std::size_t queryAt = request.target.find('?');
        m_log.request(std::string(request.method) + " " + sanitized(request.target.substr(0, queryAt), 96),
                      labels.method, seconds * 1000.0, labels.outcome, response.status, last);
    } catch (...) {
        // Losing a log line or a sample must never lose the answer.
    }
}

void FrontRouter::rejectedByTransport(int status, std::string_view reason) {
    try {
        const std::string outcome =
            status == 500 ? std::string("internal_error") : "http_" + std::to_string(status);
        m_metrics.record("-", outcome, 0.0);
        if (status == 500)
            m_log.note("falha interna no atendimento: " + std::string(reason));
        m_log.request(status == 500 ? std::string_view("-") : reason, "-", 0.0, outcome, status);
    } catch (...) {
    }
}

std::string_view FrontRouter::rpcServerName(const HttpRequest& request) {
    const std::string_view path = request.target.substr(0, request.target.find('?'));
    return path.substr(std::min(path.size(), RpcPrefix.size()));
}

PageProvider* FrontRouter::pagesOf(const HttpRequest& request) const {
    const std::string_view path = request.target.substr(0, request.target.find('?'));
    for (PageProvider* pages : m_pages) {
        const std::string_view prefix = pages->prefix();
        if (path.substr(0, prefix.size()) == prefix || path == prefix.substr(0, prefix.size() - 1))
            return pages;
    }
    return nullptr;
}

std::string_view FrontRouter::pagePath(const PageProvider& pages, const HttpRequest& request) {
    const std::string_view path = request.target.substr(0, request.target.find('?'));
    return path.substr(std::min(path.size(), pages.prefix().size()));
}

std::optional<FrontRouter::Labels> FrontRouter::routeAtOnce(const HttpRequest& request,
                                                            HttpResponse& response) {
    const std::string_view path = request.target.substr(0, request.target.find('?'));
    // HEAD is GET without the body, which the transport leaves out.
    const bool isGet = request.method == "GET" || request.method == "HEAD";
    if (path == "/health") {
        if (!isGet) {
            plainText(response, 405, "Use GET em /health.\n");
            response.allow = "GET, HEAD";
            return Labels{"health", "http_405"};
        }
        return serveHealth(response);
    }
    // Pages read the calendar: all of their work goes to handle().
    if (pagesOf(request))
        return std::nullopt;
    if (!m_token.admits(request.authorization)) {
        plainText(response, 401,
                  "Acesso negado: envie o cabeçalho \"Authorization: Bearer <token>\" com o token do "
                  "servidor.\n");
        response.wwwAuthenticate = "Bearer";
        return Labels{"-", "http_401"};
    }
    if (path == "/metrics") {
        if (!isGet) {
            plainText(response, 405, "Use GET em /metrics.\n");
            response.allow = "GET, HEAD";
            return Labels{"metrics", "http_405"};
        }
        return serveMetrics(response);
    }
    if (path.substr(0, RpcPrefix.size()) == RpcPrefix) {
        if (request.method != "POST") {
            plainText(response, 405, "Use POST com uma chamada JSON-RPC 2.0 em /rpc/{servidor}.\n");
            response.allow = "POST";
            return Labels{"-", "http_405"};
        }
        RpcReply reply;
        if (!m_dispatcher.answerAtOnce(rpcServerName(request), request.body, reply))
            return std::nullopt;
        return rpcAnswer(std::move(reply), response);
    }
    plainText(response, 404,
              "Endereço desconhecido. Use POST /rpc/{servidor}, GET /health ou GET /metrics.\n");
    return Labels{"-", "http_404"};
}

FrontRouter::Labels FrontRouter::rpcAnswer(RpcReply reply, HttpResponse& response) {
    response.status = 200;
    response.body = std::move(reply.body);
    return {reply.method.empty() ? std::string("-") : sanitized(reply.method),
            std::string(outcomeOf(reply.errorCode))};
}

FrontRouter::Labels FrontRouter::serveRpc(const HttpRequest& request, std::string_view serverName,
                                          HttpResponse& response) {
    CallContext context;
    context.operatorCode =
        QString::fromUtf8(request.operatorCode.data(), static_cast<qsizetype>(request.operatorCode.size()));
    return rpcAnswer(m_dispatcher.dispatch(serverName, request.body, context), response);
}

FrontRouter::Labels FrontRouter::servePage(PageProvider& pages, const HttpRequest& request,
                                           std::string_view path, HttpResponse& response) {
    const std::string label(pages.prefix().substr(1, pages.prefix().size() - 2));
    if (request.method != "GET" && request.method != "HEAD") {
        plainText(response, 405, "Use GET nas páginas do servidor.\n");
        response.allow = "GET, HEAD";
        return {label, "http_405"};
    }
    if (!m_token.admitsPassword(request.authorization)) {
        // The browser asks for the token through its own login prompt: any user name, the token as
        // the password.
        pages.refuse(request, response);
        response.status = 401;
        response.wwwAuthenticate = R"(Basic realm="Sistema ZRM", charset="UTF-8")";
        return {label, "http_401"};
    }
    pages.serve(request, path, response);
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
