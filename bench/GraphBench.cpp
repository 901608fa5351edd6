// Cost of evaluating a property once per audio frame, by mode.
#include "model/CSmartProperty.h"

#include <benchmark/benchmark.h>

static void BM_GraphLookup(benchmark::State& state)
{
    CSmartProperty p;
    p.Init(1, 0, 100);
    for (int i = 1; i < state.range(0) - 1; ++i)
        p.GetGraph().AddPoint({i / double(state.range(0)), (i % 7) / 7.0});
    p.SetMode(1);
    double t = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(p.GetValueAt(t));
        t += 1e-6;
        if (t > 1)
            t = 0;
    }
}
BENCHMARK(BM_GraphLookup)->Arg(2)->Arg(16)->Arg(256);

static void BM_AutoGraph(benchmark::State& state)
{
    CSmartProperty p;
    p.Init(2, 0, 100);
    p.StartAutoGraph(44100);
    for (auto _ : state)
        benchmark::DoNotOptimize(p.GetValueAt(0));
}
BENCHMARK(BM_AutoGraph);
