// The timeline screen ZRM71301: the painted timeline checked on a grab of the widget (bars at their
// dates, today's line, the conflict mark), its tooltips and keys; and the screen against the real
// server after real saves: compare mode, the change history with the saving operator, the PDF export
// read back with pdftotext, the version checks, and the single instance of the entry call.

#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "framework/remote/netconnection.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/netconnection.h"
#include "library/zul/zulclasses.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/entry/cli_zrm71301.h"
#include "modules/zrm71300/timeline/frmlinhatempo.h"
#include "modules/zrm71300/timeline/historytext.h"
#include "modules/zrm71300/timeline/tlinhatempo.h"
#include "tests/modules/zrm71300/calendarserver.h"
#include "tests/support/guitest.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QImage>
#include <QMdiSubWindow>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace zrm71300test;

namespace {

// ---- The painted timeline, without a server ----

TimelinePhase phase(const QString& code, const QDate& start, const QDate& end, bool blocked = false) {
    TimelinePhase result;
    result.code = code;
    result.name = u"Fase "_s + code;
    result.start = start;
    result.end = end;
    result.blocked = blocked;
    return result;
}

TimelineTexts texts() {
    TimelineTexts t;
    t.months = u"jan,fev,mar,abr,mai,jun,jul,ago,set,out,nov,dez"_s.split(u',');
    t.today = u"hoje"_s;
    t.ordinary = u"Fase comum"_s;
    t.calculation = u"Fase de cálculo"_s;
    t.blocked = u"Fase bloqueada"_s;
    t.concluded = u"Fase concluída"_s;
    t.conflict = u"Fase bloqueada em conflito"_s;
    t.permittedMonth = u"Mês com cálculo permitido"_s;
    t.comparison = u"Versão comparada"_s;
    t.conflictRule = u"Periodo de uma fase Bloqueada não pode ser igual ao de outras fases."_s;
    t.conflictWith = u"Em conflito com a fase %1 (código %2)."_s;
    t.tooltip = u"%1 (código %2): %3 a %4"_s;
    t.permittedIn = u"Cálculo permitido em: %1"_s;
    t.inComparison = u"Na versão %1: %2 a %3"_s;
    t.absentFromShown = u"Só existe na versão %1."_s;
    return t;
}

// The text of a PDF file as pdftotext reads it, pages separated by form feeds.
QString pdfText(const QString& pdf) {
    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    EXPECT_FALSE(pdftotext.isEmpty())
        << "pdftotext is not installed (scripts/deps.sh installs poppler-utils)";
    QProcess reader;
    reader.start(pdftotext, {u"-layout"_s, pdf, u"-"_s});
    EXPECT_TRUE(reader.waitForFinished(60000));
    return QString::fromUtf8(reader.readAllStandardOutput());
}

// 2026, today 10 May: an ordinary phase in March, an ordinary one 25 Apr-15 May touching the blocked
// one of 10-31 May (in conflict), and a blocked one in August that touches nothing.
TimelineCalendar calendar2026() {
    TimelineCalendar calendar;
    calendar.year = 2026;
    calendar.version = u"2"_s;
    calendar.today = QDate(2026, 5, 10);
    calendar.phases = {phase(u"0000000001"_s, QDate(2026, 3, 1), QDate(2026, 3, 31)),
                       phase(u"0000000002"_s, QDate(2026, 4, 25), QDate(2026, 5, 15)),
                       phase(u"0000000003"_s, QDate(2026, 5, 10), QDate(2026, 5, 31), true),
                       phase(u"0000000004"_s, QDate(2026, 8, 1), QDate(2026, 8, 10), true)};
    calendar.markConflicts();
    return calendar;
}

class TimelineWidgetTest : public ::testing::Test {
protected:
    // The chart runs from the name column (250 pixels) to 12 pixels before the right edge; lanes of
    // 26 pixels start below the legend and the month header.
    static constexpr int Width = 1000;
    static constexpr double ChartLeft = 250, ChartWidth = Width - 250 - 12, Lane = 26;

    void SetUp() override {
        m_view.SetTexts(texts());
        m_view.SetCalendar(calendar2026());
        m_view.resize(Width, m_view.sizeHint().height());
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        // Everything fits: nothing scrolls, and the grab shows the whole timeline.
        ASSERT_EQ(m_view.verticalScrollBar()->maximum(), 0);
        ASSERT_EQ(m_view.horizontalScrollBar()->maximum(), 0);
        m_picture = m_view.grab().toImage();
        m_firstLane = m_view.Layout().chart().top();
    }

    static double dayX(const QDate& day) {
        return ChartLeft + ChartWidth * QDate(2026, 1, 1).daysTo(day) / 365.0;
    }
    int laneMiddle(int lane) const { return int(m_firstLane + Lane * lane + Lane / 2) - 2; }
    QColor at(double x, int y) const { return m_picture.pixelColor(int(x), y); }

    // Whether any pixel of colour lies on the rectangle's outline.
    bool outlineHas(const QRectF& box, const QColor& colour) const {
        for (int x = int(box.left()); x <= int(box.right()); ++x) {
            if (at(x, int(box.top())) == colour || at(x, int(box.bottom())) == colour)
                return true;
        }
        return false;
    }

