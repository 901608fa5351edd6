// The block renderer with its tracks spread over the render pool: the output must be the same
// bits whatever the number of threads and whichever thread rendered which track, random kinds
// included; errors reach the view as with one thread; steady blocks allocate nothing on any
// thread (CMixerTest); and the read-outs may be polled while the pool renders (meaningful
// under TSan).
#include "MixerFixtures.h"
#include "SoundMedia.h"

#include "audio/RenderPool.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "platform/Random.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numeric>
#include <random>
#include <set>
#include <thread>

namespace
{

using namespace std::chrono_literals;
using Format = plat::SoundWriter::Format;
using vtest::Fixed;

constexpr std::uint32_t kRate = 22050;
constexpr std::uint32_t kSeconds = 6;
constexpr std::uint32_t kFrames = kRate * kSeconds;

// Every index of every Run runs exactly once, whatever the threads asked for (more than the
// pool has, or than there are tasks), and Run returns only after the last one.
TEST(RenderPool, RunsEveryTaskOnceAndReturnsAfterTheLast)
{
    rt::RenderPool pool;
    pool.Start(3);
    ASSERT_EQ(pool.Helpers(), 3u);
    struct Tally
    {
        std::vector<std::atomic<int>> runs = std::vector<std::atomic<int>>(64);
    } tally;
    const auto task = [](void* context, std::uint32_t i) noexcept
    {
        if (i % 7 == 0)
            std::this_thread::sleep_for(50us); // a slow task must still be waited for
        static_cast<Tally*>(context)->runs[i].fetch_add(1, std::memory_order_relaxed);
    };
    for (const unsigned threads : {0u, 1u, 2u, 4u, 9u})
        for (const std::uint32_t count : {0u, 1u, 3u, 64u})
        {
            SCOPED_TRACE(testing::Message() << threads << " threads, " << count << " tasks");
            for (int round = 0; round < 20; ++round)
            {
                for (auto& r : tally.runs)
                    r.store(0);
                pool.Run(threads, count, task, &tally);
                for (std::uint32_t i = 0; i < 64; ++i)
                    ASSERT_EQ(tally.runs[i].load(), i < count ? 1 : 0) << "task " << i;
            }
        }
    pool.Stop();
    EXPECT_EQ(pool.Helpers(), 0u);
    for (auto& r : tally.runs)
        r.store(0);
    pool.Run(4, 3, task, &tally); // no helpers left: the caller runs them all
    EXPECT_EQ(tally.runs[2].load(), 1);
}

CGraph Wave(double low, double high)
{
    CGraph graph;
    for (int i = 1; i < 11; ++i)
        graph.AddPoint({i / 11.0, low + (high - low) * (0.5 + 0.5 * std::sin(i * 1.7))});
    graph.MovePoint(0, 0.0, low);
    graph.MovePoint(graph.GetPointCount() - 1, 1.0, high);
    return graph;
}

// A session with a track of every kind; bells, breathwork, the voice's pauses and both
// playlists draw random numbers while they play.
struct Session : vtest::ProbeSession
{
    Session() : ProbeSession(kRate, kSeconds)
    {
        params.m_segmentFadeSeconds = 0.5;
        params.m_playlistFadeSeconds = 0.3;
        brainwaves.m_property.SetGraph(Wave(0.1, 0.3));
        bilateral.m_property.SetValue(90.0);
    }
    CSegment& Add(std::int32_t kind, double begin = 0.0, double end = 1.0)
    {
        return AddSegment(AddTrack(kind), begin, end);
    }
};

class RenderThreads : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        SetRegString(plat::RegRoot::LocalMachine, "InstallPath", QStringLiteral(VORNA_TEST_DATA_DIR));
        s_shortFile = vtest::MediaPath("threads-short.ogg");
        s_longFile = vtest::MediaPath("threads-long.ogg");
        ASSERT_TRUE(vtest::WriteSine(s_shortFile, Format::OggVorbis, 44100, 2, 44100 * 3 / 2, 330.0, 0.4));
        ASSERT_TRUE(vtest::WriteSine(s_longFile, Format::OggVorbis, 48000, 2, 48000 * 4, 520.0, 0.4));
    }
    static void TearDownTestSuite() { SetRegString(plat::RegRoot::LocalMachine, "InstallPath", ""); }

    static void BuildEveryKind(Session& s)
    {
        {
            CSegment& tone = s.Add(CSegment::kKindTone, 0.0, 0.63);
            dynamic_cast<CSegmentTone&>(tone).m_carrier.SetGraph(Wave(0.1, 0.3));
            tone.m_brainwaves.m_enabled = true;
            tone.m_brainwaves.m_method = CBrainwavesLocal::kMethodBinaural;
            tone.m_bilateral.m_enabled = true;
            tone.m_bilateral.m_delay.SetValue(4.0);
            tone.m_effects.m_switch[CEffectsLocal::kReverb] = true;
            tone.m_effects.m_level[CEffectsLocal::kReverb].SetValue(40.0);
        }
        {
            CSegment& noise = s.Add(CSegment::kKindNoise);
            noise.m_brainwaves.m_enabled = true;
            noise.m_brainwaves.m_method = CBrainwavesLocal::kMethodIsochronic;
            noise.m_volume.SetMode(CSmartProperty::kModeAutoGraph);
            noise.m_effects.m_switch[CEffectsLocal::kChorus] = true;
            noise.m_effects.m_level[CEffectsLocal::kChorus].SetValue(50.0);
        }
        {
            auto& bells = dynamic_cast<CSegmentBells&>(s.Add(CSegment::kKindBells, 0.02, 0.97));
            bells.m_instruments = {0, 3, 6, 10};
            bells.m_density.SetValue(100.0);
        }
        s.Add(CSegment::kKindBreathwork, 0.0, 1.0);
        {
            auto& voice = dynamic_cast<CSegmentSuggestions&>(s.Add(CSegment::kKindVoice, 0.1, 1.0));
            voice.m_files = {{s_shortFile, 0}, {s_shortFile, 0}};
        }
        {
            auto& music = dynamic_cast<CSegmentAmbientMusic&>(s.Add(CSegment::kKindAmbientMusic));
            music.m_files = {{s_shortFile, 0}, {s_longFile, 0}};
        }
        {
            auto& nature = dynamic_cast<CSegmentNatureBG&>(s.Add(CSegment::kKindNature, 0.2, 0.9));
            nature.m_files = {{s_longFile, 0}, {s_shortFile, 0}, {s_longFile, 0}};
        }
        {
            auto& external = dynamic_cast<CSegmentMusicExt&>(s.Add(CSegment::kKindExternalAudio, 0.4, 1.0));
            external.m_path = s_shortFile;
            external.m_loop = true;
        }
        // A second noise track starting inside blocks, so segment starts meet the pool too.
        s.Add(CSegment::kKindNoise, 0.37, 0.81).m_bilateral.m_enabled = true;
    }

    /** The session rendered by the real kinds on @p threads threads, every block split. */
    static std::vector<float> Render(unsigned threads, std::function<std::uint32_t()> plan)
    {
        plat::SetRandomSeedOverride(4321u);
        Session session;
        BuildEveryKind(session);
        CMixer mixer;
        mixer.SetRenderThreads(threads);
        mixer.SetWorkPerThread(0.0);
        rt::OfflineRenderer offline(mixer);
        std::vector<float> out(std::size_t{kFrames} * 2, -99.0f);
        if (offline.Start(session.params))
        {
            offline.Render(out.data(), kFrames, std::move(plan));
            offline.Stop();
        }
        plat::SetRandomSeedOverride(std::nullopt);
        EXPECT_TRUE(session.events.Errors().empty()) << session.events.Errors().front().toStdString();
        EXPECT_TRUE(session.events.Messages().empty()) << session.events.Messages().front().toStdString();
        return out;
    }

    static inline QString s_shortFile;
    static inline QString s_longFile;
};

