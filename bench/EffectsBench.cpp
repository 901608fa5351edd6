// Cost of a track's effect chain per frame, whole and effect by effect, and of a silent reverb
// tail against a signal (with flush-to-zero, as Process runs, and without it).
#include "audio/CEffectsProcessor.h"
#include "platform/dsp/WavesReverb.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{

constexpr int kRate = 44100;

std::vector<CStereoFrame> Noise(std::size_t frames)
{
    std::vector<CStereoFrame> b(frames);
    std::uint32_t s = 1;
    for (CStereoFrame& f : b)
    {
        s = s * 1664525u + 1013904223u;
        f.left = float(s >> 8) / float(1u << 24) - 0.5f;
        s = s * 1664525u + 1013904223u;
        f.right = float(s >> 8) / float(1u << 24) - 0.5f;
    }
    return b;
}

void PerFrame(benchmark::State& state, std::size_t frames)
{
    state.counters["per_frame"] = benchmark::Counter(
        double(frames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

enum Chain : int
{
    kAll,
    kEnhance,
    kReverb,
    kEcho,
    kChorus,
    kFilter
};

// Arguments: chain, block frames. Levels at 0.5 (the effects' middle settings), filter on a
// 1 kHz band. The source block is copied in each time so the input stays a signal.
void BM_EffectsChain(benchmark::State& state)
{
    const int chain = int(state.range(0));
    const auto frames = std::size_t(state.range(1));
    CEffectsProcessor fx;
    fx.Init(kRate, chain == kAll || chain == kEnhance, chain == kAll || chain == kReverb,
            chain == kAll || chain == kEcho, chain == kAll || chain == kChorus);
    if (chain == kAll || chain == kFilter)
    {
        fx.AddFilter();
        fx.SetFilter(0.5, 1000, 0.5);
    }
    fx.SetEnhanceLevel(0.5);
    fx.SetReverbLevel(0.5);
    fx.SetEchoLevel(0.5);
    fx.SetChorusLevel(0.5);
    const std::vector<CStereoFrame> source = Noise(frames);
    std::vector<CStereoFrame> block = source;
    for (auto _ : state)
    {
        block = source;
        benchmark::DoNotOptimize(fx.Process(block.data(), std::uint32_t(frames)));
        benchmark::ClobberMemory();
    }
    PerFrame(state, frames);
}
BENCHMARK(BM_EffectsChain)
    ->ArgNames({"chain", "frames"})
    ->Args({kAll, 512})
    ->Args({kAll, 20000})
    ->Args({kEnhance, 20000})
    ->Args({kReverb, 20000})
    ->Args({kEcho, 20000})
    ->Args({kChorus, 20000})
    ->Args({kFilter, 20000});

// Argument: 1 for a silent tail (an impulse, then silence long enough for the tail to reach the
// subnormal range), 0 for a noise signal. Through the processor, which flushes to zero.
void BM_ReverbTail(benchmark::State& state)
{
    const bool silent = state.range(0) != 0;
    const std::size_t frames = 4096;
    CEffectsProcessor fx;
    fx.Init(kRate, false, true, false, false);
    fx.SetReverbLevel(1e-30); // 500 ms
    std::vector<CStereoFrame> block(frames);
    const std::vector<CStereoFrame> noise = Noise(frames);
    block[0] = {1.0f, 1.0f};
    for (int i = 0; silent && i < 200; ++i) // about 18 s: the tail is past -700 dB
    {
        fx.Process(block.data(), std::uint32_t(frames));
        block.assign(frames, CStereoFrame{});
    }
    for (auto _ : state)
    {
        if (silent)
            block.assign(frames, CStereoFrame{});
        else
            block = noise;
        benchmark::DoNotOptimize(fx.Process(block.data(), std::uint32_t(frames)));
        benchmark::ClobberMemory();
    }
    PerFrame(state, frames);
}
BENCHMARK(BM_ReverbTail)->ArgName("silent")->Arg(0)->Arg(1);

// The same tail through the reverb alone without flush-to-zero: what the guard saves.
// Run with the thread's default floating-point mode; the tail is held in the subnormal range by
// a tiny input, as a fading generator produces.
void BM_ReverbSubnormalTailWithoutFlush(benchmark::State& state)
{
    const std::size_t frames = 4096;
    dsp::WavesReverb reverb;
    reverb.Prepare(kRate);
    reverb.SetParams({0.0f, -2.0f, 500.0f, 0.5f});
    std::vector<float> block(2 * frames, 1e-39f); // subnormal input
    for (auto _ : state)
    {
        std::fill(block.begin(), block.end(), 1e-39f);
        reverb.Process(block.data(), frames);
        benchmark::ClobberMemory();
    }
    PerFrame(state, frames);
}
BENCHMARK(BM_ReverbSubnormalTailWithoutFlush);

} // namespace