    TLinhaTempo m_view;
    QImage m_picture;
    double m_firstLane = 0;
};

TEST_F(TimelineWidgetTest, bar_coversItsDatesAndNothingElse) {
    const double left = dayX(QDate(2026, 3, 1));
    const double right = dayX(QDate(2026, 4, 1));
    const int y = laneMiddle(0);
    EXPECT_EQ(at(left + 2, y), TimelineColors::Ordinary);
    EXPECT_EQ(at((left + right) / 2, y), TimelineColors::Ordinary);
    EXPECT_EQ(at(right - 2, y), TimelineColors::Ordinary);
    EXPECT_NE(at(left - 3, y), TimelineColors::Ordinary);
    EXPECT_NE(at(right + 3, y), TimelineColors::Ordinary);
    // Nothing of the bar in the lanes of the other phases.
    EXPECT_NE(at((left + right) / 2, laneMiddle(1)), TimelineColors::Ordinary);
}

TEST_F(TimelineWidgetTest, todayLine_standsAtTheServersToday) {
    const double x = dayX(QDate(2026, 5, 10));
    const int y = laneMiddle(3);  // the August lane has no bar in May
    EXPECT_TRUE(at(x, y) == TimelineColors::Today || at(x - 1, y) == TimelineColors::Today);
    EXPECT_NE(at(x - 8, y), TimelineColors::Today);
    EXPECT_NE(at(x + 8, y), TimelineColors::Today);
}

TEST_F(TimelineWidgetTest, conflictMark_onlyOnTheBlockedPhaseThatTouchesAnother) {
    const TimelineLayout layout = m_view.Layout();
    const QRectF touched = layout.bar(QDate(2026, 5, 10), QDate(2026, 5, 31), 2).adjusted(-3, -3, 3, 3);
    const QRectF alone = layout.bar(QDate(2026, 8, 1), QDate(2026, 8, 10), 3).adjusted(-3, -3, 3, 3);
    EXPECT_TRUE(outlineHas(touched, TimelineColors::ConflictMark));
    EXPECT_FALSE(outlineHas(alone, TimelineColors::ConflictMark));
    // Both are drawn as blocked phases.
    EXPECT_EQ(at(touched.center().x(), int(touched.center().y())).rgb() & 0xff000000u, 0xff000000u);
    EXPECT_TRUE(m_view.ToolTipAt(touched.center().toPoint()).contains(texts().conflictRule));
    // The mark's description names the phase the blocked one conflicts with.
    EXPECT_TRUE(m_view.ToolTipAt(touched.center().toPoint())
                    .contains(u"Em conflito com a fase Fase 0000000002 (código 0000000002)."_s));
    EXPECT_FALSE(m_view.ToolTipAt(alone.center().toPoint()).contains(texts().conflictRule));
    EXPECT_TRUE(m_view.ToolTipAt(alone.center().toPoint())
                    .startsWith(u"Fase 0000000004 (código 0000000004): 01/08/2026 a 10/08/2026"_s));
    EXPECT_TRUE(m_view.ToolTipAt(QPoint(10, 5)).isEmpty());
}

TEST_F(TimelineWidgetTest, keys_moveTheSelectionAndDescribeTheLane) {
    m_view.show();
    m_view.setFocus();
    EXPECT_EQ(m_view.SelectedLane(), 0);
    QTest::keyClick(&m_view, Qt::Key_Down);
    QTest::keyClick(&m_view, Qt::Key_Down);
    EXPECT_EQ(m_view.SelectedLane(), 2);
    EXPECT_TRUE(m_view.accessibleDescription().contains(u"Fase 0000000003"_s));
    EXPECT_TRUE(m_view.accessibleDescription().contains(texts().conflictRule));
    QTest::keyClick(&m_view, Qt::Key_End);
    EXPECT_EQ(m_view.SelectedLane(), 3);
    QTest::keyClick(&m_view, Qt::Key_Down);
    EXPECT_EQ(m_view.SelectedLane(), 3);
    QTest::keyClick(&m_view, Qt::Key_Home);
    EXPECT_EQ(m_view.SelectedLane(), 0);
}

// ---- More phases than fit: scrolling, and exports and printing that still hold every lane ----

// count phases of three days each, one after the other from 1 January 2026.
TimelineCalendar manyPhases(int count) {
    TimelineCalendar calendar;
    calendar.year = 2026;
    calendar.version = u"1"_s;
    for (int i = 0; i < count; ++i) {
        const QDate start = QDate(2026, 1, 1).addDays(3 * i);
        calendar.phases << phase(u"%1"_s.arg(i + 1, 10, 10, QLatin1Char('0')), start, start.addDays(1));
    }
    return calendar;
}

class TimelineScrollTest : public ::testing::Test {
protected:
    static constexpr int Lanes = 40;

    void SetUp() override {
        m_view.SetTexts(texts());
        m_view.SetCalendar(manyPhases(Lanes));
        m_view.resize(600, 320);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        m_view.setFocus();
    }

    QRect visible() const { return m_view.viewport()->rect(); }
    double frozenTop() const { return m_view.Layout().frozenHeight(); }
    QRectF lastBar() const {
        const TimelinePhase& last = m_view.Calendar().phases.last();
        return m_view.Layout().bar(last.start, last.end, Lanes - 1);
    }

