// Saving every change at once and the rules that refuse deleting a phase, against the real server.

#include "framework/remote/netconnection.h"
#include "framework/ui/edit.h"
#include "framework/ui/pagecontrol.h"
#include "library/zul/consiste.h"
#include "library/zul/pagecontrol98.h"
#include "library/zul/showavi.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "tests/framework/remote/loopbackserver.h"
#include "tests/modules/zrm71300/phasefixture.h"

#include <QTcpSocket>

#include <atomic>

using namespace zrm71300test;

namespace {

const QList<Phase> ThreePhases = {
    {"0000000002", "01-10", "01-31"}, {"0000000003", "02-01", "02-20"}, {"0000000004", "06-01", "06-30"}};

// Hands each request on to the server at port and its answer back, except the answer to the first
// save: the server has stored that one when the connection to the screen is cut, before the answer
// or in the middle of it.
class AnswerDroppingProxy {
public:
    AnswerDroppingProxy(quint16 serverPort, bool cutMidAnswer)
        : m_proxy([this, serverPort, cutMidAnswer](const LoopbackServer::Request& request) {
            const LoopbackServer::Reply answer = forward(request, serverPort);
            if (request.json().value(QStringLiteral("method")).toString() ==
                    QStringLiteral("SetCalendOrcOp") &&
                !m_dropped.exchange(true))
                return cutMidAnswer
                           ? LoopbackServer::Reply{LoopbackServer::Reply::Action::Answer,
                                                   answer.bytes.left(answer.bytes.size() / 2), true}
                           : LoopbackServer::Reply{LoopbackServer::Reply::Action::CloseUnanswered, {}, false};
            return answer;
        }) {
        m_proxy.start();
    }
    quint16 port() const { return m_proxy.port(); }

private:
    static LoopbackServer::Reply forward(const LoopbackServer::Request& request, quint16 serverPort) {
        QTcpSocket server;
        server.connectToHost(QStringLiteral("127.0.0.1"), serverPort);
        if (!server.waitForConnected(10'000))
            return LoopbackServer::http(502, "no server");
        QByteArray bytes = request.method + ' ' + request.path + " HTTP/1.1\r\n";
        for (auto header = request.headers.begin(); header != request.headers.end(); ++header) {
            if (header.key() != "connection")
                bytes += header.key() + ": " + header.value() + "\r\n";
        }
        server.write(bytes + "Connection: close\r\n\r\n" + request.body);
        QByteArray response;
        while (server.waitForReadyRead(10'000) || server.bytesAvailable() > 0)
            response += server.readAll();
        // The answer goes back on the screen's kept-alive connection, whole.
        const qsizetype headEnd = response.indexOf("\r\n\r\n");
        const int status = response.mid(9, 3).toInt();
        return LoopbackServer::http(status, headEnd < 0 ? QByteArray() : response.mid(headEnd + 4));
    }

    std::atomic<bool> m_dropped{false};
    LoopbackServer m_proxy;
};

}  // namespace

class SaveTest : public PhaseTest {
protected:
    // The grid row showing phase code; -1 when none does.
    int rowOf(const QString& code) const { return int(columnTexts(grid(), CodeColumn).indexOf(code)); }

    // Ctrl+Delete on the row of code, "Confirma exclusão?" answered Yes, then a refusal's box OK.
    void deleteRow(const QString& code, bool refused) {
        clickCell(rowOf(code), CodeColumn);
        answers.answerNext(QMessageBox::Yes);
        if (refused)
            answers.answerNext(QMessageBox::Ok);
        key(Qt::Key_Delete, Qt::ControlModifier);
    }

    // Another user, on a connection of its own, moves the end of phase code to end.
    void changeEndBehindTheScreen(const QString& code, const QDateTime& end) {
        TNetConnection other;
        other.SetServerName(QLatin1String(RdmCalendOrcOp::ServerName));
        other.SetHost(m_server.process().host());
        other.SetPort(m_server.process().port());
        other.SetThrowException(false);
        const TRemoteData packets = Consiste::CheckResultServ(
            RdmCalendOrcOp::GetCalendOrcOp(&other, QString::number(currentYear()), QStringLiteral("1")),
            false, 2);
        TClientDataSet rows;
        rows.SetData(packets[0]);
        ASSERT_TRUE(rows.Locate(QStringLiteral("CDFASEORCOPERAC"), code));
        rows.Edit();
        rows.FieldByName(QStringLiteral("DTFINFASEORCA"))->SetAsDateTime(end);
        rows.Post();
        ASSERT_TRUE(RdmCalendOrcOp::SetCalendOrcOp(&other, rows.GetDelta()).ok);
    }

    // The calendar as the server stores it, loaded again into the screen.
    void reload() { frmCalendOrc->GetCalendOrcOp(QString::number(currentYear()), QStringLiteral("1")); }
};

TEST_F(SaveTest, save_sendsEachChangeOnce_andNothingWhenNothingChanged) {
    open(calendarOf(ThreePhases));
    clickCell(1, EndColumn);
    key(Qt::Key_F2);
    confirm();  // nothing changed: checked, but nothing to send
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(requests("SetCalendOrcOp"), 0);

    key(Qt::Key_F2);
    typeDate(date(21, 2));
    confirm();
    EXPECT_EQ(requests("SetCalendOrcOp"), 1);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    EXPECT_FALSE(Showavi::IsShowing());
    // The second change travels alone: the first one sent again would be refused as stale.
    key(Qt::Key_F2);
    typeDate(date(22, 2));
    confirm();
    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(requests("SetCalendOrcOp"), 2);
    // No reload after a save (start-up, and the focus leaving the year panel for the grid).
    EXPECT_EQ(requests("GetCalendOrcOp"), 2);
    reload();
    EXPECT_EQ(columnTexts(grid(), EndColumn).at(1), date(22, 2));
}

TEST_F(SaveTest, delete_byTheServersToday_refusesEndedAndRunningPhases) {
    // Today is 10 May.
    open(calendarOf({{"0000000001", "05-01", "05-09"},
                     {"0000000002", "05-02", "05-10"},
                     {"0000000003", "05-10", "05-20"},
                     {"0000000004", "05-11", "05-20"}}));
    // No cycle loaded: the deletion fetches it once.
    child<TClientDataSet>("cdsValCiclo")->Close();
    int before = requests();
    deleteRow(QStringLiteral("0000000001"), true);
    EXPECT_EQ(answers.texts().last(),
              QStringLiteral("Não é permitida a exclusão de uma fase anterior à data atual."));
    EXPECT_EQ(methodsSince(before), (QStringList{QStringLiteral("BloqDelFase"), QStringLiteral("ValCiclo")}));

    before = requests();
    deleteRow(QStringLiteral("0000000002"), true);  // the end day itself has ended
    EXPECT_EQ(answers.texts().last(),
              QStringLiteral("Não é permitida a exclusão de uma fase anterior à data atual."));
    deleteRow(QStringLiteral("0000000003"), true);  // the start day is running
    EXPECT_EQ(answers.texts().last(),
              QStringLiteral("Não é permitida a exclusão de uma fase que esteja em andamento."));
    EXPECT_EQ(methodsSince(before), QStringList(2, QStringLiteral("BloqDelFase")));
    EXPECT_EQ(calendar()->RecordCount(), 4);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);

    // Starting tomorrow: deleted through the toolbar's delete command, and saved.
    clickCell(rowOf(QStringLiteral("0000000004")), CodeColumn);
    answers.answerNext(QMessageBox::Yes);
    QTest::mouseClick(frmCalendOrc->sbtExcluir, Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0);
    EXPECT_EQ(answers.texts().size(), 7);
    EXPECT_EQ(rowOf(QStringLiteral("0000000004")), -1);
    EXPECT_EQ(methodsSince(before).mid(2),
              (QStringList{QStringLiteral("BloqDelFase"), QStringLiteral("SetCalendOrcOp")}));
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    reload();
    EXPECT_EQ(calendar()->RecordCount(), 3);
    EXPECT_EQ(rowOf(QStringLiteral("0000000004")), -1);
}

TEST_F(SaveTest, delete_concludedPhaseInTheFuture_isRefusedBeforeAnyDate) {
    CalendarData data = calendarOf(ThreePhases);
    data.concluded = {{currentYear(), 1, QStringLiteral("0000000004")}};
    open(data);
    const int before = requests();
    deleteRow(QStringLiteral("0000000004"), true);
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Não é permitida a exclusão de uma fase concluída;"));
    EXPECT_EQ(methodsSince(before), QStringList{QStringLiteral("BloqDelFase")});
    EXPECT_NE(rowOf(QStringLiteral("0000000004")), -1);
    EXPECT_EQ(calendar()->RecordCount(), 3);
}

TEST_F(SaveTest, delete_whileEditing_refusedDropsTheEdit_anInvalidDateStopsBeforeAnything) {
    open(calendarOf(ThreePhases));
    clickCell(1, EndColumn);  // 0000000003, ended on 20 February
    key(Qt::Key_F2);
    typeDate(QStringLiteral("31/02/2026"));
    int before = requests();
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(calendar()->Delete(), EAbort);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("'31/02/2026' não é uma data válida.")});
    EXPECT_EQ(requests(), before);
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(cellText(1, EndColumn), QStringLiteral("31/02/2026"));

