// The calendar page served by the real zrm-appserver to a real browser (Debian's chromium, headless):
// its DOM holds one bar per phase with the dates, its picture is not blank, a long phase name keeps its
// start in the label column, and the browser's login (HTTP Basic, the token as password) is refused
// without the token, on every address of the pages, while the JSON-RPC side still wants its Bearer
// token.

#include "tests/server/front/rawhttpclient.h"
#include "tests/support/appserverprocess.h"
#include "webcalendar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;
using zrm::server::test::RawHttpClient;
using zrm::server::test::RawResponse;

constexpr const char* Token = "s3nha-da-pagina";

class CalendarPageBrowserTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        QFile file(s_dir->filePath(u"web.json"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(zrm::server::test::webCalendarFixture());
        file.close();
        s_server = new zrm::test::AppServerProcess;
        QString error;
        zrm::test::AppServerProcess::Options options;
        options.dataFile = file.fileName();
        options.today = u"2026-05-10"_s;
        options.token = QString::fromLatin1(Token);
        ASSERT_TRUE(s_server->start(options, &error)) << error.toStdString();
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }

    static RawResponse get(const std::string& target, const std::string& authorization) {
        RawHttpClient client(s_server->port());
        return client.request(
            "GET", target, {},
            authorization.empty() ? std::string() : "Authorization: " + authorization + "\r\n");
    }

    static std::string basic(const std::string& user, const std::string& password) {
        return "Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString();
    }

    // Runs headless chromium on url with arguments; its standard output.
    static QString chromium(const QString& url, const QStringList& arguments) {
        const QString binary = QStandardPaths::findExecutable(u"chromium"_s);
        EXPECT_FALSE(binary.isEmpty()) << "chromium is not installed (scripts/deps.sh installs it)";
        if (binary.isEmpty())
            return {};
        QTemporaryDir profile;
        QProcess browser;
        browser.setWorkingDirectory(profile.path());
        browser.start(binary, QStringList{u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s,
                                          u"--disable-background-networking"_s,
                                          u"--disable-component-update"_s, u"--disable-sync"_s,
                                          u"--no-first-run"_s, u"--user-data-dir="_s + profile.path()} +
                                  arguments + QStringList{url});
        EXPECT_TRUE(browser.waitForFinished(120000)) << "chromium did not finish";
        return QString::fromUtf8(browser.readAllStandardOutput());
    }

    static QString pageUrl(const QString& credentials, const QString& path = u"/calendario/2026"_s) {
        return u"http://"_s + credentials + u"127.0.0.1:"_s + QString::number(s_server->port()) + path;
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline zrm::test::AppServerProcess* s_server = nullptr;
};

TEST_F(CalendarPageBrowserTest, basicLogin_isRefusedWithoutTheToken) {
    // The bare prefix, with or without its slash, is a page address too: today's year.
    for (const std::string target : {"/calendario/2026", "/calendario", "/calendario/", "/calendario?x=1"}) {
        const RawResponse none = get(target, {});
        EXPECT_EQ(none.status, 401) << target;
        EXPECT_EQ(none.header("www-authenticate").rfind("Basic realm=", 0), 0u)
            << target << ": " << none.header("www-authenticate");
        EXPECT_EQ(none.header("content-type"), "text/html; charset=utf-8") << target;
        EXPECT_NE(none.body.find("<h1>Acesso negado</h1>"), std::string::npos) << target;
        EXPECT_EQ(none.body.find("barra"), std::string::npos) << target;
        EXPECT_EQ(get(target, basic("leitor", "errada")).status, 401) << target;
        EXPECT_EQ(get(target, basic("leitor", std::string(Token) + "x")).status, 401) << target;
        EXPECT_EQ(get(target, "Basic ???").status, 401) << target;
        const RawResponse page = get(target, basic("leitor", Token));
        EXPECT_EQ(page.status, 200) << target;
        EXPECT_NE(page.body.find("Calendário do orçamento 2026 — versão 2"), std::string::npos) << target;
        EXPECT_EQ(get(target, basic("", Token)).status, 200) << target;
        EXPECT_EQ(get(target, std::string("Bearer ") + Token).status, 200) << target;
    }
    // The refusal speaks the reader's language too.
    RawHttpClient english(s_server->port());
    const RawResponse inEnglish = english.request("GET", "/calendario", {}, "Accept-Language: en-GB,en\r\n");
    EXPECT_EQ(inEnglish.status, 401);
    EXPECT_EQ(inEnglish.header("content-language"), "en");
    EXPECT_NE(inEnglish.body.find("<h1>Access denied</h1>"), std::string::npos) << inEnglish.body;

    // The JSON-RPC side is unchanged: the Bearer token only, and no login prompt.
    RawHttpClient client(s_server->port());
    const RawResponse rpc = client.request(
        "POST", "/rpc/ZRM71300.rdmCalendOrcOp", zrm::server::test::rpcBody("ValCiclo", "[2026]"),
        "Content-Type: application/json\r\nAuthorization: " + basic("leitor", Token) + "\r\n");
    EXPECT_EQ(rpc.status, 401);
    EXPECT_EQ(rpc.header("www-authenticate"), "Bearer");

    // The browser without the token, or with another password, gets no calendar (headless, it has
    // no one to ask; the same browser with the token gets the page, below).
    for (const QString& credentials : {QString(), u"leitor:errada@"_s}) {
        const QString refused = chromium(pageUrl(credentials), {u"--dump-dom"_s});
        EXPECT_FALSE(refused.contains(u"class=\"barra"_s)) << refused.toStdString();
        EXPECT_FALSE(refused.contains(u"Vendas"_s));
    }
}

TEST_F(CalendarPageBrowserTest, browserDom_holdsOneBarPerPhaseWithTheDates) {
    const QString dom =
        chromium(pageUrl(u"leitor:"_s + QString::fromLatin1(Token) + u"@"_s), {u"--dump-dom"_s});
    static const QRegularExpression bar(
        uR"re(<rect class="barra[^"]*" data-inicio="(\d{4}-\d\d-\d\d)" data-fim="(\d{4}-\d\d-\d\d)")re"_s);
    QStringList periods;
    for (auto match = bar.globalMatch(dom); match.hasNext();) {
        const auto found = match.next();
        periods << found.captured(1) + u"/"_s + found.captured(2);
    }
    EXPECT_EQ(periods, (QStringList{u"2026-01-05/2026-01-30"_s, u"2026-02-02/2026-03-13"_s,
                                    u"2026-03-20/2026-03-31"_s, u"2026-04-25/2026-05-15"_s,
                                    u"2026-05-10/2026-05-31"_s, u"2026-06-01/2026-06-12"_s}))
        << dom.left(2000).toStdString();
    EXPECT_TRUE(dom.contains(u"Premissas &amp; &lt;metas&gt;"_s));
    EXPECT_EQ(dom.count(u"<tr><td>"_s), 6);

    // The browser's languages choose the page's: the missing version in Portuguese and in English,
    // linking the versions the year has.
    const struct {
        const char* acceptLang;
        QString message;
        QString latestLink;
    } languages[] = {
        {"pt-BR,pt", u"O ano 2026 não tem a versão 9."_s,
         u"<a href=\"/calendario/2026/2\">versão 2 (última)</a>"_s},
        {"en-US,en", u"The year 2026 has no version 9."_s,
         u"<a href=\"/calendario/2026/2\">version 2 (latest)</a>"_s},
    };
    for (const auto& [acceptLang, message, latestLink] : languages) {
        const QString missing =
            chromium(pageUrl(u"leitor:"_s + QString::fromLatin1(Token) + u"@"_s, u"/calendario/2026/9"_s),
                     {u"--dump-dom"_s, u"--accept-lang="_s + QString::fromLatin1(acceptLang)});
        EXPECT_TRUE(missing.contains(message)) << acceptLang << missing.toStdString();
        EXPECT_TRUE(missing.contains(latestLink)) << acceptLang;
    }
}

TEST_F(CalendarPageBrowserTest, browserLayout_keepsTheStartOfEveryPhaseName) {
    // The page as served, with a measuring script added, laid out by the browser from a file: the
    // first letter of every phase's label lies inside the label column, and so does the label; a name
    // wider than the column ends in an ellipsis.
    const RawResponse served = get("/calendario/2026", basic("leitor", Token));
    ASSERT_EQ(served.status, 200);
    std::string page = served.body;
    const size_t bodyEnd = page.rfind("</body>");
    ASSERT_NE(bodyEnd, std::string::npos);
    page.insert(bodyEnd, R"js(<script>
const out = [];
for (const group of document.querySelectorAll('g.fase')) {
  const label = group.querySelector('text, .rotulo span');
  const chart = group.ownerSVGElement.getBoundingClientRect();
  const column = {left: chart.left, right: chart.left + 290};
  const first = document.createRange();
  first.setStart(label.firstChild, 0);
  first.setEnd(label.firstChild, 1);
  const letter = first.getBoundingClientRect();
  const box = label.getBoundingClientRect();
  const inside = (r) => r.left >= column.left - 0.5 && r.right <= column.right + 0.5;
  out.push([group.dataset.codigo, inside(letter) ? 'inicio' : 'sem-inicio', inside(box) ? 'dentro' : 'fora',
            label.scrollWidth > label.clientWidth + 1 ? 'cortado' : 'inteiro',
            getComputedStyle(label).textOverflow].join(' '));
}
document.body.dataset.medidas = out.join(';');
</script>)js");
    QTemporaryDir dir;
    QFile file(dir.filePath(u"medidas.html"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(page.data(), qint64(page.size()));
    file.close();
    const QString dom = chromium(QUrl::fromLocalFile(file.fileName()).toString(),
                                 {u"--dump-dom"_s, u"--window-size=1200,900"_s});
    static const QRegularExpression measures(uR"re(data-medidas="([^"]*)")re"_s);
    const QStringList labels = measures.match(dom).captured(1).split(u';');
    EXPECT_EQ(
        labels,
        (QStringList{
            u"0000000001 inicio dentro inteiro ellipsis"_s, u"0000000002 inicio dentro inteiro ellipsis"_s,
            u"0000000003 inicio dentro cortado ellipsis"_s, u"0000000004 inicio dentro inteiro ellipsis"_s,
            u"0000000007 inicio dentro inteiro ellipsis"_s, u"0000000005 inicio dentro inteiro ellipsis"_s}))
        << dom.left(3000).toStdString();
}

TEST_F(CalendarPageBrowserTest, browserPicture_showsTheTimeline) {
    const QString shot = s_dir->filePath(u"calendario.png"_s);
    chromium(pageUrl(u"leitor:"_s + QString::fromLatin1(Token) + u"@"_s),
             {u"--screenshot="_s + shot, u"--window-size=1200,900"_s, u"--hide-scrollbars"_s});
    const QImage picture(shot);
    ASSERT_FALSE(picture.isNull()) << "no screenshot at " << shot.toStdString();
    // Not blank: a good share of the picture is drawn, and the ordinary phase's blue is among it.
    qsizetype drawn = 0;
    bool hasOrdinaryBlue = false;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            drawn += pixel != qRgb(255, 255, 255) ? 1 : 0;
            hasOrdinaryBlue = hasOrdinaryBlue || pixel == qRgb(0x4a, 0x78, 0xb5);
        }
    }
    EXPECT_GT(drawn, picture.width() * picture.height() / 20);
    EXPECT_TRUE(hasOrdinaryBlue);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