    TLinhaTempo m_view;
};

TEST_F(TimelineScrollTest, lastLane_reachedByKeyboardDrawnAndDescribed) {
    ASSERT_GT(m_view.verticalScrollBar()->maximum(), 0);
    EXPECT_GT(lastBar().top(), visible().bottom());  // out of sight at first

    QTest::keyClick(&m_view, Qt::Key_End);
    EXPECT_EQ(m_view.SelectedLane(), Lanes - 1);
    const QRectF lane = m_view.Layout().lane(Lanes - 1);
    EXPECT_GE(lane.top(), frozenTop());  // below the month header, not under it
    EXPECT_LE(lane.bottom(), visible().bottom() + 1);
    const QImage shown = m_view.viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(lastBar().center().toPoint()), TimelineColors::Ordinary);
    // The legend stays on top: its first swatch is where it was.
    EXPECT_EQ(shown.pixelColor(10, 10), TimelineColors::Ordinary);
    EXPECT_TRUE(m_view.ToolTipAt(lastBar().center().toPoint()).startsWith(u"Fase 0000000040"_s));
    // Under the frozen header nothing answers for the lanes scrolled beneath it.
    EXPECT_TRUE(m_view.ToolTipAt(QPoint(400, frozenTop() - 2)).isEmpty());

    QTest::keyClick(&m_view, Qt::Key_PageUp);
    EXPECT_LT(m_view.SelectedLane(), Lanes - 1);
    EXPECT_GE(m_view.Layout().lane(m_view.SelectedLane()).top(), frozenTop());
    QTest::keyClick(&m_view, Qt::Key_Home);
    EXPECT_EQ(m_view.SelectedLane(), 0);
    EXPECT_EQ(m_view.verticalScrollBar()->value(), 0);
}

TEST_F(TimelineScrollTest, narrowerThanReadable_scrollsAcrossTheMonthsWithTheKeys) {
    ASSERT_LT(visible().width(), TLinhaTempo::MinimumWidth);
    EXPECT_EQ(m_view.horizontalScrollBar()->maximum(), TLinhaTempo::MinimumWidth - visible().width());
    const double december = m_view.Layout().month(12).right();
    EXPECT_GT(december, visible().right());
    QTest::keyClick(&m_view, Qt::Key_Right);
    QTest::keyClick(&m_view, Qt::Key_Right);
    EXPECT_GT(m_view.horizontalScrollBar()->value(), 0);
    EXPECT_LT(m_view.Layout().month(12).right(), december);
    // Wide enough, nothing scrolls across.
    m_view.resize(1000, 320);
    EXPECT_EQ(m_view.horizontalScrollBar()->maximum(), 0);
}

TEST_F(TimelineScrollTest, exportsAndPages_holdEveryLane) {
    const QImage picture = m_view.RenderImage(960, u"Título da imagem"_s);
    const double legend = legendHeight(texts(), m_view.font(), 960);
    EXPECT_EQ(picture.height(), int(TLinhaTempo::TitleHeight + TimelineLayout::heightFor(Lanes, legend)));
    EXPECT_EQ(picture.text(u"Title"_s), u"Título da imagem"_s);
    const TimelinePhase& last = m_view.Calendar().phases.last();
    const QRectF bar =
        TimelineLayout(2026,
                       QRectF(0, TLinhaTempo::TitleHeight, 960, picture.height() - TLinhaTempo::TitleHeight),
                       Lanes, legend)
            .bar(last.start, last.end, Lanes - 1);
    EXPECT_EQ(picture.pixelColor(bar.center().toPoint()), TimelineColors::Ordinary);

    // A table of more rows than a page holds, one cell of each row long enough to wrap.
    constexpr int Rows = 80;
    ReportTable table{u"Registros alterados"_s, {u"Registro"_s, u"Descrição"_s}, {1, 2}, {}, QString()};
    for (int i = 1; i <= Rows; ++i)
        table.rows << QStringList{u"Registro %1 "_s.arg(i, 3, 10, QLatin1Char('0')),
                                  i % 10 == 0 ? u"texto longo "_s.repeated(20) : u"curto"_s};
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"pages.pdf"_s);
    {
        QPdfWriter writer(pdf);
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setResolution(150);
        m_view.RenderPage(
            writer, u"Título da página"_s,
            {table, ReportTable{u"Tabela vazia"_s, {u"Coluna"_s}, {1}, {}, u"Nada a mostrar."_s}});
    }
    const QStringList pages = pdfText(pdf).split(u'\f', Qt::SkipEmptyParts);
    // Forty lanes do not fit one landscape page: each page repeats title and month header. The
    // table's rows follow over further pages, each repeating the table's heading.
    ASSERT_GE(pages.size(), 4);
    int lanePages = 0;
    int tablePages = 0;
    for (const QString& page : pages) {
        const bool lanes = page.contains(u"Título da página"_s);
        lanePages += lanes ? 1 : 0;
        tablePages += page.contains(u"Registros alterados"_s) ? 1 : 0;
        EXPECT_TRUE(!lanes || page.contains(u"dez"_s)) << page.toStdString();
        EXPECT_TRUE(lanes || page.contains(u"Registros alterados"_s)) << page.toStdString();
    }
    EXPECT_GE(lanePages, 2);
    EXPECT_GE(tablePages, 2);
    const QString all = pages.join(u' ');
    for (int i = 1; i <= Lanes; ++i)
        EXPECT_EQ(all.count(u"Fase %1"_s.arg(i, 10, 10, QLatin1Char('0'))), 1) << i;
    for (int i = 1; i <= Rows; ++i)
        EXPECT_EQ(all.count(u"Registro %1 "_s.arg(i, 3, 10, QLatin1Char('0'))), 1) << i;
    EXPECT_TRUE(pages.last().contains(u"Nada a mostrar."_s));
    EXPECT_LT(all.indexOf(u"Registros alterados"_s), all.indexOf(u"Tabela vazia"_s));
}