    typeDate(date(25, 2));
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(calendar()->Delete(), EAbort);
    EXPECT_EQ(answers.texts().last(),
              QStringLiteral("Não é permitida a exclusão de uma fase anterior à data atual."));
    // The edit is gone: the row shows what is stored, and stays.
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(cellText(1, EndColumn), date(20, 2));
    EXPECT_EQ(calendar()->RecordCount(), 3);
    EXPECT_EQ(requests("SetCalendOrcOp"), 0);
}

TEST_F(SaveTest, save_failingForAnUnreachableServer_keepsTheChangeForTheNextSave) {
    open(calendarOf(ThreePhases));
    m_server.process().stop();
    // A month flag changed on the permission page: posted without checks, the save fails.
    frmCalendOrc->pgcPadrao->SetActivePage(child<TTabSheet>("tshPermCalc"));
    calendar()->First();
    calendar()->Edit();
    field("IDPERMCALCMAR")->SetAsString(QStringLiteral("S"));
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(calendar()->Post(), EAbort);
    ASSERT_EQ(answers.texts().size(), 1);
    EXPECT_TRUE(answers.texts().first().startsWith(QStringLiteral("O servidor de aplicação não respondeu.")));
    EXPECT_EQ(calendar()->GetChangeCount(), 1);
    EXPECT_EQ(field("IDPERMCALCMAR")->AsString(), QStringLiteral("S"));
    EXPECT_FALSE(Showavi::IsShowing());

    // The server is back; the next change carries both.
    QString error;
    ASSERT_TRUE(m_server.process().restart(&error)) << error.toStdString();
    // It came back on another port: the screen's connection connects anew to learn it.
    qputenv("ZRM_APPSERVER_PORT", QByteArray::number(m_server.process().port()));
    child<TNetConnection>("netCalendOrcOp")->SetConnected(false);
    frmCalendOrc->pgcPadrao->SetActivePage(frmCalendOrc->tshPadrao);
    clickCell(1, EndColumn);
    key(Qt::Key_F2);
    typeDate(date(21, 2));
    confirm();
    EXPECT_EQ(answers.texts().size(), 1);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);

