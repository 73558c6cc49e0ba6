#include "framework/packet/packet.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace zrm;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

QByteArray b(const char* text) {
    return QByteArray(text);
}

QDateTime at(int y, int m, int d, int h = 0, int mi = 0, int sec = 0, int ms = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, mi, sec, ms));
}

// Exact comparison: same type and, for numbers, the same bits; QVariant's own equality converts.
void expectSameValue(const Value& expected, const Value& actual, const QString& where) {
    SCOPED_TRACE(where.toStdString());
    ASSERT_EQ(expected.isValid(), actual.isValid());
    if (!expected.isValid())
        return;
    ASSERT_EQ(expected.typeId(), actual.typeId()) << actual.typeName();
    switch (expected.typeId()) {
        case QMetaType::Double: {
            const double e = expected.toDouble();
            const double a = actual.toDouble();
            EXPECT_EQ(std::memcmp(&e, &a, sizeof e), 0) << e << " " << a;
            break;
        }
        case QMetaType::QDateTime:
            EXPECT_EQ(expected.toDateTime(), actual.toDateTime());
            EXPECT_EQ(expected.toDateTime().time().msec(), actual.toDateTime().time().msec());
            break;
        default:
            EXPECT_EQ(expected, actual);
    }
}

void expectSameRows(const QList<Row>& expected, const QList<Row>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (int r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(expected[r].size(), actual[r].size());
        for (int c = 0; c < expected[r].size(); ++c)
            expectSameValue(expected[r][c], actual[r][c], QStringLiteral("linha %1 coluna %2").arg(r).arg(c));
    }
}

QList<FieldDef> sampleFields() {
    return {{s("CDFASEORCOPERAC"), FieldType::String, 10},
            {s("CDVERSCALENORCA"), FieldType::Float, 0},
            {s("NRQTD"), FieldType::Integer, 0},
            {s("DTINIFASEORCA"), FieldType::DateTime, 0}};
}

DataPacket samplePacket() {
    DataPacket packet;
    packet.fields = sampleFields();
    packet.rows = {
        {s("0000000004"), 2.0, qint64(7), at(2026, 3, 10)},
        {s("çãé\"\\/\n"), 0.1, qint64(-1), at(2026, 12, 31, 23, 59, 58, 7)},
        // A character outside the basic plane counts once against the size.
        {s("😀😀😀😀😀😀😀😀😀😀"), 1e300, std::numeric_limits<qint64>::max(), at(1, 1, 1)},
        {s(""), 5e-324, std::numeric_limits<qint64>::min(), at(9999, 12, 31, 23, 59, 59, 999)},
        {Value(), -2.5, qint64(9007199254740993LL), Value()},
        {Value(), Value(), Value(), Value()},
    };
    return packet;
}

std::string decodeError(const QByteArray& json) {
    try {
        packet::decodePacket(json);
    } catch (const PacketError& error) {
        return error.what();
    }
    return "decoded without error";
}

std::string decodeDeltaError(const QByteArray& json) {
    try {
        packet::decodeDelta(json);
    } catch (const PacketError& error) {
        return error.what();
    }
    return "decoded without error";
}

}  // namespace

TEST(Packet, roundTrip_ofEveryTypeAndNull_isExact) {
    const DataPacket original = samplePacket();
    const DataPacket decoded = packet::decodePacket(packet::encode(original));
    EXPECT_EQ(original.fields, decoded.fields);
    expectSameRows(original.rows, decoded.rows);
}

TEST(Packet, roundTrip_ofNegativeZero_givesZero) {
    DataPacket original;
    original.fields = {{s("VL"), FieldType::Float, 0}};
    original.rows = {{-0.0}};
    const DataPacket decoded = packet::decodePacket(packet::encode(original));
    expectSameRows({{0.0}}, decoded.rows);
}