// Today's label is written beside today's line in a row of its own, so it covers no month's name
// wherever today falls, and never passes the chart's ends.
TEST(TimelineLayoutTest, todayLabel_coversNoMonthNameAndStaysBesideTheLine) {
    const double labelWidth = QFontMetricsF(QFont()).horizontalAdvance(u"hoje"_s);
    for (const double width : {1000.0, 720.0}) {
        const TimelineLayout layout(2026, QRectF(0, 0, width, 400), 4, 28);
        for (const QDate& day : {QDate(2026, 1, 1), QDate(2026, 5, 10), QDate(2026, 11, 30),
                                 QDate(2026, 12, 1), QDate(2026, 12, 31)}) {
            SCOPED_TRACE(day.toString(Qt::ISODate).toStdString() + " " + std::to_string(width));
            const QRectF label = layout.todayLabel(day, labelWidth);
            for (int month = 1; month <= 12; ++month) {
                EXPECT_FALSE(label.intersects(layout.monthName(month))) << month;
                EXPECT_TRUE(layout.header().contains(layout.monthName(month))) << month;
            }
            EXPECT_TRUE(layout.header().contains(label));
            const double line = layout.x(day);
            EXPECT_LE(std::min(std::abs(label.left() - line), std::abs(label.right() - line)), 4.0);
        }
    }
}

// However narrow the timeline, every entry of the legend lies whole within the visible width and the
// legend's band, and the lanes begin below it.
TEST(TimelineLegendTest, narrowTimeline_wrapsTheLegendIntoSight) {
    for (const int width : {300, 480, 720, 1000}) {
        SCOPED_TRACE(width);
        TLinhaTempo view;
        view.SetTexts(texts());
        view.SetCalendar(calendar2026());
        view.resize(width, 400);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        const QRect visible = view.viewport()->rect();
        const TimelineLegend legend(legendLabels(texts()), QFontMetricsF(view.font()), visible.width());
        ASSERT_EQ(legend.count(), 8);
        const TimelineLayout layout = view.Layout();
        EXPECT_EQ(layout.legend().height(), legend.height());
        for (int entry = 0; entry < legend.count(); ++entry) {
            const QRectF whole = legend.swatch(entry).united(legend.label(entry));
            EXPECT_GE(whole.left(), 0) << entry;
            EXPECT_LE(whole.right(), visible.width()) << entry;
            EXPECT_LE(whole.bottom(), layout.legend().bottom()) << entry;
        }
        EXPECT_GE(layout.chart().top(), layout.legend().bottom() + TimelineLayout::HeaderHeight);
        // The last entry, today's swatch, is painted where the legend says, after scrolling across too.
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
        const QImage shown = view.viewport()->grab().toImage();
        const QPointF middle = legend.swatch(7).center();
        EXPECT_TRUE(shown.pixelColor(middle.toPoint()) == TimelineColors::Today ||
                    shown.pixelColor(middle.toPoint() - QPoint(1, 0)) == TimelineColors::Today);
    }
}

TEST(HistoryText, describesTouchedColumnsForPeople) {
    const HistoryLabels labels{
        u"Início"_s,
        u"Fim"_s,
        u"Código"_s,
        u"janeiro,fevereiro,março,abril,maio,junho,julho,agosto,setembro,outubro,novembro,dezembro"_s.split(
            u','),
        u"permitido"_s,
        u"não permitido"_s};
    const struct {
        QString columns;
        QString described;
    } cases[] = {
        {uR"({"DTFINFASEORCA":"2026-05-29T00:00:00","IDPERMCALCAGO":"S","NRANOORCOPERAC":"2026"})"_s,
         u"Fim: 29/05/2026; agosto: permitido"_s},
        {uR"({"IDPERMCALCFEV":"N","IDPERMCALCDEZ":"S"})"_s,
         u"fevereiro: não permitido; dezembro: permitido"_s},
        {uR"({"CDFASEORCOPERAC":"0000000002","DTINIFASEORCA":"2026-01-05T00:00:00"})"_s,
         u"Código: 0000000002; Início: 05/01/2026"_s},
        {uR"({"IDPERMCALCJAN":null})"_s, u"janeiro: —"_s},
        {uR"({"IDPERMCALCMAR":""})"_s, u"março: —"_s},
        {QString(), QString()},
        {u"{broken"_s, QString()},
    };
    for (const auto& [columns, described] : cases)
        EXPECT_EQ(describeColumns(columns, labels), described) << columns.toStdString();
}

