#pragma once

// The front of the application server: routes each HTTP request, once, to the health probe, the
// metrics, the pages or the JSON-RPC dispatch, checks the token, and counts and logs every request.
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

    // Routes the request once. Metrics, refusals and malformed calls are answered at once; a call
    // whose module holds answers that need the database to confirm them waits for that confirmation
    // without taking a thread; the health probe, the pages and the other calls go to the pool for
    // blocking work.
    std::unique_ptr<HttpCall> open(const HttpRequest& request) override;
    void rejectedByTransport(int status, std::string_view reason) override;
    void transportFailed(std::string_view what) override;

private:
    class Call;

    // The method and outcome labels of an answered request.
    struct Labels {
        std::string method;
        std::string outcome;
    };
    // The page provider whose prefix path starts with or is without its last slash, or null.
    PageProvider* pagesOf(std::string_view path) const;
    static Labels rpcAnswer(RpcReply reply, HttpResponse& response);
    // Answers through route, which gives nullopt when the request must go further, and accounts
    // for what it answered.
    template <typename Route>
    bool answerWith(const HttpRequest& request, HttpResponse& response, Route route);
    void account(const HttpRequest& request, const HttpResponse& response, const Labels& labels);
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
