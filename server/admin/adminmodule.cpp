#include "server/admin/adminmodule.h"

#include "framework/packet/packetwriter.h"
#include "server/admin/admindatasets.h"
#include "server/admin/adminstore.h"
#include "server/admin/phasecatalogue.h"
#include "server/admin/versionadmin.h"
#include "server/module/moduleerrors.h"
#include "server/module/params.h"
#include "server/module/yearcycle.h"
#include "server/storage/calendarstore.h"
#include "server/storage/database.h"
#include "server/storage/savebatch.h"
#include "server/storage/schema.h"
#include "server/storage/tablestore.h"

#include <limits>

namespace zrm::server {

namespace {

using packet::PacketWriter;

constexpr int CodeLength = 10;
constexpr int BranchLength = 4;
constexpr int DescriptionLength = 100;
constexpr int OperatorLength = 40;
constexpr qint64 MaxVersion = std::numeric_limits<qint32>::max();

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

void writeVersions(std::string& out, const std::vector<VersionSummary>& versions, qint64 latest) {
    PacketWriter writer(out);
    writer.begin(admindatasets::Versions);
    for (const VersionSummary& summary : versions) {
        const VersionRecord& version = summary.version;
        writer.beginRow();
        writer.text(version.year);
        writer.integer(version.version);
        writer.text(version.description);
        writer.dateTime(version.createdAt);
        writer.text(version.createdBy);
        writer.text(version.operatorName);
        writer.integer(summary.phaseCount);
        writer.text(version.version == latest ? "S" : "N");
        writer.endRow();
    }
    writer.end();
}

// A month of the cycle: the date-time text of the first day of a month, at midnight. Read as a
// calendar date, not a local instant: a midnight that summer time skips is still that day.
QDate firstOfMonth(const Params& params, int index, const char* what) {
    const QString text = qs(params.text(index, what, 23));
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    const QString time = text.mid(10);
    if (!date.isValid() || date.day() != 1 || (time != u"T00:00:00" && time != u"T00:00:00.000"))
        params.fail(index, QStringLiteral("%1 deve ser o primeiro dia de um mês (AAAA-MM-01T00:00:00)")
                               .arg(QString::fromUtf8(what)));
    return date;
}

VersionAdmin::Origin originOf(const Params& params) {
    const std::string origin = params.text(1, "a origem", 1);
    if (origin == "A")
        return VersionAdmin::Origin::LatestOfYear;
    if (origin == "V")
        return VersionAdmin::Origin::Empty;
    if (origin != "P")
        params.fail(1, QStringLiteral("a origem deve ser \"A\", \"V\" ou \"P\""));
    return VersionAdmin::Origin::PreviousYear;
}

// The calendar key and branch of a conclusion's parameters: year, version, phase code, branch.
struct ConclusionKey {
    CalendarKey key;
    std::string branch;

    explicit ConclusionKey(const Params& params)
        : key{params.requiredYear(0), params.integer(1, "a versão", 1, MaxVersion),
              params.digitCode(2, "o código da fase", CodeLength)}
        , branch(params.digitCode(3, "a filial", BranchLength)) {}

    QString calendarName() const {
        return QStringLiteral("no calendário de %1, versão %2").arg(qs(key.year)).arg(key.version);
    }
};

class AdminModule final : public RemoteDataModule {
public:
    AdminModule(std::shared_ptr<Database> database, const ServerClock& clock)
        : m_database(std::move(database))
        , m_clock(clock)
        , m_saves(m_database, [](sql::Connection& connection) { markDataChanged(connection); }) {}

    std::string_view serverName() const override { return "ZRM71302.rdmCadCalendOrc"; }

    void call(const RpcRequest& request, const CallContext& context, std::string& result) override {
        const size_t resultSize = result.size();
        try {
            dispatch(request, context, result);
        } catch (const StoreError& error) {
            result.resize(resultSize);
            throwAsRpcError(error);
        }
    }

    bool healthy() override { return m_database->answers(); }

private:
    void dispatch(const RpcRequest& request, const CallContext& context, std::string& out);

    // Runs change in one transaction of its own (grouped with the saves queued meanwhile), which
    // advances the data generation when it commits.
    void change(const CallContext& context, const char* method,
                const std::function<void(sql::Connection&, const ChangeStamp&)>& change) {
        const ChangeStamp stamp{m_clock.now().toString(Qt::ISODate).toStdString(),
                                recordedOperator(context, OperatorLength), method};
        m_saves.run([&](sql::Connection& connection) { change(connection, stamp); });
    }

