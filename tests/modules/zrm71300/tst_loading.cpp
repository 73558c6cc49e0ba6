// Loading the calendar (GetCalendOrcOp) and the permission list that follows the current phase row.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/pagecontrol.h"
#include "library/zul/showavi.h"
#include "tests/framework/remote/loopbackserver.h"
#include "tests/modules/zrm71300/screenfixture.h"
#include "tests/support/guitest.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace zrm71300test;

namespace {

QString thisYear() {
    return QString::number(currentYear());
}

QJsonObject field(const char* name, const char* type, int size = 0) {
    QJsonObject definition{{QStringLiteral("name"), QLatin1String(name)},
                           {QStringLiteral("type"), QLatin1String(type)}};
    if (size)
        definition.insert(QStringLiteral("size"), size);
    return definition;
}

// A calendar answer whose phase rows come in the order given, each (code, start date).
QJsonArray calendarAnswer(const QList<std::pair<const char*, const char*>>& rows) {
    QJsonArray rowArray;
    for (const auto& [code, start] : rows)
        rowArray.append(QJsonArray{thisYear(), 2, QLatin1String(code),
                                   QStringLiteral("Fase ") + QLatin1String(code), QLatin1String(start),
                                   QLatin1String(start), QStringLiteral("N")});
    const QJsonObject calendar{
        {QStringLiteral("fields"),
         QJsonArray{field("NRANOORCOPERAC", "string", 4), field("CDVERSCALENORCA", "float"),
                    field("CDFASEORCOPERAC", "string", 10), field("NMFASEORCOPERAC", "string", 100),
                    field("DTINIFASEORCA", "datetime"), field("DTFINFASEORCA", "datetime"),
                    field("IDFASECALCORCA", "string", 1)}},
        {QStringLiteral("rows"), rowArray}};
    const QJsonObject version{{QStringLiteral("fields"), QJsonArray{field("CDVERSAO", "float")}},
                              {QStringLiteral("rows"), QJsonArray{QJsonArray{2}}}};
    return QJsonArray{calendar, version};
}

}  // namespace

TEST_F(ScreenTest, getCalendOrcOp_sameVersionTwice_leavesTheVersionBoxUnchanged) {
    openWith(CalendarData::standard());
    auto* version = child<TEdit>("edtVersao");
    int changes = 0;
    version->OnChange = [&](QObject*) { ++changes; };

    frmCalendOrc->GetCalendOrcOp(thisYear(), QStringLiteral("2"));
    frmCalendOrc->GetCalendOrcOp(thisYear(), QStringLiteral("2"));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(version->Text(), QStringLiteral("2"));

    frmCalendOrc->GetCalendOrcOp(thisYear(), QStringLiteral("1"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(version->Text(), QStringLiteral("1"));
    EXPECT_EQ(columnTexts(child<TDBGrid>("dbgPadrao"), 0), QStringList{QStringLiteral("0000000001")});
    EXPECT_FALSE(Showavi::IsShowing());
}

TEST_F(ScreenTest, getCalendOrcOp_typedVersionIsReplacedByTheServersAnswer) {
    openWith(CalendarData::standard());
    // The year before has version 1 only; an empty version there gets it, with its one row.
    frmCalendOrc->GetCalendOrcOp(QString::number(currentYear() - 1), QString());
    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QStringLiteral("1"));
    EXPECT_EQ(columnTexts(child<TDBGrid>("dbgPadrao"), 0), QStringList{QStringLiteral("0000000002")});
    // A version the year does not have: no rows, and the server's version number shown.
    frmCalendOrc->GetCalendOrcOp(thisYear(), QStringLiteral("7"));
    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QStringLiteral("7"));
    EXPECT_TRUE(child<TClientDataSet>("cdsCalendOrcOp")->IsEmpty());
    EXPECT_TRUE(child<TClientDataSet>("cdsVdAnoCalendOrcOp")->IsEmpty());
    // A year without versions: a version packet without rows empties the version box.
    frmCalendOrc->GetCalendOrcOp(QString::number(currentYear() + 1), QString());
    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QString());
    EXPECT_TRUE(child<TClientDataSet>("cdsVer")->IsEmpty());
    EXPECT_TRUE(child<TClientDataSet>("cdsVer")->Active());
}

