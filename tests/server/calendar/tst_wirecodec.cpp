// Every method of the calendar module, on both backends, end to end through the wire codec: the
// request written by the client's encoder, the answer written by the server's streaming writer and
// read back by the client's one-pass response reader. A column type, a number or a text the two
// sides disagree on fails here.

#include "framework/remote/jsonrpc_p.h"
#include "server/calendar/calendarmodule.h"
#include "server/rpc/moduleregistry.h"
#include "server/rpc/rpcdispatcher.h"
#include "testdatabase.h"

#include <gtest/gtest.h>

namespace zrm::server {
namespace {

using namespace Qt::StringLiterals;

class WireCodecTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        test::seed(m_testDb->url(), test::calendarFixture());
        m_registry.add(makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10))));
    }

    // The call as the screen makes it, answered by the server and read by the client.
    TRemoteResult call(const QString& method, const QList<RemoteArg>& args) {
        const qint64 id = ++m_lastId;
        const QByteArray request = remote::encodeRequest(id, method, args);
        const std::string body = request.toStdString();
        const RpcReply reply = m_dispatcher.dispatch(m_dispatcher.read("ZRM71300.rdmCalendOrcOp", body),
                                                     CallContext{u"tester"_s});
        return remote::decodeResponse(QByteArray::fromStdString(reply.body), id);
    }

    // The packets of a successful call; fails the test on anything else.
    QList<DataPacket> packets(const QString& method, const QList<RemoteArg>& args, int expected) {
        const TRemoteResult result = call(method, args);
        EXPECT_TRUE(result.ok) << method.toStdString() << ": " << result.message.toStdString();
        EXPECT_TRUE(result.unreadable.isEmpty())
            << method.toStdString() << ": " << result.unreadable.toStdString();
        EXPECT_EQ(result.packets.size(), expected) << method.toStdString();
        return result.packets;
    }

    std::unique_ptr<test::TestDatabase> m_testDb;
    ModuleRegistry m_registry;
    RpcDispatcher m_dispatcher{m_registry};
    qint64 m_lastId = 0;
};

TEST_P(WireCodecTest, everyMethodsAnswerReadsBackOnTheClient) {
    const QList<DataPacket> loaded = packets(u"GetCalendOrcOp"_s, {u"2026"_s, QString()}, 2);
    ASSERT_EQ(loaded.size(), 2);
    const DataPacket& calendar = loaded.at(0);
    EXPECT_EQ(calendar.fields.size(), 20);
    EXPECT_EQ(calendar.fields.at(calendar.fieldIndex(u"CDVERSCALENORCA"_s)).type, FieldType::Float);
    EXPECT_EQ(calendar.fields.at(calendar.fieldIndex(u"DTINIFASEORCA"_s)).type, FieldType::DateTime);
    ASSERT_EQ(calendar.rows.size(), 6);
    EXPECT_EQ(calendar.rows.at(0).at(calendar.fieldIndex(u"CDVERSCALENORCA"_s)).toDouble(), 2.0);
    EXPECT_EQ(calendar.rows.at(0).at(calendar.fieldIndex(u"DTINIFASEORCA"_s)).toDateTime(),
              QDateTime(QDate(2026, 1, 5), QTime(0, 0)));
    EXPECT_EQ(loaded.at(1).rows.value(0).value(0).toDouble(), 2.0);
    // The answer kept in memory reads the same as the one computed.
    const QList<DataPacket> again = packets(u"GetCalendOrcOp"_s, {u"2026"_s, QString()}, 2);
    ASSERT_EQ(again.size(), 2);
    EXPECT_EQ(packet::encode(again.at(0)), packet::encode(calendar));

    EXPECT_EQ(packets(u"GetVersao"_s, {u"2026"_s, QString(), u"T"_s}, 1).value(0).rows.size(), 2);
    EXPECT_EQ(packets(u"GetFaseOrc"_s, {u"T"_s}, 1).value(0).rows.size(), 8);
    const DataPacket cycle = packets(u"ValCiclo"_s, {2026}, 1).value(0);
    EXPECT_EQ(cycle.rows.value(0).value(0).toDateTime(), QDateTime(QDate(2026, 5, 10), QTime(0, 0)));
    EXPECT_EQ(packets(u"GetValDateBloq"_s, {u"0000000003"_s}, 1).value(0).rows.value(0).value(1).toString(),
              u"S"_s);
    EXPECT_EQ(packets(u"GetDateBloq"_s, {2026, u"2"_s, u"0000000004"_s}, 1).value(0).rows.size(), 5);
    EXPECT_EQ(packets(u"BloqDelFase"_s, {u"0000000005"_s, 2026, u"2"_s}, 1).value(0).rows.size(), 2);

    // A save: the client's delta, built from the columns the server declared, is accepted as sent.
    Delta delta;
    delta.fields = calendar.fields;
    Row changed = calendar.rows.at(0);
    const int august = calendar.fieldIndex(u"IDPERMCALCAGO"_s);
    changed[august] = changed.at(august).toString() == u"S"_s ? u"N"_s : u"S"_s;
    delta.changes = {Change{Change::Op::Update, calendar.rows.at(0), changed}};
    const QList<DataPacket> saved = packets(u"SetCalendOrcOp"_s, {delta}, 1);
    const DataPacket reloaded = packets(u"GetCalendOrcOp"_s, {u"2026"_s, QString()}, 2).value(0);
    ASSERT_EQ(reloaded.rows.size(), 6);
    EXPECT_EQ(reloaded.rows.at(0).at(august), changed.at(august));
}

INSTANTIATE_TEST_SUITE_P(Backends, WireCodecTest, ::testing::ValuesIn(test::Backends),
                         [](const testing::TestParamInfo<std::string>& backend) { return backend.param; });

}  // namespace
}  // namespace zrm::server