// ---- The screen against the real server ----

class TimelineScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { zrm::zul::ensureLibraryClassesRegistered(); }

    void TearDown() override {
        if (frmLinhaTempo) {
            QWidget* window = frmLinhaTempo->mdiSubWindow();
            delete (window ? window : frmLinhaTempo);
        }
        qunsetenv("ZRM_OPERATOR");
    }

    void open() {
        m_server.start(CalendarData::standard());
        criaLinhaTempo();
        ASSERT_NE(frmLinhaTempo, nullptr);
    }

    template <class T>
    T* child(const char* name) const {
        T* found = frmLinhaTempo->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QStringList laneCodes() const {
        QStringList codes;
        for (const TimelineLane& lane : child<TLinhaTempo>("lntCalendario")->Lanes())
            codes << lane.phase().code;
        return codes;
    }

    static QStringList rowsOf(TClientDataSet* rows, const QStringList& fields) {
        QStringList texts;
        for (rows->First(); !rows->Eof(); rows->Next()) {
            QStringList values;
            for (const QString& field : fields)
                values << rows->FieldByName(field)->AsString();
            texts << values.join(u" | "_s);
        }
        return texts;
    }

    // The PDF file holds the title of version 2 and the names of the demo phases.
    static void expectTitleAndPhases(const QString& pdf) {
        const QString text = pdfText(pdf).simplified();
        EXPECT_TRUE(text.contains(u"Linha do tempo do orçamento %1, versão 2"_s.arg(currentYear())))
            << text.toStdString();
        for (const QString& name :
             {u"Orçamento de vendas"_s, u"Orçamento de despesas"_s, u"Revisão pela diretoria"_s})
            EXPECT_TRUE(text.contains(name)) << name.toStdString() << "\n" << text.toStdString();
    }

    // Saves, as the operator, the end date of a phase of version 2 moved by days, and a new phase
    // 0000000001 in the current year's November: real saves through the calendar module.
    void saveAs(const QString& operatorCode) {
        qputenv("ZRM_OPERATOR", operatorCode.toUtf8());
        std::unique_ptr<TNetConnection> net(Netconnection::Create(nullptr));
        net->SetServerName(QString::fromLatin1(RdmCalendOrcOp::ServerName));
        const QString year = QString::number(currentYear());
        const TRemoteData loaded =
            Consiste::CheckResultServ(RdmCalendOrcOp::GetCalendOrcOp(net.get(), year, u"2"_s), false, 2);
        const zrm::DataPacket calendar = loaded[0];
        const int code = calendar.fieldIndex(u"CDFASEORCOPERAC"_s);
        const int end = calendar.fieldIndex(u"DTFINFASEORCA"_s);
        const int start = calendar.fieldIndex(u"DTINIFASEORCA"_s);
        zrm::Delta delta{calendar.fields, {}};
        for (const zrm::Row& row : calendar.rows) {
            if (row[code].toString() == u"0000000004"_s) {
                zrm::Row moved = row;
                moved[end] = row[end].toDateTime().addDays(5);
                delta.changes.append({zrm::Change::Op::Update, row, moved});
                zrm::Row added = row;
                added[code] = u"0000000001"_s;
                added[start] = QDateTime(QDate(currentYear(), 11, 2), QTime(0, 0));
                added[end] = QDateTime(QDate(currentYear(), 11, 20), QTime(0, 0));
                delta.changes.append({zrm::Change::Op::Insert, {}, added});
            }
        }
        ASSERT_EQ(delta.changes.size(), 2);
        try {
            Consiste::CheckResultServ(RdmCalendOrcOp::SetCalendOrcOp(net.get(), delta), false, 0);
        } catch (const Exception& failure) {
            FAIL() << failure.Message().toStdString();
        }
    }

    CalendarServer m_server;
};

TEST_F(TimelineScreenTest, entryCall_opensOneScreenWithTheLatestVersionAndRestoresIt) {
    open();
    EXPECT_EQ(frmLinhaTempo->windowTitle(), u"Linha do tempo do orçamento"_s);
    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), u"2"_s);
    EXPECT_EQ(laneCodes(), (QStringList{u"0000000002"_s, u"0000000003"_s, u"0000000004"_s}));
    const TLinhaTempo* view = child<TLinhaTempo>("lntCalendario");
    EXPECT_EQ(view->Calendar().today, today());
    EXPECT_TRUE(view->Calendar().phases[0].permittedMonths[0]);   // January
    EXPECT_FALSE(view->Calendar().phases[0].permittedMonths[1]);  // February

    TfrmLinhaTempo* first = frmLinhaTempo;
    first->SetWindowState(wsMinimized);
    criaLinhaTempo();
    EXPECT_EQ(frmLinhaTempo, first);
    EXPECT_EQ(first->WindowState(), wsNormal);
}