TEST(Packet, roundTrip_ofEmptyPacket_keepsFieldsAndNoRows) {
    DataPacket original;
    original.fields = sampleFields();
    const DataPacket decoded = packet::decodePacket(packet::encode(original));
    EXPECT_EQ(original.fields, decoded.fields);
    EXPECT_TRUE(decoded.rows.isEmpty());
    EXPECT_EQ(packet::encode(DataPacket()), b(R"({"fields":[],"rows":[]})"));
}

TEST(Packet, encode_writesTheWireShape) {
    DataPacket packet;
    packet.fields = {
        {s("CD"), FieldType::String, 10}, {s("VL"), FieldType::Float, 0}, {s("DT"), FieldType::DateTime, 0}};
    packet.rows = {{s("0004"), 2.0, at(2026, 3, 10)}, {Value(), 2.5, at(2026, 3, 10, 8, 30, 0, 120)}};
    EXPECT_EQ(packet::encode(packet),
              b(R"({"fields":[{"name":"CD","type":"string","size":10},{"name":"VL","type":"float"},)"
                R"({"name":"DT","type":"datetime"}],"rows":[["0004",2,"2026-03-10T00:00:00"],)"
                R"([null,2.5,"2026-03-10T08:30:00.120"]]})"));
}

TEST(Packet, fieldIndex_ignoresCase) {
    const DataPacket packet = samplePacket();
    EXPECT_EQ(packet.fieldIndex(s("dtiniFASEORCA")), 3);
    EXPECT_EQ(packet.fieldIndex(s("NADA")), -1);
}

TEST(Packet, deltaRoundTrip_keepsOpsAndRowsInOrder) {
    Delta delta;
    delta.fields = sampleFields();
    const DataPacket rows = samplePacket();
    delta.changes = {{Change::Op::Update, rows.rows[0], rows.rows[1]},
                     {Change::Op::Insert, {}, rows.rows[2]},
                     {Change::Op::Delete, rows.rows[4], {}}};
    const Delta decoded = packet::decodeDelta(packet::encode(delta));
    EXPECT_EQ(delta.fields, decoded.fields);
    ASSERT_EQ(decoded.changes.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(delta.changes[i].op, decoded.changes[i].op);
        expectSameRows({delta.changes[i].oldRow}, {decoded.changes[i].oldRow});
        expectSameRows({delta.changes[i].newRow}, {decoded.changes[i].newRow});
    }
}

TEST(Packet, encode_withValueOfWrongTypeOrWidth_isRefused) {
    DataPacket packet;
    packet.fields = sampleFields();
    packet.rows = {{s("1"), s("não é número"), qint64(1), Value()}};
    EXPECT_THROW(packet::encode(packet), PacketError);
    packet.rows = {{s("1"), std::nan(""), qint64(1), Value()}};
    EXPECT_THROW(packet::encode(packet), PacketError);
    packet.rows = {{s("1"), 1.0, qint64(1)}};
    EXPECT_THROW(packet::encode(packet), PacketError);
    packet.rows = {{s("1"), 1.0, qint64(1), s("2026-01-01T00:00:00")}};
    EXPECT_THROW(packet::encode(packet), PacketError);
}

