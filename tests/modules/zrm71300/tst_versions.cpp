// The screen "Versões do calendário" (ZRM71302) against the real server: the versions of a year,
// a new version in each of its forms, the description of the latest, deleting the latest, and the
// year's cycle, each driven by keys, clicks and answers to its questions.

#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/speedbutton.h"
#include "library/zul/pagecontrol98.h"
#include "tests/modules/zrm71300/versionsfixture.h"

#include <QApplication>
#include <QTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace zrm71300test {
namespace {

QString year(int offset = 0) {
    return QString::number(currentYear() + offset);
}

// The standard calendar with a branch's conclusion of a phase of the current year's version 2.
CalendarData concludedLatest() {
    CalendarData data = CalendarData::standard();
    data.concluded = {{currentYear(), 2, u"0000000003"_s}};
    return data;
}

}  // namespace

TEST_F(VersionsTest, opening_showsTheSessionYearsVersionsLatestFirst_andOneScreen) {
    open(CalendarData::standard());
    EXPECT_EQ(frmVersoes->windowTitle(), u"Versões do calendário"_s);
    EXPECT_EQ(frmVersoes->depAno->Text(), year());
    EXPECT_EQ(titles(), (QStringList{u"Versão"_s, u"Descrição"_s, u"Criada em"_s, u"Criada por"_s, u"Nome"_s,
                                     u"Fases"_s, u"Mais recente"_s}));
    EXPECT_EQ(rows(), (QStringList{u"2 |  | ADMIN | 3 | S"_s, u"1 |  | ADMIN | 1 | N"_s}));
    EXPECT_EQ(grid()->model()->index(0, NameColumn).data().toString(), u"Administrador"_s);
    EXPECT_TRUE(
        grid()->model()->index(0, CreatedOnColumn).data().toString().startsWith(u"02/01/"_s + year()));
    EXPECT_EQ(answers().texts(), QStringList());

    TfrmVersoes* first = frmVersoes;
    first->SetWindowState(wsMinimized);
    criaVersoes();
    EXPECT_EQ(frmVersoes, first);
    EXPECT_EQ(first->WindowState(), wsNormal);
}

