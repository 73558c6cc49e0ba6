#include "server/web/calendarpages.h"

#include "server/storage/storeerror.h"
#include "server/web/timelinepage.h"

#include <charconv>

namespace zrm::server {

namespace {

// A run of at most maxDigits decimal digits, as a number; none for anything else.
std::optional<qint64> digits(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    qint64 value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The texts of the language request asks for; the response says which one it got and that the
// answer depends on the header.
const PageTexts& textsFor(const HttpRequest& request, HttpResponse& response) {
    const PageTexts& texts = pageTexts(preferredLanguage(request.acceptLanguage));
    response.contentLanguage = texts.htmlLang;
    response.vary = "Accept-Language";
    return texts;
}

void page(HttpResponse& response, int status, std::string body) {
    response.status = status;
    response.contentType = "text/html; charset=utf-8";
    response.body = std::move(body);
}

}  // namespace

void CalendarPages::serve(const HttpRequest& request, std::string_view path, HttpResponse& response) {
    const PageTexts& texts = textsFor(request, response);
    try {
        if (path.ends_with('/'))
            path.remove_suffix(1);
        const std::string todaysYear = std::to_string(m_clock.today().year());
        const size_t slash = path.find('/');
        const std::string yearText(path.empty() ? std::string_view(todaysYear) : path.substr(0, slash));
        const std::optional<qint64> year = digits(yearText, 4);
        std::optional<qint64> version;
        if (slash != std::string_view::npos) {
            version = digits(path.substr(slash + 1), 9);
            if (!version || *version < 1)
                return page(response, 404, notFoundPage(texts, texts.notYearAndVersion));
        }
        if (!year || *year < 1 || yearText.size() != 4)
            return page(response, 404, notFoundPage(texts, texts.notYear));
        const QDate today = m_clock.today();
        if (const std::optional<YearTimeline> shown = readYearTimeline(*m_database, yearText, version, today))
            return page(response, 200, timelinePage(*shown, prefix(), texts));
        // A version the year lacks: the page links the versions it has.
        const std::optional<YearTimeline> latest =
            version ? readYearTimeline(*m_database, yearText, std::nullopt, today) : std::nullopt;
        if (!latest)
            return page(response, 404, notFoundPage(texts, filled(texts.yearWithoutVersions, {yearText})));
        page(response, 404,
             notFoundPage(texts, filled(texts.versionMissing, {yearText, std::to_string(*version)}),
                          {prefix(), yearText, latest->versions, 0}));
    } catch (const StorageUnavailable&) {
        page(response, 503, messagePage(texts, texts.unavailable, texts.unavailableMessage));
    } catch (...) {
        page(response, 500, messagePage(texts, texts.internalError, texts.internalErrorMessage));
    }
}

void CalendarPages::refuse(const HttpRequest& request, HttpResponse& response) {
    const PageTexts& texts = textsFor(request, response);
    try {
        page(response, 401, messagePage(texts, texts.accessDenied, texts.accessDeniedMessage));
    } catch (...) {
        // Out of memory: the refusal goes out without its page.
        response.body.clear();
    }
}

}  // namespace zrm::server
