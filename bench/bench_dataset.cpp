// Costs of the client dataset that grow with its size: a post in an indexed dataset, a delta with
// one change, and loading a packet compared with parsing its JSON alone.

#include "bench/benchmain.h"
#include "framework/data/clientdataset.h"
#include "framework/packet/localzone.h"
#include "framework/packet/packet.h"

#include <QJsonDocument>

#include <benchmark/benchmark.h>

#include <random>

namespace {

QString text(const char* value) {
    return QString::fromLatin1(value);
}

const char* const Months[] = {"JAN", "FEV", "MAR", "ABR", "MAI", "JUN",
                              "JUL", "AGO", "SET", "OUT", "NOV", "DEZ"};

// A calendar-like packet: 20 columns per row, start dates spread over ten years in random order.
zrm::DataPacket calendarPacket(int rows) {
    zrm::DataPacket packet;
    packet.fields = {{text("NRANOORCOPERAC"), zrm::FieldType::String, 4},
                     {text("CDVERSCALENORCA"), zrm::FieldType::Float, 0},
                     {text("CDFASEORCOPERAC"), zrm::FieldType::String, 10},
                     {text("IDBLOQFASEORCA"), zrm::FieldType::String, 1},
                     {text("NMFASEORCOPERAC"), zrm::FieldType::String, 100},
                     {text("DTINIFASEORCA"), zrm::FieldType::DateTime, 0},
                     {text("DTFINFASEORCA"), zrm::FieldType::DateTime, 0},
                     {text("IDFASECALCORCA"), zrm::FieldType::String, 1}};
    for (const char* month : Months)
        packet.fields.append({text("IDPERMCALC") + QString::fromLatin1(month), zrm::FieldType::String, 1});
    std::mt19937 random(7130);
    const QDateTime base(QDate(2020, 1, 1), QTime(0, 0));
    for (int i = 0; i < rows; ++i) {
        const QDateTime start = base.addDays(random() % 3650);
        zrm::Row row{text("2026"),
                     2.0,
                     QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0')),
                     text("N"),
                     QStringLiteral("Fase de orçamento número %1").arg(i),
                     start,
                     start.addDays(30),
                     text("S")};
        for (int m = 0; m < 12; ++m)
            row.append(m % 2 ? text("S") : text("N"));
        packet.rows.append(row);
    }
    return packet;
}

void loadIndexed(TClientDataSet& data, int rows) {
    data.AddFields(calendarPacket(0).fields);
    data.AddIndex(text("Ordena"), text("DTINIFASEORCA;"));
    data.SetIndexName(text("Ordena"));
    data.SetData(calendarPacket(rows));
}

// Edit and post one row of an indexed dataset: its start date changes, so the row moves.
void BM_PostIndexed(benchmark::State& state) {
    TClientDataSet data;
    loadIndexed(data, int(state.range(0)));
    TField* start = data.FieldByName(text("DTINIFASEORCA"));
    std::mt19937 random(1);
    const QDateTime base(QDate(2020, 1, 1), QTime(0, 0));
    for (auto _ : state) {
        data.SetRecNo(1 + int(random() % data.RecordCount()));
        data.Edit();
        start->SetAsDateTime(base.addDays(random() % 3650));
        data.Post();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostIndexed)->Arg(1000)->Arg(10000)->Arg(100000);

// The delta of a dataset with one pending change.
void BM_GetDeltaOneChange(benchmark::State& state) {
    TClientDataSet data;
    loadIndexed(data, int(state.range(0)));
    data.SetRecNo(data.RecordCount() / 2);
    data.Edit();
    data.FieldByName(text("IDPERMCALCJAN"))->SetAsString(text("S"));
    data.Post();
    for (auto _ : state)
        benchmark::DoNotOptimize(data.GetDelta());
}
BENCHMARK(BM_GetDeltaOneChange)->Arg(1000)->Arg(100000);

// Decoding a packet's bytes and loading them into an indexed dataset…
void BM_SetData(benchmark::State& state) {
    const QByteArray bytes = zrm::packet::encode(calendarPacket(int(state.range(0))));
    TClientDataSet data;
    loadIndexed(data, 0);
    for (auto _ : state)
        data.SetData(zrm::packet::decodePacket(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_SetData)->Arg(10000)->Unit(benchmark::kMillisecond);

// …against parsing the same bytes into a plain JSON document.
void BM_JsonParseBaseline(benchmark::State& state) {
    const QByteArray bytes = zrm::packet::encode(calendarPacket(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_JsonParseBaseline)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    zrm::pinLocalTimeZone();
    return zrm::bench::runBenchmarks(argc, argv);
}