    void getVersoesAno(const Params& params, std::string& out);
    void novaVersao(const Params& params, const CallContext& context, std::string& out);
    void getCiclo(const Params& params, std::string& out);
    void getFasesCad(std::string& out);
    void getConclusoes(const Params& params, std::string& out);
    void registraConclusao(const Params& params, const CallContext& context);
    void retiraConclusao(const Params& params, const CallContext& context);

    std::shared_ptr<Database> m_database;
    ServerClock m_clock;
    SaveBatch m_saves;
};

void AdminModule::dispatch(const RpcRequest& request, const CallContext& context, std::string& out) {
    const std::string_view method = request.method;
    const std::vector<RpcParam>& params = request.params;
    if (method == "GetVersoesAno")
        return getVersoesAno(Params("GetVersoesAno", params, 1), out);
    if (method == "NovaVersao")
        return novaVersao(Params("NovaVersao", params, 3), context, out);
    if (method == "SetDescVersao") {
        const Params read("SetDescVersao", params, 3);
        const std::string year = read.requiredYear(0);
        const qint64 version = read.integer(1, "a versão", 1, MaxVersion);
        const std::string description = read.trimmedText(2, "a descrição", DescriptionLength);
        change(context, "SetDescVersao", [&](sql::Connection& connection, const ChangeStamp& stamp) {
            VersionAdmin(connection, stamp).describe(year, version, description);
        });
        return PacketWriter::writeEmpty(out);
    }
    if (method == "ExcluiVersao") {
        const Params read("ExcluiVersao", params, 2);
        const std::string year = read.requiredYear(0);
        const qint64 version = read.integer(1, "a versão", 1, MaxVersion);
        change(context, "ExcluiVersao", [&](sql::Connection& connection, const ChangeStamp& stamp) {
            VersionAdmin(connection, stamp).remove(year, version);
        });
        return PacketWriter::writeEmpty(out);
    }
    if (method == "GetCiclo")
        return getCiclo(Params("GetCiclo", params, 1), out);
    if (method == "SetCiclo") {
        const Params read("SetCiclo", params, 3);
        const std::string year = read.requiredYear(0);
        const QDate first = firstOfMonth(read, 1, "o início do ciclo");
        const QDate last = firstOfMonth(read, 2, "o fim do ciclo");
        change(context, "SetCiclo", [&](sql::Connection& connection, const ChangeStamp& stamp) {
            VersionAdmin(connection, stamp).storeCycle(year, first, last);
        });
        return PacketWriter::writeEmpty(out);
    }
    if (method == "GetFasesCad") {
        Params("GetFasesCad", params, 0);
        return getFasesCad(out);
    }
    if (method == "SetFasesCad") {
        const Params read("SetFasesCad", params, 1);
        const std::vector<CatalogueChange> changes = readCatalogueDelta(read.at(0).json);
        change(context, "SetFasesCad", [&](sql::Connection& connection, const ChangeStamp& stamp) {
            applyCatalogueChanges(connection, changes, stamp);
        });
        return PacketWriter::writeEmpty(out);
    }
    if (method == "GetConclusoes")
        return getConclusoes(Params("GetConclusoes", params, 2), out);
    if (method == "RegistraConclusao") {
        registraConclusao(Params("RegistraConclusao", params, 4), context);
        return PacketWriter::writeEmpty(out);
    }
    if (method == "RetiraConclusao") {
        retiraConclusao(Params("RetiraConclusao", params, 4), context);
        return PacketWriter::writeEmpty(out);
    }
    throwMethodNotFound(serverName(), method);
}

void AdminModule::getVersoesAno(const Params& params, std::string& out) {
    const std::string year = params.requiredYear(0);
    ConnectionLease connection = m_database->acquire();
    const std::vector<VersionSummary> versions = AdminStore(*connection).versions(year);
    writeVersions(out, versions, versions.empty() ? 0 : versions.front().version.version);
}

void AdminModule::novaVersao(const Params& params, const CallContext& context, std::string& out) {
    const std::string year = params.requiredYear(0);
    const VersionAdmin::Origin origin = originOf(params);
    const std::string description = params.trimmedText(2, "a descrição", DescriptionLength);
    std::optional<VersionSummary> created;
    change(context, "NovaVersao", [&](sql::Connection& connection, const ChangeStamp& stamp) {
        const qint64 number = VersionAdmin(connection, stamp).create(year, origin, description);
        created = AdminStore(connection).version(year, number);
    });
    writeVersions(out, {*created}, created->version.version);
}

void AdminModule::getCiclo(const Params& params, std::string& out) {
    const std::string year = params.requiredYear(0);
    ConnectionLease connection = m_database->acquire();
    const auto [cycle, stored] = storedOrDefaultCycle(*connection, year);
    PacketWriter writer(out);
    writer.begin(admindatasets::Cycle);
    writer.beginRow();
    writer.text(year);
    writer.dateTime(cycle.firstMonth);
    writer.dateTime(cycle.lastMonth);
    writer.text(stored ? "S" : "N");
    writer.endRow();
    writer.end();
}

void AdminModule::getFasesCad(std::string& out) {
    ConnectionLease connection = m_database->acquire();
    PacketWriter writer(out);
    writer.begin(admindatasets::Catalogue);
    for (const PhaseRecord& phase : CalendarStore(*connection).phases()) {
        writer.beginRow();
        writer.text(phase.code);
        writer.text(phase.name);
        writer.text(phase.calculation);
        writer.text(phase.blocked);
        writer.endRow();
    }
    writer.end();
}

void AdminModule::getConclusoes(const Params& params, std::string& out) {
    const std::string year = params.requiredYear(0);
    const qint64 version = params.integer(1, "a versão", 1, MaxVersion);
    ConnectionLease connection = m_database->acquire();
    PacketWriter writer(out);
    writer.begin(admindatasets::Conclusions);
    for (const ConcludedRecord& use : AdminStore(*connection).conclusions(year, version)) {
        writer.beginRow();
        writer.text(use.key.code);
        writer.text(use.name);
        writer.text(use.branch);
        writer.dateTime(use.concludedAt);
        writer.endRow();
    }
    writer.end();
}

void AdminModule::registraConclusao(const Params& params, const CallContext& context) {
    const ConclusionKey conclusion(params);
    change(context, "RegistraConclusao", [&](sql::Connection& connection, const ChangeStamp& stamp) {
        // The calendar's saves check concluded phases under this lock: none changes the phase meanwhile.
        CalendarStore(connection).lockCalendar(conclusion.key.year, conclusion.key.version);
        AdminStore store(connection);
        if (!store.hasCalendarRow(conclusion.key))
            throw RuleRefused(QStringLiteral("A fase %1 não está %2.")
                                  .arg(qs(conclusion.key.code), conclusion.calendarName()));
        if (store.hasConclusion(conclusion.key, conclusion.branch))
            throw RuleRefused(
                QStringLiteral("A filial %1 já concluiu a fase %2 %3.")
                    .arg(qs(conclusion.branch), qs(conclusion.key.code), conclusion.calendarName()));
        TableStore(connection).insert(ConcludedRecord{conclusion.key, conclusion.branch, {}, stamp.when});
        std::string recorded;
        packet::ObjectWriter object(recorded);
        object.text("CDFILIAL", conclusion.branch);
        object.end();
        stamp.record(connection, recorded, conclusion.key);
    });
}

void AdminModule::retiraConclusao(const Params& params, const CallContext& context) {
    const ConclusionKey conclusion(params);
    change(context, "RetiraConclusao", [&](sql::Connection& connection, const ChangeStamp& stamp) {
        CalendarStore(connection).lockCalendar(conclusion.key.year, conclusion.key.version);
        AdminStore store(connection);
        if (!store.hasConclusion(conclusion.key, conclusion.branch))
            throw RuleRefused(
                QStringLiteral("A filial %1 não concluiu a fase %2 %3.")
                    .arg(qs(conclusion.branch), qs(conclusion.key.code), conclusion.calendarName()));
        store.removeConclusion(conclusion.key, conclusion.branch);
        std::string recorded;
        packet::ObjectWriter object(recorded);
        object.text("CDFILIAL", conclusion.branch);
        object.end();
        stamp.record(connection, recorded, conclusion.key);
    });
}

}  // namespace

std::unique_ptr<RemoteDataModule> makeAdminModule(std::shared_ptr<Database> database,
                                                  const ServerClock& clock) {
    return std::make_unique<AdminModule>(std::move(database), clock);
}

}  // namespace zrm::server
