#include "server/calendar/answercache.h"

namespace zrm::server {

void AnswerCache::makeKey(std::string& key, std::string_view method, std::string_view params) {
    key.reserve(method.size() + params.size() + 1);
    key.append(method);
    key += '\0';  // no method name holds it in a cacheable call, so keys cannot run together
    key.append(params);
}

bool AnswerCache::find(std::string_view method, std::string_view params, qint64 generation,
                       std::string& out) const {
    if (params.size() > MaxParamsBytes)
        return false;
    char buffer[MaxParamsBytes + 64];
    if (method.size() + params.size() + 1 > sizeof buffer)
        return false;
    // Looked up without allocating: the key is assembled on the stack.
    std::size_t length = 0;
    for (const std::string_view part : {method, std::string_view("\0", 1), params}) {
        part.copy(buffer + length, part.size());
        length += part.size();
    }
    std::shared_lock lock(m_mutex);
    const auto found = m_entries.find(std::string_view(buffer, length));
    if (found == m_entries.end() || found->second.generation != generation)
        return false;
    out += found->second.answer;
    return true;
}

void AnswerCache::store(std::string_view method, std::string_view params, qint64 generation,
                        std::string_view answer) {
    if (params.size() > MaxParamsBytes || method.size() + params.size() + 1 > MaxParamsBytes + 64)
        return;
    std::string key;
    makeKey(key, method, params);
    std::unique_lock lock(m_mutex);
    if (m_entries.size() >= MaxEntries && !m_entries.contains(key))
        m_entries.clear();
    Entry& entry = m_entries[std::move(key)];
    // Two computations of one answer may finish out of order: the newer generation wins.
    if (!entry.answer.empty() && entry.generation > generation)
        return;
    entry.generation = generation;
    entry.answer.assign(answer);
}

}  // namespace zrm::server
