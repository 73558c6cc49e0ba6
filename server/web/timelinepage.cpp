#include "server/web/timelinepage.h"

#include <algorithm>
#include <cstdio>

namespace zrm::server {

namespace {

using calendar::TimelineCalendar;
using calendar::TimelinePhase;

constexpr int Width = 1120;
constexpr int ChartLeft = 290;
constexpr int ChartRight = 1100;
constexpr int HeaderHeight = 34;
constexpr int LaneHeight = 30;
constexpr int BarTop = 6;
constexpr int BarHeight = 16;

// How a phase is drawn, the most telling first: concluded, blocked, calculation, ordinary.
struct Kind {
    const char* cssClass;
    const char* fill;
    std::string_view PageTexts::*label;
};
const Kind Concluded{"concluida", "url(#padrao-concluida)", &PageTexts::concluded};
const Kind Blocked{"bloqueada", "url(#padrao-bloqueada)", &PageTexts::blocked};
const Kind Calculation{"calculo", "url(#padrao-calculo)", &PageTexts::calculation};
const Kind Ordinary{"comum", "#4a78b5", &PageTexts::ordinary};

const Kind& kindOf(const TimelinePhase& phase) {
    switch (phase.kind()) {
        case calendar::PhaseKind::Concluded:
            return Concluded;
        case calendar::PhaseKind::Blocked:
            return Blocked;
        case calendar::PhaseKind::Calculation:
            return Calculation;
        case calendar::PhaseKind::Ordinary:
            break;
    }
    return Ordinary;
}

std::string utf8(const QString& text) {
    return text.toStdString();
}

// Why a blocked phase is marked: the phase it is in conflict with, and the rule.
std::string conflictText(const TimelinePhase& phase, const PageTexts& texts) {
    return filled(texts.inConflict,
                  {utf8(phase.conflict->name), utf8(phase.conflict->code), texts.blockedPeriodRefusal});
}

// Where a day of the year lies across the chart; days outside the year stick to its edges.
class YearScale {
public:
    explicit YearScale(int year) : m_first(year, 1, 1), m_days(m_first.daysInYear()) {}

