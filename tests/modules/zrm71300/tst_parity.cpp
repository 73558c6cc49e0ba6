// The screen's datasets against what the real server answers: every packet a method returns has
// exactly the columns (names, types, sizes, order) of the dataset the screen loads it into, so a
// change on either side that the other does not follow fails here rather than in front of a user.
// Then the few layout facts a user would notice, on the live screen: captions, titles, limits of
// what can be typed, and where the Tab key goes.

#include "framework/data/clientdataset.h"
#include "framework/remote/netconnection.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "tests/modules/zrm71300/screenfixture.h"
#include "tests/support/guitest.h"

#include <QTest>

using namespace zrm71300test;

namespace {

QString describe(const QList<zrm::FieldDef>& fields) {
    QStringList parts;
    for (const zrm::FieldDef& field : fields)
        parts.append(QStringLiteral("%1:%2:%3").arg(field.name).arg(int(field.type)).arg(field.size));
    return parts.join(QLatin1Char(' '));
}

class ParityTest : public ScreenTest {
protected:
    void SetUp() override { openWith(CalendarData::standard()); }

    TNetConnection* connection() const { return child<TNetConnection>("netCalendOrcOp"); }

    // The packet number index of a method's answer (Consiste refuses failures without a box).
    static zrm::DataPacket answer(const TRemoteResult& result, int index = 0) {
        const TRemoteData data = Consiste::CheckResultServ(result, false, index + 1);
        return data[index];
    }

    // The dataset takes the packet whole: the same columns in the same order.
    void expectSameColumns(const char* dataSet, const zrm::DataPacket& packet) const {
        EXPECT_EQ(describe(child<TClientDataSet>(dataSet)->FieldDefs()), describe(packet.fields)) << dataSet;
    }
};

TEST_F(ParityTest, everyMethodsPacketHasTheColumnsOfTheDataSetItIsLoadedInto) {
    const QString year = QString::number(currentYear());
    const zrm::DataPacket calendar = answer(RdmCalendOrcOp::GetCalendOrcOp(connection(), year, QString()));
    expectSameColumns("cdsCalendOrcOp", calendar);
    expectSameColumns("cdsAux", calendar);
    expectSameColumns("cdsVer", answer(RdmCalendOrcOp::GetCalendOrcOp(connection(), year, QString()), 1));
    expectSameColumns("cdsVersao",
                      answer(RdmCalendOrcOp::GetVersao(connection(), year, QString(), QStringLiteral("T"))));
    expectSameColumns("cdsFaseOrc", answer(RdmCalendOrcOp::GetFaseOrc(connection(), QStringLiteral("T"))));
    expectSameColumns("cdsValCiclo", answer(RdmCalendOrcOp::ValCiclo(connection(), currentYear())));
    expectSameColumns("cdsValBloq",
                      answer(RdmCalendOrcOp::GetValDateBloq(connection(), QStringLiteral("0000000002"))));
    expectSameColumns("cdsValBloqDate",
                      answer(RdmCalendOrcOp::GetDateBloq(connection(), currentYear(), QStringLiteral("2"),
                                                         QStringLiteral("0000000002"))));
    const zrm::DataPacket uses = answer(RdmCalendOrcOp::BloqDelFase(
        connection(), QStringLiteral("0000000002"), currentYear(), QStringLiteral("2")));
    expectSameColumns("cdsBloqAltFase", uses);
    expectSameColumns("cdsBloqDelFase", uses);

    // The year's list takes some of the calendar's columns, by name: each as the calendar has it.
    const TClientDataSet* yearList = child<TClientDataSet>("cdsVdAnoCalendOrcOp");
    for (const zrm::FieldDef& field : yearList->FieldDefs()) {
        const int column = calendar.fieldIndex(field.name);
        ASSERT_GE(column, 0) << field.name.toStdString();
        EXPECT_EQ(describe({field}), describe({calendar.fields.at(column)}));
    }
}

TEST_F(ParityTest, connection_namesTheRemoteDataModuleAndTakesTheHostsSettings) {
    const TNetConnection* link = connection();
    EXPECT_EQ(link->ServerName(), QStringLiteral("ZRM71300.rdmCalendOrcOp"));
    EXPECT_FALSE(link->ThrowException());
    EXPECT_EQ(link->Host(), m_server.process().host());
    EXPECT_EQ(link->Port(), m_server.process().port());
    EXPECT_TRUE(link->Connected());
}

TEST_F(ParityTest, captionsAndTitlesTheUserReads) {
    EXPECT_EQ(frmCalendOrc->Caption(), QStringLiteral("Calendário para Orçamento"));
    const auto* pages = child<TPageControl>("pgcPadrao");
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->Pages(0)->Caption(), QStringLiteral("Fases"));
    EXPECT_EQ(pages->Pages(1)->Caption(), QStringLiteral("Permissão para cálculo"));
    EXPECT_EQ(titles(child<TDBGrid>("dbgPadrao")),
              (QStringList{QStringLiteral("Código"), QStringLiteral("Fase"), QStringLiteral("Data Inicio"),
                           QStringLiteral("Data Fim")}));
    EXPECT_EQ(titles(child<TDBGrid>("dbgPermCalc")),
              (QStringList{QStringLiteral("Mês"), QStringLiteral("Permissão")}));
}

TEST_F(ParityTest, yearAndVersionBoxes_refuseWhatTheLimitsExclude) {
    ASSERT_TRUE(zrm::test::showActive(frmCalendOrc->window()));
    auto* year = child<TSpinEdit>("depAno");
    year->SetText(QString());
    QTest::keyClicks(year, QStringLiteral("29001"));
    EXPECT_EQ(year->Text(), QStringLiteral("2900"));  // a fifth character is refused
    year->SetText(QString());
    QTest::keyClicks(year, QStringLiteral("2901"));
    EXPECT_EQ(year->Text(), QStringLiteral("290"));  // above the maximum is refused

    auto* version = child<TEdit>("edtVersao");
    version->SetText(QString());
    QTest::keyClicks(version, QStringLiteral("1234567"));
    EXPECT_EQ(version->Text(), QStringLiteral("12345"));
}

TEST_F(ParityTest, tabGoesFromThePhasesToTheYearAndOnToTheVersion) {
    ASSERT_TRUE(zrm::test::showActive(frmCalendOrc->window()));
    // The widgets Tab stops at, in order, from the phase grid on.
    auto* grid = child<TDBGrid>("dbgPadrao");
    QList<QWidget*> stops;
    for (QWidget* widget = grid; stops.size() < 3; widget = widget->nextInFocusChain()) {
        if (widget == grid && !stops.isEmpty())
            break;
        // A widget that hands its focus on (a spin box's editor) is no stop of its own.
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() && widget->isVisible() &&
            widget->isEnabled() && frmCalendOrc->isAncestorOf(widget))
            stops.append(widget);
    }
    QStringList names;
    for (const QWidget* stop : std::as_const(stops))
        names.append(stop->objectName());
    EXPECT_EQ(names, (QStringList{QStringLiteral("dbgPadrao"), QStringLiteral("depAno"),
                                  QStringLiteral("edtVersao")}));
}

}  // namespace
