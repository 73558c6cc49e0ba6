// The real zrm-appserver process: hostile input of every kind gets a clear error while the server
// keeps serving and the database stays as it was; a kill -9 in the middle of a burst of saves loses
// no acknowledged save and leaves none half applied; SIGTERM ends it cleanly; the command line's exit
// statuses.

#include "appserverclient.h"
#include "server/storage/postgresqlconnection.h"
#include "tests/support/appserverprocess.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace zrm::server::test;
using zrm::test::AppServerProcess;

namespace {

constexpr const char* Token = "t0ken-de-teste";
const QStringList MonthFlags = {
    QStringLiteral("IDPERMCALCJAN"), QStringLiteral("IDPERMCALCFEV"), QStringLiteral("IDPERMCALCMAR"),
    QStringLiteral("IDPERMCALCABR"), QStringLiteral("IDPERMCALCMAI"), QStringLiteral("IDPERMCALCJUN"),
    QStringLiteral("IDPERMCALCJUL"), QStringLiteral("IDPERMCALCAGO"), QStringLiteral("IDPERMCALCSET"),
    QStringLiteral("IDPERMCALCOUT"), QStringLiteral("IDPERMCALCNOV"), QStringLiteral("IDPERMCALCDEZ")};

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a counter into the twelve month flags of a row, one bit per month.
QJsonArray withPattern(const CalendarSnapshot& calendar, QJsonArray row, int pattern) {
    for (int month = 0; month < 12; ++month) {
        row[calendar.fieldIndex(MonthFlags[month])] =
            (pattern >> month) & 1 ? QStringLiteral("S") : QStringLiteral("N");
    }
    return row;
}

// The counter the month flags of a row hold; -1 when a flag is neither "S" nor "N".
int patternOf(const CalendarSnapshot& calendar, const QJsonArray& row) {
    int pattern = 0;
    for (int month = 0; month < 12; ++month) {
        const QString flag = row.at(calendar.fieldIndex(MonthFlags[month])).toString();
        if (flag == QLatin1String("S"))
            pattern |= 1 << month;
        else if (flag != QLatin1String("N"))
            return -1;
    }
    return pattern;
}

// The database a test's server runs on: an SQLite file of the server process's own, or a schema of
// its own in the PostgreSQL database ZRM_TEST_PG_URL names, dropped afterwards.
class BackendDatabase {
public:
    // False when the backend is not available here (PostgreSQL without ZRM_TEST_PG_URL).
    bool open(const std::string& backend) {
        if (backend == "sqlite")
            return true;  // AppServerProcess makes the file
        m_adminUrl = qEnvironmentVariable("ZRM_TEST_PG_URL");
        if (m_adminUrl.isEmpty())
            return false;
        m_schema = QStringLiteral("front_") + QUuid::createUuid().toString(QUuid::Id128);
        zrm::server::sql::PostgresqlConnection(m_adminUrl)
            .executeScript("CREATE SCHEMA " + m_schema.toStdString());
        m_url = m_adminUrl +
                (m_adminUrl.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?")) +
                QStringLiteral("options=-csearch_path%3D") + m_schema;
        return true;
    }
    ~BackendDatabase() {
        if (m_schema.isEmpty())
            return;
        try {
            zrm::server::sql::PostgresqlConnection(m_adminUrl)
                .executeScript("DROP SCHEMA " + m_schema.toStdString() + " CASCADE");
        } catch (const std::exception& error) {
            ADD_FAILURE() << "could not drop the test schema: " << error.what();
        }
    }
    const QString& url() const { return m_url; }  // empty for SQLite

private:
    QString m_adminUrl, m_schema, m_url;
};

class AppServerTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (!database.open(GetParam()))
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        AppServerProcess::Options options;
        options.dbUrl = database.url();
        options.dataFile = writeTestDataFile(dir.path());
        options.today = QStringLiteral("2030-03-15");
        options.token = QString::fromLatin1(Token);
        QString error;
        ASSERT_TRUE(server.start(options, &error)) << error.toStdString();
        ASSERT_TRUE(server.exportTo(dir.filePath(QStringLiteral("before.json")), &error))
            << error.toStdString();
        ASSERT_TRUE(readFile(dir.filePath(QStringLiteral("before.json"))).contains("0000000005"));
        client = std::make_unique<AppServerClient>(server.port(), Token);
    }