std::function<std::uint32_t()> RandomPlan(std::uint32_t seed)
{
    auto random = std::make_shared<std::mt19937>(seed);
    return [random] { return std::uniform_int_distribution<std::uint32_t>(1, 20000)(*random); };
}

// A shared random stream, a thread's own flush-to-zero mode, or a sum in the order the tracks
// finished would each make the threaded output differ from the one-thread output.
TEST_F(RenderThreads, OutputIsTheSameBitsOnEveryNumberOfThreads)
{
    const std::pair<const char*, std::function<std::function<std::uint32_t()>()>> plans[] = {
        {"441", [] { return Fixed(441); }},
        {"4410", [] { return Fixed(4410); }},
        {"20000", [] { return Fixed(20000); }},
        {"random", [] { return RandomPlan(3); }},
    };
    for (const auto& [name, make] : plans)
    {
        SCOPED_TRACE(name);
        const auto expected = Render(1, make());
        const double energy = std::inner_product(expected.begin(), expected.end(), expected.begin(), 0.0);
        ASSERT_GT(std::sqrt(energy / expected.size()), 1e-2) << "the session sounds";
        for (const unsigned threads : {3u, 8u})
        {
            SCOPED_TRACE(testing::Message() << threads << " threads");
            const auto out = Render(threads, make());
            ASSERT_EQ(out.size(), expected.size());
            std::size_t differ = 0;
            while (differ < out.size() && std::memcmp(&out[differ], &expected[differ], sizeof(float)) == 0)
                ++differ;
            EXPECT_EQ(differ, out.size()) << "first difference at frame " << differ / 2;
        }
    }
}

// Emits 1 on both channels, notes the threads that rendered it, takes its time now and then so
// that the helpers get tracks to render, and can fail at an absolute frame with its own text.
class ThreadProbe : public CSound
{
public:
    struct Log
    {
        std::mutex mutex;
        std::set<std::thread::id> threads;
    };