    double x(const QDate& date) const {
        const qint64 day = std::clamp<qint64>(m_first.daysTo(date), 0, m_days);
        return ChartLeft + double(ChartRight - ChartLeft) * double(day) / double(m_days);
    }
    // The bar of a period: from its first day's left edge to its last day's right edge.
    std::pair<double, double> span(const QDate& start, const QDate& end) const {
        return {x(start), x(end.addDays(1))};
    }
    QDate month(int month) const { return {m_first.year(), month, 1}; }
    bool holds(const QDate& date) const { return date.year() == m_first.year(); }

private:
    QDate m_first;
    int m_days;
};

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string shortDate(const QDate& date) {
    return date.toString(QStringLiteral("dd/MM/yyyy")).toStdString();
}

std::string isoDate(const QDate& date) {
    return date.toString(Qt::ISODate).toStdString();
}

std::string permittedMonths(const TimelinePhase& phase, const PageTexts& texts) {
    std::string months;
    for (size_t month = 0; month < 12; ++month) {
        if (phase.permittedMonths[month])
            months.append(months.empty() ? "" : ", ").append(texts.months[month]);
    }
    return months.empty() ? std::string(texts.noMonth) : months;
}

std::string tooltip(const TimelinePhase& phase, const PageTexts& texts) {
    std::string text = filled(texts.phaseHint, {utf8(phase.name), utf8(phase.code), shortDate(phase.start),
                                                shortDate(phase.end)}) +
                       ". " + std::string(texts.*kindOf(phase).label) + ".";
    if (phase.calculation)
        text += " " + filled(texts.calculationIn, {permittedMonths(phase, texts)}) + ".";
    if (phase.conflict)
        text += " " + conflictText(phase, texts);
    return text;
}

// A phase's name sits in an HTML box at the lane's left: short names end beside the chart, long ones
// keep their start and lose their end to an ellipsis, with the whole name as the box's tooltip.
const char* const Style = R"css(
body{font-family:"DejaVu Sans",Arial,sans-serif;margin:24px;color:#1d2733;background:#fff}
h1{font-size:22px;margin:0 0 4px}
nav{margin:8px 0 16px}nav a{margin-right:10px}nav a[aria-current]{font-weight:bold;text-decoration:none;color:#1d2733}
.legenda{display:flex;align-items:baseline;gap:18px;margin:10px 0;font-size:13px}
.legenda h2{font-size:13px;margin:0}
.legenda ul{display:flex;flex:1;flex-wrap:wrap;gap:8px 18px;margin:0;padding:0;list-style:none}
.legenda svg{vertical-align:middle;margin-right:6px}
.rotulo{display:flex;justify-content:flex-end;align-items:center;height:100%;font-size:13px}
.rotulo span{overflow:hidden;white-space:nowrap;text-overflow:ellipsis}
table{border-collapse:collapse;margin-top:18px;font-size:13px}
th,td{border:1px solid #b8c2cc;padding:4px 8px;text-align:left}th{background:#e8edf2}
svg text{font-family:"DejaVu Sans",Arial,sans-serif}
@media print{nav{display:none}body{margin:0}}
)css";

// Written once, in the timeline; the legend's swatches use them from there.
const char* const Patterns = R"svg(<defs>
<pattern id="padrao-calculo" width="8" height="8" patternUnits="userSpaceOnUse" patternTransform="rotate(45)"><rect width="8" height="8" fill="#2f9e5b"/><rect width="3" height="8" fill="#8fd6a9"/></pattern>
<pattern id="padrao-bloqueada" width="8" height="8" patternUnits="userSpaceOnUse"><rect width="8" height="8" fill="#c0392b"/><path d="M0 0L8 8M8 0L0 8" stroke="#f2b8b0" stroke-width="1.5"/></pattern>
<pattern id="padrao-concluida" width="6" height="6" patternUnits="userSpaceOnUse"><rect width="6" height="6" fill="#7f8c8d"/><circle cx="3" cy="3" r="1.3" fill="#e3e6e8"/></pattern>
</defs>)svg";

std::string swatch(std::string_view drawing, std::string_view label) {
    std::string out = R"(<li><svg width="28" height="14" aria-hidden="true">)";
    return out.append(drawing).append("</svg>").append(label).append("</li>");
}

std::string legend(const PageTexts& texts) {
    std::string out = "<div class=\"legenda\"><h2>" + std::string(texts.legend) + "</h2><ul>";
    for (const Kind* kind : {&Ordinary, &Calculation, &Blocked, &Concluded})
        out += swatch(R"(<rect width="28" height="14" fill=")" + std::string(kind->fill) + R"("/>)",
                      texts.*kind->label);
    out += swatch(
        R"(<rect x="1" y="1" width="26" height="12" fill="none" stroke="#e67e22" stroke-width="2" stroke-dasharray="4 2"/>)",
        texts.conflict);
    out += swatch(R"(<rect y="9" width="28" height="4" fill="#f1c40f"/>)", texts.permittedMonth);
    out += swatch(R"(<line x1="14" y1="0" x2="14" y2="14" stroke="#d35400" stroke-width="2"/>)", texts.today);
    return out + "</ul></div>";
}

std::string phaseLabel(const TimelinePhase& phase, int top) {
    const std::string name = htmlEscaped(utf8(phase.name));
    return R"(<foreignObject x="0" y=")" + std::to_string(top) + R"(" width=")" +
           std::to_string(ChartLeft - 8) + R"(" height=")" + std::to_string(LaneHeight) +
           R"("><div class="rotulo"><span title=")" + name + R"(">)" + name + "</span></div></foreignObject>";
}

std::string timeline(const TimelineCalendar& calendar, const PageTexts& texts) {
    const YearScale scale(calendar.year);
    const int height = HeaderHeight + LaneHeight * int(std::max<size_t>(calendar.phases.size(), 1)) + 8;
    std::string out =
        R"(<svg xmlns="http://www.w3.org/2000/svg" role="img" aria-labelledby="titulo-linha" width=")" +
        std::to_string(Width) + R"(" height=")" + std::to_string(height) + R"(" viewBox="0 0 )" +
        std::to_string(Width) + " " + std::to_string(height) + R"(">)";
    out += R"(<title id="titulo-linha">)" +
           htmlEscaped(filled(texts.timeline, {std::to_string(calendar.year)})) + "</title>";
    out += Patterns;
    for (int month = 1; month <= 12; ++month) {
        const double left = scale.x(scale.month(month));
        const double right = month < 12 ? scale.x(scale.month(month + 1)) : ChartRight;
        if (month % 2 == 0)
            out += R"(<rect x=")" + number(left) + R"(" y=")" + std::to_string(HeaderHeight) +
                   R"(" width=")" + number(right - left) + R"(" height=")" +
                   std::to_string(height - HeaderHeight) + R"(" fill="#f3f6f9"/>)";
        out += R"(<line x1=")" + number(left) + R"(" y1="22" x2=")" + number(left) + R"(" y2=")" +
               std::to_string(height) + R"(" stroke="#c9d1d9"/>)";
        out += R"(<text x=")" + number((left + right) / 2) +
               R"(" y="18" text-anchor="middle" font-size="13">)" +
               std::string(texts.months[size_t(month - 1)]) + "</text>";
    }
    int lane = 0;
    for (const TimelinePhase& phase : calendar.phases) {
        const int top = HeaderHeight + LaneHeight * lane++;
        const auto [left, right] = scale.span(phase.start, phase.end);
        const Kind& kind = kindOf(phase);
        out += R"(<g class="fase" data-codigo=")" + htmlEscaped(utf8(phase.code)) + R"(">)";
        out += phaseLabel(phase, top);
        if (phase.calculation) {
            for (int month = 1; month <= 12; ++month) {
                if (!phase.permittedMonths[size_t(month - 1)])
                    continue;
                const double mLeft = scale.x(scale.month(month));
                const double mRight = month < 12 ? scale.x(scale.month(month + 1)) : ChartRight;
                out += R"(<rect class="mes-permitido" data-mes=")" + std::to_string(month) + R"(" x=")" +
                       number(mLeft + 1) + R"(" y=")" + std::to_string(top + BarTop + BarHeight + 2) +
                       R"(" width=")" + number(mRight - mLeft - 2) + R"(" height="4" fill="#f1c40f"/>)";
            }
        }
        out += R"(<rect class="barra )" + std::string(kind.cssClass) + (phase.conflict ? " conflito" : "") +
               R"(" data-inicio=")" + isoDate(phase.start) + R"(" data-fim=")" + isoDate(phase.end) +
               R"(" x=")" + number(left) + R"(" y=")" + std::to_string(top + BarTop) + R"(" width=")" +
               number(std::max(right - left, 2.0)) + R"(" height=")" + std::to_string(BarHeight) +
               R"(" fill=")" + kind.fill + R"(" rx="2"><title>)" + htmlEscaped(tooltip(phase, texts)) +
               "</title></rect>";
        if (phase.conflict)
            out += R"(<rect class="marca-conflito" x=")" + number(left - 3) + R"(" y=")" +
                   std::to_string(top + BarTop - 3) + R"(" width=")" +
                   number(std::max(right - left, 2.0) + 6) + R"(" height=")" + std::to_string(BarHeight + 6) +
                   R"(" fill="none" stroke="#e67e22" stroke-width="2" stroke-dasharray="4 2"/>)";
        out += "</g>";
    }
    if (scale.holds(calendar.today)) {
        const double x = scale.x(calendar.today);
        out += R"(<g class="hoje" data-data=")" + isoDate(calendar.today) + R"("><line x1=")" + number(x) +
               R"(" y1="22" x2=")" + number(x) + R"(" y2=")" + std::to_string(height) +
               R"(" stroke="#d35400" stroke-width="2"/><text x=")" + number(x + 3) +
               R"(" y="31" font-size="11" fill="#d35400">)" + std::string(texts.todayMark) + "</text></g>";
    }
    return out + "</svg>";
}