    // The server still answers its probe and a real call, and the database is exactly as it was.
    void expectServingAndIntact() {
        RawHttpClient probe(server.port());
        EXPECT_EQ(probe.request("GET", "/health").status, 200);
        AppServerClient fresh(server.port(), Token);
        EXPECT_EQ(loadCalendar(fresh).rows.size(), 5);
        QString error;
        ASSERT_TRUE(server.exportTo(dir.filePath(QStringLiteral("after.json")), &error))
            << error.toStdString();
        EXPECT_EQ(readFile(dir.filePath(QStringLiteral("after.json"))),
                  readFile(dir.filePath(QStringLiteral("before.json"))));
    }

    // Starts another server on the test's database, with the same today and token.
    void startAnotherServer(AppServerProcess& other) {
        AppServerProcess::Options options;
        options.dbUrl = server.dbUrl();
        options.today = QStringLiteral("2030-03-15");
        options.token = QString::fromLatin1(Token);
        QString error;
        ASSERT_TRUE(other.start(options, &error)) << error.toStdString();
    }

    // Calls method and expects the error code, with a message for the user.
    void expectError(std::string_view method, std::string_view params, int code) {
        const QJsonObject response = client->call(method, params);
        EXPECT_EQ(AppServerClient::errorCode(response), code)
            << method << " " << params << " -> " << QJsonDocument(response).toJson().toStdString();
        EXPECT_FALSE(AppServerClient::errorMessage(response).isEmpty()) << method << " " << params;
    }

    QTemporaryDir dir;
    BackendDatabase database;  // outlives the server, which is stopped first
    AppServerProcess server;
    std::unique_ptr<AppServerClient> client;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Backends, AppServerTest, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

TEST_P(AppServerTest, malformedEnvelopes_areRefusedClearly) {
    for (const auto& [body, code] : std::vector<std::pair<std::string, int>>{
             {"", -32700},
             {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetFaseOrc\",\"params\":[\"T\"]", -32700},
             {std::string(100000, '['), -32700},
             {"\"GetFaseOrc\"", -32600},
             {R"([{"jsonrpc":"2.0","id":1,"method":"GetFaseOrc","params":["T"]}])", -32600},
             {R"({"jsonrpc":"2.0","method":"GetFaseOrc","params":["T"]})", -32600},
             {R"({"jsonrpc":"1.0","id":1,"method":"GetFaseOrc","params":["T"]})", -32600},
             {R"({"jsonrpc":"2.0","id":1,"method":"GetFaseOrc","params":{"code":"T"}})", -32602},
             {R"({"jsonrpc":"2.0","id":1,"method":"DropTables","params":[]})", -32601},
             {R"({"jsonrpc":"2.0","id":1,"method":"getfaseorc","params":["T"]})", -32601}}) {
        const RawResponse response = client->post(body);
        ASSERT_EQ(response.status, 200) << body.substr(0, 80);
        const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(response.body)).object();
        EXPECT_EQ(AppServerClient::errorCode(object), code) << body.substr(0, 80);
        EXPECT_FALSE(AppServerClient::errorMessage(object).isEmpty());
    }
    const RawResponse unknownServer =
        client->post(rpcBody("GetFaseOrc", R"(["T"])"), "/rpc/ZRM99999.rdmNada");
    EXPECT_EQ(AppServerClient::errorCode(
                  QJsonDocument::fromJson(QByteArray::fromStdString(unknownServer.body)).object()),
              -32601);
    expectServingAndIntact();

