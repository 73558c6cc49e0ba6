#include "server/http/metrics.h"

#include <cstdio>

namespace zrm::server {

Metrics::Series& Metrics::series(std::string_view method, std::string_view outcome) {
    std::lock_guard lock(m_mutex);
    Key key{std::string(method), std::string(outcome)};
    auto it = m_series.find(key);
    if (it == m_series.end())
        it = m_series.emplace(std::move(key), std::make_unique<Series>()).first;
    return *it->second;
}

void Metrics::record(std::string_view method, std::string_view outcome, double seconds) {
    Series& s = series(method, outcome);
    s.count.fetch_add(1, std::memory_order_relaxed);
    s.sumMicroseconds.fetch_add(static_cast<unsigned long long>(seconds * 1e6), std::memory_order_relaxed);
    for (std::size_t i = 0; i < BucketBounds.size(); ++i) {
        if (seconds <= BucketBounds[i]) {
            s.buckets[i].fetch_add(1, std::memory_order_relaxed);
            break;
        }
    }
}

std::string Metrics::exposition() const {
    std::string out =
        "# HELP zrm_requests_total Requests answered, by JSON-RPC method (or endpoint) and outcome.\n"
        "# TYPE zrm_requests_total counter\n";
    std::string histogram =
        "# HELP zrm_request_duration_seconds Time from a complete request to its answer.\n"
        "# TYPE zrm_request_duration_seconds histogram\n";
    std::lock_guard lock(m_mutex);
    for (const auto& [key, s] : m_series) {
        const std::string labels = "method=\"" + key.first + "\",outcome=\"" + key.second + "\"";
        const unsigned long long count = s->count.load(std::memory_order_relaxed);
        out += "zrm_requests_total{" + labels + "} " + std::to_string(count) + "\n";
        unsigned long long cumulative = 0;
        char bound[32];
        for (std::size_t i = 0; i < BucketBounds.size(); ++i) {
            cumulative += s->buckets[i].load(std::memory_order_relaxed);
            std::snprintf(bound, sizeof bound, "%g", BucketBounds[i]);
            histogram += "zrm_request_duration_seconds_bucket{" + labels + ",le=\"" + bound + "\"} " +
                         std::to_string(cumulative) + "\n";
        }
        histogram +=
            "zrm_request_duration_seconds_bucket{" + labels + ",le=\"+Inf\"} " + std::to_string(count) + "\n";
        std::snprintf(bound, sizeof bound, "%.6f", static_cast<double>(s->sumMicroseconds.load()) / 1e6);
        histogram += "zrm_request_duration_seconds_sum{" + labels + "} " + bound + "\n";
        histogram += "zrm_request_duration_seconds_count{" + labels + "} " + std::to_string(count) + "\n";
    }
    return out + histogram;
}

}  // namespace zrm::server
