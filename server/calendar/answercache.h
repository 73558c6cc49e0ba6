#pragma once

// Encoded answers of read methods, kept by method and parameter text and valid for one data
// generation: an answer is served again only while the generation it was computed at is still the
// current one, so a committed write makes every older answer invisible at once.

#include <QtGlobal>

#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zrm::server {

class AnswerCache {
public:
    // Parameter texts longer than this are not kept: no client sends them, and they would let one
    // request pin a megabyte of memory.
    static constexpr std::size_t MaxParamsBytes = 256;
    // When full, the cache starts over rather than tracking use: the working set of a calendar
    // server is a handful of years and versions.
    static constexpr std::size_t MaxEntries = 4096;

    // Appends the answer kept for method and params at generation to out and returns true; false
    // when there is none. Thread-safe.
    bool find(std::string_view method, std::string_view params, qint64 generation, std::string& out) const;

    // Keeps answer for method and params, computed from data no older than generation. Thread-safe.
    void store(std::string_view method, std::string_view params, qint64 generation, std::string_view answer);

private:
    struct Entry {
        qint64 generation;
        std::string answer;
    };
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
    };
    static void makeKey(std::string& key, std::string_view method, std::string_view params);

    mutable std::shared_mutex m_mutex;
    std::unordered_map<std::string, Entry, KeyHash, std::equal_to<>> m_entries;
};

}  // namespace zrm::server
