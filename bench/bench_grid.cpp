// Costs of a data grid as its dataset changes, on grids of 1,000 and 10,000 rows: a state change
// (Edit, then Cancel), a post of one edited row, a row inserted then cancelled, a row deleted, and a
// post that moves a row across the whole index. A cost that does not grow with the rows shows as the
// same time for both sizes.

#include "bench/benchmain.h"
#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/packet/localzone.h"
#include "framework/ui/dbgrid.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

QString text(const char* value) {
    return QString::fromLatin1(value);
}

// A shown grid over an indexed dataset of rows phase rows, the cursor in the middle.
struct GridFixture {
    explicit GridFixture(int rows) {
        data.AddIntegerField(text("ID"));
        data.AddStringField(text("CDFASE"), 10);
        data.AddStringField(text("NMFASE"), 100);
        data.AddDateTimeField(text("DTINI"));
        data.AddFloatField(text("VALOR"));
        data.AddIndex(text("Ordena"), text("DTINI;"));
        data.SetIndexName(text("Ordena"));
        zrm::DataPacket packet;
        packet.fields = data.FieldDefs();
        const QDateTime base(QDate(2020, 1, 1), QTime(0, 0));
        for (int i = 0; i < rows; ++i) {
            packet.rows.append({qint64(i), QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0')),
                                QStringLiteral("Fase de orçamento número %1").arg(i), base.addDays(i % 3650),
                                double(i) * 1.5});
        }
        data.SetData(packet);
        source.SetDataSet(&data);
        grid.SetDataSource(&source);
        grid.resize(640, 400);
        grid.show();
        QApplication::processEvents();
        data.SetRecNo(rows / 2);
    }

    TClientDataSet data;
    TDataSource source;
    TDBGrid grid;
};

void BM_GridStateChange(benchmark::State& state) {
    GridFixture fixture(int(state.range(0)));
    for (auto _ : state) {
        fixture.data.Edit();
        fixture.data.Cancel();
    }
}
BENCHMARK(BM_GridStateChange)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_GridPost(benchmark::State& state) {
    GridFixture fixture(int(state.range(0)));
    TField* value = fixture.data.FieldByName(text("VALOR"));
    double next = 0;
    for (auto _ : state) {
        fixture.data.Edit();
        value->SetAsFloat(next += 1);
        fixture.data.Post();
    }
}
BENCHMARK(BM_GridPost)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_GridInsertCancel(benchmark::State& state) {
    GridFixture fixture(int(state.range(0)));
    for (auto _ : state) {
        fixture.data.Insert();
        fixture.data.Cancel();
    }
}
BENCHMARK(BM_GridInsertCancel)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The current row deleted; a row like it is put back untimed, so that every delete starts from as
// many rows.
void BM_GridDelete(benchmark::State& state) {
    GridFixture fixture(int(state.range(0)));
    TField* start = fixture.data.FieldByName(text("DTINI"));
    for (auto _ : state) {
        const QDateTime date = start->AsDateTime();
        fixture.data.Delete();
        state.PauseTiming();
        fixture.data.Insert();
        start->SetAsDateTime(date);
        fixture.data.Post();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridDelete)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A post whose new date sends the row from one end of the index to the other, and back the next time.
void BM_GridPostMove(benchmark::State& state) {
    GridFixture fixture(int(state.range(0)));
    TField* start = fixture.data.FieldByName(text("DTINI"));
    const QDateTime dates[] = {QDateTime(QDate(2100, 1, 1), QTime(0, 0)),
                               QDateTime(QDate(1990, 1, 1), QTime(0, 0))};
    std::size_t next = 0;
    for (auto _ : state) {
        fixture.data.Edit();
        start->SetAsDateTime(dates[next++ % 2]);
        fixture.data.Post();
    }
}
BENCHMARK(BM_GridPostMove)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    zrm::pinLocalTimeZone();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return zrm::bench::runBenchmarks(argc, argv);
}
