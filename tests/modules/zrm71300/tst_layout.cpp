// The screen as its form description makes it: controls, limits, datasets, the connection, the
// check images and the message table.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/remote/netconnection.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/image.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/spinedit.h"
#include "library/zul/messages.h"
#include "tests/modules/zrm71300/screenfixture.h"
#include "tests/support/guitest.h"

#include <QImage>
#include <QTest>

using namespace zrm71300test;

namespace {

struct FieldExpectation {
    const char* name;
    zrm::FieldType type;
    int size;
    const char* label;  // nullptr: the field name
    bool visible;
};

// Each field of dataSet, in declared order, as expected.
void expectFields(const TClientDataSet* dataSet, const QList<FieldExpectation>& expected) {
    ASSERT_EQ(dataSet->FieldCount(), expected.size()) << dataSet->objectName().toStdString();
    for (int i = 0; i < expected.size(); ++i) {
        const TField* field = dataSet->Field(i);
        const FieldExpectation& e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(field->FieldName(), QLatin1String(e.name));
        EXPECT_EQ(field->DataType(), e.type);
        EXPECT_EQ(field->Size(), e.size);
        EXPECT_EQ(field->DisplayLabel(), e.label ? QString::fromUtf8(e.label) : QString::fromLatin1(e.name));
        EXPECT_EQ(field->Visible(), e.visible);
        EXPECT_EQ(field->objectName(), dataSet->objectName() + QLatin1String(e.name));
    }
}

constexpr auto S = zrm::FieldType::String;
constexpr auto F = zrm::FieldType::Float;
constexpr auto D = zrm::FieldType::DateTime;

QList<FieldExpectation> monthFlags() {
    QList<FieldExpectation> flags;
    for (const char* name : {"IDPERMCALCJAN", "IDPERMCALCFEV", "IDPERMCALCMAR", "IDPERMCALCABR",
                             "IDPERMCALCMAI", "IDPERMCALCJUN", "IDPERMCALCJUL", "IDPERMCALCAGO",
                             "IDPERMCALCSET", "IDPERMCALCOUT", "IDPERMCALCNOV", "IDPERMCALCDEZ"})
        flags.append({name, S, 1, nullptr, false});
    return flags;
}

QList<FieldExpectation> phaseRowFields() {
    return QList<FieldExpectation>{
               {"NRANOORCOPERAC", S, 4, "Ano", false},     {"CDVERSCALENORCA", F, 0, nullptr, false},
               {"CDFASEORCOPERAC", S, 10, "Código", true}, {"IDBLOQFASEORCA", S, 1, nullptr, false},
               {"NMFASEORCOPERAC", S, 100, "Fase", true},  {"DTINIFASEORCA", D, 0, "Data Inicio", false},
               {"DTFINFASEORCA", D, 0, "Data Fim", false}, {"IDFASECALCORCA", S, 1, nullptr, false}} +
           monthFlags();
}

QList<FieldExpectation> usesOfPhase() {
    return {{"NRANOORCOPERAC", S, 4, nullptr, true},
            {"CDVERSCALENORCA", F, 0, nullptr, true},
            {"CDFASEORCOPERAC", S, 10, nullptr, true},
            {"NMFASEORCOPERAC", S, 100, nullptr, true},
            {"CDFILIAL", S, 4, nullptr, true}};
}

}  // namespace

