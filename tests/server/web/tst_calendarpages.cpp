// The read-only calendar pages in process, on both backends: one bar per phase at its dates, what
// tells phases apart, the conflict mark, today's line, escaping, the version links, the 404 pages, and
// the language the browser asks for.

#include "server/storage/database.h"
#include "server/web/calendarpages.h"
#include "server/web/timelinepage.h"
#include "testdatabase.h"
#include "webcalendar.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace zrm::server {
namespace {

// The elements of page that open with the tag text "<tag ...class="...cssClass...">".
std::vector<std::string> elements(const std::string& page, const std::string& tagAndClass) {
    std::vector<std::string> found;
    for (size_t at = page.find(tagAndClass); at != std::string::npos; at = page.find(tagAndClass, at + 1))
        found.push_back(page.substr(at, page.find('>', at) - at + 1));
    return found;
}

std::string attribute(const std::string& element, const std::string& name) {
    const std::regex pattern(" " + name + "=\"([^\"]*)\"");
    std::smatch match;
    return std::regex_search(element, match, pattern) ? match[1].str() : std::string();
}

bool holds(const std::string& page, std::string_view text) {
    return page.find(text) != std::string::npos;
}

class CalendarPagesTest : public ::testing::TestWithParam<std::string> {
public:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        test::seed(m_testDb->url(), test::webCalendarFixture());
        m_pages = std::make_unique<CalendarPages>(Database::open(m_testDb->url()), m_clock);
    }

    HttpResponse get(std::string_view path, std::string_view acceptLanguage = {}) {
        HttpRequest request;
        request.method = "GET";
        request.acceptLanguage = acceptLanguage;
        HttpResponse response;
        m_pages->serve(request, path, response);
        return response;
    }

    const ServerClock m_clock{QDate(2026, 5, 10)};
    std::unique_ptr<test::TestDatabase> m_testDb;
    std::unique_ptr<CalendarPages> m_pages;
};

TEST_P(CalendarPagesTest, latestVersion_drawsOneBarPerPhaseAtItsDates) {
    const HttpResponse response = get("2026");
    ASSERT_EQ(response.status, 200) << response.body;
    EXPECT_EQ(response.contentType, "text/html; charset=utf-8");
    const std::string& page = response.body;
    EXPECT_TRUE(holds(page, "Calendário do orçamento 2026 — versão 2"));

    const std::vector<std::string> bars = elements(page, "<rect class=\"barra");
    ASSERT_EQ(bars.size(), 6u);
    EXPECT_EQ(attribute(bars[0], "data-inicio"), "2026-01-05");
    EXPECT_EQ(attribute(bars[0], "data-fim"), "2026-01-30");
    EXPECT_EQ(attribute(bars[5], "data-inicio"), "2026-06-01");
    // A bar runs from its first day's left edge to its last day's right edge: 5-30 Jan is 26 days of
    // 365 across the 810 pixels of the chart, starting 4 days in.
    EXPECT_NEAR(std::stod(attribute(bars[0], "x")), 290 + 810.0 * 4 / 365, 0.1);
    EXPECT_NEAR(std::stod(attribute(bars[0], "width")), 810.0 * 26 / 365, 0.2);

    // Kinds, the conflict of the touched blocked phase only, the permitted months of the calculation.
    EXPECT_TRUE(holds(bars[1], "barra calculo"));
    EXPECT_TRUE(holds(bars[2], "barra bloqueada\""));  // blocked, touches nothing
    EXPECT_TRUE(holds(bars[4], "barra bloqueada conflito"));
    EXPECT_TRUE(holds(bars[5], "barra concluida"));
    EXPECT_EQ(elements(page, "<rect class=\"marca-conflito").size(), 1u);
    EXPECT_TRUE(
        holds(page,
              "Em conflito com a fase Despesas (código 0000000004): Periodo de uma fase Bloqueada não "
              "pode ser igual ao de outras fases."));
    const std::vector<std::string> months = elements(page, "<rect class=\"mes-permitido");
    ASSERT_EQ(months.size(), 3u);
    EXPECT_EQ(attribute(months[0], "data-mes"), "1");
    EXPECT_EQ(attribute(months[2], "data-mes"), "12");

    // Today's line, 129 days into the year.
    const std::vector<std::string> today = elements(page, "<g class=\"hoje");
    ASSERT_EQ(today.size(), 1u);
    EXPECT_EQ(attribute(today[0], "data-data"), "2026-05-10");
    EXPECT_TRUE(holds(page, "<line x1=\"" + std::to_string(290 + 810 * 129 / 365)));

    // The phase table and the version links.
    EXPECT_EQ(elements(page, "<tr><td>").size(), 6u);
    EXPECT_TRUE(holds(page, "<a href=\"/calendario/2026/2\" aria-current=\"page\">versão 2 (última)</a>"));
    EXPECT_TRUE(holds(page, "<a href=\"/calendario/2026/1\">versão 1</a>"));
    // Self-contained: nothing is fetched from elsewhere and nothing runs.
    EXPECT_FALSE(holds(page, "<script"));
    EXPECT_FALSE(holds(page, "src="));
    EXPECT_FALSE(holds(page, "<link"));
}