    // A method name with a NUL is quoted whole in the error, not cut at the NUL.
    const QJsonObject nul = client->call("Get\\u0000Versao", "[]");
    EXPECT_EQ(AppServerClient::errorCode(nul), -32601);
    EXPECT_TRUE(AppServerClient::errorMessage(nul).contains(QString::fromUtf8("Get\0Versao", 10)))
        << AppServerClient::errorMessage(nul).toStdString();
    // Lenient JSON is not guessed at.
    for (const std::string& params :
         std::vector<std::string>{"[.5]", "[\"\\q\"]", std::string("[\"a\0\"]", 6)})
        EXPECT_EQ(AppServerClient::errorCode(client->call("GetFaseOrc", params)), -32700) << params;
}

TEST_P(AppServerTest, wrongCountsTypesAndValues_areInvalidParams) {
    expectError("GetCalendOrcOp", R"(["2030"])", -32602);
    expectError("GetCalendOrcOp", R"(["2030","2","x"])", -32602);
    expectError("GetCalendOrcOp", R"([{},[]])", -32602);
    expectError("GetCalendOrcOp", R"(["20300","2"])", -32602);
    expectError("GetCalendOrcOp", R"(["2030",")" + std::string(41, '9') + R"("])", -32602);
    expectError("GetVersao", R"(["2030","","X"])", -32602);
    expectError("GetFaseOrc", R"(["00000000001"])", -32602);
    expectError("GetFaseOrc", R"(["T", "T"])", -32602);
    expectError("GetFaseOrc", "[\"" + std::string(200000, 'x') + "\"]", -32602);
    expectError("GetFaseOrc", R"([null])", -32602);
    expectError("ValCiclo", R"([{"ano":2030}])", -32602);
    expectError("GetDateBloq", R"(["0000000001",2030,"2"])", -32602);
    expectError("BloqDelFase", R"([2030,"2","0000000001"])", -32602);
    expectError("SetCalendOrcOp", R"([])", -32602);
    expectError("SetCalendOrcOp", R"(["delta"])", -32602);
    expectError("SetCalendOrcOp", R"([{"fields":[],"rows":[]}])", -32602);
    expectServingAndIntact();
}

TEST_P(AppServerTest, badDeltas_areInvalidParamsAndChangeNothing) {
    const CalendarSnapshot calendar = loadCalendar(*client);
    const QJsonArray row = calendar.row(QStringLiteral("0000000001"));
    ASSERT_FALSE(row.isEmpty());
    auto changed = [&](const QString& field, const QJsonValue& value) {
        QJsonArray copy = row;
        copy[calendar.fieldIndex(field)] = value;
        return copy;
    };
    // A date that is not a date, a flag that is no flag, a code too long, a row too short.
    expectError(
        "SetCalendOrcOp",
        updateDelta(calendar.fields,
                    {{row, changed(QStringLiteral("DTFINFASEORCA"), QStringLiteral("2030-02-30T00:00:00"))}}),
        -32602);
    expectError("SetCalendOrcOp",
                updateDelta(calendar.fields,
                            {{row, changed(QStringLiteral("DTINIFASEORCA"), QStringLiteral("amanhã"))}}),
                -32602);
    expectError("SetCalendOrcOp",
                updateDelta(calendar.fields, {{row, changed(MonthFlags[0], QStringLiteral("X"))}}), -32602);
    expectError(
        "SetCalendOrcOp",
        updateDelta(calendar.fields,
                    {{row, changed(QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("00000000001"))}}),
        -32602);
    QJsonArray shortRow = row;
    shortRow.removeLast();
    expectError("SetCalendOrcOp", updateDelta(calendar.fields, {{row, shortRow}}), -32602);
    const std::string unknownOp = R"([{"fields":[],"changes":[{"op":"upsert","new":[]}]}])";
    expectError("SetCalendOrcOp", unknownOp, -32602);
    expectServingAndIntact();
}

