// The engine's render speed on three sessions, rendered offline through the mixer's own stream
// procedure in requests of a tenth of a second, on one core (CMixer::SetRenderThreads(1): the
// worker renders every track) and, in the AllCores variants, on every core (the default: the
// worker and its render pool share out each block's tracks):
// - the typical session: eight tracks at 44.1 kHz, one of each kind, one segment over the whole
//   session with every property at the constant a new segment of its kind gets, entrainment on
//   at its defaults, reverb and echo at constant levels on three tracks, real OGG media for the
//   file kinds and the installed prompts and noise loops;
// - the tone and pink noise session: a 200 Hz carrier with a 10 Hz binaural beat and no
//   overtones, and a pink noise track;
// - the heavy session: every kind on two tracks (16) or one (8), entrainment, bilateral movement
//   with a 50 ms cubic delay, all four effects with graph-mode levels, volume and balance in
//   graph mode, bells with all twelve instruments, noise with automatic graphs, voice shuffling
//   three OGG files, both playlists over two OGG files (ambient music sliced, nature looped),
//   external audio looping an OGG file, breathwork with the installed prompts.
// Every session lasts ten minutes. The heavy one renders its first minute only: its figure is
// as steady over one minute as over ten (every segment runs the whole session), and the 96 kHz
// sizes would otherwise take minutes.
//
// Figures: x_realtime (audio seconds per second of rendering, the start of the playback and its
// stop included), x_realtime_cpu (the same per CPU second of the process, which a busy machine
// does not lower), p99 and maximum request time
// as a share of the request's duration (steady state, and the first request, where every
// segment starts), allocations per steady-state request, how many tracks had to use a
// stand-in sine generator because this build has no generator of their kind, and the render's
// level: rms_dbfs (0 dBFS is a full-scale square wave) and peak (1 is full scale). A render that
// is silent, has non-finite samples, goes far over full scale or reports a generator failure is
// an error, not a figure.
//
// BM_PlaybackTypical plays the typical session in real time on the null device and reports the
// process's CPU seconds per wall second (output threads included) as cpu_share;
// VORNA_BENCH_PLAYBACK_SECONDS changes its length (20 s).
//
// VORNA_BENCH_REALTIME_SECONDS=300 adds a real-time run of that length of the heavy session (16
// tracks at 44.1 kHz) on the null device, which reports the output's underruns.
#include "audio/CMixer.h"
#include "audio/CSound.h"
#include "audio/OfflineRenderer.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "model/CSegments.h"
#include "model/CTracks.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/SoundWriter.h"

#include <QTemporaryDir>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <numbers>
#include <sstream>
#include <string>
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

// Graph heights are fractions of the property's range (0..1), as the model reads them.
CGraph Wave(double low, double high)
{
    CGraph graph;
    for (int i = 0; i < 48; ++i)
        graph.AddPoint({i / 47.0, low + (high - low) * (0.5 + 0.5 * std::sin(i * 0.7))});
    graph.SetSmooth(1);
    return graph;
}

// Keeps the first generator failure of a playback (the mixer's worker reports it, once, and
// then renders silence), so that a render with a failed track is reported, not measured.
class FailureCatcher : public rt::MixerEvents
{
public:
    void PostMixerError(QString text) override
    {
        m_text = std::move(text);
        m_failed.store(true, std::memory_order_release);
    }
    // After the mixer stopped (its worker is joined).
    bool Failed() const noexcept { return m_failed.load(std::memory_order_acquire); }
    const QString& Text() const noexcept { return m_text; }

private:
    std::atomic<bool> m_failed{false};
    QString m_text;
};

// A session to play: its tracks, the two session-wide clocks and the playback settings, which
// point into the object (so it is made once and never moved).
struct Session
{
    CTracks tracks;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    FailureCatcher failures;
    CPlaybackParams params;
    int standIns = 0;

