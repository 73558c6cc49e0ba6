#include "server/admin/phasecatalogue.h"

#include "framework/packet/packetwriter.h"
#include "server/admin/adminstore.h"
#include "server/module/deltareading.h"
#include "server/module/params.h"
#include "server/storage/storeerror.h"
#include "server/storage/tablestore.h"

namespace zrm::server {

namespace {

constexpr int CodeLength = 10;
constexpr int NameLength = 100;

struct ColumnMap {
    int code = -1, name = -1, calculation = -1, blocked = -1;
};

bool isDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

PhaseRecord readRow(const ColumnMap& map, const Row& row, const QString& where) {
    const DeltaRowReader reader(row, where);
    PhaseRecord phase;
    phase.code = reader.text(map.code, QStringLiteral("CDFASEORCOPERAC"), CodeLength);
    if (isDigits(phase.code))
        phase.code = paddedCode(phase.code, CodeLength);
    const QString name = row.at(map.name).toString().trimmed();
    if (name.size() > NameLength)
        reader.failAt(QStringLiteral("NMFASEORCOPERAC"),
                      QStringLiteral("texto com mais de %1 caracteres").arg(NameLength));
    phase.name = name.toStdString();
    phase.calculation = reader.flag(map.calculation, QStringLiteral("IDFASECALCORCA"));
    phase.blocked = reader.flag(map.blocked, QStringLiteral("IDBLOQFASEORCA"));
    return phase;
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The catalogue's own columns of an entry, as the history keeps them.
void writePhase(packet::ObjectWriter object, const PhaseRecord& phase) {
    object.text("CDFASEORCOPERAC", phase.code);
    object.text("NMFASEORCOPERAC", phase.name);
    object.text("IDFASECALCORCA", phase.calculation);
    object.text("IDBLOQFASEORCA", phase.blocked);
    object.end();
}

std::string recordedChange(const CatalogueChange& change) {
    static constexpr const char* OpNames[] = {"insert", "update", "delete"};
    std::string out;
    packet::ObjectWriter object(out);
    object.text("op", OpNames[int(change.op)]);
    if (change.oldRow)
        writePhase(object.object("old"), *change.oldRow);
    if (change.newRow)
        writePhase(object.object("new"), *change.newRow);
    object.end();
    return out;
}

// The new row as it is stored: an empty flag is "N".
PhaseRecord checkedNewRow(const PhaseRecord& row) {
    if (!isDigits(row.code))
        throw RuleRefused(QStringLiteral("O código da fase deve ter de 1 a %1 dígitos.").arg(CodeLength));
    if (row.name.empty())
        throw RuleRefused(QStringLiteral("O nome da fase %1 deve ser informado.").arg(qs(row.code)));
    PhaseRecord stored = row;
    for (std::string* flag : {&stored.calculation, &stored.blocked}) {
        if (flag->empty())
            *flag = "N";
    }
    return stored;
}

// The stored entry the old row names, refused as a conflict unless it is as the client read it.
PhaseRecord storedAsRead(AdminStore& store, const PhaseRecord& old) {
    const std::optional<PhaseRecord> stored = store.lockPhase(old.code);
    // Names are compared as the client reads them back: trimmed.
    if (!stored || QString::fromStdString(stored->name).trimmed().toStdString() != old.name ||
        stored->calculation != old.calculation || stored->blocked != old.blocked)
        throw Conflict(QStringLiteral("A fase %1 foi alterada ou excluída por outro usuário depois de lida. "
                                      "Recarregue o cadastro e refaça a alteração.")
                           .arg(qs(old.code)));
    return *stored;
}

}  // namespace

std::vector<CatalogueChange> readCatalogueDelta(std::string_view json) {
    const Delta delta = decodeDeltaParam(json);
    ColumnMap map;
    map.code = requireColumn(delta, QStringLiteral("CDFASEORCOPERAC"), {FieldType::String});
    map.name = requireColumn(delta, QStringLiteral("NMFASEORCOPERAC"), {FieldType::String});
    map.calculation = requireColumn(delta, QStringLiteral("IDFASECALCORCA"), {FieldType::String});
    map.blocked = requireColumn(delta, QStringLiteral("IDBLOQFASEORCA"), {FieldType::String});
    return readChanges<CatalogueChange>(
        delta, [&](const Row& row, const QString& where) { return readRow(map, row, where); });
}

void applyCatalogueChanges(sql::Connection& connection, const std::vector<CatalogueChange>& changes,
                           const ChangeStamp& stamp) {
    AdminStore store(connection);
    TableStore tables(connection);
    for (const CatalogueChange& change : changes) {
        switch (change.op) {
            case CatalogueChange::Op::Insert: {
                const PhaseRecord row = checkedNewRow(*change.newRow);
                if (store.lockPhase(row.code))
                    throw RuleRefused(QStringLiteral("A fase %1 já está cadastrada.").arg(qs(row.code)));
                PhaseRecord inserted = row;
                inserted.approval = "N";
                tables.insert(inserted);
                break;
            }
            case CatalogueChange::Op::Update: {
                PhaseRecord stored = storedAsRead(store, *change.oldRow);
                if (change.newRow->code != stored.code)
                    throw RuleRefused(
                        QStringLiteral("O código da fase %1 não pode ser alterado; cadastre uma nova fase.")
                            .arg(qs(stored.code)));
                const PhaseRecord row = checkedNewRow(*change.newRow);
                stored.name = row.name;
                stored.calculation = row.calculation;
                stored.blocked = row.blocked;
                store.updatePhase(stored);
                break;
            }
            case CatalogueChange::Op::Delete: {
                const PhaseRecord stored = storedAsRead(store, *change.oldRow);
                if (const auto used = store.calendarUsing(stored.code))
                    throw RuleRefused(QStringLiteral("A fase %1 é usada no calendário de %2, versão %3.")
                                          .arg(qs(stored.code), qs(used->first))
                                          .arg(used->second));
                store.removePhase(stored.code);
                break;
            }
        }
        const std::string& code = change.newRow ? change.newRow->code : change.oldRow->code;
        stamp.record(connection, recordedChange(change), {{}, 0, code});
    }
}

}  // namespace zrm::server