    reload();
    calendar()->First();
    EXPECT_EQ(field("IDPERMCALCMAR")->AsString(), QStringLiteral("S"));
    EXPECT_EQ(columnTexts(grid(), EndColumn).at(1), date(21, 2));
}

// A save whose answer is lost after the server stored it, sent again under the same id: by the
// connection itself when its kept-alive connection broke before any byte of the answer, or by the
// user's next save after the failure was reported when the answer broke off in the middle. Either
// way it is stored once, with no conflict.
struct LostAnswerCase {
    const char* name;
    bool cutMidAnswer;
};

class LostAnswerTest : public SaveTest, public ::testing::WithParamInterface<LostAnswerCase> {};

TEST_P(LostAnswerTest, save_whoseAnswerWasLost_isStoredOnceWhenSentAgain) {
    open(calendarOf(ThreePhases));
    const bool reported = GetParam().cutMidAnswer;
    AnswerDroppingProxy proxy(m_server.process().port(), reported);
    qputenv("ZRM_APPSERVER_PORT", QByteArray::number(proxy.port()));
    child<TNetConnection>("netCalendOrcOp")->SetConnected(false);
    reload();  // the save goes on a connection that has carried an answer
    const int savesBefore = requests("SetCalendOrcOp");

    clickCell(1, EndColumn);
    key(Qt::Key_F2);
    typeDate(date(21, 2));
    // One answer more than the boxes expected: a save taken for another user's change fails the
    // test instead of waiting on its box.
    answers.answerNext(QMessageBox::Ok);
    if (reported)
        answers.answerNext(QMessageBox::Ok);
    confirm();
    if (reported) {
        ASSERT_EQ(answers.texts().size(), 1);
        EXPECT_TRUE(answers.texts().first().contains(QStringLiteral("foi interrompida antes da resposta")))
            << answers.texts().first().toStdString();
        EXPECT_EQ(calendar()->GetChangeCount(), 1);
        // Entering the year panel from the grid saves what a failed save left.
        ASSERT_TRUE(zrm::test::reactivate(frmCalendOrc));
        clickCell(1, CodeColumn);
        QTest::mouseClick(child<TEdit>("edtVersao"), Qt::LeftButton, {}, QPoint(4, 4));
        ASSERT_EQ(requests("SetCalendOrcOp"), savesBefore + 2);
        clickCell(1, CodeColumn);
    }
    EXPECT_EQ(answers.texts().size(), reported ? 1 : 0);
    EXPECT_EQ(requests("SetCalendOrcOp"), savesBefore + 2);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);

    reload();
    EXPECT_EQ(columnTexts(grid(), EndColumn).at(1), date(21, 2));
    TNetConnection direct;
    direct.SetServerName(QLatin1String(RdmCalendOrcOp::ServerName));
    direct.SetHost(m_server.process().host());
    direct.SetPort(m_server.process().port());
    const TRemoteData history = Consiste::CheckResultServ(
        RdmCalendOrcOp::GetHistCalendOrc(&direct, QString::number(currentYear()), QStringLiteral("1"), 100),
        false, 1);
    TClientDataSet changes;
    changes.SetData(history[0]);
    EXPECT_EQ(changes.RecordCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Connections, LostAnswerTest,
                         ::testing::Values(LostAnswerCase{"cutBeforeTheAnswer_resentByTheConnection", false},
                                           LostAnswerCase{"cutMidAnswer_resentByTheNextSave", true}),
                         [](const ::testing::TestParamInfo<LostAnswerCase>& c) {
                             return std::string(c.param.name);
                         });