TEST_P(AppServerTest, injectionStrings_areDataNotSql) {
    for (const char* code : {"' OR 1=1--", "1;DELETE--", "\\\"'\\u0000x"}) {
        const QJsonObject response = client->call(
            "GetFaseOrc",
            QJsonDocument(QJsonArray{QString::fromUtf8(code)}).toJson(QJsonDocument::Compact).toStdString());
        ASSERT_EQ(AppServerClient::errorCode(response), 0) << code;
        EXPECT_TRUE(response.value(QLatin1String("result"))
                        .toObject()
                        .value(QLatin1String("rows"))
                        .toArray()
                        .isEmpty())
            << code;
    }
    const QJsonObject versions = client->call("GetVersao", R"(["2030","1' OR '1'='1",""])");
    EXPECT_NE(AppServerClient::errorCode(versions), 0) << "a version is a number";
    const QJsonObject blocked = client->call("GetDateBloq", R"([2030,"2","' OR ''='"])");
    ASSERT_EQ(AppServerClient::errorCode(blocked), 0);
    EXPECT_EQ(blocked.value(QLatin1String("result")).toObject().value(QLatin1String("rows")).toArray().size(),
              5)
        << "an unknown code excludes no phase";
    expectServingAndIntact();
}

TEST_P(AppServerTest, refusedSaves_changeNothing_allOrNothing) {
    const CalendarSnapshot calendar = loadCalendar(*client);
    const QJsonArray first = calendar.row(QStringLiteral("0000000001"));
    const QJsonArray second = calendar.row(QStringLiteral("0000000002"));
    const QJsonArray concluded = calendar.row(QStringLiteral("0000000005"));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(concluded.isEmpty());

    // Stale old row: conflict.
    const QJsonArray stale = withPattern(calendar, first, 0xABC);
    expectError("SetCalendOrcOp", updateDelta(calendar.fields, {{stale, withPattern(calendar, first, 1)}}),
                1002);
    // A good first change followed by a refused one: neither is applied.
    QJsonArray duplicate = second;
    duplicate[calendar.fieldIndex(QStringLiteral("CDFASEORCOPERAC"))] = QStringLiteral("0000000001");
    expectError("SetCalendOrcOp",
                updateDelta(calendar.fields, {{first, withPattern(calendar, first, 7)}, {second, duplicate}}),
                1001);
    // A concluded phase may not change.
    expectError("SetCalendOrcOp",
                updateDelta(calendar.fields, {{concluded, withPattern(calendar, concluded, 3)}}), 1001);
    expectServingAndIntact();
}

TEST_P(AppServerTest, hostileHttp_getsHttpErrorsAndTheServerGoesOn) {
    {
        RawHttpClient raw(server.port());
        EXPECT_EQ(raw.request("POST", CalendarServer, rpcBody("GetFaseOrc", R"(["T"])")).status, 401);
    }
    {
        RawHttpClient raw(server.port());
        EXPECT_EQ(raw.request("POST", CalendarServer, rpcBody("GetFaseOrc", R"(["T"])"),
                              "Authorization: Bearer x\r\n")
                      .status,
                  401);
        EXPECT_EQ(raw.request("GET", "/metrics").status, 401);
    }
    {
        RawHttpClient raw(server.port());
        const std::string huge = rpcBody("GetFaseOrc", "[\"" + std::string(2 * 1024 * 1024, 'x') + "\"]");
        EXPECT_EQ(
            raw.request("POST", CalendarServer, huge, std::string("Authorization: Bearer ") + Token + "\r\n")
                .status,
            413);
    }
    for (const char* garbage : {"HELLO\r\n\r\n", "POST /rpc/x HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
                                "GET /health HTTP/1.1\r\nHost\r\n\r\n"}) {
        RawHttpClient raw(server.port());
        raw.send(garbage);
        EXPECT_EQ(raw.read().status, 400) << garbage;
    }
    RawHttpClient raw(server.port());
    EXPECT_EQ(
        raw.request("GET", CalendarServer, {}, std::string("Authorization: Bearer ") + Token + "\r\n").status,
        405);
    EXPECT_EQ(raw.request("GET", "/health").status, 200);
    expectServingAndIntact();
}

