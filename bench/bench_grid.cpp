// The grid work of one "Complete" and one accuracy check must stay far below what an
// operator could notice (well under a millisecond).
#include "grid/Accuracy.h"
#include "grid/Complete.h"
#include "tests/grid/TestSite.h"

#include <benchmark/benchmark.h>

using namespace zelvan;
using namespace zelvan::grid;

namespace
{

const FixedClock kClock{QDateTime(QDate(2026, 7, 4), QTime(9, 5, 7))};

void BM_SolveTransform(benchmark::State& state)
{
    const WorkingSet site = test::TestSite().workingSet();
    for (auto _ : state) {
        WorkingSet ws = site;
        benchmark::DoNotOptimize(solve_transform(ws));
        benchmark::DoNotOptimize(ws.solveMatrix[8][9]);
    }
}
BENCHMARK(BM_SolveTransform);

void BM_Complete(benchmark::State& state)
{
    const SetupScreenTexts texts = test::TestSite().texts();
    for (auto _ : state) {
        GridStore store;
        WorkingSet ws;
        GridFlags flags;
        const CompleteResult r = completeSetup(texts, CompleteSettings(), store, ws, flags, kClock);
        if (!r.accepted())
            state.SkipWithError("set-up not accepted");
        benchmark::DoNotOptimize(r.setupBlock.size());
    }
}
BENCHMARK(BM_Complete)->Unit(benchmark::kMicrosecond);

void BM_AccuracyMesh(benchmark::State& state)
{
    const test::TestSite site;
    WorkingSet solved = site.workingSet();
    if (!solve_transform(solved)) {
        state.SkipWithError("no grid to check");
        return;
    }
    AccuracyInput in;
    in.texts = site.texts();
    in.mode = AccuracyMode::Advanced;
    for (auto _ : state) {
        WorkingSet ws = solved;
        const AccuracyResult r = runAccuracyCheck(in, ws, kClock);
        if (r.points.size() != 49)
            state.SkipWithError("mesh incomplete");
        benchmark::DoNotOptimize(r.fileLines.size());
    }
}
BENCHMARK(BM_AccuracyMesh)->Unit(benchmark::kMicrosecond);

} // namespace
