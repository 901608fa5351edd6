// Cost of the bells sound per instrument and frame: twelve bells of one type (type -1: one of
// each type) at full density, rendered as the mixer does (GetSample and PostProcess), with
// flush-to-zero on and off; and the same instruments ticked bare. per_bell_frame is the
// figure to keep at or below 100 ns with flush-to-zero on.
#include "audio/CEffectsProcessor.h"
#include "audio/CSoundBells.h"
#include "audio/StkSetup.h"
#include "model/CBilateralGlobal.h"
#include "model/CBrainwavesGlobal.h"
#include "model/CSegmentBells.h"
#include "platform/audio/DenormalGuard.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace
{

constexpr unsigned kRate = 44100;
constexpr unsigned kSeconds = 3600;
constexpr int kBells = 12;
constexpr int kMixed = -1; // one bell of each type
constexpr std::uint32_t kBlockFrames = 4096;

// per_frame: seconds per frame of the whole sound; per_bell_frame: per instrument and frame.
void PerFrame(benchmark::State& state, std::uint32_t frames)
{
    const auto kPer = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
    state.counters["per_frame"] = benchmark::Counter(double(frames), kPer);
    state.counters["per_bell_frame"] = benchmark::Counter(double(frames) * kBells, kPer);
}

void BM_Bells(benchmark::State& state)
{
    const int type = int(state.range(0));
    const bool flushToZero = state.range(1) != 0;

    CSegmentBells segment;
    segment.SetDefaults();
    for (int i = 0; i < kBells; ++i)
        segment.m_instruments.push_back(type == kMixed ? i : type);
    segment.m_density.SetValue(100.0);
    segment.m_toneRange = CSegmentBells::kToneRangeAll;
    for (auto& on : segment.m_effects.m_switch) // the chain is measured on its own elsewhere
        on = false;
    segment.m_begin = 0.0;
    segment.m_end = 1.0;

    CEffectsProcessor effects;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    brainwaves.StartClock(0, kRate, kRate * kSeconds);
    bilateral.StartClock(0, kRate, kRate * kSeconds);

    CSoundBells bells;
    bells.m_rate = kRate;
    bells.m_sessionSeconds = kSeconds;
    bells.m_segment = &segment;
    bells.m_effects = &effects;
    bells.m_segmentEnd = kRate * kSeconds;
    bells.m_segmentLength = kRate * kSeconds;
    bells.m_brainwavesGlobal = &brainwaves;
    bells.m_bilateralGlobal = &bilateral;
    if (!bells.Init())
    {
        state.SkipWithError(bells.GetErrorText().toStdString().c_str());
        return;
    }

    std::vector<CStereoFrame> block(kBlockFrames);
    for (auto _ : state)
    {
        std::optional<plat::DenormalGuard> guard;
        if (flushToZero)
            guard.emplace();
        for (CStereoFrame& frame : block)
        {
            bells.GetSample(frame);
            bells.PostProcess(frame);
            ++bells.m_position;
            ++bells.m_absoluteFrame;
        }
        guard.reset();
        benchmark::DoNotOptimize(block.data());
        if (bells.m_position >= bells.m_segmentLength - kBlockFrames)
            state.SkipWithError("ran past the segment");
    }
    PerFrame(state, kBlockFrames);
    bells.Terminate();
}

// The same twelve instruments ticked bare, without the sound around them: what STK itself
// costs on this machine, against which the sound's own share shows.
void BM_BareInstruments(benchmark::State& state)
{
    const int type = int(state.range(0));
    audio::PrepareStk(kRate);
    std::vector<std::unique_ptr<stk::Instrmnt>> instruments;
    for (int i = 0; i < kBells; ++i)
    {
        instruments.push_back(CSoundBells::CreateInstrument(type == kMixed ? i : type));
        if (!instruments.back())
        {
            state.SkipWithError("an instrument could not be made (STK's raw wave missing?)");
            return;
        }
        instruments.back()->noteOn(CSoundBells::kNotes[std::size_t(i)], 1.0);
    }
    const plat::DenormalGuard guard;
    std::vector<double> block(kBlockFrames);
    for (auto _ : state)
    {
        for (double& out : block)
        {
            double sum = 0.0;
            for (const auto& instrument : instruments)
                sum += instrument->tick();
            out = sum;
        }
        benchmark::DoNotOptimize(block.data());
    }
    PerFrame(state, kBlockFrames);
}

void BellArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"type", "ftz"});
    for (int ftz : {1, 0})
    {
        for (int type = 0; type < 12; ++type)
            b->Args({type, ftz});
        b->Args({kMixed, ftz});
    }
}

void BareArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"type"});
    for (int type = 0; type < 12; ++type)
        b->Args({type});
    b->Args({kMixed});
}

} // namespace

BENCHMARK(BM_Bells)->Apply(BellArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareInstruments)->Apply(BareArgs)->Unit(benchmark::kMicrosecond);