TEST_F(SaveTest, save_refusedForGood_dropsTheChangeAndShowsWhatIsStored) {
    open(calendarOf(ThreePhases));
    // Another user moves the end of 0000000003 to 18 February behind the screen's back.
    changeEndBehindTheScreen(QStringLiteral("0000000003"), midnight(18, 2));
    clickCell(1, EndColumn);
    key(Qt::Key_F2);
    typeDate(date(25, 2));
    answers.answerNext(QMessageBox::Ok);
    confirm();

    ASSERT_EQ(answers.texts().size(), 1);
    EXPECT_TRUE(answers.texts().first().contains(QStringLiteral("0000000003")))
        << answers.texts().first().toStdString();
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(cellText(1, EndColumn), date(18, 2));
    EXPECT_EQ(field("CDFASEORCOPERAC")->AsString(), QStringLiteral("0000000003"));
    EXPECT_EQ(requests("GetCalendOrcOp"), 4);  // start-up, leaving the year panel, the other user, the reload

    // Nothing refused travels with the next save.
    clickCell(0, EndColumn);
    key(Qt::Key_F2);
    typeDate(date(30, 1));
    confirm();
    EXPECT_EQ(answers.texts().size(), 1);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    EXPECT_EQ(requests("SetCalendOrcOp"), 3);
}

TEST_F(SaveTest, delete_refusedForGoodByTheServer_bringsThePhaseBackWithTheCursorOnIt) {
    open(calendarOf(ThreePhases));
    changeEndBehindTheScreen(QStringLiteral("0000000004"), midnight(28, 6));
    const int before = requests();
    deleteRow(QStringLiteral("0000000004"), true);  // the deletion's own rules pass; the server refuses

    const QStringList called = methodsSince(before);
    ASSERT_GE(called.size(), 3);
    EXPECT_EQ(called.first(), QStringLiteral("BloqDelFase"));
    EXPECT_EQ(called.mid(called.size() - 2),
              (QStringList{QStringLiteral("SetCalendOrcOp"), QStringLiteral("GetCalendOrcOp")}));
    EXPECT_TRUE(answers.texts().last().contains(QStringLiteral("0000000004")));
    EXPECT_EQ(calendar()->RecordCount(), 3);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    EXPECT_EQ(field("CDFASEORCOPERAC")->AsString(), QStringLiteral("0000000004"));
    EXPECT_EQ(field("DTFINFASEORCA")->AsDateTime(), midnight(28, 6));
}
