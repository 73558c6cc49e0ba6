#include "server/calendar/calendarmodule.h"

#include "framework/packet/packetwriter.h"
#include "server/calendar/answercache.h"
#include "server/calendar/calendarchange.h"
#include "server/calendar/calendarhistory.h"
#include "server/calendar/calendarrules.h"
#include "server/calendar/datasets.h"
#include "server/module/moduleerrors.h"
#include "server/module/params.h"
#include "server/module/yearcycle.h"
#include "server/storage/calendarstore.h"
#include "server/storage/database.h"
#include "server/storage/generationread.h"
#include "server/storage/savebatch.h"
#include "server/storage/saveoutcomes.h"
#include "server/storage/schema.h"
#include "server/storage/storeerror.h"

#include <QCryptographicHash>
#include <QDateTime>

#include <atomic>

namespace zrm::server {

namespace {

using packet::PacketWriter;

constexpr int CodeLength = 10;
constexpr int OperatorLength = 40;
// How long a stored save is remembered by its id, for a client that sends it again, and how often
// the older ones are forgotten.
constexpr qint64 SaveOutcomeRetentionSeconds = qint64(7) * 24 * 3600;
constexpr qint64 SaveOutcomePruneIntervalSeconds = 3600;

void writeCalendarRow(PacketWriter& writer, const CalendarView& view) {
    const CalendarRecord& row = view.row;
    writer.beginRow();
    writer.text(row.key.year);
    writer.number(double(row.key.version));
    writer.text(row.key.code);
    writer.text(view.blocked);
    writer.text(view.name);
    writer.dateTime(row.start);
    writer.dateTime(row.end);
    writer.text(view.calculation);
    for (const std::string& month : row.months)
        writer.text(month);
    writer.endRow();
}

// The read methods whose answers depend on the stored data only, and so may be kept until the data
// changes. ValCiclo is not one: its answer carries today's date.
bool isCacheable(std::string_view method) {
    return method == "GetCalendOrcOp" || method == "GetVersao" || method == "GetFaseOrc" ||
           method == "GetValDateBloq" || method == "GetDateBloq" || method == "BloqDelFase";
}

class CalendarModule final : public RemoteDataModule {
public:
    CalendarModule(std::shared_ptr<Database> database, const ServerClock& clock)
        : m_database(std::move(database))
        , m_clock(clock)
        , m_saves(m_database,
                  [this](sql::Connection& connection) {
                      markDataChanged(connection);
                      forgetOldSaveOutcomes(connection);
                  })
        , m_generation([this]() -> std::optional<qint64> {
            if (m_database->dialect() == sql::Dialect::Sqlite)
                return m_database->changeCounterAtOnce();
            ConnectionLease connection = m_database->acquire();
            return dataGeneration(*connection);
        }) {}

    std::string_view serverName() const override { return "ZRM71300.rdmCalendOrcOp"; }

    void call(const RpcRequest& request, const CallContext& context, std::string& result) override;

    bool confirmGeneration(const RpcRequest& request,
                           std::function<void(std::optional<qint64>)> confirmed) override;

    bool cachedResultAt(const RpcRequest& request, qint64 generation, std::string& result) override;

    bool healthy() override;

private:
    // The data generation before a read: SQLite's change counter, PostgreSQL's generation row (one
    // read shared by the requests that wait for it). nullopt when it cannot be had; the answer is
    // then computed and not kept.
    std::optional<qint64> generationBeforeRead();

    void dispatch(const RpcRequest& request, const CallContext& context, std::string& result);

    void getCalendOrcOp(const Params& params, std::string& out);
    void getVersao(const Params& params, std::string& out);
    void getFaseOrc(const Params& params, std::string& out);
    void valCiclo(const Params& params, std::string& out);
    void getValDateBloq(const Params& params, std::string& out);
    void getDateBloq(const Params& params, std::string& out);
    void bloqDelFase(const Params& params, std::string& out);
    void setCalendOrcOp(const Params& params, const CallContext& context, std::string& out);
    // Once an interval, inside a group of saves: the saves remembered longer than the retention.
    void forgetOldSaveOutcomes(sql::Connection& connection);