TEST(Packet, decode_malformedInput_isRefusedWithMessageNamingThePlace) {
    const QByteArray fields =
        R"("fields":[{"name":"CD","type":"string","size":3},{"name":"VL","type":"float"},)"
        R"({"name":"NR","type":"integer"},{"name":"DT","type":"datetime"}])";
    auto withRows = [&](const char* rows) { return "{" + fields + R"(,"rows":)" + QByteArray(rows) + "}"; };
    struct Case {
        QByteArray json;
        const char* expected;
    };
    const Case cases[] = {
        {b(""), "JSON malformado"},
        {b("{\"fields\":[],\"rows\":[]"), "JSON malformado"},
        {b("[]"), "era esperado um objeto JSON"},
        {b(R"({"rows":[]})"), "falta o membro \"fields\""},
        {b(R"({"fields":[]})"), "falta o membro \"rows\""},
        {b(R"({"fields":{},"rows":[]})"), "\"fields\" deveria ser uma lista"},
        {b(R"({"fields":[],"rows":{}})"), "\"rows\" deveria ser uma lista"},
        {b(R"({"fields":[1],"rows":[]})"), "campo 1: era esperado um objeto JSON"},
        {b(R"({"fields":[{"name":"","type":"float"}],"rows":[]})"), "campo 1: o nome do campo"},
        {b(R"({"fields":[{"name":7,"type":"float"}],"rows":[]})"), "campo 1: o nome do campo"},
        {b(R"({"fields":[{"name":"A","type":"bool"}],"rows":[]})"), "tipo 'bool' desconhecido"},
        {b(R"({"fields":[{"name":"A"}],"rows":[]})"), "tipo ausente desconhecido"},
        {b(R"({"fields":[{"name":"A","type":"string"}],"rows":[]})"), "campo A: um campo de texto precisa"},
        {b(R"({"fields":[{"name":"A","type":"string","size":"3"}],"rows":[]})"),
         "campo A: um campo de texto"},
        {b(R"({"fields":[{"name":"A","type":"string","size":0}],"rows":[]})"), "campo A: um campo de texto"},
        {b(R"({"fields":[{"name":"A","type":"string","size":2.5}],"rows":[]})"),
         "campo A: um campo de texto"},
        {b(R"({"fields":[{"name":"A","type":"string","size":1e12}],"rows":[]})"),
         "campo A: um campo de texto"},
        {b(R"({"fields":[{"name":"A","type":"float"},{"name":"a","type":"float"}],"rows":[]})"),
         "campo a: nome repetido"},
        {withRows(R"([{}])"), "linha 1: a linha deveria ser uma lista"},
        {withRows(R"([["a",1,1]])"), "linha 1: a linha tem 3 valores, mas há 4 colunas"},
        {withRows(R"([["a",1,1,null,null]])"), "a linha tem 5 valores"},
        {withRows(R"([["a",1,1,null],[1,1,1,null]])"), "linha 2, coluna CD: era esperado um texto"},
        {withRows(R"([["abcd",1,1,null]])"), "linha 1, coluna CD: o texto 'abcd' passa de 3 caracteres"},
        {withRows(R"([["a","1",1,null]])"), "coluna VL: era esperado um número"},
        {withRows(R"([["a",true,1,null]])"), "coluna VL: era esperado um número"},
        {withRows(R"([["a",1,1.5,null]])"), "coluna NR: era esperado um número inteiro"},
        {withRows(R"([["a",1,1e30,null]])"), "coluna NR: era esperado um número inteiro"},
        {withRows(R"([["a",1,"1",null]])"), "coluna NR: era esperado um número inteiro"},
        {withRows(R"([["a",1e999,1,null]])"), "JSON malformado"},
        {withRows(R"([["a",1,1,20260310]])"), "coluna DT: era esperada uma data-hora em texto"},
        {withRows(R"([["a",1,1,"2026-02-29T00:00:00"]])"),
         "'2026-02-29T00:00:00' não é uma data-hora válida"},
        {withRows(R"([["a",1,1,"2026-03-10"]])"), "coluna DT: '2026-03-10' não é uma data-hora válida"},
        {withRows(R"([["a",1,1,"2026-03-10T24:00:00"]])"), "não é uma data-hora válida"},
        {withRows(R"([["a",1,1,"2026-03-10T10:00:00Z"]])"), "não é uma data-hora válida"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json.toStdString());
        EXPECT_NE(decodeError(c.json).find(c.expected), std::string::npos) << decodeError(c.json);
        EXPECT_EQ(decodeError(c.json).rfind("Pacote de dados inválido: ", 0), 0u);
    }
}

TEST(Packet, decode_deeplyNestedInput_isRefused) {
    const QByteArray deep =
        R"({"fields":[],"rows":)" + QByteArray(100000, '[') + QByteArray(100000, ']') + "}";
    EXPECT_NE(decodeError(deep).find("JSON malformado"), std::string::npos);
    const QByteArray deepRow = R"({"fields":[{"name":"A","type":"float"}],"rows":[)" + QByteArray(500, '[') +
                               QByteArray(500, ']') + "]}";
    EXPECT_NE(decodeError(deepRow).find("era esperado um número"), std::string::npos);
}

