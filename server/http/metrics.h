#pragma once

// Request counters and latency histograms by method and outcome, written in the Prometheus text
// exposition format for GET /metrics.

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace zrm::server {

class Metrics {
public:
    // Upper bounds of the latency buckets, in seconds; the last bucket (+Inf) is implicit.
    static constexpr std::array<double, 13> BucketBounds = {
        0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1.0, 5.0};

    // Counts one request of that method and outcome that took seconds. Thread-safe; never throws
    // except std::bad_alloc on the first request of a new method and outcome.
    void record(std::string_view method, std::string_view outcome, double seconds);

    // The whole exposition text (counters zrm_requests_total and histogram
    // zrm_request_duration_seconds). Thread-safe.
    std::string exposition() const;

private:
    struct Series {
        std::atomic<unsigned long long> count{0};
        std::atomic<unsigned long long> sumMicroseconds{0};
        std::array<std::atomic<unsigned long long>, BucketBounds.size()> buckets{};
    };
    using Key = std::pair<std::string, std::string>;

    Series& series(std::string_view method, std::string_view outcome);

    mutable std::mutex m_mutex;  // guards the map, not the counters
    std::map<Key, std::unique_ptr<Series>, std::less<>> m_series;
};

}  // namespace zrm::server
