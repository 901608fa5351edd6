#pragma once
// Test generators and a small session builder for the engine tests. The generators stand in
// for the real kinds where a test needs to know exactly what a track emits.

#include "audio/AudioMessage.h"
#include "audio/CMixer.h"
#include "audio/CSound.h"
#include "audio/MixerEvents.h"
#include "audio/OfflineRenderer.h"
#include "model/CSegments.h"
#include "model/CTracks.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

namespace vtest
{

/** What a generator saw, for the walk tests (appended on the worker, read after Stop). */
struct SoundEvent
{
    enum Kind
    {
        kInit,
        kTerminate
    } kind;
    std::uint32_t position;
    std::uint32_t absoluteFrame;
    bool operator==(const SoundEvent&) const = default;
};

/** Emits its position in the segment as the left sample and 1 as the right one, with no
 *  fades and a base gain of 1: what a track outputs then says which frame of which segment
 *  the engine asked for. Can fail at an absolute frame, or in Init, and can take its time
 *  in Init. */
class ProbeSound : public CSound
{
public:
    struct Script
    {
        std::vector<SoundEvent> events;
        std::int64_t failAtFrame = -1; ///< GetSample fails at this absolute frame
        bool failInit = false;
        std::chrono::microseconds initDelay{0};
        enum Signal
        {
            kPosition,
            kSine,
            kDc,
            kNan
        } signal = kPosition;
        double amplitude = 1.0;
        double hz = 1000.0;
    };

    explicit ProbeSound(std::shared_ptr<Script> script) : m_script(std::move(script)) {}

    bool Init() override
    {
        m_script->events.push_back({SoundEvent::kInit, m_position, m_absoluteFrame});
        if (m_script->initDelay.count() > 0)
            std::this_thread::sleep_for(m_script->initDelay);
        if (m_script->failInit)
        {
            m_errorText = QStringLiteral("probe init failed");
            return false;
        }
        return CSound::Init();
    }
    bool Terminate() override
    {
        m_script->events.push_back({SoundEvent::kTerminate, m_position, m_absoluteFrame});
        return CSound::Terminate();
    }
    bool GetSample(CStereoFrame& frame) override
    {
        if (m_script->failAtFrame >= 0 && std::int64_t{m_absoluteFrame} == m_script->failAtFrame)
        {
            m_errorText = QStringLiteral("probe read failed");
            return false;
        }
        switch (m_script->signal)
        {
        case Script::kPosition:
            frame = {static_cast<float>(m_position), 1.0f};
            break;
        case Script::kSine:
        {
            const double v = m_script->amplitude *
                             std::sin(2.0 * std::numbers::pi * m_script->hz * m_absoluteFrame / m_rate);
            frame = {static_cast<float>(v), static_cast<float>(v)};
            break;
        }
        case Script::kDc:
            frame = {static_cast<float>(m_script->amplitude), static_cast<float>(m_script->amplitude)};
            break;
        case Script::kNan:
            frame = {std::nanf(""), 1.0f};
            break;
        }
        return true;
    }
    double GetBaseGain() const noexcept override { return 1.0; }
    bool HasFades() const noexcept override { return false; }

private:
    std::shared_ptr<Script> m_script;
};

/** Records what the engine tells the view, and the message boxes of the audio services while
 *  it lives. */
class RecordingEvents : public rt::MixerEvents
{
public:
    RecordingEvents()
        : m_previous(audio::SetMessageSink(
              [this](const QString& text)
              {
                  std::lock_guard lock(m_mutex);
                  m_messages.push_back(text);
              }))
    {
    }
    ~RecordingEvents() override { audio::SetMessageSink(std::move(m_previous)); }
    RecordingEvents(const RecordingEvents&) = delete;
    RecordingEvents& operator=(const RecordingEvents&) = delete;

    void PostMixerError(QString text) override
    {
        std::lock_guard lock(m_mutex);
        m_errors.push_back(std::move(text));
    }
    std::vector<QString> Messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::vector<QString> Errors() const
    {
        std::lock_guard lock(m_mutex);
        return m_errors;
    }

private:
    mutable std::mutex m_mutex;
    audio::MessageSink m_previous;
    std::vector<QString> m_messages;
    std::vector<QString> m_errors;
};

/** A session of tracks for the engine, with a script per track for its probe generator. */
struct ProbeSession
{
    CTracks tracks;
    std::vector<std::shared_ptr<ProbeSound::Script>> scripts;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    RecordingEvents events;
    CPlaybackParams params;

    ProbeSession(std::uint32_t rate, std::uint32_t seconds)
    {
        params.m_tracks = &tracks;
        params.m_rate = rate;
        params.m_sessionSeconds = seconds;
        params.m_brainwavesGlobal = &brainwaves;
        params.m_bilateralGlobal = &bilateral;
        params.m_notifyWindow = &events;
    }

    /** A new active track of @p kind; returns its index. */
    std::int32_t AddTrack(std::int32_t kind = CSegment::kKindNoise)
    {
        tracks.InsertTrack(tracks.GetCount(), kind);
        scripts.push_back(std::make_shared<ProbeSound::Script>());
        return tracks.GetCount() - 1;
    }

    /** A segment from @p begin to @p end (fractions) at full volume, centred. */
    CSegment& AddSegment(std::int32_t track, double begin, double end)
    {
        CTrack& t = tracks.GetTrack(track);
        auto segment = CSegments::CreateSegment(t.m_kind);
        segment->m_begin = begin;
        segment->m_end = end;
        segment->m_volume.SetValue(100.0);
        segment->m_balance.SetValue(50.0);
        CSegment& result = *segment;
        t.m_segments.AddSegment(std::move(segment));
        return result;
    }

    /** Makes @p mixer build probe generators with this session's scripts, by track order. */
    void Install(CMixer& mixer)
    {
        auto next = std::make_shared<std::size_t>(0);
        mixer.SetSoundFactory(
            [this, next](std::int32_t) -> std::unique_ptr<CSound>
            {
                // Tracks without segments get no generator, so count through the tracks that have
                // some; a new playback starts again at the first.
                if (*next >= scripts.size())
                    *next = 0;
                while (*next < scripts.size() &&
                       tracks.GetTrack(static_cast<std::int32_t>(*next)).m_segments.GetCount() == 0)
                    ++*next;
                if (*next >= scripts.size())
                    return nullptr;
                return std::make_unique<ProbeSound>(scripts[(*next)++]);
            });
    }

    std::uint32_t TotalFrames() const { return params.m_rate * params.m_sessionSeconds; }
};

/** Renders @p frames frames of @p session offline in requests of @p request frames. */
inline std::vector<float> RenderOffline(ProbeSession& session, std::uint64_t frames,
                                        std::function<std::uint32_t()> plan,
                                        rt::MixerBlockSink* sink = nullptr, CMixer* useMixer = nullptr)
{
    CMixer own;
    CMixer& mixer = useMixer ? *useMixer : own;
    session.Install(mixer);
    rt::OfflineRenderer renderer(mixer);
    std::vector<float> out(frames * 2, -99.0f);
    if (!renderer.Start(session.params, sink))
        return {};
    renderer.Render(out.data(), frames, plan);
    renderer.Stop();
    return out;
}

inline std::function<std::uint32_t()> Fixed(std::uint32_t n)
{
    return [n] { return n; };
}

} // namespace vtest
