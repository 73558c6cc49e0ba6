#pragma once

// The front of the application server: routes each HTTP request to the health probe, the metrics or
// the JSON-RPC dispatch, checks the token, and counts and logs every request.
//
//   GET  /health             200 when every module reaches its database, else 503; no token needed
//   GET  /metrics            Prometheus text
//   (HEAD wherever GET is allowed: the same headers, no body)
//   POST /rpc/{serverName}   a JSON-RPC 2.0 call; its errors travel as HTTP 200 with an error object
//   GET  {prefix}...         a read-only page of a page provider; the token also as HTTP Basic password

#include "server/http/bearertoken.h"
#include "server/http/httpmessage.h"
#include "server/http/metrics.h"
#include "server/http/pageprovider.h"
#include "server/http/requestlog.h"
#include "server/rpc/moduleregistry.h"
#include "server/rpc/rpcdispatcher.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <vector>

namespace zrm::server {

class FrontRouter : public HttpHandler {
public:
    // Keeps references to registry, metrics and log; they must outlive the router.
    FrontRouter(const ModuleRegistry& registry, BearerToken token, Metrics& metrics, const RequestLog& log);

    // Serves the pages of provider under its prefix; provider must outlive the router. Not
    // thread-safe: add providers before serving.
    void addPages(PageProvider& provider) { m_pages.push_back(&provider); }

    // Health, metrics, refusals, malformed calls and the answers a module holds in memory; the
    // remaining calls go to handle().
    bool answerAtOnce(const HttpRequest& request, HttpResponse& response) override;
    // A call whose module holds answers that need the database to confirm them waits for that
    // confirmation without taking a thread, then is answered at once when its answer is held.
    bool startWait(const HttpRequest& request, std::function<void(WaitOutcome)> woken) override;
    bool answerAfterWait(const HttpRequest& request, WaitOutcome outcome, HttpResponse& response) override;
    void handle(const HttpRequest& request, HttpResponse& response) override;
    void rejectedByTransport(int status, std::string_view reason) override;

private:
    // Each fills response and returns the method and outcome labels of the request.
    struct Labels {
        std::string method;
        std::string outcome;
    };
    // Everything but a call that needs its module's work, which gives nullopt.
    std::optional<Labels> routeAtOnce(const HttpRequest& request, HttpResponse& response);
    static std::string_view rpcServerName(const HttpRequest& request);
    // The page provider whose prefix the request's path starts with or is without its last slash, or
    // null.
    PageProvider* pagesOf(const HttpRequest& request) const;
    static std::string_view pagePath(const PageProvider& pages, const HttpRequest& request);
    static Labels rpcAnswer(RpcReply reply, HttpResponse& response);
    // Answers through route, which gives nullopt when the request must go further, and accounts
    // for what it answered.
    template <typename Route>
    bool answerWith(const HttpRequest& request, HttpResponse& response, Route route);
    void account(const HttpRequest& request, const HttpResponse& response, const Labels& labels);
    Labels serveRpc(const HttpRequest& request, std::string_view serverName, HttpResponse& response);
    Labels serveHealth(HttpResponse& response);
    Labels serveMetrics(HttpResponse& response);
    Labels servePage(PageProvider& pages, const HttpRequest& request, std::string_view path,
                     HttpResponse& response);

    const ModuleRegistry& m_registry;
    BearerToken m_token;
    Metrics& m_metrics;
    const RequestLog& m_log;
    RpcDispatcher m_dispatcher;
    std::vector<PageProvider*> m_pages;
    std::atomic<int> m_inHand{0};  // requests being answered now
};

}  // namespace zrm::server
