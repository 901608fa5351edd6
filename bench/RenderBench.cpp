// The engine's render speed on the heavy reference session: ten minutes, every kind on two
// tracks (16) or one (8), every segment the whole session, entrainment, bilateral movement
// with a 50 ms cubic delay, all four effects with graph-mode levels, volume and balance in
// graph mode, bells with all twelve instruments, noise with automatic graphs, voice shuffling
// three OGG files, both playlists over two OGG files (ambient music sliced, nature looped),
// external audio looping an OGG file, breathwork with the installed prompts. Rendered offline
// through the mixer's own stream procedure, in requests of a tenth of a second.
//
// Figures: x_realtime (audio seconds per second of rendering), x_realtime_cpu (the same per
// CPU second of the process, which a busy machine does not lower), p99 and maximum request time
// as a share of the request's duration (steady state, and the first request, where every
// segment starts), allocations per steady-state request, and how many tracks had to use a
// stand-in sine generator because this build has no generator of their kind yet.
//
// VORNA_BENCH_REALTIME_SECONDS=300 adds a real-time run of that length on the null device,
// which reports the output's underruns.
#include "audio/CMixer.h"
#include "audio/CSound.h"
#include "audio/OfflineRenderer.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegments.h"
#include "model/CTracks.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/SoundWriter.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <new>
#include <numbers>
#include <thread>
#include <vector>

namespace
{
std::atomic<std::uint64_t> g_allocations{0};
}

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace
{

using Clock = std::chrono::steady_clock;

// CPU seconds of the whole process (the mixer's worker does the rendering), so that the speed
// can be told apart from what other processes take of the machine.
double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}
constexpr std::uint32_t kSessionSeconds = 600;

// Stands in for a kind whose generator this build lacks: a sine per track, so the rest of the
// chain (gain, graphs, entrainment, bilateral, effects) still runs as it would.
class StandInSound : public CSound
{
public:
    explicit StandInSound(double hz) : m_hz(hz) {}
    bool GetSample(CStereoFrame& frame) override
    {
        m_phase += m_hz / m_rate;
        m_phase -= std::floor(m_phase);
        const auto v = static_cast<float>(0.3 * std::sin(2.0 * std::numbers::pi * m_phase));
        frame = {v, v};
        return true;
    }
    double GetBaseGain() const noexcept override { return 1.0; }
    bool HasFades() const noexcept override { return true; }

private:
    double m_hz;
    double m_phase = 0.0;
};

// Sound files for the file kinds, made once: OGG Vorbis at 44.1 kHz stereo, so every track
// decodes and (at other rates) resamples as it would with a real library. The process runs in
// a private home, so nothing is written into the user's documents.
struct Media
{
    QTemporaryDir home;
    std::vector<QString> voice;    // three 10 s files
    std::vector<QString> playlist; // two 60 s files
    QString external;              // 30 s, looped

    Media()
    {
        setenv("HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
        for (int i = 0; i < 3; ++i)
            voice.push_back(Write(QString("voice%1.ogg").arg(i), 10, 200.0 + 50 * i));
        for (int i = 0; i < 2; ++i)
            playlist.push_back(Write(QString("music%1.ogg").arg(i), 60, 330.0 + 110 * i));
        external = Write("external.ogg", 30, 523.0);
    }

    QString Write(const QString& name, int seconds, double hz) const
    {
        constexpr unsigned rate = 44100;
        const QString path = home.path() + "/" + name;
        plat::SoundWriter writer;
        writer.Open(path, plat::SoundWriter::Format::OggVorbis, rate, 2);
        std::vector<float> block(2 * rate);
        for (int s = 0; s < seconds; ++s)
        {
            for (unsigned i = 0; i < rate; ++i)
            {
                const double t = s + double(i) / rate;
                const double v = 0.3 * std::sin(2.0 * std::numbers::pi * hz * t) * (0.6 + 0.4 * std::sin(t));
                block[2 * i] = static_cast<float>(v);
                block[2 * i + 1] = static_cast<float>(0.8 * v);
            }
            writer.Write(block.data(), rate);
        }
        writer.Close();
        return path;
    }

    static const Media& Get()
    {
        static const Media media;
        return media;
    }
};

CGraph Wave(double low, double high)
{
    CGraph graph;
    for (int i = 0; i < 48; ++i)
        graph.AddPoint({i / 47.0, low + (high - low) * (0.5 + 0.5 * std::sin(i * 0.7))});
    graph.SetSmooth(1);
    return graph;
}

struct HeavySession
{
    CTracks tracks;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    CPlaybackParams params;
    int standIns = 0;