TEST_P(AppServerTest, metricsAndLog_countWhatWasServed) {
    client->call("GetFaseOrc", R"(["T"])");
    client->call("GetFaseOrc", R"([1,2])");
    RawHttpClient raw(server.port());
    const RawResponse metrics =
        raw.request("GET", "/metrics", {}, std::string("Authorization: Bearer ") + Token + "\r\n");
    ASSERT_EQ(metrics.status, 200);
    EXPECT_NE(metrics.body.find("zrm_requests_total{method=\"GetFaseOrc\",outcome=\"ok\"} 1"),
              std::string::npos)
        << metrics.body;
    EXPECT_NE(metrics.body.find("zrm_requests_total{method=\"GetFaseOrc\",outcome=\"invalid_params\"} 1"),
              std::string::npos);
    const QString log = server.serverLog();
    EXPECT_TRUE(log.contains(QStringLiteral("GetFaseOrc"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("invalid_params")));
}

TEST_P(AppServerTest, killDuringSaves_keepsEveryAcknowledgedSave_noneHalfApplied) {
    // Two writers, each owning two rows it changes together in one delta per save; the month flags
    // carry the save's counter.
    const CalendarSnapshot calendar = loadCalendar(*client);
    const std::vector<std::pair<QString, QString>> pairs = {
        {QStringLiteral("0000000001"), QStringLiteral("0000000002")},
        {QStringLiteral("0000000003"), QStringLiteral("0000000004")}};
    std::vector<std::atomic<int>> acknowledged(pairs.size());
    std::atomic<int> total{0};
    std::atomic<bool> failedEarly{false};
    std::vector<std::thread> writers;
    for (std::size_t w = 0; w < pairs.size(); ++w) {
        acknowledged[w] = 0;
        writers.emplace_back([&, w] {
            AppServerClient writer(server.port(), Token);
            QJsonArray a = calendar.row(pairs[w].first);
            QJsonArray b = calendar.row(pairs[w].second);
            for (int counter = 1; counter < 4096; ++counter) {
                const QJsonArray newA = withPattern(calendar, a, counter);
                const QJsonArray newB = withPattern(calendar, b, counter);
                QJsonObject response;
                try {
                    const RawResponse raw = writer.connection().request(
                        "POST", CalendarServer,
                        rpcBody("SetCalendOrcOp", updateDelta(calendar.fields, {{a, newA}, {b, newB}})),
                        std::string("Authorization: Bearer ") + Token + "\r\n");
                    response = QJsonDocument::fromJson(QByteArray::fromStdString(raw.body)).object();
                } catch (const std::runtime_error&) {
                    return;  // the server is gone
                }
                if (!response.contains(QLatin1String("result"))) {
                    failedEarly = true;
                    return;
                }
                acknowledged[w] = counter;
                ++total;
                a = newA;
                b = newB;
            }
        });
    }
    while (total < 120 && !failedEarly)
        std::this_thread::yield();
    server.kill();
    for (auto& writer : writers)
        writer.join();
    ASSERT_FALSE(failedEarly) << server.serverLog().toStdString();

    QString error;
    ASSERT_TRUE(server.restart(&error)) << error.toStdString();
    AppServerClient after(server.port(), Token);
    const CalendarSnapshot stored = loadCalendar(after);
    for (std::size_t w = 0; w < pairs.size(); ++w) {
        const int a = patternOf(stored, stored.row(pairs[w].first));
        const int b = patternOf(stored, stored.row(pairs[w].second));
        EXPECT_EQ(a, b) << "a save was half applied";
        // The save in flight at the kill may or may not have been committed; nothing acknowledged is lost.
        EXPECT_TRUE(a == acknowledged[w] || a == acknowledged[w] + 1)
            << "stored " << a << ", acknowledged " << acknowledged[w];
    }
    RawHttpClient probe(server.port());
    EXPECT_EQ(probe.request("GET", "/health").status, 200);
}

// Two servers on one database keep answers in memory each; a save through one is in the very next
// load through the other, every time, with both having loaded (and kept) the calendar before.
TEST_P(AppServerTest, twoServersOnOneDatabase_neverServeAStaleCalendar) {
    AppServerProcess other;
    startAnotherServer(other);
    if (HasFatalFailure())
        return;
    AppServerClient second(other.port(), Token);

    CalendarSnapshot calendar = loadCalendar(*client);
    const QString code = QStringLiteral("0000000002");
    for (int counter = 1; counter <= 20; ++counter) {
        // Both servers hold the current calendar now.
        ASSERT_EQ(patternOf(calendar, loadCalendar(second).row(code)),
                  patternOf(calendar, calendar.row(code)));
        AppServerClient& writer = counter % 2 ? *client : second;
        AppServerClient& reader = counter % 2 ? second : *client;
        const QJsonArray old = calendar.row(code);
        const QJsonObject saved = writer.call(
            "SetCalendOrcOp", updateDelta(calendar.fields, {{old, withPattern(calendar, old, counter)}}));
        ASSERT_EQ(AppServerClient::errorCode(saved), 0) << AppServerClient::errorMessage(saved).toStdString();
        calendar = loadCalendar(reader);
        ASSERT_EQ(patternOf(calendar, calendar.row(code)), counter) << "save " << counter;
    }
}

// The administration module over HTTP: hand-written bad requests are refused clearly with nothing
// changed, and a rename through one server is in the very next calendar and page of another.
TEST_P(AppServerTest, administration_refusesBadRequestsAndOtherServersSeeItsChangesAtOnce) {
    constexpr std::string_view AdminServer = "/rpc/ZRM71302.rdmCadCalendOrc";
    const auto admin = [&](AppServerClient& through, std::string_view method, std::string_view params) {
        const RawResponse response = through.post(rpcBody(method, params), AdminServer);
        EXPECT_EQ(response.status, 200) << method;
        return QJsonDocument::fromJson(QByteArray::fromStdString(response.body)).object();
    };
    const struct {
        std::string_view method, params;
        int code;
    } refusals[] = {
        {"GetVersoesAno", R"([2030])", -32602},
        {"NovaVersao", R"(["2030","Z",""])", -32602},
        {"NovaVersao", R"(["2030","V",""])", 1001},
        {"NovaVersao", R"(["2031","A"])", -32602},
        {"SetDescVersao", R"(["2030","2","x"])", -32602},
        {"ExcluiVersao", R"(["2030",1])", 1001},
        {"SetCiclo", R"(["2030","2030-01-15T00:00:00","2030-02-01T00:00:00"])", -32602},
        {"SetCiclo", R"(["2030","2030-06-01T00:00:00","2030-02-01T00:00:00"])", 1001},
        {"GetFasesCad", R"(["T"])", -32602},
        {"SetFasesCad", R"(["delta"])", -32602},
        {"SetFasesCad", R"([{"fields":[],"changes":[]}])", -32602},
        {"GetConclusoes", R"(["2030"])", -32602},
        {"RegistraConclusao", R"(["2030",2,"1","12345"])", -32602},
        {"RetiraConclusao", R"(["2030",2,"1","9999"])", 1001},
        {"GetCalendOrcOp", R"(["2030",""])", -32601},
    };
    for (const auto& refusal : refusals) {
        const QJsonObject response = admin(*client, refusal.method, refusal.params);
        EXPECT_EQ(AppServerClient::errorCode(response), refusal.code)
            << refusal.method << " " << refusal.params;
        EXPECT_FALSE(AppServerClient::errorMessage(response).isEmpty()) << refusal.method;
    }
    expectServingAndIntact();

    AppServerProcess other;
    startAnotherServer(other);
    if (HasFatalFailure())
        return;
    AppServerClient second(other.port(), Token);

    CalendarSnapshot calendar = loadCalendar(*client);  // kept by the first server now
    const QJsonObject catalogue = admin(second, "GetFasesCad", "[]");
    const QJsonObject packet = catalogue.value(QStringLiteral("result")).toObject();
    QJsonArray old = packet.value(QStringLiteral("rows")).toArray().at(1).toArray();
    ASSERT_EQ(old.at(0).toString(), QStringLiteral("0000000002"));
    QJsonArray renamed = old;
    renamed[1] = QStringLiteral("Vendas e margens");
    const QJsonObject delta{
        {QStringLiteral("fields"), packet.value(QStringLiteral("fields"))},
        {QStringLiteral("changes"), QJsonArray{QJsonObject{{QStringLiteral("op"), QStringLiteral("update")},
                                                           {QStringLiteral("old"), old},
                                                           {QStringLiteral("new"), renamed}}}}};
    const QJsonObject saved = admin(
        second, "SetFasesCad", QJsonDocument(QJsonArray{delta}).toJson(QJsonDocument::Compact).toStdString());
    ASSERT_EQ(AppServerClient::errorCode(saved), 0) << AppServerClient::errorMessage(saved).toStdString();

    calendar = loadCalendar(*client);
    EXPECT_EQ(
        calendar.row(QStringLiteral("0000000002")).at(calendar.fieldIndex(QStringLiteral("NMFASEORCOPERAC"))),
        QStringLiteral("Vendas e margens"));
    const RawResponse page = client->connection().request(
        "GET", "/calendario/2030", {}, std::string("Authorization: Bearer ") + Token + "\r\n");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("Vendas e margens"), std::string::npos);
}

