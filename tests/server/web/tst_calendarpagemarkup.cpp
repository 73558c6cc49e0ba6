// Every kind of page the calendar pages write, in both languages, passes the two HTML validators the
// project holds its pages to: the Nu HTML checker (vnu.jar, on the Java runtime) and html-validate (on
// Node.js) with its recommended rules. scripts/deps.sh installs both under build/web-validators; without
// them the suite skips itself, unless ZRM_REQUIRE_WEB_VALIDATORS=1 (the test command) makes it fail.

#include "server/storage/database.h"
#include "server/web/calendarpages.h"
#include "testdatabase.h"
#include "webcalendar.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zrm::server {
namespace {

using namespace Qt::StringLiterals;

struct PageCase {
    const char* file;
    std::string_view path;  // none: the page that asks for the token
    std::string_view acceptLanguage;
};

const PageCase Pages[] = {
    {"calendario.pt.html", "2026", ""},
    {"calendario.en.html", "2026", "en"},
    {"versao-antiga.pt.html", "2026/1", ""},
    {"ano-sem-calendario.pt.html", "2031", ""},
    {"ano-sem-calendario.en.html", "2031", "en"},
    {"versao-inexistente.pt.html", "2026/3", ""},
    {"versao-inexistente.en.html", "2026/3", "en"},
    {"endereco-invalido.pt.html", "x", ""},
    {"acesso-negado.pt.html", {}, ""},
    {"acesso-negado.en.html", {}, "en"},
};

// What a validator said about the pages: its exit code and everything it wrote.
struct Verdict {
    int exitCode = -1;
    QString output;
};

class CalendarPageMarkupTest : public ::testing::Test {
public:
    // Writes every page of Pages into s_pages once for the suite.
    static void SetUpTestSuite() {
        s_pages = new QTemporaryDir;
        const std::unique_ptr<test::TestDatabase> database = test::TestDatabase::create("sqlite");
        test::seed(database->url(), test::webCalendarFixture());
        CalendarPages pages(Database::open(database->url()), ServerClock(QDate(2026, 5, 10)));
        for (const PageCase& page : Pages) {
            HttpRequest request;
            request.acceptLanguage = page.acceptLanguage;
            HttpResponse response;
            if (page.path.data())
                pages.serve(request, page.path, response);
            else
                pages.refuse(request, response);
            QFile file(s_pages->filePath(QString::fromLatin1(page.file)));
            if (file.open(QIODevice::WriteOnly))
                file.write(response.body.data(), qint64(response.body.size()));
        }
    }
    static void TearDownTestSuite() {
        delete s_pages;
        s_pages = nullptr;
    }

    void SetUp() override {
        const QString missing = missingTools();
        if (missing.isEmpty())
            return;
        if (qEnvironmentVariable("ZRM_REQUIRE_WEB_VALIDATORS") == u"1"_s)
            FAIL() << missing.toStdString() << ", and ZRM_REQUIRE_WEB_VALIDATORS=1 requires the validators";
        GTEST_SKIP() << missing.toStdString() << ": run scripts/deps.sh to install the HTML validators";
    }

    static QString validators() {
        const QString dir = qEnvironmentVariable("ZRM_WEB_VALIDATORS");
        return dir.isEmpty() ? QStringLiteral(ZRM_WEB_VALIDATORS_DIR) : dir;
    }
    static QString vnuJar() { return validators() + u"/node_modules/vnu-jar/build/dist/vnu.jar"_s; }
    static QString htmlValidate() {
        return validators() + u"/node_modules/html-validate/bin/html-validate.mjs"_s;
    }

    // Why the validators cannot run here, or nothing.
    static QString missingTools() {
        QStringList missing;
        for (const QString& tool : {u"java"_s, u"node"_s}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                missing << tool;
        }
        for (const QString& file : {vnuJar(), htmlValidate()}) {
            if (!QFile::exists(file))
                missing << file;
        }
        return missing.isEmpty() ? QString() : u"missing: "_s + missing.join(u", "_s);
    }

    static QStringList pageFiles() {
        QStringList files;
        for (const PageCase& page : Pages)
            files << s_pages->filePath(QString::fromLatin1(page.file));
        return files;
    }

    static Verdict run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStandardPaths::findExecutable(program), arguments);
        Verdict verdict;
        if (!process.waitForFinished(100000)) {
            process.kill();
            process.waitForFinished();
            verdict.output = program + u" did not finish: "_s;
        } else {
            verdict.exitCode = process.exitCode();
        }
        verdict.output += QString::fromUtf8(process.readAll());
        return verdict;
    }

    static inline QTemporaryDir* s_pages = nullptr;
};

TEST_F(CalendarPageMarkupTest, nuHtmlChecker_reportsNothing) {
    // Warnings count as errors; every message names the page it is about.
    const Verdict verdict = run(
        u"java"_s, QStringList{u"-jar"_s, vnuJar(), u"--Werror"_s, u"--format"_s, u"gnu"_s} + pageFiles());
    EXPECT_EQ(verdict.exitCode, 0) << verdict.output.toStdString();
    EXPECT_EQ(verdict.output.trimmed(), QString()) << verdict.output.toStdString();
}

TEST_F(CalendarPageMarkupTest, htmlValidate_reportsNothing) {
    const Verdict verdict =
        run(u"node"_s, QStringList{htmlValidate(), u"--config"_s, QStringLiteral(ZRM_HTML_VALIDATE_CONFIG),
                                   u"--max-warnings"_s, u"0"_s, u"--formatter"_s, u"text"_s} +
                           pageFiles());
    EXPECT_EQ(verdict.exitCode, 0) << verdict.output.toStdString();
    EXPECT_EQ(verdict.output.trimmed(), QString()) << verdict.output.toStdString();
}

}  // namespace
}  // namespace zrm::server
