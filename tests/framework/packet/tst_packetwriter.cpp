// The streaming packet writer against Qt's JSON reader: whatever it writes must read back as the
// same values.

#include "framework/packet/packetwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace zrm::packet {
namespace {

QJsonObject parse(const std::string& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

TEST(PacketWriter, everyTextReadsBackUnchanged) {
    std::string control;
    for (char c = 1; c < 0x20; ++c)
        control += c;
    const std::string texts[] = {"plain", "aspas \" e barra \\ e /", control, "ação – ✓ 𝄞",
                                 "x'); DROP TABLE y; --"};
    static constexpr Column Columns[] = {{"T", FieldType::String, 100}};
    std::string out;
    PacketWriter writer(out);
    writer.begin(Columns);
    for (const std::string& text : texts) {
        writer.beginRow();
        writer.text(text);
        writer.endRow();
    }
    writer.end();
    const QJsonArray rows = parse(out).value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), int(std::size(texts)));
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows.at(i).toArray().at(0).toString().toStdString(), texts[i]);
}

TEST(PacketWriter, fieldsNumbersAndEmptyValues) {
    static constexpr Column Columns[] = {
        {"CODE", FieldType::String, 10}, {"N", FieldType::Float}, {"D", FieldType::DateTime}};
    std::string out = "prefix:";
    PacketWriter writer(out);
    writer.begin(Columns);
    writer.beginRow();
    writer.text("");
    writer.number(2);
    writer.dateTime("2026-03-10T00:00:00");
    writer.endRow();
    writer.beginRow();
    writer.text("a");
    writer.number(2.5);
    writer.dateTime("");
    writer.endRow();
    writer.end();
    ASSERT_EQ(out.substr(0, 7), "prefix:");
    const std::string packet = out.substr(7);
    EXPECT_NE(packet.find("[null,2,\"2026-03-10T00:00:00\"]"), std::string::npos) << packet;
    const QJsonObject object = parse(packet);
    const QJsonArray fields = object.value(QStringLiteral("fields")).toArray();
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields.at(0).toObject().value(QStringLiteral("size")).toInt(), 10);
    EXPECT_EQ(fields.at(1).toObject().value(QStringLiteral("type")).toString(), QStringLiteral("float"));
    EXPECT_FALSE(fields.at(1).toObject().contains(QStringLiteral("size")));
    const QJsonArray second = object.value(QStringLiteral("rows")).toArray().at(1).toArray();
    EXPECT_EQ(second.at(1).toDouble(), 2.5);
    EXPECT_TRUE(second.at(2).isNull());
}

TEST(PacketWriter, emptyPacket) {
    std::string out;
    PacketWriter::writeEmpty(out);
    const QJsonObject object = parse(out);
    EXPECT_TRUE(object.value(QStringLiteral("fields")).toArray().isEmpty());
    EXPECT_TRUE(object.value(QStringLiteral("rows")).toArray().isEmpty());
}

}  // namespace
}  // namespace zrm::packet
