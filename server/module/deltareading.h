#pragma once

// Reading the delta parameter of a save method: the packet reader's delta, the columns a method
// needs found by name and type, and the values of a row read with the field's limits. Every
// failure throws BadRequest (a malformed request, JSON-RPC -32602) naming the change and column.

#include "framework/packet/packet.h"

#include <QString>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zrm::server {

// Decodes a delta parameter as it came ({"fields": [...], "changes": [...]}).
Delta decodeDeltaParam(std::string_view json);

// The position of the column name in the delta's fields; throws when it is missing or of a type
// not among types.
int requireColumn(const Delta& delta, const QString& name, std::initializer_list<FieldType> types);

// Throws BadRequest "Delta inválido: what.".
[[noreturn]] void failDelta(const QString& what);

// The changes of a delta as the caller's own change type Changed (with an Op of Insert, Update and
// Delete in the delta's order, and optional oldRow and newRow): readRow(row, where) reads one side,
// where naming it in messages ("alteração 2 (old)").
template <typename Changed, typename ReadRow>
std::vector<Changed> readChanges(const Delta& delta, const ReadRow& readRow) {
    static_assert(int(Changed::Op::Insert) == int(Change::Op::Insert) &&
                  int(Changed::Op::Update) == int(Change::Op::Update) &&
                  int(Changed::Op::Delete) == int(Change::Op::Delete));
    std::vector<Changed> changes;
    changes.reserve(size_t(delta.changes.size()));
    for (int i = 0; i < delta.changes.size(); ++i) {
        const Change& change = delta.changes.at(i);
        const QString where = QStringLiteral("alteração %1").arg(i + 1);
        Changed result;
        result.op = static_cast<typename Changed::Op>(int(change.op));
        if (change.op != Change::Op::Insert)
            result.oldRow = readRow(change.oldRow, where + QStringLiteral(" (old)"));
        if (change.op != Change::Op::Delete)
            result.newRow = readRow(change.newRow, where + QStringLiteral(" (new)"));
        changes.push_back(std::move(result));
    }
    return changes;
}

// The values of one row of a delta; where names the row in messages ("alteração 2 (new)").
class DeltaRowReader {
public:
    DeltaRowReader(const Row& row, QString where) : m_row(row), m_where(std::move(where)) {}

    // A text of at most maxLength characters, as UTF-8; empty for null.
    std::string text(int column, const QString& name, int maxLength) const;
    // "S", "N" or empty.
    std::string flag(int column, const QString& name) const;

    const Row& row() const { return m_row; }
    [[noreturn]] void failAt(const QString& column, const QString& what) const;

private:
    const Row& m_row;
    QString m_where;
};

}  // namespace zrm::server