// "Nova versão" asks what the year allows and creates only what the answer chose.
TEST_F(VersionsTest, newVersion_asksWhatTheYearAllows_andShowsTheNewVersion) {
    const struct {
        const char* name;
        CalendarData (*data)();
        int yearOffset;
        std::function<void()> command;
        QMessageBox::StandardButton answer;
        QString question;
        QStringList rowsAfter;
    } cases[] = {
        {"copy of the latest, by the Insert key",
         CalendarData::standard,
         0,
         [this] {
             clickOn(grid()->viewport());
             key(Qt::Key_Insert);
         },
         QMessageBox::Yes,
         u"Criar uma nova versão de %1 como cópia da versão 2 (3 fases)?"_s.arg(year()),
         {u"3 |  | MARIA | 3 | S"_s, u"2 |  | ADMIN | 3 | N"_s, u"1 |  | ADMIN | 1 | N"_s}},
        {"copy declined",
         CalendarData::standard,
         0,
         [] { clickOn(frmVersoes->sbtIncluir); },
         QMessageBox::No,
         u"Criar uma nova versão de %1 como cópia da versão 2 (3 fases)?"_s.arg(year()),
         {u"2 |  | ADMIN | 3 | S"_s, u"1 |  | ADMIN | 1 | N"_s}},
        {"copy of the year before",
         CalendarData::noVersionThisYear,
         0,
         [] { clickOn(frmVersoes->sbtIncluir); },
         QMessageBox::Yes,
         u"O ano %1 não tem versões. Começar a versão 1 como cópia do calendário mais recente de %2 (versão "
         u"1, "
         "1 fase), com as datas movidas um ano adiante?\n\nSim: cópia de %2.  Não: versão 1 vazia."_s.arg(
             year(), year(-1)),
         {u"1 |  | MARIA | 1 | S"_s}},
        {"empty although the year before has one, by the menu",
         CalendarData::noVersionThisYear,
         0,
         [] { frmVersoes->mnuIncluir->trigger(); },
         QMessageBox::No,
         {},
         {u"1 |  | MARIA | 0 | S"_s}},
        {"cancelled",
         CalendarData::noVersionThisYear,
         0,
         [] { clickOn(frmVersoes->sbtIncluir); },
         QMessageBox::Cancel,
         {},
         {}},
        {"empty, nothing to copy",
         CalendarData::standard,
         2,
         [] { clickOn(frmVersoes->sbtIncluir); },
         QMessageBox::Yes,
         u"O ano %1 não tem versões, nem o ano %2 para copiar. Criar a versão 1 de %1 vazia?"_s.arg(year(2),
                                                                                                    year(1)),
         {u"1 |  | MARIA | 0 | S"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.data());
        ASSERT_FALSE(HasFatalFailure());
        chooseYear(currentYear() + c.yearOffset);
        const QStringList before = rows();
        answers().answerNext(c.answer);
        c.command();
        ASSERT_EQ(answers().texts().size(), 1);
        if (!c.question.isEmpty()) {
            EXPECT_EQ(answers().texts().constFirst(), c.question);
        }
        EXPECT_EQ(rows(), c.rowsAfter);
        const bool created = c.rowsAfter.size() > before.size();
        EXPECT_EQ(adminCalls("NovaVersao"), created ? 1 : 0);
        if (created) {
            // The new version is the current row, its description cell selected.
            EXPECT_EQ(versions()->FieldByName(u"IDULTIMA"_s)->AsString(), u"S"_s);
            EXPECT_EQ(grid()->SelectedField()->FieldName(), u"DSVERSAOORCA"_s);
            const QWidget* focus = focused();
            EXPECT_TRUE(focus == grid() || grid()->isAncestorOf(focus));
        }
    }
}

// After the question, the user types the description straight on; only the latest version takes one.
TEST_F(VersionsTest, description_typedStraightOn_isStoredTrimmed_andOnlyForTheLatest) {
    open(CalendarData::standard());
    answers().answerNext(QMessageBox::Yes);
    clickOn(frmVersoes->sbtIncluir);
    type(u"  Revisada em abril  "_s);
    key(Qt::Key_Return);
    EXPECT_EQ(adminCalls("SetDescVersao"), 1);
    key(Qt::Key_F5);
    EXPECT_EQ(rows().value(0), u"3 | Revisada em abril | MARIA | 3 | S"_s);

    const struct {
        const char* name;
        int row;
        Qt::Key key;  // after typing "x" (Qt::Key_unknown: nothing typed)
        QString message;
        bool modifyOn;
    } cases[] = {
        {"typing on an older version", 1, Qt::Key_Return, {}, false},
        {"F2 on an older version", 2, Qt::Key_F2,
         u"Só a descrição da versão mais recente pode ser alterada."_s, false},
        {"typing on the latest, then Esc", 0, Qt::Key_Escape, u"Cancela operação?"_s, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clickCell(c.row, DescriptionColumn);
        EXPECT_EQ(frmVersoes->sbtAlterar->isEnabled(), c.modifyOn);
        EXPECT_EQ(frmVersoes->sbtExcluir->isEnabled(), c.modifyOn);
        m_answers = std::make_unique<zrm::test::DialogAnswerer>();
        answers().answerNext(QMessageBox::Yes);
        if (c.key != Qt::Key_F2)
            type(u"x"_s);
        key(c.key);
        EXPECT_EQ(answers().texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(versions()->State(), TDataSetState::dsBrowse);
        EXPECT_EQ(adminCalls("SetDescVersao"), 1);
    }
    EXPECT_EQ(rows().value(0), u"3 | Revisada em abril | MARIA | 3 | S"_s);
}

// Deleting: only the latest, after a question naming its phases; a refusal of the server changes
// nothing; a deleted number is not handed out again.
TEST_F(VersionsTest, delete_onlyTheLatestAfterNamingItsPhases) {
    const struct {
        const char* name;
        CalendarData (*data)();
        QMessageBox::StandardButton answer;
        QStringList texts;
        QStringList rowsAfter;
    } cases[] = {
        {"answered Yes",
         CalendarData::standard,
         QMessageBox::Yes,
         {u"Excluir a versão 2 de %1 com 3 fases? O número 2 não será usado de novo em %1."_s.arg(year())},
         {u"1 |  | ADMIN | 1 | S"_s}},
        {"answered No",
         CalendarData::standard,
         QMessageBox::No,
         {u"Excluir a versão 2 de %1 com 3 fases? O número 2 não será usado de novo em %1."_s.arg(year())},
         {u"2 |  | ADMIN | 3 | S"_s, u"1 |  | ADMIN | 1 | N"_s}},
        {"a branch concluded one of its phases",
         concludedLatest,
         QMessageBox::Yes,
         {u"Excluir a versão 2 de %1 com 3 fases? O número 2 não será usado de novo em %1."_s.arg(year())},
         {u"2 |  | ADMIN | 3 | S"_s, u"1 |  | ADMIN | 1 | N"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.data());
        ASSERT_FALSE(HasFatalFailure());
        // An older version: the command is off and Ctrl+Delete asks nothing.
        clickOn(grid()->viewport());
        versions()->SetRecNo(2);
        EXPECT_FALSE(frmVersoes->sbtExcluir->isEnabled());
        key(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(answers().texts(), QStringList());

        versions()->First();
        answers().answerNext(c.answer);
        answers().answerNext(QMessageBox::Ok);  // the server's refusal, when it comes
        key(Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_FALSE(answers().texts().isEmpty());
        EXPECT_EQ(answers().texts().constFirst(), c.texts.constFirst());
        EXPECT_EQ(rows(), c.rowsAfter);
        if (c.data == concludedLatest) {
            EXPECT_EQ(answers().texts().size(), 2);  // the server's message, shown
        }
    }

    // Version 2 deleted: the next version is 3.
    open(CalendarData::standard());
    versions()->First();
    answers().answerNext(QMessageBox::Yes);
    clickOn(frmVersoes->sbtExcluir);
    answers().answerNext(QMessageBox::Yes);
    clickOn(frmVersoes->sbtIncluir);
    EXPECT_EQ(rows(), (QStringList{u"3 |  | MARIA | 1 | S"_s, u"1 |  | ADMIN | 1 | N"_s}));
}

// The cycle page: the default cycle, then cycles typed into the boxes and Enter; refused ones are
// refused here, with nothing sent and the boxes as typed.
TEST_F(VersionsTest, cycle_checkedHereAndStoredOnTheServer) {
    open(CalendarData::standard());
    clickTab(1);
    ASSERT_EQ(frmVersoes->pgcPadrao->ActivePage(), frmVersoes->tshCiclo);
    const int y = currentYear();
    EXPECT_EQ(frmVersoes->depMesIni->Value(), 1);
    EXPECT_EQ(frmVersoes->depAnoIni->Value(), y);
    EXPECT_EQ(frmVersoes->depMesFim->Value(), 12);
    EXPECT_EQ(frmVersoes->depAnoFim->Value(), y);
    EXPECT_EQ(frmVersoes->lblCicloSituacao->text(),
              u"Ciclo padrão (janeiro a dezembro), ainda não gravado."_s);
    EXPECT_FALSE(frmVersoes->sbtIncluir->isEnabled());
    EXPECT_FALSE(frmVersoes->sbtConfirmar->isEnabled());

    const struct {
        int startMonth, startYear, endMonth, endYear;
        QString refusal;
    } cases[] = {
        {4, y, 3, y + 1, {}},
        {5, y, 4, y, u"O mês inicial do ciclo deve ser anterior ou igual ao mês final."_s},
        {1, y, 1, y + 2, u"O ciclo abrange 25 meses; o máximo é 24."_s},
        {1, y, 12, y + 1, {}},
    };
    int stored = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1/%2-%3/%4")
                         .arg(c.startMonth)
                         .arg(c.startYear)
                         .arg(c.endMonth)
                         .arg(c.endYear)
                         .toStdString());
        typeInto(frmVersoes->depMesIni, c.startMonth);
        typeInto(frmVersoes->depAnoIni, c.startYear);
        typeInto(frmVersoes->depMesFim, c.endMonth);
        typeInto(frmVersoes->depAnoFim, c.endYear);
        EXPECT_TRUE(frmVersoes->sbtConfirmar->isEnabled());
        if (!c.refusal.isEmpty())
            answers().answerNext(QMessageBox::Ok);
        key(Qt::Key_Return);
        stored += c.refusal.isEmpty() ? 1 : 0;
        EXPECT_EQ(adminCalls("SetCiclo"), stored);
        EXPECT_EQ(answers().texts().mid(answers().texts().size() - (c.refusal.isEmpty() ? 0 : 1)),
                  c.refusal.isEmpty() ? QStringList() : QStringList{c.refusal});
        EXPECT_EQ(frmVersoes->CicloAlterado(), !c.refusal.isEmpty());
        EXPECT_EQ(frmVersoes->depMesIni->Value(), c.startMonth);
        EXPECT_EQ(frmVersoes->depAnoFim->Value(), c.endYear);
        if (c.refusal.isEmpty()) {
            EXPECT_EQ(frmVersoes->lblCicloSituacao->text(), u"Ciclo gravado."_s);
        }
    }
    // What is stored comes back from the server when the year is loaded again.
    key(Qt::Key_F5);
    EXPECT_EQ(frmVersoes->depMesIni->Value(), 1);
    EXPECT_EQ(frmVersoes->depMesFim->Value(), 12);
    EXPECT_EQ(frmVersoes->depAnoFim->Value(), y + 1);

    // A changed cycle is not given up without asking.
    typeInto(frmVersoes->depMesIni, 3);
    answers().answerNext(QMessageBox::No);
    key(Qt::Key_F5);
    EXPECT_EQ(answers().texts().constLast(), u"O ciclo alterado não foi gravado. Descartar a alteração?"_s);
    EXPECT_EQ(frmVersoes->depMesIni->Value(), 3);
    answers().answerNext(QMessageBox::Yes);
    clickOn(frmVersoes->sbtCancelar);
    EXPECT_EQ(frmVersoes->depMesIni->Value(), 1);
    EXPECT_FALSE(frmVersoes->CicloAlterado());

    // Nor when the screen closes.
    typeInto(frmVersoes->depMesIni, 6);
    answers().answerNext(QMessageBox::No);
    clickOn(frmVersoes->sbtSair);
    zrm::test::processPendingEvents();
    ASSERT_NE(frmVersoes, nullptr);
    EXPECT_EQ(answers().texts().constLast(), u"O ciclo alterado não foi gravado. Descartar a alteração?"_s);
    answers().answerNext(QMessageBox::Yes);
    clickOn(frmVersoes->sbtSair);
    EXPECT_TRUE(QTest::qWaitFor([] { return frmVersoes == nullptr; }));
}

}  // namespace zrm71300test