std::string phaseTable(const TimelineCalendar& calendar, const PageTexts& texts) {
    std::string out = "<table><caption>" + std::string(texts.phasesCaption) + "</caption><thead><tr>";
    for (const std::string_view heading :
         {texts.code, texts.phase, texts.start, texts.end, texts.kind, texts.permittedMonths})
        out.append(R"(<th scope="col">)").append(heading).append("</th>");
    out += "</tr></thead><tbody>";
    for (const TimelinePhase& phase : calendar.phases) {
        std::string kind(texts.*kindOf(phase).label);
        if (phase.conflict)
            kind += " (" + htmlEscaped(conflictText(phase, texts)) + ")";
        out += "<tr><td>" + htmlEscaped(utf8(phase.code)) + "</td><td>" + htmlEscaped(utf8(phase.name)) +
               "</td><td>" + shortDate(phase.start) + "</td><td>" + shortDate(phase.end) + "</td><td>" +
               kind + "</td><td>" + (phase.calculation ? permittedMonths(phase, texts) : std::string("—")) +
               "</td></tr>";
    }
    if (calendar.phases.empty())
        out += R"(<tr><td colspan="6">)" + std::string(texts.noPhases) + "</td></tr>";
    return out + "</tbody></table>";
}

// The versions as links, the current one marked and the latest named.
std::string versionLinks(const VersionLinks& links, const PageTexts& texts) {
    std::string out = R"(<nav aria-label=")" + std::string(texts.versionsLabel) + R"(">)" +
                      htmlEscaped(filled(texts.versionsOf, {links.year}));
    const std::string yearLink = htmlEscaped(links.linkBase) + htmlEscaped(links.year) + "/";
    for (const qint64 version : links.versions) {
        const std::string text = std::to_string(version);
        out.append(R"( <a href=")").append(yearLink).append(text).append(R"(")");
        if (version == links.current)
            out.append(R"( aria-current="page")");
        out.append(">").append(filled(texts.versionLink, {text}));
        if (version == links.versions.front())
            out.append(texts.latest);
        out.append("</a>");
    }
    return out + "</nav>";
}