    ThreadProbe(std::shared_ptr<Log> log, std::int64_t failAt, QString text)
        : m_log(std::move(log)), m_failAt(failAt), m_text(std::move(text))
    {
    }
    bool GetSample(CStereoFrame& frame) override
    {
        if (std::int64_t{m_absoluteFrame} == m_failAt)
        {
            m_errorText = m_text;
            return false;
        }
        if (m_position % 1000 == 0)
        {
            std::lock_guard lock(m_log->mutex);
            m_log->threads.insert(std::this_thread::get_id());
            std::this_thread::sleep_for(200us);
        }
        frame = {1.0f, 1.0f};
        return true;
    }
    double GetBaseGain() const noexcept override { return 1.0; }
    bool HasFades() const noexcept override { return false; }

private:
    std::shared_ptr<Log> m_log;
    std::int64_t m_failAt;
    QString m_text;
};

// Tracks do render on the pool's helpers; when two fail in the same block, the first in track
// order is the one error the view gets, on every number of threads, and the failing block and
// everything after it are silent.
TEST(RenderThreadsErrors, TheFirstFailingTrackInTrackOrderIsPosted)
{
    constexpr std::uint32_t kProbeRate = 8000;
    constexpr std::uint32_t kBlock = 2000;
    for (const unsigned threads : {1u, 4u})
    {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        vtest::ProbeSession session(kProbeRate, 10);
        auto log = std::make_shared<ThreadProbe::Log>();
        for (int i = 0; i < 8; ++i)
            session.AddSegment(session.AddTrack(), 0.0, 1.0);
        CMixer mixer;
        auto next = std::make_shared<int>(0);
        mixer.SetSoundFactory(
            [log, next](std::int32_t) -> std::unique_ptr<CSound>
            {
                const int track = (*next)++;
                // Tracks 5 and 2 fail inside the same block, the later track a frame earlier.
                const std::int64_t failAt = track == 2 ? 30500 : track == 5 ? 30499 : -1;
                return std::make_unique<ThreadProbe>(log, failAt,
                                                     QStringLiteral("track %1 failed").arg(track));
            });
        mixer.SetRenderThreads(threads);
        mixer.SetWorkPerThread(0.0);
        rt::OfflineRenderer renderer(mixer);
        ASSERT_TRUE(renderer.Start(session.params));
        std::vector<float> out(std::size_t{kProbeRate} * 10 * 2, -1.0f);
        EXPECT_EQ(renderer.Render(out.data(), kProbeRate * 10, Fixed(kBlock)), kProbeRate * 10);
        renderer.Stop();
        EXPECT_EQ(out[2 * (30000 - 1)], 8.0f) << "every track sounds before the failing block";
        for (std::size_t f = 30000; f < kProbeRate * 10; ++f)
            ASSERT_EQ(out[2 * f], 0.0f) << "frame " << f;
        const auto errors = session.events.Errors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0], QStringLiteral("track 2 failed"));
        std::lock_guard lock(log->mutex);
        if (threads > 1)
            EXPECT_GT(log->threads.size(), 1u) << "the helpers rendered tracks";
        else
            EXPECT_EQ(log->threads.size(), 1u);
    }
}

// A meter's thread reads position, heard frame, levels, spectrum and load while the pool
// renders every kind: under TSan any read-out or generator state shared without an atomic shows.
TEST_F(RenderThreads, ReadOutsMayBePolledWhileThePoolRenders)
{
    Session session;
    BuildEveryKind(session);
    CMixer mixer;
    mixer.SetRenderThreads(4);
    mixer.SetWorkPerThread(0.0);
    rt::OfflineRenderer renderer(mixer);
    ASSERT_TRUE(renderer.Start(session.params));
    std::atomic<bool> polling{true};
    std::atomic<bool> backwards{false};
    std::thread meter(
        [&]
        {
            std::vector<double> bands(16);
            std::uint64_t heard = 0;
            while (polling.load())
            {
                double l = 0, r = 0;
                mixer.GetLevels(l, r);
                mixer.GetSpectrum(bands);
                (void)mixer.GetPosition();
                (void)mixer.GetCpuLoad();
                (void)mixer.IsPlaying();
                const std::uint64_t now = mixer.GetHeardFrame();
                if (now < heard)
                    backwards.store(true);
                heard = now;
            }
        });
    std::vector<float> out(std::size_t{kFrames} * 2);
    const std::uint64_t done = renderer.Render(out.data(), kFrames, Fixed(1024));
    polling.store(false);
    meter.join();
    EXPECT_EQ(done, kFrames);
    EXPECT_FALSE(backwards.load()) << "the heard frame went backwards";
    EXPECT_EQ(mixer.GetHeardFrame(), kFrames);
    renderer.Stop();
    EXPECT_TRUE(session.events.Errors().empty());
}

} // namespace