TEST_F(TimelineScreenTest, comparisonAndHistory_afterRealSaves) {
    open();
    saveAs(u"MARIA"_s);
    child<TEdit>("edtComparar")->SetText(u"1"_s);
    frmLinhaTempo->GetLinhaTempo();

    // Version 2 against version 1 (which holds 0000000001 only, January 10-31 unlike version 2's).
    EXPECT_EQ(laneCodes(), (QStringList{u"0000000002"_s, u"0000000003"_s, u"0000000004"_s, u"0000000001"_s}));
    const QStringList differences =
        rowsOf(child<TClientDataSet>("cdsDiferencas"), {u"FASE"_s, u"SITUACAO"_s});
    EXPECT_TRUE(differences.contains(u"0000000002 - Orçamento de vendas | Incluída"_s))
        << differences.join(u'\n').toStdString();
    EXPECT_TRUE(differences.contains(u"0000000001 - Premissas orçamentárias | Datas alteradas"_s))
        << differences.join(u'\n').toStdString();

    const QStringList history = rowsOf(child<TClientDataSet>("cdsHistorico"),
                                       {u"OPERADOR"_s, u"OPERACAO"_s, u"FASE"_s, u"ANTES"_s, u"DEPOIS"_s});
    ASSERT_EQ(history.size(), 2) << history.join(u'\n').toStdString();
    static const QRegularExpression dateAndTime(uR"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d$)"_s);
    for (const QString& when : rowsOf(child<TClientDataSet>("cdsHistorico"), {u"QUANDO"_s}))
        EXPECT_TRUE(dateAndTime.match(when).hasMatch()) << when.toStdString();
    EXPECT_TRUE(history[0].startsWith(
        u"MARIA | Inclusão | 0000000001 - Premissas orçamentárias |  | Código: 0000000001; Início: 02/11/"_s))
        << history[0].toStdString();
    const QString movedEnd = QDate(currentYear(), 3, 31).addDays(5).toString(u"dd/MM/yyyy"_s);
    EXPECT_EQ(history[1], u"MARIA | Alteração | 0000000004 - Revisão pela diretoria | Fim: 31/03/"_s +
                              QString::number(currentYear()) + u" | Fim: "_s + movedEnd);
    EXPECT_EQ(frmLinhaTempo->Titulo(),
              u"Linha do tempo do orçamento %1, versão 2 comparada com a versão 1"_s.arg(currentYear()));

    // The exported and the printed document hold, after the timeline, the differences and the history.
    QTemporaryDir dir;
    const std::pair<const char*, std::function<void(const QString&)>> outputs[] = {
        {"pdf", [](const QString& path) { frmLinhaTempo->ExportarPdf(path); }},
        {"print",
         [](const QString& path) {
             QPrinter printer(QPrinter::HighResolution);
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(path);
             frmLinhaTempo->Imprimir(printer);
         }},
    };
    for (const auto& [name, write] : outputs) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QLatin1String(name) + u".pdf"_s);
        write(path);
        const QString text = pdfText(path).simplified();
        for (const QString& expected :
             {u"Diferenças"_s, u"Datas alteradas"_s, u"Premissas orçamentárias"_s, u"Histórico"_s, u"MARIA"_s,
              u"Alteração"_s, u"Inclusão"_s, u"Fim: "_s + movedEnd})
            EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();
        EXPECT_LT(text.indexOf(u"Revisão pela diretoria"_s), text.indexOf(u"Diferenças"_s));
        EXPECT_LT(text.indexOf(u"Diferenças"_s), text.indexOf(u"Histórico"_s));
    }
}

TEST_F(TimelineScreenTest, refusedVersions_leaveTheScreenAsItWas) {
    open();
    const QStringList before = laneCodes();
    const int calls = m_server.requestCount();
    const auto refused = [&](const char* box, const QString& text, const QString& message) {
        child<TEdit>(box)->SetText(text);
        zrm::test::DialogAnswerer answers;
        answers.answerNext(QMessageBox::Ok);
        EXPECT_THROW(frmLinhaTempo->GetLinhaTempo(), EAbort) << text.toStdString();
        EXPECT_EQ(answers.texts(), QStringList{message}) << text.toStdString();
        EXPECT_EQ(laneCodes(), before);
        child<TEdit>(box)->SetText(QString());
    };
    refused("edtVersao", u"dois"_s, u"Informe a versão com números (por exemplo, 2)."_s);
    EXPECT_EQ(m_server.requestCount(), calls);  // refused before asking the server
    child<TEdit>("edtVersao")->SetText(u"2"_s);
    refused("edtComparar", u"2"_s, u"Escolha para comparar uma versão diferente da mostrada."_s);
    refused("edtVersao", u"7"_s, u"O ano %1 não tem a versão 7."_s.arg(currentYear()));
}

// Enter and F5 load again what the boxes say: a version typed without loading shows once the key
// is pressed, wherever the focus is in the screen.
TEST_F(TimelineScreenTest, enterAndF5_loadTheVersionTyped) {
    open();
    const struct {
        const char* focus;
        Qt::Key key;
        QString version;
        QString firstLane;
    } cases[] = {
        {"depAno", Qt::Key_Return, u"1"_s, u"0000000001"_s},
        {"edtVersao", Qt::Key_Enter, u"2"_s, u"0000000002"_s},
        {"edtComparar", Qt::Key_Return, u"1"_s, u"0000000001"_s},
        {"lntCalendario", Qt::Key_F5, u"2"_s, u"0000000002"_s},
        {"edtVersao", Qt::Key_F5, u"1"_s, u"0000000001"_s},
    };
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    for (const auto& [focus, key, version, firstLane] : cases) {
        SCOPED_TRACE(focus);
        child<TEdit>("edtVersao")->SetText(version);
        QTest::keyClick(child<QWidget>(focus), key);
        EXPECT_EQ(child<TLinhaTempo>("lntCalendario")->Calendar().version, version);
        EXPECT_EQ(laneCodes().value(0), firstLane);
    }
    EXPECT_EQ(answers.texts(), QStringList());
}

