#include "server/calendar/calendarrules.h"

#include "domain/calendar/phaseperiod.h"
#include "server/storage/storeerror.h"

#include <set>

namespace zrm::server {

namespace {

[[noreturn]] void refuse(const char* message) {
    throw RuleRefused(QString::fromUtf8(message));
}

// A date-time of the wire ("YYYY-MM-DDTHH:MM:SS", ".mmm" only when not zero) as the instant it
// names, on a clock without summer time so that every stored instant exists; null for an empty text.
QDateTime instant(const std::string& wire) {
    if (wire.empty())
        return {};
    const QString text = QString::fromStdString(wire);
    return {QDate::fromString(text.left(10), Qt::ISODate), QTime::fromString(text.mid(11), Qt::ISODateWithMs),
            Qt::UTC};
}

calendar::PhasePeriod periodOf(const CalendarRecord& row) {
    return {instant(row.start), instant(row.end)};
}

}  // namespace

void CalendarRules::check(const std::vector<CalendarChange>& changes) {
    loadCalendars(changes);
    checkOldRows(changes);
    checkRules(changes);
}

void CalendarRules::loadCalendars(const std::vector<CalendarChange>& changes) {
    // Ascending order, so two writers whose deltas touch the same calendars never wait on each other.
    std::set<CalendarId> ids;
    for (const CalendarChange& change : changes) {
        for (const auto* row : {&change.oldRow, &change.newRow}) {
            if (*row)
                ids.emplace((*row)->record.key.year, (*row)->record.key.version);
        }
    }
    for (const CalendarId& id : ids) {
        m_store.lockCalendar(id.first, id.second);
        Calendar& calendar = m_stored[id];
        for (CalendarView& view : m_store.calendar(id.first, id.second))
            calendar.emplace(view.row.key.code, std::move(view.row));
    }
}

// A row never replaces another: an insert or update onto a taken key leaves the taken row in place,
// for the rules to refuse as a duplicate.
void CalendarRules::apply(Calendars& calendars, const CalendarChange& change) {
    if (change.oldRow) {
        const CalendarKey& key = change.oldRow->record.key;
        calendars[{key.year, key.version}].erase(key.code);
    }
    if (change.newRow) {
        const CalendarRecord& record = change.newRow->record;
        calendars[{record.key.year, record.key.version}].try_emplace(record.key.code, record);
    }
}

void CalendarRules::checkOldRows(const std::vector<CalendarChange>& changes) const {
    Calendars calendars = m_stored;
    for (const CalendarChange& change : changes) {
        if (change.oldRow) {
            const CalendarRecord& old = change.oldRow->record;
            const Calendar& calendar = calendars[{old.key.year, old.key.version}];
            const auto stored = calendar.find(old.key.code);
            if (stored == calendar.end() || stored->second != old) {
                throw Conflict(QStringLiteral("A fase %1 foi alterada ou excluída por outro usuário depois "
                                              "de lida. Recarregue o calendário e refaça a alteração.")
                                   .arg(QString::fromStdString(old.key.code)));
            }
        }
        apply(calendars, change);
    }
}

void CalendarRules::checkRules(const std::vector<CalendarChange>& changes) {
    Calendars calendars = m_stored;
    for (const CalendarChange& change : changes) {
        const CalendarKey* replaced = change.oldRow ? &change.oldRow->record.key : nullptr;
        if (change.oldRow) {
            checkWritable(change.oldRow->record.key);
            const CalendarRecord& stored =
                calendars[{replaced->year, replaced->version}].at(replaced->code);  // present: checked before
            if (change.op == CalendarChange::Op::Delete) {
                checkDeletable(stored);
            } else {
                checkNotConcluded(*replaced, "Não se pode alterar uma fase já concluída.");
            }
        }
        if (change.newRow) {
            const CalendarKey& key = change.newRow->record.key;
            checkNewRow(*change.newRow, calendars[{key.year, key.version}], replaced);
        }
        apply(calendars, change);
    }
}

const std::optional<PhaseRecord>& CalendarRules::phase(const std::string& code) {
    auto it = m_phases.find(code);
    if (it == m_phases.end())
        it = m_phases.emplace(code, m_store.phase(code)).first;
    return it->second;
}

void CalendarRules::checkWritable(const CalendarKey& key) {
    auto it = m_latestVersions.find(key.year);
    if (it == m_latestVersions.end())
        it = m_latestVersions.emplace(key.year, m_store.latestVersion(key.year)).first;
    if (!it->second)
        refuse("Não há versão cadastrada para este ano.");
    if (*it->second != key.version)
        refuse("Somente a última versão do ano pode ser alterada.");
}

void CalendarRules::checkNewRow(const DeltaRow& row, const Calendar& calendar, const CalendarKey* replaced) {
    const CalendarRecord& record = row.record;
    if (record.key.year.empty())
        refuse("Ano deve ser informado.");
    if (record.key.year.size() != 4)
        refuse("O ano do orçamento deve ter quatro dígitos.");
    if (!row.validVersion)
        refuse("A versão deve ser um número inteiro positivo.");
    checkWritable(record.key);
    if (record.key.code.empty())
        refuse("Código da fase deve ser informado.");
    if (!phase(record.key.code))
        refuse("Fase não cadastrada.");
    const bool sameRow = replaced && *replaced == record.key;
    if (!sameRow && calendar.contains(record.key.code))
        refuse("Fase já cadastrada para o ano informado.");
    if (const calendar::PeriodFault fault = calendar::checkPeriod(periodOf(record));
        fault != calendar::PeriodFault::None)
        throw RuleRefused(calendar::periodRefusal(fault));
    checkBlockedPeriod(record, calendar, replaced);
    checkNotConcluded(record.key, "Não se pode alterar uma fase já concluída.");
}

void CalendarRules::checkBlockedPeriod(const CalendarRecord& row, const Calendar& calendar,
                                       const CalendarKey* replaced) {
    if (!phase(row.key.code)->isBlocked())
        return;
    const calendar::PhasePeriod period = periodOf(row);
    for (const auto& [code, other] : calendar) {
        if (code == row.key.code || (replaced && other.key == *replaced))
            continue;
        if (calendar::periodConflict(period, periodOf(other)))
            refuse(calendar::BlockedPeriodRefusal);
    }
}

bool CalendarRules::concluded(const CalendarKey& key) {
    auto it = m_concluded.find({key.year, key.version, key.code});
    if (it == m_concluded.end()) {
        const bool used = !m_store.concludedUses(key.code, key.year, key.version).empty();
        it = m_concluded.emplace(std::make_tuple(key.year, key.version, key.code), used).first;
    }
    return it->second;
}

void CalendarRules::checkNotConcluded(const CalendarKey& key, const char* message) {
    if (concluded(key))
        refuse(message);
}

void CalendarRules::checkDeletable(const CalendarRecord& stored) {
    checkNotConcluded(stored.key, "Não é permitida a exclusão de uma fase concluída.");
    const std::string today = m_today.toString(Qt::ISODate).toStdString() + "T00:00:00";
    if (today >= stored.end)
        refuse("Não é permitida a exclusão de uma fase anterior à data atual.");
    if (today >= stored.start)
        refuse("Não é permitida a exclusão de uma fase que esteja em andamento.");
}

}  // namespace zrm::server
