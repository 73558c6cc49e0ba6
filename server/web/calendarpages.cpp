#include "server/web/calendarpages.h"

#include "server/web/timelinepage.h"

#include <charconv>

namespace zrm::server {

namespace {

constexpr std::string_view CalendarServer = "ZRM71300.rdmCalendOrcOp";

// A run of at most maxDigits decimal digits, as a number; none for anything else.
std::optional<qint64> digits(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    qint64 value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void page(HttpResponse& response, int status, std::string body) {
    response.status = status;
    response.contentType = "text/html; charset=utf-8";
    response.body = std::move(body);
}

}  // namespace

void CalendarPages::serve(std::string_view path, HttpResponse& response) {
    try {
        if (path.ends_with('/'))
            path.remove_suffix(1);
        const size_t slash = path.find('/');
        const std::string_view yearText = path.substr(0, slash);
        const std::optional<qint64> year = digits(yearText, 4);
        std::optional<qint64> version;
        if (slash != std::string_view::npos) {
            version = digits(path.substr(slash + 1), 9);
            if (!version || *version < 1)
                return page(response, 404,
                            notFoundPage("O endereço pedido não indica um ano e uma versão de calendário."));
        }
        if (!year || yearText.size() != 4)
            return page(response, 404,
                        notFoundPage("O endereço pedido não indica um ano de quatro algarismos."));
        RemoteDataModule* module = m_registry.find(CalendarServer);
        if (!module)
            return page(response, 404, notFoundPage("Este servidor não serve o calendário do orçamento."));

        const std::optional<TimelineCalendar> calendar =
            readTimelineCalendar(*module, std::string(yearText), version);
        if (!calendar) {
            const std::string year4(yearText);
            return page(response, 404,
                        notFoundPage(version ? "O ano " + year4 + " não tem a versão " +
                                                   std::to_string(*version) + " do calendário."
                                             : "O ano " + year4 + " não tem calendário cadastrado."));
        }
        page(response, 200, timelinePage(*calendar, prefix()));
    } catch (const RpcError& error) {
        const bool unavailable = error.code() == rpcerror::StorageUnavailable;
        page(response, unavailable ? 503 : 500, notFoundPage(error.what()));
    } catch (...) {
        page(response, 500, notFoundPage("Erro interno do servidor de aplicação."));
    }
}

}  // namespace zrm::server
