// The read-only calendar pages in process, on both backends: one bar per phase at its dates, what
// tells phases apart, the conflict mark, today's line, escaping, the version links and the 404 pages.

#include "server/calendar/calendarmodule.h"
#include "server/web/calendarpages.h"
#include "server/web/timelinepage.h"
#include "testdatabase.h"
#include "webcalendar.h"

#include <gtest/gtest.h>

#include <regex>

namespace zrm::server {
namespace {

class CalendarPagesTest : public ::testing::TestWithParam<std::string> {
public:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        test::seed(m_testDb->url(), test::webCalendarFixture());
        m_registry.add(makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10))));
    }

    HttpResponse get(std::string_view path) {
        HttpResponse response;
        m_pages.serve(path, response);
        return response;
    }

    // The elements of page that open with the tag text "<tag ...class="...cssClass...">".
    static std::vector<std::string> elements(const std::string& page, const std::string& tagAndClass) {
        std::vector<std::string> found;
        for (size_t at = page.find(tagAndClass); at != std::string::npos; at = page.find(tagAndClass, at + 1))
            found.push_back(page.substr(at, page.find('>', at) - at + 1));
        return found;
    }

    static std::string attribute(const std::string& element, const std::string& name) {
        const std::regex pattern(" " + name + "=\"([^\"]*)\"");
        std::smatch match;
        return std::regex_search(element, match, pattern) ? match[1].str() : std::string();
    }

    std::unique_ptr<test::TestDatabase> m_testDb;
    ModuleRegistry m_registry;
    CalendarPages m_pages{m_registry};
};

TEST_P(CalendarPagesTest, latestVersion_drawsOneBarPerPhaseAtItsDates) {
    const HttpResponse response = get("2026");
    ASSERT_EQ(response.status, 200) << response.body;
    EXPECT_EQ(response.contentType, "text/html; charset=utf-8");
    const std::string& page = response.body;
    EXPECT_NE(page.find("Calendário do orçamento 2026 — versão 2"), std::string::npos);

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
    EXPECT_NE(bars[1].find("barra calculo"), std::string::npos);
    EXPECT_NE(bars[2].find("barra bloqueada\""), std::string::npos);  // blocked, touches nothing
    EXPECT_NE(bars[4].find("barra bloqueada conflito"), std::string::npos);
    EXPECT_NE(bars[5].find("barra concluida"), std::string::npos);
    EXPECT_EQ(elements(page, "<rect class=\"marca-conflito").size(), 1u);
    EXPECT_NE(page.find("Em conflito: Periodo de uma fase Bloqueada não pode ser igual ao de outras fases."),
              std::string::npos);
    const std::vector<std::string> months = elements(page, "<rect class=\"mes-permitido");
    ASSERT_EQ(months.size(), 3u);
    EXPECT_EQ(attribute(months[0], "data-mes"), "1");
    EXPECT_EQ(attribute(months[2], "data-mes"), "12");

    // Today's line, 129 days into the year.
    const std::vector<std::string> today = elements(page, "<g class=\"hoje");
    ASSERT_EQ(today.size(), 1u);
    EXPECT_EQ(attribute(today[0], "data-data"), "2026-05-10");
    EXPECT_NE(page.find("<line x1=\"" + std::to_string(290 + 810 * 129 / 365)), std::string::npos);

    // The phase table and the version links.
    EXPECT_EQ(elements(page, "<tr><td>").size(), 6u);
    EXPECT_NE(page.find("<a href=\"/calendario/2026/2\" aria-current=\"page\">versão 2 (última)</a>"),
              std::string::npos);
    EXPECT_NE(page.find("<a href=\"/calendario/2026/1\">versão 1</a>"), std::string::npos);
    // Self-contained: nothing is fetched from elsewhere and nothing runs.
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("src="), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
}

TEST_P(CalendarPagesTest, namesFromTheDatabase_areEscaped) {
    const std::string page = get("2026").body;
    EXPECT_EQ(page.find("<metas>"), std::string::npos);
    EXPECT_NE(page.find("Premissas &amp; &lt;metas&gt;"), std::string::npos);
    EXPECT_EQ(htmlEscaped(R"(<a href="x">'&')"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;");
}

TEST_P(CalendarPagesTest, olderVersion_isShownWithItsOwnPhases) {
    const HttpResponse response = get("2026/1/");
    ASSERT_EQ(response.status, 200);
    const std::vector<std::string> bars = elements(response.body, "<rect class=\"barra");
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(attribute(bars[0], "data-fim"), "2026-01-23");
    EXPECT_NE(response.body.find("<a href=\"/calendario/2026/1\" aria-current=\"page\">"), std::string::npos);
}

TEST_P(CalendarPagesTest, unknownYearVersionOrPath_getsNotFoundPage) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"2031", "O ano 2031 não tem calendário cadastrado."},
        {"2026/3", "O ano 2026 não tem a versão 3 do calendário."},
        {"2026/0", "não indica um ano e uma versão"},
        {"2026/x", "não indica um ano e uma versão"},
        {"26", "não indica um ano de quatro algarismos"},
        {"", "não indica um ano de quatro algarismos"},
        {"%3Cscript%3E", "não indica um ano de quatro algarismos"},
        {"2026/1/2", "não indica um ano e uma versão"},
        {"2026/99999999999999999999", "não indica um ano e uma versão"},
    };
    for (const auto& [path, message] : cases) {
        const HttpResponse response = get(path);
        EXPECT_EQ(response.status, 404) << path;
        EXPECT_NE(response.body.find("<h1>Calendário não encontrado</h1>"), std::string::npos) << path;
        EXPECT_NE(response.body.find(message), std::string::npos) << path << "\n" << response.body;
    }
}

const auto backendName = [](const testing::TestParamInfo<std::string>& backend) { return backend.param; };
INSTANTIATE_TEST_SUITE_P(Backends, CalendarPagesTest, ::testing::ValuesIn(test::Backends), backendName);

}  // namespace
}  // namespace zrm::server