    explicit Session(std::uint32_t rate)
    {
        params.m_tracks = &tracks;
        params.m_rate = rate;
        params.m_sessionSeconds = kSessionSeconds;
        params.m_segmentFadeSeconds = 3.0;
        params.m_playlistFadeSeconds = 2.0;
        params.m_brainwavesGlobal = &brainwaves;
        params.m_bilateralGlobal = &bilateral;
        params.m_notifyWindow = &failures;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // A new track of @p kind holding one segment over the whole session, with the settings a
    // new segment of that kind gets; the caller changes what it needs.
    CSegment& AddTrack(std::int32_t kind)
    {
        tracks.InsertTrack(tracks.GetCount(), kind);
        auto segment = CSegments::CreateSegment(kind);
        segment->m_begin = 0.0;
        segment->m_end = 1.0;
        CSegment& added = *segment;
        tracks.GetTrack(tracks.GetCount() - 1).m_segments.AddSegment(std::move(segment));
        if (!CMixer::CreateKindSound(kind))
            ++standIns;
        return added;
    }

    void Install(CMixer& mixer) const
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

using SessionPtr = std::unique_ptr<Session>;

SessionPtr MakeHeavySession(std::uint32_t rate, int trackCount)
{
    auto session = std::make_unique<Session>(rate);
    session->brainwaves.m_property.SetValue(7.5);
    session->bilateral.m_property.SetValue(30.0);
    const Media& media = Media::Get();
    for (int copy = 0; copy < trackCount / CSegment::kKindCount; ++copy)
        for (std::int32_t kind = 0; kind < CSegment::kKindCount; ++kind)
        {
            CSegment& segment = session->AddTrack(kind);
            segment.m_volume.SetGraph(Wave(0.6, 1.0));  // 60..100 %
            segment.m_balance.SetGraph(Wave(0.3, 0.7)); // 30..70
            for (std::size_t e = 0; e < CEffectsLocal::kEffectCount; ++e)
            {
                segment.m_effects.m_switch[e] = true;
                segment.m_effects.m_level[e].SetGraph(Wave(0.2, 0.6)); // 20..60 %
            }
            segment.m_brainwaves.m_enabled = true;
            segment.m_brainwaves.m_method = kind == CSegment::kKindTone ? CBrainwavesLocal::kMethodBinaural
                                                                        : CBrainwavesLocal::kMethodIsochronic;
            segment.m_bilateral.m_enabled = true;
            segment.m_bilateral.m_delay.SetValue(5.0); // 50 ms
            segment.m_bilateral.m_cubic = true;
            if (auto* bells = dynamic_cast<CSegmentBells*>(&segment))
            {
                bells->m_instruments.clear();
                for (std::int32_t i = 0; i < CSegmentBells::kInstrumentCount; ++i)
                    bells->m_instruments.push_back(i);
            }
            if (auto* noise = dynamic_cast<CSegmentNoise*>(&segment))
                for (CSmartProperty* p :
                     {&noise->m_smoothness, &noise->m_filter, &noise->m_frequency, &noise->m_sharpness})
                    p->SetMode(CSmartProperty::kModeAutoGraph);
            if (auto* voice = dynamic_cast<CSegmentSuggestions*>(&segment))
            {
                for (const QString& path : media.voice)
                    voice->m_files.push_back({path, 0});
                voice->m_playMode = CSegmentSuggestions::kPlayModeShuffle; // keeps speaking all session
                voice->m_interval.SetValue(2.0);
            }
            if (auto* playlist = dynamic_cast<model::PlaylistSegment*>(&segment))
                for (const QString& path : media.playlist)
                    playlist->m_files.push_back({path, 0});
            if (auto* external = dynamic_cast<CSegmentMusicExt*>(&segment))
            {
                external->m_path = media.external;
                external->m_loop = true;
            }
        }
    return session;
}

void SwitchOn(CEffectsLocal& effects, CEffectsLocal::Effect effect, double level)
{
    effects.m_switch[effect].store(true, std::memory_order_relaxed);
    effects.m_level[effect].SetValue(level);
}

// Only the content is chosen here (files, instruments); every property keeps its kind's
// default, the session clocks theirs (4 Hz beat, 60 cycles a minute), bilateral movement is off
// as it is by default. The voice plays its three files in turn as often as the session holds;
// external audio loops its file.
SessionPtr MakeTypicalSession(std::uint32_t rate)
{
    constexpr double kReverbLevel = 50.0; // what a new bells segment has
    constexpr double kEchoLevel = 30.0;
    auto session = std::make_unique<Session>(rate);
    const Media& media = Media::Get();
    for (std::int32_t kind = 0; kind < CSegment::kKindCount; ++kind)
    {
        CSegment& segment = session->AddTrack(kind);
        segment.m_brainwaves.m_enabled = true;
        if (auto* voice = dynamic_cast<CSegmentSuggestions*>(&segment))
        {
            // Each file lasts 10 s and is followed by the default gap.
            const double perFile = 10.0 + voice->m_interval.GetValue();
            for (int i = 0; i * perFile < kSessionSeconds; ++i)
                voice->m_files.push_back({media.voice[static_cast<std::size_t>(i) % media.voice.size()], 0});
            SwitchOn(segment.m_effects, CEffectsLocal::kReverb, kReverbLevel);
            SwitchOn(segment.m_effects, CEffectsLocal::kEcho, kEchoLevel);
        }
        if (auto* playlist = dynamic_cast<model::PlaylistSegment*>(&segment))
        {
            for (const QString& path : media.playlist)
                playlist->m_files.push_back({path, 0});
            if (kind == CSegment::kKindAmbientMusic)
                SwitchOn(playlist->m_effects, CEffectsLocal::kReverb, kReverbLevel);
        }
        if (auto* bells = dynamic_cast<CSegmentBells*>(&segment)) // reverb on at 50 by default
            bells->m_instruments = {0, 5, 10};
        if (auto* external = dynamic_cast<CSegmentMusicExt*>(&segment))
        {
            external->m_path = media.external;
            external->m_loop = true;
        }
    }
    return session;
}

// A tone of 200 Hz with a 10 Hz binaural beat (the session-wide beat) and no overtones, and pink
// noise (the noise's default colour) at its defaults.
SessionPtr MakeToneNoiseSession(std::uint32_t rate)
{
    auto session = std::make_unique<Session>(rate);
    session->brainwaves.m_property.SetValue(10.0);
    auto& tone = static_cast<CSegmentTone&>(session->AddTrack(CSegment::kKindTone));
    tone.m_carrier.SetValue(200.0);
    tone.m_overtones.SetValue(0.0);
    tone.m_brainwaves.m_enabled = true;
    tone.m_brainwaves.m_method = CBrainwavesLocal::kMethodBinaural;
    session->AddTrack(CSegment::kKindNoise);
    return session;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

// The level of everything rendered, so that a broken session (silent, non-finite, clipping far
// over full scale) can never pass for a fast one.
struct RenderLevel
{
    double sumSquares = 0.0;
    std::uint64_t samples = 0;
    double peak = 0.0;
    bool finite = true;

    void Add(const float* interleaved, std::size_t count) noexcept
    {
        double sum = 0.0;
        float top = 0.0f;
        bool ok = true;
        for (std::size_t i = 0; i < count; ++i)
        {
            const float v = interleaved[i];
            ok = ok && std::isfinite(v);
            sum += double(v) * v;
            top = std::max(top, std::fabs(v));
        }
        finite = finite && ok;
        sumSquares += sum;
        samples += count;
        peak = std::max(peak, double(top));
    }
    double RmsDbfs() const
    {
        return samples == 0 || sumSquares <= 0.0 ? -std::numeric_limits<double>::infinity()
                                                 : 10.0 * std::log10(sumSquares / double(samples));
    }
    // Null when the render is sane.
    const char* Fault() const
    {
        if (!finite)
            return "the render has non-finite samples";
        if (RmsDbfs() < -80.0)
            return "the render is silent (below -80 dBFS)";
        if (peak > 4.0)
            return "the render goes far over full scale (peak above +12 dBFS)";
        return nullptr;
    }
    void Report(benchmark::State& state) const
    {
        state.counters["rms_dbfs"] = finite ? RmsDbfs() : std::numeric_limits<double>::quiet_NaN();
        state.counters["peak"] = peak;
    }
};

// Changes the mixer before a render (a variant's setting, such as a thread count); may be empty.
using MixerSetup = std::function<void(CMixer&)>;

// Renders @p seconds of the session @p make builds and reports the figures above.
void RenderSession(benchmark::State& state, const std::function<SessionPtr()>& make, std::uint32_t seconds,
                   const MixerSetup& setup = {})
{
    std::uint32_t request = 0;
    double requestSeconds = 0.0;
    std::vector<float> buffer;
    std::vector<double> steady;
    double first = 0.0, wall = 0.0, cpu = 0.0;
    std::uint64_t allocations = 0;
    int standIns = 0;
    RenderLevel level;
    for (auto _ : state)
    {
        const SessionPtr session = make();
        const std::uint32_t rate = session->params.m_rate;
        request = rate / 10;
        requestSeconds = double(request) / rate;
        const std::uint32_t requests = seconds * 10;
        buffer.assign(std::size_t{request} * 2, 0.0f);
        steady.clear();
        steady.reserve(requests);
        standIns = session->standIns;
        level = {};
        wall = cpu = 0.0;
        allocations = 0;
        CMixer mixer;
        session->Install(mixer);
        if (setup)
            setup(mixer);
        rt::OfflineRenderer renderer(mixer);
        // The start (the tracks and their generators made) and the stop count with the render.
        const double startCpu = ProcessCpuSeconds();
        const auto startWall = Clock::now();
        const bool started = renderer.Start(session->params);
        cpu += ProcessCpuSeconds() - startCpu;
        wall += std::chrono::duration<double>(Clock::now() - startWall).count();
        if (!started)
        {
            state.SkipWithError("the session did not start");
            return;
        }
        for (std::uint32_t i = 0; i < requests; ++i)
        {
            const std::uint64_t before = g_allocations.load(std::memory_order_relaxed);
            const double cpu0 = ProcessCpuSeconds();
            const auto t0 = Clock::now();
            const std::uint32_t got = renderer.Request(buffer.data(), request);
            const double took = std::chrono::duration<double>(Clock::now() - t0).count();
            cpu += ProcessCpuSeconds() - cpu0;
            wall += took;
            if (i == 0)
                first = took;
            else
            {
                steady.push_back(took);
                allocations += g_allocations.load(std::memory_order_relaxed) - before;
            }
            if (got != request)
            {
                renderer.Stop();
                state.SkipWithError("the mixer stopped before the end of the render");
                return;
            }
            level.Add(buffer.data(), buffer.size()); // outside the timed part
        }
        const double stopCpu = ProcessCpuSeconds();
        const auto stopWall = Clock::now();
        renderer.Stop();
        cpu += ProcessCpuSeconds() - stopCpu;
        wall += std::chrono::duration<double>(Clock::now() - stopWall).count();
        if (session->failures.Failed())
        {
            const std::string text = "a generator failed: " + session->failures.Text().toStdString();
            state.SkipWithError(text.c_str());
            return;
        }
        if (const char* fault = level.Fault())
        {
            level.Report(state);
            state.SkipWithError(fault);
            return;
        }
    }
    state.counters["x_realtime"] = seconds / wall;
    state.counters["x_realtime_cpu"] = seconds / cpu;
    state.counters["p99_share"] = Percentile(steady, 0.99) / requestSeconds;
    state.counters["max_share"] =
        steady.empty() ? 0.0 : *std::max_element(steady.begin(), steady.end()) / requestSeconds;
    state.counters["first_share"] = first / requestSeconds;
    state.counters["allocs_per_request"] = steady.empty() ? 0.0 : double(allocations) / steady.size();
    state.counters["standin_tracks"] = standIns;
    level.Report(state);
}

// Seconds rendered of the typical session: half the session, which takes a few seconds at
// today's speed and stays long enough to time at the speed aimed for. The tone and noise
// session renders whole (ten minutes, well under a second).
constexpr std::uint32_t kRenderSeconds = 300;

// The render threads of a variant: 1 for one core, 0 for every core.
MixerSetup Threads(unsigned threads)
{
    return [threads](CMixer& mixer) { mixer.SetRenderThreads(threads); };
}

void BM_RenderTypical(benchmark::State& state)
{
    RenderSession(
        state, [] { return MakeTypicalSession(44100); }, kRenderSeconds, Threads(1));
}
BENCHMARK(BM_RenderTypical)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderTypicalAllCores(benchmark::State& state)
{
    RenderSession(
        state, [] { return MakeTypicalSession(44100); }, kRenderSeconds, Threads(0));
}
BENCHMARK(BM_RenderTypicalAllCores)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderToneNoise(benchmark::State& state)
{
    RenderSession(
        state, [] { return MakeToneNoiseSession(44100); }, kSessionSeconds, Threads(1));
}
BENCHMARK(BM_RenderToneNoise)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ten seconds of it, as a preview or a short render: what the start costs shows here.
void BM_RenderToneNoiseShort(benchmark::State& state)
{
    RenderSession(
        state, [] { return MakeToneNoiseSession(44100); }, 10, Threads(1));
}
BENCHMARK(BM_RenderToneNoiseShort)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderToneNoiseAllCores(benchmark::State& state)
{
    RenderSession(
        state, [] { return MakeToneNoiseSession(44100); }, kSessionSeconds, Threads(0));
}
BENCHMARK(BM_RenderToneNoiseAllCores)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arguments: tracks (8 or 16), rate, seconds of the session to render, render threads (1 for
// one core, 0 for every core).
void BM_RenderHeavy(benchmark::State& state)
{
    const int tracks = static_cast<int>(state.range(0));
    const auto rate = static_cast<std::uint32_t>(state.range(1));
    RenderSession(
        state, [=] { return MakeHeavySession(rate, tracks); }, static_cast<std::uint32_t>(state.range(2)),
        Threads(static_cast<unsigned>(state.range(3))));
}
BENCHMARK(BM_RenderHeavy)
    ->ArgNames({"tracks", "rate", "seconds", "threads"})
    ->Args({8, 44100, 60, 1})
    ->Args({16, 44100, 60, 1})
    ->Args({8, 96000, 60, 1})
    ->Args({16, 96000, 60, 1})
    ->Args({16, 96000, 60, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the meters cost the UI thread while a session plays: GetSpectrum(16) and GetLevels.
void BM_MeterReadOuts(benchmark::State& state)
{
    const SessionPtr session = MakeHeavySession(44100, 8);
    CMixer mixer;
    session->Install(mixer);
    rt::OfflineRenderer renderer(mixer);
    renderer.Start(session->params);
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

// Plays @p session in real time on the null device, paced as a sound card would be, for
// @p seconds; @p settled is called @p settleSeconds in (after every segment's start). Counts
// what the null device played into @p level.
// @p firstSound (may be null) gets the seconds from the call of Play to the first period of the
// device that holds a sample other than zero (-1 when none came). With @p keepLoops the mixer
// first keeps the session's looping files decoded, as the program has it do when a session is
// opened, and Play comes once they are (a person opens a session and then presses Play).
bool PlayOnNullDevice(benchmark::State& state, Session& session, int seconds, int settleSeconds,
                      RenderLevel& level, const std::function<void(CMixer&)>& settled,
                      const std::function<void(CMixer&)>& finished, double* firstSound = nullptr,
                      bool keepLoops = false)
{
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    std::atomic<Clock::rep> soundAt{0}; // the time since the clock's epoch; 0 until it sounds
    plat::AudioSystem::SetNullDeviceMonitor(
        [&level, &soundAt](const float* frames, std::uint32_t count)
        {
            if (soundAt.load(std::memory_order_relaxed) == 0 &&
                std::any_of(frames, frames + std::size_t{count} * 2, [](float v) { return v != 0.0f; }))
                soundAt.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
            level.Add(frames, std::size_t{count} * 2);
        });
    CMixer mixer;
    session.Install(mixer);
    if (keepLoops)
    {
        mixer.KeepLoops(session.params);
        mixer.WaitForKeptLoops();
    }
    const auto playAt = Clock::now();
    const bool playing = mixer.Play(session.params, nullptr);
    if (firstSound != nullptr)
        *firstSound = -1.0;
    if (!playing)
    {
        plat::AudioSystem::SetNullDeviceMonitor({});
        state.SkipWithError("the session did not start");
        return false;
    }
    settleSeconds = std::min(seconds, settleSeconds);
    std::this_thread::sleep_for(std::chrono::seconds(settleSeconds));
    settled(mixer);
    std::this_thread::sleep_for(std::chrono::seconds(seconds - settleSeconds));
    finished(mixer);
    mixer.Stop();
    plat::AudioSystem::SetNullDeviceMonitor({});
    if (const Clock::rep at = soundAt.load(); at != 0 && firstSound != nullptr)
        *firstSound = std::chrono::duration<double>(Clock::time_point(Clock::duration(at)) - playAt).count();
    if (session.failures.Failed())
    {
        const std::string text = "a generator failed: " + session.failures.Text().toStdString();
        state.SkipWithError(text.c_str());
        return false;
    }
    if (const char* fault = level.Fault())
    {
        level.Report(state);
        state.SkipWithError(fault);
        return false;
    }
    return true;
}

// CPU seconds of each thread of the process, by thread id (the kernel's ticks of user and
// system time, 10 ms steps), with the thread's name.
struct ThreadCpu
{
    std::string name;
    double seconds = 0.0;
};
std::map<int, ThreadCpu> ThreadCpuSeconds()
{
    std::map<int, ThreadCpu> threads;
    const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error))
    {
        std::ifstream in(entry.path() / "stat");
        std::string text;
        std::getline(in, text);
        const std::size_t open = text.find('(');
        const std::size_t close = text.rfind(')'); // the name may hold spaces and brackets
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        // Fields 3 (state) to 13, then utime and stime.
        std::istringstream fields(text.substr(close + 1));
        std::string skipped;
        for (int field = 3; field <= 13; ++field)
            fields >> skipped;
        double user = 0.0, system = 0.0;
        if (fields >> user >> system)
            threads[std::atoi(entry.path().filename().c_str())] = {text.substr(open + 1, close - open - 1),
                                                                   (user + system) * tick};
    }
    return threads;
}

// The CPU a playback of the typical session costs: the process's CPU seconds per wall second,
// the mixer's worker, the output's update thread and the null device's thread together (the
// benchmark's own thread sleeps). cpu_share counts from Play on, cpu_share_steady from two
// seconds in, when every segment has started; busiest_thread_share and other_threads_share
// split the steady share between the busiest thread (the worker, as a rule) and the others;
// device_thread_share is the null device's own thread, which on a real machine is the sound
// card's driver, and cpu_share_steady_no_device the steady share without it.
// mixer_cpu_load is the mixer's own read-out; mixer_underruns counts late blocks and short
// device periods, start_underruns those of the first two seconds and steady_underruns those
// from two seconds in; first_sound_ms is the time from the call of Play to the first period of
// the device that is not silent, with the session's looping files kept decoded since it was
// made (as the program keeps an open session's), first_sound_cold_ms the same for a Play
// straight after the session is made, when nothing has been decoded ahead.
void BM_PlaybackTypical(benchmark::State& state)
{
    int seconds = 20;
    if (const char* text = std::getenv("VORNA_BENCH_PLAYBACK_SECONDS"))
        seconds = std::max(3, std::atoi(text));
    double share = 0.0, steadyShare = 0.0, busiest = 0.0, others = 0.0, device = 0.0, load = 0.0,
           position = 0.0;
    double firstSound = -1.0, coldFirstSound = -1.0;
    std::uint64_t underruns = 0, settledUnderruns = 0;
    RenderLevel level;
    for (auto _ : state)
    {
        {
            const SessionPtr cold = MakeTypicalSession(44100);
            RenderLevel coldLevel;
            if (!PlayOnNullDevice(
                    state, *cold, 1, 1, coldLevel, [](CMixer&) {}, [](CMixer&) {}, &coldFirstSound))
                return;
        }
        const SessionPtr session = MakeTypicalSession(44100);
        level = {};
        double cpu0 = ProcessCpuSeconds(), cpu1 = 0.0;
        auto t0 = Clock::now(), t1 = t0;
        std::map<int, ThreadCpu> threads1;
        const bool played = PlayOnNullDevice(
            state, *session, seconds, 2, level,
            [&](CMixer& mixer)
            {
                settledUnderruns = mixer.Underruns();
                cpu1 = ProcessCpuSeconds();
                t1 = Clock::now();
                threads1 = ThreadCpuSeconds();
            },
            [&](CMixer& mixer)
            {
                const double cpu2 = ProcessCpuSeconds();
                const auto t2 = Clock::now();
                const std::map<int, ThreadCpu> threads2 = ThreadCpuSeconds();
                const double steadyWall = std::chrono::duration<double>(t2 - t1).count();
                share = (cpu2 - cpu0) / std::chrono::duration<double>(t2 - t0).count();
                steadyShare = (cpu2 - cpu1) / steadyWall;
                double top = 0.0, all = 0.0, null = 0.0;
                for (const auto& [id, cpu] : threads2)
                {
                    const auto before = threads1.find(id);
                    const double used =
                        cpu.seconds - (before == threads1.end() ? 0.0 : before->second.seconds);
                    top = std::max(top, used);
                    all += used;
                    if (cpu.name == "null-output")
                        null += used;
                }
                busiest = top / steadyWall;
                others = (all - top) / steadyWall;
                device = null / steadyWall;
                load = mixer.GetCpuLoad();
                position = mixer.GetPosition();
                underruns = mixer.Underruns();
            },
            &firstSound, true);
        if (!played)
            return;
    }
    state.counters["cpu_share"] = share;
    state.counters["cpu_share_steady"] = steadyShare;
    state.counters["busiest_thread_share"] = busiest;
    state.counters["other_threads_share"] = others;
    state.counters["device_thread_share"] = device;
    state.counters["cpu_share_steady_no_device"] = steadyShare - device;
    state.counters["mixer_cpu_load"] = load;
    state.counters["position_s"] = position;
    state.counters["mixer_underruns"] = double(underruns);
    state.counters["start_underruns"] = double(settledUnderruns);
    state.counters["steady_underruns"] = double(underruns - settledUnderruns);
    state.counters["first_sound_ms"] =
        firstSound < 0.0 ? std::numeric_limits<double>::quiet_NaN() : firstSound * 1e3;
    state.counters["first_sound_cold_ms"] =
        coldFirstSound < 0.0 ? std::numeric_limits<double>::quiet_NaN() : coldFirstSound * 1e3;
    level.Report(state);
}
BENCHMARK(BM_PlaybackTypical)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The heavy session (16 tracks at 44.1 kHz) in real time on the null device, for its underruns.
void BM_RealTimeNullDevice(benchmark::State& state, int seconds)
{
    std::uint64_t underruns = 0, startUnderruns = 0;
    double position = 0.0;
    RenderLevel level;
    for (auto _ : state)
    {
        const SessionPtr session = MakeHeavySession(44100, 16);
        level = {};
        // The first seconds hold every segment's start (instruments, delay lines, file opens).
        const bool played = PlayOnNullDevice(
            state, *session, seconds, 5, level, [&](CMixer& mixer) { startUnderruns = mixer.Underruns(); },
            [&](CMixer& mixer)
            {
                position = mixer.GetPosition();
                underruns = mixer.Underruns();
            });
        if (!played)
            return;
    }
    state.counters["position_s"] = position;
    state.counters["mixer_underruns"] = double(underruns);
    state.counters["underruns_first_5s"] = double(startUnderruns);
    level.Report(state);
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
