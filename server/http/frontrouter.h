#pragma once

// The front of the application server: routes each HTTP request to the health probe, the metrics or
// the JSON-RPC dispatch, checks the token, and counts and logs every request.
//
//   GET  /health             200 when every module reaches its database, else 503; no token needed
//   GET  /metrics            Prometheus text
//   POST /rpc/{serverName}   a JSON-RPC 2.0 call; its errors travel as HTTP 200 with an error object
//   GET  {prefix}...         a read-only page of a page provider; the token also as HTTP Basic password

#include "server/http/bearertoken.h"
#include "server/http/httpmessage.h"
#include "server/http/metrics.h"
#include "server/http/pageprovider.h"
#include "server/http/requestlog.h"
#include "server/rpc/moduleregistry.h"
#include "server/rpc/rpcdispatcher.h"

#include <vector>

namespace zrm::server {

class FrontRouter : public HttpHandler {
public:
    // Keeps references to registry, metrics and log; they must outlive the router.
    FrontRouter(const ModuleRegistry& registry, BearerToken token, Metrics& metrics, const RequestLog& log);

    // Serves the pages of provider under its prefix; provider must outlive the router. Not
    // thread-safe: add providers before serving.
    void addPages(PageProvider& provider) { m_pages.push_back(&provider); }

    void handle(const HttpRequest& request, HttpResponse& response) override;
    void rejectedByTransport(int status, std::string_view reason) override;

private:
    // Each fills response and returns the method and outcome labels of the request.
    struct Labels {
        std::string method;
        std::string outcome;
    };
    Labels route(const HttpRequest& request, HttpResponse& response);
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
};

}  // namespace zrm::server
