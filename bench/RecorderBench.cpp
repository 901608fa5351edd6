// Cost of the recording callback per 10 ms block (plain; live with all four effects; live with the
// session mix) at 44.1 and 96 kHz, the session queue under the engine's bursts of 20000 frames,
// and the time from StopRecording to a finished file. The budget of a block is its 10 ms.
#include "audio/COptions.h"
#include "audio/CQueueStream.h"
#include "audio/CRecordingSession.h"
#include "model/CSegments.h"
#include "platform/audio/AudioSystem.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QString>

#include <cstdint>
#include <vector>

namespace
{

enum Variant : int
{
    kPlain,
    kLiveEffects,
    kLiveMix,
};

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

COptions Options(unsigned rate)
{
    COptions options;
    options.m_exportFormatType = COptions::kFormatWav;
    options.m_exportSampleType = COptions::kSample16Bit;
    options.m_qualityType = rate == 96000 ? 5 : 2;
    return options;
}

QString FilePath()
{
    return QDir::tempPath() + QStringLiteral("/vorna-recorder-bench.wav");
}

// Arguments: variant, rate. A 16-bit WAV in the temporary folder, as a recording is written.
void BM_RecordBlock(benchmark::State& state)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    const auto variant = static_cast<Variant>(state.range(0));
    const auto rate = static_cast<unsigned>(state.range(1));
    const std::uint32_t frames = rate / 100;
    const COptions options = Options(rate);
    auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
    for (std::size_t e = 0; e < CEffectsLocal::kEffectCount; ++e)
    {
        segment->m_effects.m_switch[e] = true;
        segment->m_effects.m_level[e].SetValue(50.0);
    }
    segment->m_volume.SetValue(80.0);
    segment->m_balance.SetValue(50.0);
    CRecordingSession session;
    session.Open(&options, 3600.0, variant == kPlain ? nullptr : segment.get(),
                 CRecordingSession::DeviceMode::None);
    session.SetLive(variant != kPlain);
    session.SetMonitor(variant != kPlain);
    session.CreateFile(FilePath());
    const auto source = Noise(frames);
    std::vector<CStereoFrame> block(frames);
    for (auto _ : state)
    {
        if (variant == kLiveMix)
            session.PushSessionFrames(source.data(), frames);
        block = source;
        benchmark::DoNotOptimize(session.ProcessBlock(block.data(), frames));
    }
    session.Close();
    QDir().remove(FilePath());
    state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(BM_RecordBlock)
    ->ArgsProduct({{kPlain, kLiveEffects, kLiveMix}, {44100, 96000}})
    ->ArgNames({"variant", "rate"})
    ->Unit(benchmark::kMicrosecond);

// The session queue: the engine's bursts of 20000 frames in, 10 ms blocks out.
void BM_QueueBursts(benchmark::State& state)
{
    CQueueStream queue;
    queue.Create(44100, 2);
    const auto burst = Noise(20000);
    std::vector<CStereoFrame> out(441);
    for (auto _ : state)
    {
        queue.PutData(burst.data(), 20000);
        std::uint32_t got = 0;
        while (got < 20000)
            got += queue.GetData(out.data(), 441);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_QueueBursts)->Unit(benchmark::kMicrosecond);

// From StopRecording to the finished file, after a minute of 44.1 kHz recording.
void BM_StopToClosedFile(benchmark::State& state)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    const COptions options = Options(44100);
    const auto source = Noise(441);
    std::vector<CStereoFrame> block(441);
    CRecordingSession session;
    session.Open(&options, 0.0, nullptr, CRecordingSession::DeviceMode::None);
    for (auto _ : state)
    {
        state.PauseTiming();
        session.CreateFile(FilePath());
        for (int i = 0; i < 6000; ++i)
        {
            block = source;
            session.ProcessBlock(block.data(), 441);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(session.StopRecording());
    }
    session.Close();
    QDir().remove(FilePath());
}
BENCHMARK(BM_StopToClosedFile)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
