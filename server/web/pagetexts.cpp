#include "server/web/pagetexts.h"

#include "domain/calendar/phaseperiod.h"

#include <algorithm>
#include <optional>

namespace zrm::server {

namespace {

constexpr PageTexts Portuguese{
    .htmlLang = "pt-BR",
    .title = "Calendário do orçamento %1 — versão %2",
    .todayOnServer = "Hoje no servidor: %1.",
    .versionsLabel = "Versões do ano",
    .versionsOf = "Versões de %1:",
    .versionLink = "versão %1",
    .latest = " (última)",
    .legend = "Legenda",
    .ordinary = "Fase comum",
    .calculation = "Fase de cálculo",
    .blocked = "Fase bloqueada",
    .concluded = "Fase concluída",
    .conflict = "Fase bloqueada em conflito",
    .permittedMonth = "Mês com cálculo permitido",
    .today = "Hoje",
    .todayMark = "hoje",
    .timeline = "Linha do tempo das fases de %1",
    .months = {"jan", "fev", "mar", "abr", "mai", "jun", "jul", "ago", "set", "out", "nov", "dez"},
    .phaseHint = "%1 (código %2): %3 a %4",
    .calculationIn = "Cálculo permitido em: %1",
    .noMonth = "nenhum",
    .inConflict = "Em conflito com a fase %1 (código %2): %3",
    .blockedPeriodRefusal = calendar::BlockedPeriodRefusal,
    .phasesCaption = "Fases do calendário",
    .code = "Código",
    .phase = "Fase",
    .start = "Início",
    .end = "Fim",
    .kind = "Tipo",
    .permittedMonths = "Meses com cálculo permitido",
    .noPhases = "Esta versão não tem fases.",
    .notFound = "Calendário não encontrado",
    .notYear = "O endereço pedido não indica um ano de quatro algarismos.",
    .notYearAndVersion = "O endereço pedido não indica um ano e uma versão de calendário.",
    .yearWithoutVersions = "O ano %1 não tem calendário cadastrado.",
    .versionMissing = "O ano %1 não tem a versão %2.",
    .addresses =
        "Endereços: <code>/calendario/{ano}</code> (última versão) ou "
        "<code>/calendario/{ano}/{versão}</code>.",
    .unavailable = "Calendário indisponível",
    .unavailableMessage = "O banco de dados não respondeu. Tente novamente em alguns instantes.",
    .internalError = "Erro interno",
    .internalErrorMessage = "Erro interno do servidor de aplicação.",
    .accessDenied = "Acesso negado",
    .accessDeniedMessage = "Informe o token do servidor como senha (qualquer nome de usuário).",
};

constexpr PageTexts English{
    .htmlLang = "en",
    .title = "Budget calendar %1 — version %2",
    .todayOnServer = "Today on the server: %1.",
    .versionsLabel = "Versions of the year",
    .versionsOf = "Versions of %1:",
    .versionLink = "version %1",
    .latest = " (latest)",
    .legend = "Legend",
    .ordinary = "Ordinary phase",
    .calculation = "Calculation phase",
    .blocked = "Blocked phase",
    .concluded = "Concluded phase",
    .conflict = "Blocked phase in conflict",
    .permittedMonth = "Month with calculation permitted",
    .today = "Today",
    .todayMark = "today",
    .timeline = "Timeline of the phases of %1",
    .months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    .phaseHint = "%1 (code %2): %3 to %4",
    .calculationIn = "Calculation permitted in: %1",
    .noMonth = "none",
    .inConflict = "In conflict with the phase %1 (code %2): %3",
    .blockedPeriodRefusal = "The period of a blocked phase may not touch the periods of other phases.",
    .phasesCaption = "Phases of the calendar",
    .code = "Code",
    .phase = "Phase",
    .start = "Start",
    .end = "End",
    .kind = "Kind",
    .permittedMonths = "Months with calculation permitted",
    .noPhases = "This version has no phases.",
    .notFound = "Calendar not found",
    .notYear = "The address asked for does not name a four-digit year.",
    .notYearAndVersion = "The address asked for does not name a year and a version of the calendar.",
    .yearWithoutVersions = "The year %1 has no calendar registered.",
    .versionMissing = "The year %1 has no version %2.",
    .addresses =
        "Addresses: <code>/calendario/{year}</code> (latest version) or "
        "<code>/calendario/{year}/{version}</code>.",
    .unavailable = "Calendar unavailable",
    .unavailableMessage = "The database did not answer. Try again in a few moments.",
    .internalError = "Internal error",
    .internalErrorMessage = "Internal error of the application server.",
    .accessDenied = "Access denied",
    .accessDeniedMessage = "Enter the server's token as the password (any user name).",
};

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

// A qvalue as the header writes it: "0", "1", "0.5", up to three decimals, at most 1.
std::optional<int> thousandths(std::string_view text) {
    if (text.empty() || text.size() > 5 || (text[0] != '0' && text[0] != '1'))
        return std::nullopt;
    int value = (text[0] - '0') * 1000;
    if (text.size() > 1) {
        if (text[1] != '.')
            return std::nullopt;
        int scale = 100;
        for (const char digit : text.substr(2)) {
            if (digit < '0' || digit > '9')
                return std::nullopt;
            value += (digit - '0') * scale;
            scale /= 10;
        }
    }
    return value <= 1000 ? std::optional<int>(value) : std::nullopt;
}

// One language range of the header and its weight; none when the element is malformed.
struct Range {
    std::string_view primary;  // "en" of "en-US", "*"
    int weight = 1000;         // q in thousandths
};

std::optional<Range> rangeOf(std::string_view element) {
    const size_t semicolon = element.find(';');
    const std::string_view tag = trimmed(element.substr(0, semicolon));
    Range range{tag.substr(0, tag.find('-'))};
    if (range.primary.empty() || range.primary.size() > 8)
        return std::nullopt;
    if (semicolon != std::string_view::npos) {
        const std::string_view parameter = trimmed(element.substr(semicolon + 1));
        if (parameter.size() < 2 || (parameter[0] | 0x20) != 'q' || parameter[1] != '=')
            return std::nullopt;
        const std::optional<int> weight = thousandths(parameter.substr(2));
        if (!weight)
            return std::nullopt;
        range.weight = *weight;
    }
    return range;
}

}  // namespace

PageLanguage preferredLanguage(std::string_view acceptLanguage) {
    struct Candidate {
        PageLanguage language;
        std::string_view primary;
        std::optional<int> weight;  // none until the header names the language
        size_t firstNamed = 0;
    };
    std::array<Candidate, 2> candidates{
        {{PageLanguage::Portuguese, "pt", std::nullopt, 0}, {PageLanguage::English, "en", std::nullopt, 0}}};
    std::optional<int> anyOther;
    size_t position = 0;
    // A header past any browser's length is read no further than its first ranges.
    for (int elements = 0; position <= acceptLanguage.size() && elements < 64; ++elements) {
        const size_t comma = std::min(acceptLanguage.find(',', position), acceptLanguage.size());
        const std::optional<Range> range = rangeOf(acceptLanguage.substr(position, comma - position));
        position = comma + 1;
        if (!range)
            continue;
        if (range->primary == "*") {
            anyOther = std::max(anyOther.value_or(0), range->weight);
            continue;
        }
        for (Candidate& candidate : candidates) {
            if (!equalsIgnoringCase(range->primary, candidate.primary))
                continue;
            if (!candidate.weight)
                candidate.firstNamed = size_t(elements);
            candidate.weight = std::max(candidate.weight.value_or(0), range->weight);
        }
    }
    const Candidate* best = nullptr;
    int bestWeight = 0;
    for (const Candidate& candidate : candidates) {
        const int weight = candidate.weight.value_or(anyOther.value_or(0));
        const bool earlier =
            best && candidate.weight && (!best->weight || candidate.firstNamed < best->firstNamed);
        if (weight > bestWeight || (best && weight == bestWeight && earlier)) {
            best = &candidate;
            bestWeight = weight;
        }
    }
    return best ? best->language : PageLanguage::Portuguese;
}

const PageTexts& pageTexts(PageLanguage language) {
    return language == PageLanguage::English ? English : Portuguese;
}

std::string filled(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size() + 32);
    for (size_t at = 0; at < pattern.size(); ++at) {
        const size_t index = at + 1 < pattern.size() ? size_t(pattern[at + 1] - '1') : args.size();
        if (pattern[at] == '%' && index < args.size()) {
            out += *(args.begin() + index);
            ++at;
        } else {
            out += pattern[at];
        }
    }
    return out;
}

}  // namespace zrm::server