TEST_P(AppServerTest, sigterm_endsWithStatusZeroAndClosesIdleConnections) {
    RawHttpClient idle(server.port());
    EXPECT_EQ(idle.request("GET", "/health").status, 200);
    EXPECT_EQ(server.stop(), 0);
    EXPECT_TRUE(idle.waitForClose());
    EXPECT_TRUE(server.serverLog().contains(QStringLiteral("servidor encerrado")));
}

TEST(AppServerCommandLine, exitStatusesAndMessages) {
    QTemporaryDir dir;
    const QString db = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("c.sqlite"));
    QString output;
    EXPECT_EQ(AppServerProcess::runCommand({}, &output), 2);
    EXPECT_EQ(AppServerProcess::runCommand({QStringLiteral("--help")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("serve")));
    EXPECT_EQ(AppServerProcess::runCommand({QStringLiteral("frobnicate")}, &output), 2);
    EXPECT_EQ(AppServerProcess::runCommand({QStringLiteral("serve"), QStringLiteral("--help")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("ZRM_MAX_BODY")));
    EXPECT_EQ(AppServerProcess::runCommand({QStringLiteral("serve")}, &output), 2);
    EXPECT_TRUE(output.contains(QStringLiteral("--db")));
    EXPECT_EQ(AppServerProcess::runCommand({QStringLiteral("serve"), QStringLiteral("--db"), db,
                                            QStringLiteral("--listen"), QStringLiteral("0.0.0.0:0")},
                                           &output),
              1);
    EXPECT_TRUE(output.contains(QStringLiteral("--allow-insecure"))) << output.toStdString();
    EXPECT_EQ(AppServerProcess::runCommand({QStringLiteral("import"), QStringLiteral("--db"), db,
                                            dir.filePath(QStringLiteral("missing.json"))},
                                           &output),
              1);
    const QString data = writeTestDataFile(dir.path());
    EXPECT_EQ(
        AppServerProcess::runCommand({QStringLiteral("import"), QStringLiteral("--db"), db, data}, &output),
        0)
        << output.toStdString();
    EXPECT_EQ(
        AppServerProcess::runCommand({QStringLiteral("import"), QStringLiteral("--db"), db, data}, &output),
        1)
        << "a database with data is refused without --replace";
    EXPECT_EQ(AppServerProcess::runCommand(
                  {QStringLiteral("import"), QStringLiteral("--db"), db, QStringLiteral("--replace"), data},
                  &output),
              0);
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
