#pragma once

// What every benchmark program's main does once its application object (if any) exists: runs the
// benchmarks the command line selects.

#include <benchmark/benchmark.h>

namespace zrm::bench {

// Returns main's exit status: 1 for arguments the benchmark library does not know.
inline int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace zrm::bench