    HeavySession(std::uint32_t rate, int copies)
    {
        params.m_tracks = &tracks;
        params.m_rate = rate;
        params.m_sessionSeconds = kSessionSeconds;
        params.m_segmentFadeSeconds = 3.0;
        params.m_playlistFadeSeconds = 2.0;
        params.m_brainwavesGlobal = &brainwaves;
        params.m_bilateralGlobal = &bilateral;
        brainwaves.m_property.SetValue(7.5);
        bilateral.m_property.SetValue(30.0);
        for (int copy = 0; copy < copies; ++copy)
            for (std::int32_t kind = 0; kind < CSegment::kKindCount; ++kind)
                AddTrack(kind);
    }

    void AddTrack(std::int32_t kind)
    {
        tracks.InsertTrack(tracks.GetCount(), kind);
        auto segment = CSegments::CreateSegment(kind);
        segment->m_begin = 0.0;
        segment->m_end = 1.0;
        segment->m_volume.SetGraph(Wave(60.0, 100.0));
        segment->m_balance.SetGraph(Wave(30.0, 70.0));
        for (std::size_t e = 0; e < CEffectsLocal::kEffectCount; ++e)
        {
            segment->m_effects.m_switch[e] = true;
            segment->m_effects.m_level[e].SetGraph(Wave(20.0, 60.0));
        }
        segment->m_brainwaves.m_enabled = true;
        segment->m_brainwaves.m_method = kind == CSegment::kKindTone ? CBrainwavesLocal::kMethodBinaural
                                                                     : CBrainwavesLocal::kMethodIsochronic;
        segment->m_bilateral.m_enabled = true;
        segment->m_bilateral.m_delay.SetValue(5.0);
        segment->m_bilateral.m_cubic = true;
        if (auto* bells = dynamic_cast<CSegmentBells*>(segment.get()))
        {
            bells->m_instruments.clear();
            for (std::int32_t i = 0; i < CSegmentBells::kInstrumentCount; ++i)
                bells->m_instruments.push_back(i);
        }
        if (auto* noise = dynamic_cast<CSegmentNoise*>(segment.get()))
            for (CSmartProperty* p :
                 {&noise->m_smoothness, &noise->m_filter, &noise->m_frequency, &noise->m_sharpness})
                p->SetMode(CSmartProperty::kModeAutoGraph);
        const Media& media = Media::Get();
        if (auto* voice = dynamic_cast<CSegmentSuggestions*>(segment.get()))
        {
            for (const QString& path : media.voice)
                voice->m_files.push_back({path, 0});
            voice->m_playMode = CSegmentSuggestions::kPlayModeShuffle; // keeps speaking all session
            voice->m_interval.SetValue(2.0);
        }
        if (auto* playlist = dynamic_cast<model::PlaylistSegment*>(segment.get()))
            for (const QString& path : media.playlist)
                playlist->m_files.push_back({path, 0});
        if (auto* external = dynamic_cast<CSegmentMusicExt*>(segment.get()))
        {
            external->m_path = media.external;
            external->m_loop = true;
        }
        tracks.GetTrack(tracks.GetCount() - 1).m_segments.AddSegment(std::move(segment));
        if (!CMixer::CreateKindSound(kind))
            ++standIns;
    }