TEST_F(ScreenTest, messageTable_holdsEveryTextExactly) {
    openWith(CalendarData::emptyCalendar());
    const QList<std::pair<const char*, const char*>> expected = {
        {"Excl", "Confirma exclusão?"},
        {"GetCalendOrcOp", "Buscando dados no servidor."},
        {"FaseOrc", "Fase do Orçamento."},
        {"SetCalendOrcOp", "Gravando registro."},
        {"CodFaseOrc_Inf", "Código da fase deve ser informado."},
        {"Fase_Cad", "Fase já cadastrada para o ano informado."},
        {"Fase_naoCad", "Fase não cadastrada."},
        {"Ano_inf", "Ano deve ser informado."},
        {"Ano_NaoCad", "Ano não cadastrado."},
        {"1", "Janeiro"},
        {"2", "Fevereiro"},
        {"3", "Março"},
        {"4", "Abril"},
        {"5", "Maio"},
        {"6", "Junho"},
        {"7", "Julho"},
        {"8", "Agosto"},
        {"9", "Setembro"},
        {"10", "Outubro"},
        {"11", "Novembro"},
        {"12", "Dezembro"},
        {"Cancel_Perm", "Cancela operação?"},
        {"dtini_maior", "Data inicial deve ser menor ou igual a data final."},
        {"ConfChecM", "Deseja marcar todos os registros?"},
        {"Marca_ApurM", "Marcando todos os registros..."},
        {"ConfChecD", "Deseja desmarcar todos os registros?"},
        {"Marca_ApurD", "Desmarcando todos os registros..."},
        {"dt_maior_ano", "Período informado pertence ou é superior ao ano do orçamento. Confirma Operação?"},
        {"Cancelar", "Cancela operação?"},
        {"Inf_DtInicio", "Data inicio deve ser informada."},
        {"Inf_DtFim", "Data fim deve ser informada."},
        {"Ver_Cad", "Versão não cadastrada."},
        {"ver_ano_cad", "Não há versão cadastrada para este ano."},
        {"DataBloq", "Periodo de uma fase Bloqueada não pode ser igual ao de outras fases."},
        {"BloqAltFase", "Fase não pode ser alterada enquanto estiver em uso.  "},
        {"BloqDel_Conc", "Não é permitida a exclusão de uma fase concluída;"},
        {"BloqDel_Date", "Não é permitida a exclusão de uma fase anterior à data atual."},
        {"BloqFaseF_Cic", "Não é permitido a incluir uma fase fora do ciclo da versão."},
        {"BloqFase_Conc", "Não se pode alterar uma fase ja concluida."},
        {"BloqDel_DateAT", "Não é permitida a exclusão de uma fase que esteja em andamento."},
        {"ver_Inf", "Versão deve ser informada."}};
    const TMessages* messages = frmCalendOrc->msgPadrao();
    QStringList entries;
    for (const auto& [key, text] : expected) {
        EXPECT_EQ(messages->Msg(QLatin1String(key)), QString::fromUtf8(text)) << key;
        entries.append(QLatin1String(key) + u'|' + QString::fromUtf8(text));
    }
    // All 41, in order, and nothing else; keys differ by case.
    EXPECT_EQ(messages->Entries(), entries);
    EXPECT_FALSE(messages->Contains(QStringLiteral("ver_cad")));
    EXPECT_FALSE(messages->Contains(QStringLiteral("Ver_Inf")));
}

TEST_F(ScreenTest, layout_yearAndVersionPanel) {
    openWith(CalendarData::emptyCalendar());
    EXPECT_EQ(frmCalendOrc->Caption(), QStringLiteral("Calendário para Orçamento"));
    EXPECT_EQ(frmCalendOrc->ClientWidth(), 547);
    EXPECT_EQ(child<TLabel>("lblCodTela")->text(), QStringLiteral("ZRM71300"));

    const auto* panel = child<TPanel>("panAno");
    EXPECT_EQ(panel->height(), 33);
    EXPECT_EQ(panel->Align(), alTop);
    EXPECT_TRUE(child<QWidget>("scbFolhaDados")->isAncestorOf(panel));
    EXPECT_TRUE(child<QWidget>("scbFolhaDados")->isAncestorOf(child<QWidget>("dbgPadrao")));

    auto* year = child<TSpinEdit>("depAno");
    EXPECT_EQ(year->parentWidget(), panel);
    EXPECT_EQ(year->geometry(), QRect(57, 5, 50, 22));
    EXPECT_EQ(year->MinValue(), 1900);
    EXPECT_EQ(year->MaxValue(), 2900);
    EXPECT_EQ(year->MaxLength(), 4);
    const auto* version = child<TEdit>("edtVersao");
    EXPECT_EQ(version->geometry(), QRect(172, 5, 57, 21));
    EXPECT_EQ(version->MaxLength(), 5);
    EXPECT_EQ(child<TLabel>("lblAno")->text(), QStringLiteral("Ano"));
    EXPECT_TRUE(child<TLabel>("lblAno")->font().bold());
    EXPECT_EQ(child<TLabel>("lblVer")->text(), QStringLiteral("Versão"));
    EXPECT_EQ(child<QWidget>("btnVersao")->geometry(), QRect(234, 5, 21, 21));
    EXPECT_EQ(child<QWidget>("btnVersao")->toolTip(), QStringLiteral("Pesquisar"));
}