TEST(Packet, decodeDelta_malformedChanges_areRefused) {
    const QByteArray fields = R"("fields":[{"name":"CD","type":"string","size":2}])";
    auto withChanges = [&](const char* changes) {
        return "{" + fields + R"(,"changes":)" + QByteArray(changes) + "}";
    };
    struct Case {
        QByteArray json;
        const char* expected;
    };
    const Case cases[] = {
        {b(R"({"fields":[],"rows":[]})"), "falta o membro \"changes\""},
        {withChanges(R"([1])"), "alteração 1: era esperado um objeto JSON"},
        {withChanges(R"([{"op":"upsert","new":["a"]}])"), "alteração 1: operação desconhecida"},
        {withChanges(R"([{"new":["a"]}])"), "operação desconhecida"},
        {withChanges(R"([{"op":"insert"}])"), "uma alteração insert leva só \"new\""},
        {withChanges(R"([{"op":"insert","new":["a"],"old":["a"]}])"), "insert leva só \"new\""},
        {withChanges(R"([{"op":"update","new":["a"]}])"), "update leva \"old\" e \"new\""},
        {withChanges(R"([{"op":"delete","new":["a"]}])"), "delete leva só \"old\""},
        {withChanges(R"([{"op":"insert","new":["a"]},{"op":"update","old":["a"],"new":["abc"]}])"),
         "alteração 2 (new), coluna CD: o texto 'abc' passa de 2 caracteres"},
        {withChanges(R"([{"op":"delete","old":[]}])"), "alteração 1 (old): a linha tem 0 valores"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json.toStdString());
        const std::string error = decodeDeltaError(c.json);
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.rfind("Delta inválido: ", 0), 0u) << error;
    }
}

TEST(Packet, dateTimeText_readsOnlyTheWireShape) {
    EXPECT_EQ(packet::dateTimeFromText(s("2026-03-10T00:00:00")), at(2026, 3, 10));
    EXPECT_EQ(packet::dateTimeFromText(s("2024-02-29T13:14:15.016")), at(2024, 2, 29, 13, 14, 15, 16));
    for (const char* bad : {"", "2026-03-10", "2026-03-10 00:00:00", "2026-3-10T00:00:00",
                            "0000-01-01T00:00:00", "2026-03-10T00:00:60", "2026-03-10T00:00:00.1",
                            "2026-03-10T00:00:00.1234", "2026-03-10T00:00:00,123", "2026-00-10T00:00:00",
                            "+026-03-10T00:00:00", "２０２６-03-10T00:00:00"}) {
        EXPECT_FALSE(packet::dateTimeFromText(s(bad)).isValid()) << bad;
    }
    EXPECT_EQ(packet::dateTimeToText(at(2026, 3, 10)), s("2026-03-10T00:00:00"));
    EXPECT_EQ(packet::dateTimeToText(at(2026, 3, 10, 1, 2, 3, 4)), s("2026-03-10T01:02:03.004"));
    EXPECT_EQ(packet::dateTimeToText(QDateTime()), QString());
}

TEST(Packet, decode_acceptsAnyMemberOrderUnknownMembersAndEscapes) {
    const DataPacket packet = packet::decodePacket(
        b(" { \"rows\" : [ [\"a\\\"\\\\\\/\\b\\f\\n\\r\\t\", 2.0, -0, \"2026-03-10T00:00:00\"],\n"
          "  [\"\\u00e7\\ud83d\\ude00\", 1E2, 1e3, null] ] ,"
          " \"extra\": {\"x\": [1, {\"y\": null}], \"z\": true},"
          " \"fields\": [{\"size\": 10, \"type\": \"string\", \"name\": \"CD\", \"note\": [false]},"
          "  {\"name\": \"VL\", \"type\": \"float\"}, {\"name\": \"NR\", \"type\": \"integer\"},"
          "  {\"name\": \"DT\", \"type\": \"datetime\"}] } "));
    ASSERT_EQ(packet.rows.size(), 2);
    expectSameRows(
        {{s("a\"\\/\b\f\n\r\t"), 2.0, qint64(0), at(2026, 3, 10)}, {s("ç😀"), 100.0, qint64(1000), Value()}},
        packet.rows);
}