    void Install(CMixer& mixer)
    {
        mixer.SetSoundFactory(
            [n = 0](std::int32_t kind) mutable -> std::unique_ptr<CSound>
            {
                ++n;
                if (auto sound = CMixer::CreateKindSound(kind))
                    return sound;
                return std::make_unique<StandInSound>(110.0 * n);
            });
    }
};

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

// Arguments: tracks (8 or 16), rate, seconds of the session to render.
void BM_RenderSession(benchmark::State& state)
{
    const int copies = static_cast<int>(state.range(0)) / 8;
    const auto rate = static_cast<std::uint32_t>(state.range(1));
    const auto seconds = static_cast<std::uint32_t>(state.range(2));
    const std::uint32_t request = rate / 10;
    const std::uint32_t requests = seconds * 10;
    const double requestSeconds = double(request) / rate;
    std::vector<float> buffer(std::size_t{request} * 2);
    std::vector<double> steady;
    steady.reserve(requests);
    double first = 0.0, wall = 0.0, cpu = 0.0;
    std::uint64_t allocations = 0;
    int standIns = 0;
    for (auto _ : state)
    {
        HeavySession session(rate, copies);
        standIns = session.standIns;
        CMixer mixer;
        session.Install(mixer);
        rt::OfflineRenderer renderer(mixer);
        if (!renderer.Start(session.params))
        {
            state.SkipWithError("the session did not start");
            return;
        }
        steady.clear();
        const auto begin = Clock::now();
        const double cpuBegin = ProcessCpuSeconds();
        for (std::uint32_t i = 0; i < requests; ++i)
        {
            const std::uint64_t before = g_allocations.load(std::memory_order_relaxed);
            const auto t0 = Clock::now();
            renderer.Request(buffer.data(), request);
            const double took = std::chrono::duration<double>(Clock::now() - t0).count();
            if (i == 0)
                first = took;
            else
            {
                steady.push_back(took);
                allocations += g_allocations.load(std::memory_order_relaxed) - before;
            }
            benchmark::DoNotOptimize(buffer.data());
        }
        wall = std::chrono::duration<double>(Clock::now() - begin).count();
        cpu = ProcessCpuSeconds() - cpuBegin;
        renderer.Stop();
    }
    state.counters["x_realtime"] = seconds / wall;
    state.counters["x_realtime_cpu"] = seconds / cpu;
    state.counters["p99_share"] = Percentile(steady, 0.99) / requestSeconds;
    state.counters["max_share"] =
        steady.empty() ? 0.0 : *std::max_element(steady.begin(), steady.end()) / requestSeconds;
    state.counters["first_share"] = first / requestSeconds;
    state.counters["allocs_per_request"] = steady.empty() ? 0.0 : double(allocations) / steady.size();
    state.counters["standin_tracks"] = standIns;
}
BENCHMARK(BM_RenderSession)
    ->ArgNames({"tracks", "rate", "seconds"})
    ->Args({8, 44100, 60})
    ->Args({16, 44100, 60})
    ->Args({8, 96000, 60})
    ->Args({16, 96000, 60})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the meters cost the UI thread while a session plays: GetSpectrum(16) and GetLevels.
void BM_MeterReadOuts(benchmark::State& state)
{
    HeavySession session(44100, 1);
    CMixer mixer;
    session.Install(mixer);
    rt::OfflineRenderer renderer(mixer);
    renderer.Start(session.params);
    std::vector<float> buffer(4410 * 2);
    renderer.Request(buffer.data(), 4410);
    std::vector<double> bands(16);
    for (auto _ : state)
    {
        double left = 0, right = 0;
        mixer.GetSpectrum(bands);
        mixer.GetLevels(left, right);
        benchmark::DoNotOptimize(bands.data());
        benchmark::DoNotOptimize(left);
    }
    renderer.Stop();
}
BENCHMARK(BM_MeterReadOuts)->Unit(benchmark::kMicrosecond);

// A playback in real time on the null device, paced as a sound card would be.
void BM_RealTimeNullDevice(benchmark::State& state, int seconds)
{
    std::uint64_t underruns = 0, startUnderruns = 0;
    double position = 0.0;
    for (auto _ : state)
    {
        plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
        HeavySession session(44100, 2);
        CMixer mixer;
        session.Install(mixer);
        if (!mixer.Play(session.params, nullptr))
        {
            state.SkipWithError("the session did not start");
            return;
        }
        // The first seconds hold every segment's start (instruments, delay lines, file opens).
        std::this_thread::sleep_for(std::chrono::seconds(std::min(seconds, 5)));
        startUnderruns = mixer.Underruns();
        std::this_thread::sleep_for(std::chrono::seconds(seconds > 5 ? seconds - 5 : 0));
        position = mixer.GetPosition();
        underruns = mixer.Underruns();
        mixer.Stop();
    }
    state.counters["position_s"] = position;
    state.counters["mixer_underruns"] = double(underruns);
    state.counters["underruns_first_5s"] = double(startUnderruns);
}

const bool g_realTimeRegistered = []
{
    if (const char* text = std::getenv("VORNA_BENCH_REALTIME_SECONDS"))
    {
        const int seconds = std::atoi(text);
        if (seconds > 0)
            benchmark::RegisterBenchmark("BM_RealTimeNullDevice", BM_RealTimeNullDevice, seconds)
                ->Iterations(1)
                ->Unit(benchmark::kSecond)
                ->UseRealTime();
    }
    return true;
}();

} // namespace