// Another year, typed or stepped, starts from its own latest version: the versions of the year
// before are not carried over, in either box.
TEST_F(TimelineScreenTest, yearChange_loadsThatYearsLatestVersion) {
    open();
    auto* year = child<TSpinEdit>("depAno");
    const struct {
        std::function<void()> change;
        Qt::Key key;
        int year;
        QString version;
        QStringList lanes;
    } cases[] = {
        {[&] {
             year->selectAll();
             QTest::keyClicks(year, QString::number(currentYear() - 1));
         },
         Qt::Key_Return,
         currentYear() - 1,
         u"1"_s,
         {u"0000000002"_s}},
        {[&] {
             child<TEdit>("edtComparar")->SetText(u"1"_s);
             QTest::keyClick(year, Qt::Key_Up);
         },
         Qt::Key_F5,
         currentYear(),
         u"2"_s,
         {u"0000000002"_s, u"0000000003"_s, u"0000000004"_s}},
    };
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    for (const auto& [change, key, expectedYear, version, lanes] : cases) {
        SCOPED_TRACE(expectedYear);
        change();
        QTest::keyClick(year, key);
        EXPECT_EQ(child<TLinhaTempo>("lntCalendario")->Calendar().year, expectedYear);
        EXPECT_EQ(child<TEdit>("edtVersao")->Text(), version);
        EXPECT_EQ(child<TEdit>("edtComparar")->Text(), QString());
        EXPECT_EQ(laneCodes(), lanes);
    }
    EXPECT_EQ(answers.texts(), QStringList());
}

// The screen's year and today's line follow the session's date, not the machine's clock nor the
// server's today.
TEST_F(TimelineScreenTest, sessionDate_givesTheYearAndTodaysLine) {
    const int year = QDate::currentDate().year() + 3;
    const QDate sessionDay(year, 6, 15);
    CalendarData data;
    data.versions = {{year, 1}};
    data.rows = {{year, 1, u"0000000002"_s, u"01-10"_s, u"01-31"_s, QStringList(12, u"S"_s)}};
    data.today = QDate(year, 2, 1);
    m_server.start(data);
    qputenv("ZRM_TODAY", sessionDay.toString(Qt::ISODate).toUtf8());
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    criaLinhaTempo();
    ASSERT_NE(frmLinhaTempo, nullptr);
    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(child<TSpinEdit>("depAno")->Value(), year);
    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), u"1"_s);
    EXPECT_EQ(child<TLinhaTempo>("lntCalendario")->Calendar().today, sessionDay);
}

// Two versions whose only difference is one month of one phase: typing the other version and
// pressing Enter lists that phase, and nothing else, as changed.
TEST_F(TimelineScreenTest, comparison_ofVersionsThatDifferOnlyInAMonth_namesThatPhase) {
    const int year = currentYear();
    QStringList withFebruary(12, u"N"_s);
    withFebruary[1] = u"S"_s;
    CalendarData data;
    data.versions = {{year, 1}, {year, 2}};
    data.rows = {{year, 1, u"0000000002"_s, u"01-10"_s, u"01-31"_s, withFebruary},
                 {year, 2, u"0000000002"_s, u"01-10"_s, u"01-31"_s, QStringList(12, u"N"_s)}};
    data.today = today();
    m_server.start(data);
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    criaLinhaTempo();
    ASSERT_NE(frmLinhaTempo, nullptr);
    auto* other = child<TEdit>("edtComparar");
    other->setFocus();
    QTest::keyClicks(other, u"1"_s);
    QTest::keyClick(other, Qt::Key_Return);

    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(rowsOf(child<TClientDataSet>("cdsDiferencas"), {u"FASE"_s, u"SITUACAO"_s}),
              QStringList{u"0000000002 - Orçamento de vendas | Meses de cálculo alterados"_s});
}