TEST_F(ScreenTest, layout_pagesGridsAndMenus) {
    openWith(CalendarData::emptyCalendar());
    const auto* pages = child<TPageControl>("pgcPadrao");
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->Pages(0)->objectName(), QStringLiteral("tshPadrao"));
    EXPECT_EQ(pages->Pages(0)->Caption(), QStringLiteral("Fases"));
    EXPECT_EQ(pages->Pages(1)->objectName(), QStringLiteral("tshPermCalc"));
    EXPECT_EQ(pages->Pages(1)->Caption(), QStringLiteral("Permissão para cálculo"));
    EXPECT_EQ(pages->Pages(1)->ImageIndex(), 1);

    const auto* phases = child<TDBGrid>("dbgPadrao");
    EXPECT_EQ(phases->DataSource(), child<TDataSource>("dtsPadrao"));
    EXPECT_EQ(titles(phases), (QStringList{QStringLiteral("Código"), QStringLiteral("Fase"),
                                           QStringLiteral("Data Inicio"), QStringLiteral("Data Fim")}));
    EXPECT_EQ(phases->Columns()->Items(1)->Width(), 211);
    EXPECT_EQ(phases->Options(), dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                                     dgAlwaysShowSelection | dgCancelOnExit);

    const auto* permissions = child<TDBGrid>("dbgPermCalc");
    EXPECT_EQ(permissions->parentWidget(), pages->Pages(1));
    EXPECT_EQ(permissions->DataSource(), child<TDataSource>("dtsPermCalc"));
    EXPECT_EQ(permissions->Options(), dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                                          dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit);

    const TMenuItem* operations = frmCalendOrc->mnuOperacao();
    EXPECT_EQ(child<TMenuItem>("mnuFases")->Caption(), QStringLiteral("&Fases"));
    EXPECT_EQ(child<TMenuItem>("mnuPermCalc")->Caption(), QStringLiteral("&Permissão para calculo"));
    EXPECT_EQ(operations->Items(1), child<TMenuItem>("mnuFases"));
    EXPECT_EQ(operations->Items(2), child<TMenuItem>("mnuPermCalc"));
}

TEST_F(ScreenTest, layout_checkImagesAreSixteenSquareOnOlive) {
    openWith(CalendarData::emptyCalendar());
    const QImage unchecked = child<TImage>("imgUncheck")->Bitmap().toImage();
    const QImage checked = child<TImage>("imgCheck")->Bitmap().toImage();
    EXPECT_FALSE(child<TImage>("imgUncheck")->isVisibleTo(frmCalendOrc));
    EXPECT_EQ(child<TImage>("imgCheck")->parentWidget(), child<QWidget>("panMenu"));
    for (const QImage& image : {unchecked, checked}) {
        ASSERT_EQ(image.size(), QSize(16, 16));
        EXPECT_EQ(image.pixelColor(0, 0), QColor(128, 128, 0));
        EXPECT_EQ(image.pixelColor(15, 15), QColor(128, 128, 0));
        EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::black));       // top and left edges
        EXPECT_EQ(image.pixelColor(14, 7), QColor(192, 192, 192));  // one off the right side
        EXPECT_EQ(image.pixelColor(7, 14), QColor(192, 192, 192));  // one off the bottom
    }
    EXPECT_EQ(unchecked.pixelColor(7, 9), QColor(Qt::white));
    EXPECT_EQ(checked.pixelColor(7, 9), QColor(Qt::black));  // the check mark
    EXPECT_NE(unchecked, checked);
}