TEST_P(CalendarPagesTest, everyPage_givesEachIdOnce) {
    // The fill patterns are defined once, in the timeline, and the legend's swatches use them there.
    for (const std::string_view path : {"2026", "2026/1", "2031", "2026/9"}) {
        const std::string page = get(path).body;
        static const std::regex id(R"re(\sid="([^"]*)")re");
        std::multiset<std::string> ids;
        for (auto match = std::sregex_iterator(page.begin(), page.end(), id); match != std::sregex_iterator();
             ++match)
            ids.insert((*match)[1].str());
        for (const std::string& each : ids)
            EXPECT_EQ(ids.count(each), 1u) << path << ": id " << each;
    }
    const std::string page = get("2026").body;
    for (const char* pattern : {"padrao-calculo", "padrao-bloqueada", "padrao-concluida"})
        EXPECT_TRUE(holds(page, std::string("fill=\"url(#") + pattern + ")\"")) << pattern;
}

TEST_P(CalendarPagesTest, namesFromTheDatabase_areEscapedAndWhole) {
    const std::string page = get("2026").body;
    EXPECT_FALSE(holds(page, "<metas>"));
    EXPECT_TRUE(holds(page, "Premissas &amp; &lt;metas&gt;"));
    EXPECT_EQ(htmlEscaped(R"(<a href="x">'&')"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;");
    // A label holds the whole name and gives it as its tooltip; the style clips its end, never its
    // start (the browser test measures it).
    const std::string name = test::LongPhaseName;
    EXPECT_TRUE(holds(page, "<div class=\"rotulo\"><span title=\"" + name + "\">" + name + "</span></div>"));
    EXPECT_TRUE(holds(page, ".rotulo span{overflow:hidden;white-space:nowrap;text-overflow:ellipsis}"));
}

TEST_P(CalendarPagesTest, olderVersion_isShownWithItsOwnPhases) {
    const HttpResponse response = get("2026/1/");
    ASSERT_EQ(response.status, 200);
    const std::vector<std::string> bars = elements(response.body, "<rect class=\"barra");
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(attribute(bars[0], "data-fim"), "2026-01-23");
    EXPECT_TRUE(holds(response.body, "<a href=\"/calendario/2026/1\" aria-current=\"page\">"));
}

TEST_P(CalendarPagesTest, barePrefix_showsTodaysYear) {
    for (const std::string_view path : {"", "/"}) {
        const HttpResponse response = get(path);
        EXPECT_EQ(response.status, 200) << path;
        EXPECT_TRUE(holds(response.body, "Calendário do orçamento 2026 — versão 2")) << path;
    }
}

TEST_P(CalendarPagesTest, unknownYearVersionOrPath_getsNotFoundPage) {
    const struct {
        std::string_view path;
        std::string_view message;
        bool linksVersions;  // to the versions 2026 has
    } cases[] = {
        {"2031", "O ano 2031 não tem calendário cadastrado.", false},
        {"2031/1", "O ano 2031 não tem calendário cadastrado.", false},
        {"2026/3", "O ano 2026 não tem a versão 3.", true},
        {"2026/0", "não indica um ano e uma versão", false},
        {"2026/x", "não indica um ano e uma versão", false},
        {"26", "não indica um ano de quatro algarismos", false},
        {"0000", "não indica um ano de quatro algarismos", false},
        {"%3Cscript%3E", "não indica um ano de quatro algarismos", false},
        {"2026/1/2", "não indica um ano e uma versão", false},
        {"2026/99999999999999999999", "não indica um ano e uma versão", false},
    };
    for (const auto& [path, message, linksVersions] : cases) {
        const HttpResponse response = get(path);
        EXPECT_EQ(response.status, 404) << path;
        EXPECT_TRUE(holds(response.body, "<h1>Calendário não encontrado</h1>")) << path;
        EXPECT_TRUE(holds(response.body, message)) << path << "\n" << response.body;
        EXPECT_EQ(holds(response.body, "<a href=\"/calendario/2026/2\">versão 2 (última)</a>"), linksVersions)
            << path;
        EXPECT_EQ(holds(response.body, "<a href=\"/calendario/2026/1\">versão 1</a>"), linksVersions) << path;
        // Without versions to link, the page says which addresses there are.
        EXPECT_EQ(holds(response.body, "<code>/calendario/{ano}</code>"), !linksVersions) << path;
    }
}

TEST_P(CalendarPagesTest, acceptLanguage_choosesThePageLanguage) {
    const struct {
        std::string_view header;
        std::string_view language;
        std::string_view title;
    } cases[] = {
        {"", "pt-BR", "Calendário do orçamento 2026 — versão 2"},
        {"en-US,en;q=0.9", "en", "Budget calendar 2026 — version 2"},
        {"en;q=0.5,pt-BR", "pt-BR", "Calendário do orçamento 2026 — versão 2"},
    };
    for (const auto& [header, language, title] : cases) {
        const HttpResponse response = get("2026", header);
        EXPECT_EQ(response.status, 200) << header;
        EXPECT_EQ(response.contentLanguage, language) << header;
        EXPECT_EQ(response.vary, "Accept-Language") << header;
        EXPECT_TRUE(holds(response.body, "<html lang=\"" + std::string(language) + "\">")) << header;
        EXPECT_TRUE(holds(response.body, "<h1>" + std::string(title) + "</h1>")) << header;
    }

    // Every word the English page shows is English, the names from the database aside.
    const std::string page = get("2026", "en").body;
    for (const std::string_view text :
         {"<h2>Legend</h2>", ">Ordinary phase</li>", ">Calculation phase</li>",
          ">Blocked phase in conflict</li>", ">Month with calculation permitted</li>", ">Today</li>",
          ">today</text>", ">Jan</text>", "Today on the server: 10/05/2026.",
          "Versions of 2026:", "<a href=\"/calendario/2026/2\" aria-current=\"page\">version 2 (latest)</a>",
          "<caption>Phases of the calendar</caption>", "<th scope=\"col\">Start</th>",
          "<td>Calculation phase</td><td>Jan, Feb, Dec</td>",
          "In conflict with the phase Despesas (code 0000000004): The period of a blocked phase may not "
          "touch "
          "the periods of other phases.",
          "(code 0000000002): 02/02/2026 to 13/03/2026. Calculation phase. Calculation permitted in: Jan, "
          "Feb, Dec."})
        EXPECT_TRUE(holds(page, text)) << text;
    for (const std::string_view text : {"Fase", "versão", "Legenda", "Hoje", ">hoje<", ">fev<", "conflito:"})
        EXPECT_FALSE(holds(page, text)) << text;

    const std::string missing = get("2026/3", "en").body;
    EXPECT_TRUE(holds(missing, "<h1>Calendar not found</h1><p>The year 2026 has no version 3.</p>"))
        << missing;
    EXPECT_TRUE(holds(missing, "<a href=\"/calendario/2026/1\">version 1</a>"));
}

TEST_P(CalendarPagesTest, refusal_isAPageInTheReadersLanguage) {
    for (const auto& [header, text] :
         {std::pair{"", "<h1>Acesso negado</h1>"}, {"en", "<h1>Access denied</h1>"}}) {
        HttpRequest request;
        request.acceptLanguage = header;
        HttpResponse response;
        m_pages->refuse(request, response);
        EXPECT_EQ(response.status, 401);
        EXPECT_EQ(response.contentType, "text/html; charset=utf-8");
        EXPECT_TRUE(holds(response.body, text)) << response.body;
    }
}

const auto backendName = [](const testing::TestParamInfo<std::string>& backend) { return backend.param; };
INSTANTIATE_TEST_SUITE_P(Backends, CalendarPagesTest, ::testing::ValuesIn(test::Backends), backendName);

TEST(PageLanguageTest, acceptLanguage_picksTheHighestRankedOfOurLanguages) {
    using enum PageLanguage;
    const std::pair<std::string_view, PageLanguage> cases[] = {
        {"", Portuguese},
        {"en", English},
        {"EN-gb", English},
        {"en-US,en;q=0.9,pt-BR;q=0.8", English},
        {"pt-BR,pt;q=0.9,en;q=0.8", Portuguese},
        {"fr-FR,fr;q=0.9,en;q=0.5", English},
        {"en;q=0.5, pt;q=0.6", Portuguese},
        {"pt;q=0.1 , en ; q=0.2", English},
        {"en;q=0", Portuguese},
        {"pt;q=0,en;q=0.001", English},
        {"fr", Portuguese},
        {"*", Portuguese},
        {"*;q=0.5,en;q=0.4", Portuguese},  // any other language, Portuguese among them, ranks higher
        {"*,pt;q=0", English},
        {"en;q=0.8,pt;q=0.8", English},  // a tie goes to the one named first
        {"pt;q=0.8,en;q=0.8", Portuguese},
        {"en;q=1.5", Portuguese},  // malformed weights are ignored
        {"en;q=abc,fr", Portuguese},
        {"en;q=0.0001", Portuguese},
        {"en;x=1", Portuguese},
        {",,;,en", English},
        {"english", Portuguese},
    };
    for (const auto& [header, language] : cases)
        EXPECT_EQ(preferredLanguage(header), language) << header;
}

// A message of the desktop timeline's table msgLinhaTempo: the form's own text (Portuguese) or its
// English resource.
QString desktopText(PageLanguage language, const QString& key) {
    const QString root = QStringLiteral(ZRM_SOURCE_DIR "/modules/zrm71300/");
    QFile file(root + (language == PageLanguage::English
                           ? QStringLiteral("translations/TfrmLinhaTempo.en.json")
                           : QStringLiteral("timeline/forms/TfrmLinhaTempo.form.json")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no file %1)").arg(file.fileName());
    const QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
    if (language == PageLanguage::English)
        return document[u"messages"][u"msgLinhaTempo"][key].toString();
    for (const QJsonValue component : document[u"components"].toArray()) {
        if (component[u"name"] != QStringLiteral("msgLinhaTempo"))
            continue;
        for (const QJsonValue entry : component[u"properties"][u"Entries"].toArray()) {
            if (entry.toString().startsWith(key + QLatin1Char('|')))
                return entry.toString().mid(key.size() + 1);
        }
    }
    return {};
}

TEST(PageTextsTest, sharedTexts_useTheDesktopTimelinesWording) {
    const std::pair<std::string_view PageTexts::*, const char*> shared[] = {
        {&PageTexts::ordinary, "Comum"},
        {&PageTexts::calculation, "Calculo"},
        {&PageTexts::blocked, "Bloqueada"},
        {&PageTexts::concluded, "Concluida"},
        {&PageTexts::conflict, "Conflito"},
        {&PageTexts::permittedMonth, "MesPermitido"},
        {&PageTexts::todayMark, "Hoje"},
        {&PageTexts::phaseHint, "Dica"},
        {&PageTexts::calculationIn, "CalculoEm"},
        {&PageTexts::blockedPeriodRefusal, "DataBloq"},
        {&PageTexts::code, "Codigo"},
        {&PageTexts::start, "DataInicio"},
        {&PageTexts::end, "DataFim"},
        {&PageTexts::yearWithoutVersions, "AnoSemVersao"},
        {&PageTexts::versionMissing, "VersaoInexistente"},
    };
    for (const PageLanguage language : {PageLanguage::Portuguese, PageLanguage::English}) {
        const PageTexts& texts = pageTexts(language);
        for (const auto& [text, key] : shared)
            EXPECT_EQ(QString::fromUtf8(texts.*text), desktopText(language, QLatin1String(key))) << key;
        QStringList months;
        for (const std::string_view month : texts.months)
            months << QString::fromUtf8(month);
        EXPECT_EQ(months.join(QLatin1Char(',')), desktopText(language, QStringLiteral("Meses")));
    }
}

TEST(PageTextsTest, filled_putsEachArgumentInItsPlace) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"%1 a %2", "x a y"},       {"%2-%1-%2", "y-x-y"}, {"%1%2", "xy"},
        {"100% e %3", "100% e %3"}, {"fim %", "fim %"},
    };
    for (const auto& [pattern, expected] : cases)
        EXPECT_EQ(filled(pattern, {"x", "y"}), expected) << pattern;
    EXPECT_EQ(filled("%1", {"%2"}), "%2");  // an argument is not filled again
}

}  // namespace
}  // namespace zrm::server