// In a narrow window (tiled beside others) every box and command lies whole within the window, where
// a click reaches it, and the whole legend is in sight.
TEST_F(TimelineScreenTest, narrowWindow_keepsCommandsAndLegendInSight) {
    open();
    for (const QSize& size : {QSize(420, 640), QSize(640, 520)}) {
        SCOPED_TRACE(size.width());
        frmLinhaTempo->resize(size);
        zrm::test::processPendingEvents();
        for (const char* name : {"depAno", "edtVersao", "btnVersao", "edtComparar", "btnComparar",
                                 "sbtMostrar", "sbtExportarPng", "sbtExportarPdf", "sbtImprimir"}) {
            auto* control = child<QWidget>(name);
            const QRect place(control->mapTo(frmLinhaTempo, QPoint(0, 0)), control->size());
            EXPECT_TRUE(frmLinhaTempo->rect().contains(place)) << name;
            QWidget* hit = frmLinhaTempo->childAt(place.center());
            EXPECT_TRUE(hit == control || control->isAncestorOf(hit)) << name;
        }
        auto* view = child<TLinhaTempo>("lntCalendario");
        const TimelineLegend legend(legendLabels(view->Texts()), QFontMetricsF(view->font()),
                                    view->viewport()->width());
        for (int entry = 0; entry < legend.count(); ++entry)
            EXPECT_LE(legend.label(entry).right(), view->viewport()->width()) << entry;
        EXPECT_LE(legend.height(), view->viewport()->height());
    }
    // The export command is reached with the mouse: its save dialog opens.
    zrm::test::DialogAnswerer answers;
    bool saveDialog = false;
    answers.answerNext([&](QWidget* dialog) {
        saveDialog = qobject_cast<QFileDialog*>(dialog) != nullptr;
        static_cast<QDialog*>(dialog)->reject();
    });
    auto* png = child<QWidget>("sbtExportarPng");
    QTest::mouseClick(png, Qt::LeftButton, {}, png->rect().center());
    EXPECT_EQ(answers.pending(), 0);
    EXPECT_TRUE(saveDialog);
}

// At the screen's designed size every column of the differences and the history shows whole.
TEST_F(TimelineScreenTest, detailGrids_showEveryColumnAtTheDesignedSize) {
    open();
    child<TEdit>("edtComparar")->SetText(u"1"_s);
    frmLinhaTempo->GetLinhaTempo();
    auto* pages = child<TPageControl>("pgcDetalhe");
    for (const auto& [name, page] :
         {std::pair{"dbgDiferencas", "tshDiferencas"}, {"dbgHistorico", "tshHistorico"}}) {
        SCOPED_TRACE(name);
        auto* grid = child<TDBGrid>(name);
        pages->SetActivePage(child<TTabSheet>(page));
        zrm::test::processPendingEvents();
        ASSERT_TRUE(grid->isVisible());
        const int columns = grid->model()->columnCount();
        ASSERT_GT(columns, 2);
        for (int column = 0; column < columns; ++column) {
            EXPECT_FALSE(grid->isColumnHidden(column)) << column;
            EXPECT_GE(grid->columnViewportPosition(column), 0) << column;
            EXPECT_LE(grid->columnViewportPosition(column) + grid->columnWidth(column),
                      grid->viewport()->width())
                << column;
        }
    }
}

TEST_F(TimelineScreenTest, pdfExport_holdsTitleAndPhaseNames) {
    open();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"linha.pdf"_s);
    frmLinhaTempo->ExportarPdf(pdf);
    expectTitleAndPhases(pdf);

    const QString png = dir.filePath(u"linha.png"_s);
    frmLinhaTempo->ExportarPng(png);
    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), 1000);
    // The title is written above the timeline, and kept as the picture's title.
    EXPECT_EQ(picture.text(u"Title"_s), u"Linha do tempo do orçamento %1, versão 2"_s.arg(currentYear()));
    int darkInTitle = 0;
    for (int y = 0; y < int(TLinhaTempo::TitleHeight); ++y) {
        for (int x = 0; x < picture.width() / 2; ++x)
            darkInTitle += qGray(picture.pixel(x, y)) < 96 ? 1 : 0;
    }
    EXPECT_GT(darkInTitle, 100);
    EXPECT_EQ(
        picture.pixelColor(QPointF(TLinhaTempo::TitleHeight / 2, TLinhaTempo::TitleHeight + 10).toPoint()),
        TimelineColors::Ordinary);  // the legend's first swatch, below the title
    // Without a comparison the document has the history and no differences.
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(u"Histórico"_s)) << text.toStdString();
    EXPECT_FALSE(text.contains(u"Diferenças"_s)) << text.toStdString();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    const QString nowhere = dir.filePath(u"no/such/folder/linha.pdf"_s);
    EXPECT_THROW(frmLinhaTempo->ExportarPdf(nowhere), EAbort);
    EXPECT_EQ(answers.texts(),
              QStringList{u"Não foi possível gravar o arquivo %1. Verifique a pasta e as permissões e tente "
                          u"novamente."_s.arg(nowhere)});
}

TEST_F(TimelineScreenTest, print_onAPdfPrinter_holdsTitleAndPhases) {
    open();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"impressa.pdf"_s);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageOrientation(QPageLayout::Landscape);
    frmLinhaTempo->Imprimir(printer);
    EXPECT_EQ(printer.docName(), frmLinhaTempo->Titulo());
    expectTitleAndPhases(pdf);
}

TEST_F(TimelineScreenTest, print_opensThePlatformPrintDialogAndCancelPrintsNothing) {
    open();
    zrm::test::DialogAnswerer answers;
    bool printDialog = false;
    answers.answerNext([&](QWidget* dialog) {
        printDialog = qobject_cast<QPrintDialog*>(dialog) != nullptr;
        static_cast<QDialog*>(dialog)->reject();
    });
    child<QAbstractButton>("sbtImprimir")->click();
    EXPECT_EQ(answers.pending(), 0);
    EXPECT_TRUE(printDialog);
}

}  // namespace