    std::shared_ptr<Database> m_database;
    ServerClock m_clock;
    AnswerCache m_answers;
    SaveBatch m_saves;  // saves queued meanwhile commit together
    // Off the network threads on both backends: SQLite's counter is read under a lock shared by the
    // process, PostgreSQL's is a trip to the database.
    SharedGenerationRead m_generation;
    std::atomic<qint64> m_lastPrune{0};  // seconds since the epoch, on the server's clock
};

void CalendarModule::call(const RpcRequest& request, const CallContext& context, std::string& result) {
    // A failed method leaves nothing of a half-written answer behind.
    const size_t resultSize = result.size();
    try {
        if (!isCacheable(request.method) || request.paramsJson.empty()) {
            dispatch(request, context, result);
            return;
        }
        // Read before the answer is computed: whatever it reads is at least as new as this
        // generation, so the kept answer is never older than the generation it is kept under.
        const std::optional<qint64> generation = generationBeforeRead();
        if (generation && m_answers.find(request.method, request.paramsJson, *generation, result))
            return;
        dispatch(request, context, result);
        if (generation) {
            m_answers.store(request.method, request.paramsJson, *generation,
                            std::string_view(result).substr(resultSize));
        }
    } catch (const StoreError& error) {
        result.resize(resultSize);
        throwAsRpcError(error);
    }
}

void CalendarModule::dispatch(const RpcRequest& request, const CallContext& context, std::string& result) {
    const std::string_view method = request.method;
    const std::vector<RpcParam>& params = request.params;
    if (method == "GetCalendOrcOp")
        return getCalendOrcOp(Params("GetCalendOrcOp", params, 2), result);
    if (method == "GetVersao")
        return getVersao(Params("GetVersao", params, 3), result);
    if (method == "GetFaseOrc")
        return getFaseOrc(Params("GetFaseOrc", params, 1), result);
    if (method == "ValCiclo")
        return valCiclo(Params("ValCiclo", params, 1), result);
    if (method == "GetValDateBloq")
        return getValDateBloq(Params("GetValDateBloq", params, 1), result);
    if (method == "GetDateBloq")
        return getDateBloq(Params("GetDateBloq", params, 3), result);
    if (method == "BloqDelFase")
        return bloqDelFase(Params("BloqDelFase", params, 3), result);
    if (method == "SetCalendOrcOp")
        return setCalendOrcOp(Params("SetCalendOrcOp", params, 1), context, result);
    if (method == "GetHistCalendOrc") {
        ConnectionLease connection = m_database->acquire();
        CalendarStore store(*connection);
        return writeCalendarHistory(store, Params("GetHistCalendOrc", params, 3), result);
    }
    throwMethodNotFound(serverName(), method);
}

bool CalendarModule::confirmGeneration(const RpcRequest& request,
                                       std::function<void(std::optional<qint64>)> confirmed) {
    if (!isCacheable(request.method) || request.paramsJson.empty())
        return false;
    m_generation.whenRead(std::move(confirmed));
    return true;
}

bool CalendarModule::cachedResultAt(const RpcRequest& request, qint64 generation, std::string& result) {
    return isCacheable(request.method) &&
           m_answers.find(request.method, request.paramsJson, generation, result);
}

std::optional<qint64> CalendarModule::generationBeforeRead() {
    if (m_database->dialect() == sql::Dialect::Sqlite)
        return m_database->changeCounterAtOnce();
    return m_generation.current();
}

bool CalendarModule::healthy() {
    return m_database->answers();
}

void CalendarModule::getCalendOrcOp(const Params& params, std::string& out) {
    const std::string year = params.yearText(0);
    const std::optional<double> askedVersion = params.version(1);
    ConnectionLease connection = m_database->acquire();
    // Calendar and version from one state of the database, whatever commits meanwhile.
    sql::Transaction snapshot(*connection, sql::Transaction::Kind::Snapshot);
    CalendarStore store(*connection);

    // An empty version means the latest; a year without versions has none. A typed version is
    // answered as asked, even for a year without versions, so the caller can report it as unknown.
    std::optional<double> version = askedVersion;
    if (!version) {
        if (const std::optional<qint64> latest = store.latestVersion(year))
            version = double(*latest);
    }
    const qint64 key = version ? versionKey(*version) : 0;

    out += '[';
    PacketWriter calendar(out);
    calendar.begin(datasets::Calendar);
    if (key > 0) {
        for (const CalendarView& view : store.calendar(year, key))
            writeCalendarRow(calendar, view);
    }
    calendar.end();
    out += ',';
    PacketWriter versionPacket(out);
    versionPacket.begin(datasets::Version);
    if (version) {
        versionPacket.beginRow();
        versionPacket.number(*version);
        versionPacket.endRow();
    }
    versionPacket.end();
    out += ']';
    snapshot.commit();
}

void CalendarModule::getVersao(const Params& params, std::string& out) {
    const std::string year = params.yearText(0);
    const std::string mode = params.text(2, "o modo", 1);
    if (!mode.empty() && mode != "T")
        throw BadRequest(QStringLiteral("Parâmetro 3 do método GetVersao: o modo deve ser \"T\" ou vazio."));
    std::vector<VersionRecord> versions;
    ConnectionLease connection = m_database->acquire();
    CalendarStore store(*connection);
    if (mode == "T") {
        params.text(1, "a versão", 40);
        versions = store.versions(year);
    } else if (const std::optional<double> version = params.version(1)) {
        if (const qint64 key = versionKey(*version); key > 0) {
            if (std::optional<VersionRecord> found = store.version(year, key))
                versions.push_back(std::move(*found));
        }
    }
    PacketWriter writer(out);
    writer.begin(datasets::Versions);
    for (const VersionRecord& version : versions) {
        writer.beginRow();
        writer.text(version.year);
        writer.text(std::to_string(version.version));
        writer.dateTime(version.createdAt);
        writer.text(version.createdBy);
        writer.text(version.operatorName);
        writer.endRow();
    }
    writer.end();
}

void CalendarModule::getFaseOrc(const Params& params, std::string& out) {
    const std::string code = params.text(0, "o código da fase", CodeLength);
    ConnectionLease connection = m_database->acquire();
    CalendarStore store(*connection);
    std::vector<PhaseRecord> phases;
    if (code == "T")
        phases = store.phases();
    else if (std::optional<PhaseRecord> phase = store.phase(code))
        phases.push_back(std::move(*phase));
    PacketWriter writer(out);
    writer.begin(datasets::Phases);
    for (const PhaseRecord& phase : phases) {
        writer.beginRow();
        writer.text(phase.code);
        writer.text(phase.name);
        writer.text(phase.calculation);
        writer.text(phase.approval);
        writer.endRow();
    }
    writer.end();
}

void CalendarModule::valCiclo(const Params& params, std::string& out) {
    const std::string year = params.yearNumber(0);
    const int yearNumber = std::atoi(year.c_str());
    if (year.size() != 4 || yearNumber < 1)
        throw BadRequest(QStringLiteral("Parâmetro 1 do método ValCiclo: o ano deve estar entre 1 e 9999."));
    ConnectionLease connection = m_database->acquire();
    const CycleRecord cycle = storedOrDefaultCycle(*connection, year).first;
    PacketWriter writer(out);
    writer.begin(datasets::Cycle);
    writer.beginRow();
    writer.dateTime(midnightText(m_clock.today()));
    writer.dateTime(cycle.firstMonth);
    writer.dateTime(cycle.lastMonth);
    writer.endRow();
    writer.end();
}

void CalendarModule::getValDateBloq(const Params& params, std::string& out) {
    const std::string code = params.text(0, "o código da fase", CodeLength);
    ConnectionLease connection = m_database->acquire();
    const std::optional<PhaseRecord> phase = CalendarStore(*connection).phase(code);
    PacketWriter writer(out);
    writer.begin(datasets::BlockedFlag);
    if (phase) {
        writer.beginRow();
        writer.text(phase->code);
        writer.text(phase->blocked);
        writer.endRow();
    }
    writer.end();
}

void CalendarModule::getDateBloq(const Params& params, std::string& out) {
    const std::string year = params.yearNumber(0);
    const std::optional<double> version = params.version(1);
    const std::string code = params.text(2, "o código da fase", CodeLength);
    PacketWriter writer(out);
    writer.begin(datasets::OtherPeriods);
    if (const qint64 key = version ? versionKey(*version) : 0; key > 0) {
        ConnectionLease connection = m_database->acquire();
        for (const CalendarView& view : CalendarStore(*connection).otherPhases(year, key, code)) {
            writer.beginRow();
            writer.text(view.row.key.year);
            writer.number(double(view.row.key.version));
            writer.text(view.row.key.code);
            writer.text(view.name);
            writer.text(view.calculation);
            writer.dateTime(view.row.start);
            writer.dateTime(view.row.end);
            writer.text(view.blocked);
            writer.endRow();
        }
    }
    writer.end();
}

void CalendarModule::bloqDelFase(const Params& params, std::string& out) {
    const std::string code = params.text(0, "o código da fase", CodeLength);
    const std::string year = params.yearNumber(1);
    const std::optional<double> version = params.version(2);
    PacketWriter writer(out);
    writer.begin(datasets::ConcludedUses);
    if (const qint64 key = version ? versionKey(*version) : 0; key > 0) {
        ConnectionLease connection = m_database->acquire();
        for (const ConcludedRecord& use : CalendarStore(*connection).concludedUses(code, year, key)) {
            writer.beginRow();
            writer.text(use.key.year);
            writer.number(double(use.key.version));
            writer.text(use.key.code);
            writer.text(use.name);
            writer.text(use.branch);
            writer.endRow();
        }
    }
    writer.end();
}

void CalendarModule::setCalendOrcOp(const Params& params, const CallContext& context, std::string& out) {
    // The delta is read from its text by the packet reader, as it came.
    const std::string_view delta = params.at(0).json;
    const std::vector<CalendarChange> changes =
        readCalendarDelta(QByteArray::fromRawData(delta.data(), qsizetype(delta.size())));
    const std::string operatorCode = recordedOperator(context, OperatorLength);
    const std::string when = m_clock.now().toString(Qt::ISODate).toStdString();
    const std::string& saveId = context.saveId;
    if (!saveId.empty() && !SaveOutcomes::isValidId(saveId))
        throw BadRequest(
            QStringLiteral("O identificador da gravação (X-Save-Id) é inválido: use de 1 a 64 "
                           "letras, algarismos ou \"-_.:\"."));
    const std::string digest =
        saveId.empty() ? std::string()
                       : QCryptographicHash::hash(QByteArrayView(delta.data(), qsizetype(delta.size())),
                                                  QCryptographicHash::Sha256)
                             .toHex()
                             .toStdString();

    m_saves.run([&](sql::Connection& connection) {
        // A save sent again, whose first sending was stored, is answered as it was then.
        if (!saveId.empty() &&
            SaveOutcomes(connection).claim(saveId, digest, when) == SaveOutcomes::Claim::Stored)
            return;
        CalendarStore store(connection);
        CalendarRules(store, m_clock.today()).check(changes);
        // From here on only writes: they travel together, so the calendar's lock is held for one
        // trip to the database rather than one per statement.
        connection.deferWritesToCommit();
        for (const CalendarChange& change : changes) {
            switch (change.op) {
                case CalendarChange::Op::Insert:
                    store.insert(change.newRow->record);
                    break;
                case CalendarChange::Op::Update:
                    store.update(change.oldRow->record.key, change.newRow->record);
                    break;
                case CalendarChange::Op::Delete:
                    store.remove(change.oldRow->record.key);
                    break;
            }
            const CalendarKey& changed =
                change.newRow ? change.newRow->record.key : change.oldRow->record.key;
            store.appendHistory({when, operatorCode, "SetCalendOrcOp", recordedChange(change), changed});
        }
    });
    PacketWriter::writeEmpty(out);
}

void CalendarModule::forgetOldSaveOutcomes(sql::Connection& connection) {
    const QDateTime now = m_clock.now();
    const qint64 seconds = now.toSecsSinceEpoch();
    qint64 last = m_lastPrune.load();
    if (seconds - last < SaveOutcomePruneIntervalSeconds ||
        !m_lastPrune.compare_exchange_strong(last, seconds))
        return;
    const std::string before = now.addSecs(-SaveOutcomeRetentionSeconds).toString(Qt::ISODate).toStdString();
    SaveOutcomes(connection).forgetBefore(before);
}

}  // namespace

std::unique_ptr<RemoteDataModule> makeCalendarModule(const QString& dbUrl, const ServerClock& clock) {
    return makeCalendarModule(Database::open(dbUrl), clock);
}

std::unique_ptr<RemoteDataModule> makeCalendarModule(std::shared_ptr<Database> database,
                                                     const ServerClock& clock) {
    return std::make_unique<CalendarModule>(std::move(database), clock);
}

}  // namespace zrm::server