TEST_F(ScreenTest, datasets_fieldsInDeclaredOrderWithLabelsAndVisibility) {
    openWith(CalendarData::emptyCalendar());
    auto* calendar = child<TClientDataSet>("cdsCalendOrcOp");
    expectFields(calendar, phaseRowFields());
    expectFields(child<TClientDataSet>("cdsAux"), phaseRowFields());
    EXPECT_EQ(calendar->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->EditMask(),
              QStringLiteral("9999999999;0; "));
    EXPECT_EQ(calendar->IndexName(), QStringLiteral("Ordena"));
    expectFields(child<TClientDataSet>("cdsVdAnoCalendOrcOp"),
                 QList<FieldExpectation>{{"NRANOORCOPERAC", S, 4, "Ano", true},
                                         {"CDFASEORCOPERAC", S, 10, "Código", true},
                                         {"NMFASEORCOPERAC", S, 100, "Fase", true},
                                         {"DTINIFASEORCA", D, 0, "Data Inicio", true},
                                         {"DTFINFASEORCA", D, 0, "Data Fim", true},
                                         {"IDFASECALCORCA", S, 1, nullptr, false}} +
                     monthFlags());
    expectFields(child<TClientDataSet>("cdsFaseOrc"), {{"CDFASEORCOPERAC", S, 10, "Código", true},
                                                       {"NMFASEORCOPERAC", S, 100, "Fase", true},
                                                       {"IDFASECALCORCA", S, 1, nullptr, false},
                                                       {"IDFASEAPROVORCA", S, 1, nullptr, false}});
    expectFields(child<TClientDataSet>("cdsVer"), {{"CDVERSAO", F, 0, nullptr, true}});
    auto* versions = child<TClientDataSet>("cdsVersao");
    expectFields(versions, {{"CDANOVERORCA", S, 4, "Ano", true},
                            {"CDVERSAOORCA", S, 40, "Versão", true},
                            {"DTINCLUSAO", D, 0, nullptr, false},
                            {"CDOPERINCLUSAO", S, 12, nullptr, false},
                            {"NMOPERADOR", S, 40, nullptr, false}});
    EXPECT_EQ(versions->FieldByName(QStringLiteral("CDANOVERORCA"))->DisplayWidth(), 7);
    expectFields(
        child<TClientDataSet>("cdsValCiclo"),
        {{"DATAATU", D, 0, nullptr, true}, {"MESINI", D, 0, nullptr, true}, {"MESFIN", D, 0, nullptr, true}});
    expectFields(child<TClientDataSet>("cdsValBloq"),
                 {{"CDFASEORCOPERAC", S, 10, nullptr, true}, {"IDBLOQFASEORCA", S, 1, nullptr, true}});
    expectFields(child<TClientDataSet>("cdsValBloqDate"), {{"NRANOORCOPERAC", S, 4, nullptr, true},
                                                           {"CDVERSCALENORCA", F, 0, nullptr, true},
                                                           {"CDFASEORCOPERAC", S, 10, nullptr, true},
                                                           {"NMFASEORCOPERAC", S, 100, nullptr, true},
                                                           {"IDFASECALCORCA", S, 1, nullptr, true},
                                                           {"DTINIFASEORCA", D, 0, nullptr, true},
                                                           {"DTFINFASEORCA", D, 0, nullptr, true},
                                                           {"IDBLOQFASEORCA", S, 1, nullptr, true}});
    expectFields(child<TClientDataSet>("cdsBloqAltFase"), usesOfPhase());
    expectFields(child<TClientDataSet>("cdsBloqDelFase"), usesOfPhase());
    expectFields(child<TClientDataSet>("cdsPermCalc"),
                 {{"NMMES", S, 20, "Mês", true}, {"IDPERMES", S, 1, "Permissão", true}});

    EXPECT_EQ(child<TDataSource>("dtsPadrao")->DataSet(), calendar);
    EXPECT_EQ(child<TDataSource>("dtsFaseOrc")->DataSet(), child<TClientDataSet>("cdsFaseOrc"));
    EXPECT_EQ(child<TDataSource>("dtsPermCalc")->DataSet(), child<TClientDataSet>("cdsPermCalc"));
    EXPECT_EQ(child<TDataSource>("dtsVersao")->DataSet(), versions);
}

TEST_F(ScreenTest, connection_namesTheRemoteDataModuleAndReturnsFailures) {
    openWith(CalendarData::emptyCalendar());
    const auto* connection = child<TNetConnection>("netCalendOrcOp");
    EXPECT_EQ(connection->ServerName(), QStringLiteral("ZRM71300.rdmCalendOrcOp"));
    EXPECT_FALSE(connection->ThrowException());
    // Set from the host's settings when it connected.
    EXPECT_EQ(connection->Host(), m_server.process().host());
    EXPECT_EQ(connection->Port(), m_server.process().port());
    EXPECT_TRUE(connection->Connected());
}

TEST_F(ScreenTest, yearAndVersionBoxes_refuseWhatTheLimitsExclude) {
    openWith(CalendarData::emptyCalendar());
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
