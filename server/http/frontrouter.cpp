#include "server/http/frontrouter.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <stdexcept>

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

// One request as the router routed it: the route is chosen, and a call's body read, in answerAtOnce,
// and the later steps follow that choice.
class FrontRouter::Call final : public HttpCall {
public:
    Call(FrontRouter& router, const HttpRequest& request)
        : m_router(router), m_request(request), m_path(request.target.substr(0, request.target.find('?'))) {}

    bool answerAtOnce(HttpResponse& response) override {
        return m_router.answerWith(m_request, response, [&] { return route(response); });
    }

    bool startWait(std::function<void(WaitOutcome)> woken) override {
        return m_further == Further::Rpc && RpcDispatcher::confirmGeneration(m_rpc, std::move(woken));
    }

    bool answerAfterWait(WaitOutcome outcome, HttpResponse& response) override {
        if (!outcome || m_further != Further::Rpc)
            return false;
        return m_router.answerWith(m_request, response, [&]() -> std::optional<Labels> {
            RpcReply reply;
            if (!RpcDispatcher::answerAtGeneration(m_rpc, *outcome, reply))
                return std::nullopt;
            return rpcAnswer(std::move(reply), response);
        });
    }

    void handle(HttpResponse& response) override {
        m_router.m_inHand.fetch_add(1, std::memory_order_relaxed);
        Labels labels;
        try {
            switch (m_further) {
                case Further::Health:
                    labels = m_router.serveHealth(response);
                    break;
                case Further::Page:
                    labels = m_router.servePage(
                        *m_pages, m_request, m_path.substr(std::min(m_path.size(), m_pages->prefix().size())),
                        response);
                    break;
                case Further::Rpc:
                    labels = serveRpc(response);
                    break;
                case Further::Nowhere:
                    // Only a transport that skipped answerAtOnce gets here.
                    throw std::logic_error("pedido atendido sem rota");
            }
        } catch (...) {
            plainText(response, 500, "Erro interno do servidor de aplicação.\n");
            labels = {"-", "internal_error"};
        }
        m_router.account(m_request, response, labels);
    }

private:
    // Where a request that is not answered at once goes.
    enum class Further { Nowhere, Health, Page, Rpc };

    // Answers what needs no blocking work; otherwise sets m_further and gives nullopt.
    std::optional<Labels> route(HttpResponse& response) {
        const HttpRequest& request = m_request;
        // HEAD is GET without the body, which the transport leaves out.
        const bool isGet = request.method == "GET" || request.method == "HEAD";
        if (m_path == "/health") {
            if (!isGet) {
                plainText(response, 405, "Use GET em /health.\n");
                response.allow = "GET, HEAD";
                return Labels{"health", "http_405"};
            }
            // The probe asks the database: never on a network thread.
            m_further = Further::Health;
            return std::nullopt;
        }
        // Pages read the calendar: all of their work goes to handle().
        if ((m_pages = m_router.pagesOf(m_path))) {
            m_further = Further::Page;
            return std::nullopt;
        }
        if (!m_router.m_token.admits(request.authorization)) {
            plainText(response, 401,
                      "Acesso negado: envie o cabeçalho \"Authorization: Bearer <token>\" com o token do "
                      "servidor.\n");
            response.wwwAuthenticate = "Bearer";
            return Labels{"-", "http_401"};
        }
        if (m_path == "/metrics") {
            if (!isGet) {
                plainText(response, 405, "Use GET em /metrics.\n");
                response.allow = "GET, HEAD";
                return Labels{"metrics", "http_405"};
            }
            return m_router.serveMetrics(response);
        }
        if (m_path.substr(0, RpcPrefix.size()) == RpcPrefix) {
            if (request.method != "POST") {
                plainText(response, 405, "Use POST com uma chamada JSON-RPC 2.0 em /rpc/{servidor}.\n");
                response.allow = "POST";
                return Labels{"-", "http_405"};
            }
            // The one reading of the body: every later step takes the call read here.
            m_rpc = m_router.m_dispatcher.read(m_path.substr(RpcPrefix.size()), request.body);
            if (!m_rpc.module)
                return rpcAnswer(std::move(m_rpc.refusal), response);
            m_further = Further::Rpc;
            return std::nullopt;
        }
        plainText(response, 404,
                  "Endereço desconhecido. Use POST /rpc/{servidor}, GET /health ou GET /metrics.\n");
        return Labels{"-", "http_404"};
    }

    Labels serveRpc(HttpResponse& response) {
        CallContext context;
        context.operatorCode = QString::fromUtf8(m_request.operatorCode.data(),
                                                 static_cast<qsizetype>(m_request.operatorCode.size()));
        context.saveId = m_request.saveId;
        return rpcAnswer(m_router.m_dispatcher.dispatch(m_rpc, context), response);
    }

    FrontRouter& m_router;
    const HttpRequest& m_request;
    std::string_view m_path;  // the target without its query
    Further m_further = Further::Nowhere;
    PageProvider* m_pages = nullptr;
    RpcCall m_rpc;
};

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

std::unique_ptr<HttpCall> FrontRouter::open(const HttpRequest& request) {
    return std::make_unique<Call>(*this, request);
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

void FrontRouter::transportFailed(std::string_view what) {
    try {
        m_log.note("falha no transporte HTTP: " + std::string(what));
    } catch (...) {
    }
}

PageProvider* FrontRouter::pagesOf(std::string_view path) const {
    for (PageProvider* pages : m_pages) {
        const std::string_view prefix = pages->prefix();
        if (path.substr(0, prefix.size()) == prefix || path == prefix.substr(0, prefix.size() - 1))
            return pages;
    }
    return nullptr;
}

FrontRouter::Labels FrontRouter::rpcAnswer(RpcReply reply, HttpResponse& response) {
    response.status = 200;
    response.body = std::move(reply.body);
    return {reply.method.empty() ? std::string("-") : sanitized(reply.method),
            std::string(outcomeOf(reply.errorCode))};
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