std::string document(const PageTexts& texts, const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"" + std::string(texts.htmlLang) +
           "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
           "content=\"width=device-width, initial-scale=1\"><title>" +
           htmlEscaped(title) + "</title><style>" + Style + "</style></head><body>" + body +
           "</body></html>\n";
}

}  // namespace

std::string htmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string timelinePage(const YearTimeline& shown, std::string_view linkBase, const PageTexts& texts) {
    const TimelineCalendar& calendar = shown.calendar;
    const std::string year = std::to_string(calendar.year);
    const std::string title = filled(texts.title, {year, std::to_string(shown.version)});
    std::string body = "<header><h1>" + htmlEscaped(title) + "</h1>";
    if (calendar.today.isValid())
        body += "<p>" + filled(texts.todayOnServer, {shortDate(calendar.today)}) + "</p>";
    body += "</header>" + versionLinks({linkBase, year, shown.versions, shown.version}, texts);
    body += "<main>" + legend(texts) + timeline(calendar, texts) + phaseTable(calendar, texts) + "</main>";
    return document(texts, title, body);
}

std::string notFoundPage(const PageTexts& texts, std::string_view message, const VersionLinks& others) {
    std::string body = "<h1>" + std::string(texts.notFound) + "</h1><p>" + htmlEscaped(message) + "</p>";
    body +=
        others.versions.empty() ? "<p>" + std::string(texts.addresses) + "</p>" : versionLinks(others, texts);
    return document(texts, std::string(texts.notFound), body);
}

std::string messagePage(const PageTexts& texts, std::string_view heading, std::string_view message) {
    return document(texts, std::string(heading),
                    "<h1>" + htmlEscaped(heading) + "</h1><p>" + htmlEscaped(message) + "</p>");
}

}  // namespace zrm::server
