#include "server/module/deltareading.h"

#include "server/storage/storeerror.h"

#include <algorithm>

namespace zrm::server {

Delta decodeDeltaParam(std::string_view json) {
    const QByteArray text = QByteArray::fromRawData(json.data(), qsizetype(json.size()));
    if (!text.trimmed().startsWith('{'))
        failDelta(QStringLiteral("o parâmetro deve ser um objeto com \"fields\" e \"changes\""));
    try {
        return packet::decodeDelta(text);
    } catch (const PacketError& error) {
        throw BadRequest(error.message());
    }
}

void failDelta(const QString& what) {
    throw BadRequest(QStringLiteral("Delta inválido: %1.").arg(what));
}

int requireColumn(const Delta& delta, const QString& name, std::initializer_list<FieldType> types) {
    for (int i = 0; i < delta.fields.size(); ++i) {
        const FieldDef& field = delta.fields.at(i);
        if (field.name != name)
            continue;
        if (std::find(types.begin(), types.end(), field.type) == types.end())
            failDelta(QStringLiteral("a coluna %1 tem um tipo que não lhe cabe").arg(name));
        return i;
    }
    failDelta(QStringLiteral("falta a coluna %1").arg(name));
}

std::string DeltaRowReader::text(int column, const QString& name, int maxLength) const {
    const QString value = m_row.at(column).toString();
    if (value.size() > maxLength)
        failAt(name, QStringLiteral("texto com mais de %1 caracteres").arg(maxLength));
    return value.toStdString();
}

std::string DeltaRowReader::flag(int column, const QString& name) const {
    std::string value = text(column, name, 1);
    if (!value.empty() && value != "S" && value != "N")
        failAt(name, QStringLiteral("a marca deve ser \"S\", \"N\" ou vazia"));
    return value;
}

void DeltaRowReader::failAt(const QString& column, const QString& what) const {
    failDelta(QStringLiteral("%1, coluna %2: %3").arg(m_where, column, what));
}

}  // namespace zrm::server