TEST_F(ScreenTest, getCalendOrcOp_serverGone_reportsAndChangesNothing) {
    openWith(CalendarData::standard());
    m_server.process().stop();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);

    EXPECT_THROW(frmCalendOrc->GetCalendOrcOp(thisYear(), QStringLiteral("1")), EAbort);

    EXPECT_EQ(answers.texts().size(), 1);
    EXPECT_FALSE(Showavi::IsShowing());
    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QStringLiteral("2"));
    EXPECT_EQ(child<TClientDataSet>("cdsCalendOrcOp")->RecordCount(), 3);
    EXPECT_EQ(child<TClientDataSet>("cdsVdAnoCalendOrcOp")->RecordCount(), 3);
}

TEST_F(ScreenTest, getCalendOrcOp_rowsInAnyOrder_areShownByStartDate) {
    const int year = currentYear();
    const QByteArray march = QStringLiteral("%1-03-01T00:00:00").arg(year).toLatin1();
    const QByteArray january = QStringLiteral("%1-01-10T00:00:00").arg(year).toLatin1();
    const QByteArray february = QStringLiteral("%1-02-01T00:00:00").arg(year).toLatin1();
    LoopbackServer server([&](const LoopbackServer::Request& request) {
        // The latest-version check that follows the load asks for the year's versions.
        if (request.json().value(QStringLiteral("method")).toString() == QLatin1String("GetVersao"))
            return LoopbackServer::result(
                request,
                QJsonObject{{QStringLiteral("fields"), QJsonArray{field("CDVERSAOORCA", "string", 40)}},
                            {QStringLiteral("rows"), QJsonArray{QJsonArray{QStringLiteral("2")}}}});
        return LoopbackServer::result(request, calendarAnswer({{"0000000004", march.constData()},
                                                               {"0000000003", february.constData()},
                                                               {"0000000002", january.constData()},
                                                               {"0000000005", february.constData()}}));
    });
    qputenv("ZRM_APPSERVER_HOST", "127.0.0.1");
    qputenv("ZRM_APPSERVER_PORT", QByteArray::number(server.port()));
    criaCalendOrc();
    ASSERT_NE(frmCalendOrc, nullptr);

    // Two phases starting the same day keep the order they came in.
    EXPECT_EQ(columnTexts(child<TDBGrid>("dbgPadrao"), 0),
              (QStringList{QStringLiteral("0000000002"), QStringLiteral("0000000003"),
                           QStringLiteral("0000000005"), QStringLiteral("0000000004")}));
    // The snapshot keeps the packet's order.
    auto* snapshot = child<TClientDataSet>("cdsVdAnoCalendOrcOp");
    snapshot->First();
    EXPECT_EQ(snapshot->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->AsString(),
              QStringLiteral("0000000004"));
    // Asked at start-up: the current year and an empty version.
    ASSERT_FALSE(server.requests().isEmpty());
    const LoopbackServer::Request first = server.requests().constFirst();
    EXPECT_EQ(first.json().value(QStringLiteral("method")).toString(), QStringLiteral("GetCalendOrcOp"));
    EXPECT_EQ(first.param(0).toString(), thisYear());
    EXPECT_TRUE(first.param(1).isString());
    EXPECT_EQ(first.param(1).toString(), QString());
    EXPECT_EQ(first.path, QByteArray("/rpc/ZRM71300.rdmCalendOrcOp"));
}

TEST_F(ScreenTest, afterScroll_followsTheCurrentPhaseRow) {
    openWith(CalendarData::standard());
    auto* calendar = child<TClientDataSet>("cdsCalendOrcOp");
    auto* pages = child<TPageControl>("pgcPadrao");
    auto* permissionPage = child<TTabSheet>("tshPermCalc");
    const auto* grid = child<TDBGrid>("dbgPermCalc");

    calendar->Next();  // 0000000003, a calculation phase allowed in February only
    EXPECT_TRUE(permissionPage->isEnabled());
    QStringList flags(12, QStringLiteral("N"));
    flags[10] = QStringLiteral("S");
    EXPECT_EQ(columnTexts(grid, 1), flags);
    EXPECT_EQ(child<TClientDataSet>("cdsPermCalc")->RecordCount(), 12);

    pages->SetActivePage(permissionPage);
    calendar->Next();  // 0000000004, not a calculation phase
    EXPECT_FALSE(permissionPage->isEnabled());
    EXPECT_EQ(pages->ActivePage(), child<TTabSheet>("tshPadrao"));
    EXPECT_EQ(columnTexts(grid, 1), QStringList(12, QStringLiteral("N")));

    // Back on a calculation phase, the page may be chosen again.
    calendar->First();
    EXPECT_TRUE(permissionPage->isEnabled());
}