TEST(Packet, decode_malformedJson_isRefused) {
    const char* fields = R"("fields":[{"name":"CD","type":"string","size":9},{"name":"VL","type":"float"}])";
    for (const char* rows :
         {R"([["a])", R"([["a\x",1]])", R"([["a\u12",1]])", R"([["\udc00",1]])", R"([["\ud800x",1]])",
          "[[\"a\tb\",1]]", R"([["a",01]])", R"([["a",1.]])", R"([["a",-]])", R"([["a",1e]])",
          R"([["a",nul]])", R"([["a",]])", R"([["a",1] x])", R"([["a",1]],)", "[[\"\xff\",1]]"}) {
        SCOPED_TRACE(rows);
        const QByteArray json = "{" + QByteArray(fields) + R"(,"rows":)" + rows + "}";
        EXPECT_NE(decodeError(json).find("JSON malformado na posição"), std::string::npos)
            << decodeError(json);
    }
    EXPECT_NE(decodeError(b(R"({"fields":[],"rows":[]} {})")).find("depois do fim"), std::string::npos);
    EXPECT_NE(decodeError(b(R"({"fields":[],"fields":[],"rows":[]})")).find("aparece duas vezes"),
              std::string::npos);
    const QByteArray deepUnknown =
        R"({"fields":[],"rows":[],"x":)" + QByteArray(1000, '[') + QByteArray(1000, ']') + "}";
    EXPECT_NE(decodeError(deepUnknown).find("aninhamento profundo demais"), std::string::npos);
}

// Random byte mutations of valid documents: each either decodes into something that encodes and
// decodes again to the same, or is refused with PacketError. Nothing else may happen.
TEST(Packet, decode_randomMutations_neverCrashAndRefuseOnlyWithPacketError) {
    Delta delta;
    delta.fields = sampleFields();
    delta.changes = {{Change::Op::Update, samplePacket().rows[0], samplePacket().rows[1]},
                     {Change::Op::Delete, samplePacket().rows[3], {}}};
    const QByteArray sources[] = {packet::encode(samplePacket()), packet::encode(delta)};
    const char alphabet[] = "{}[]\",:0123456789.-eE+tfnulTaxyz \\";
    std::mt19937 random(20260310);
    int decoded = 0;
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        const bool isDelta = round % 2 == 1;
        QByteArray json = sources[isDelta ? 1 : 0];
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const int pos = int(random() % json.size());
            switch (random() % 3) {
                case 0:
                    json[pos] = alphabet[random() % (sizeof(alphabet) - 1)];
                    break;
                case 1:
                    json.remove(pos, 1 + int(random() % 8));
                    break;
                default:
                    json.insert(pos, alphabet[random() % (sizeof(alphabet) - 1)]);
            }
            if (json.isEmpty())
                json = "{";
        }
        // What is not JSON at all must be refused too.
        const bool validJson = !QJsonDocument::fromJson(json).isNull();
        try {
            if (isDelta) {
                const Delta d = packet::decodeDelta(json);
                EXPECT_EQ(packet::encode(packet::decodeDelta(packet::encode(d))), packet::encode(d));
            } else {
                const DataPacket p = packet::decodePacket(json);
                const DataPacket again = packet::decodePacket(packet::encode(p));
                EXPECT_EQ(p.fields, again.fields);
                expectSameRows(p.rows, again.rows);
            }
            EXPECT_TRUE(validJson) << json.toStdString();
            ++decoded;
        } catch (const PacketError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}
