#pragma once
/** @brief Drives one generator as the mixer does, frame by frame, for offline render tests,
 *  with measurements of what it renders. */

#include "audio/CEffectsProcessor.h"
#include "audio/CSound.h"
#include "model/CBilateralGlobal.h"
#include "model/CBrainwavesGlobal.h"
#include "model/CSegments.h"
#include "platform/Random.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace vtest
{

/** A segment of kind @p Segment (its defaults) and a sound prepared for it as the mixer
 *  prepares one: the segment spans @p length frames at @p rate and playback starts at
 *  @p position inside it. */
template <class Sound, class Segment> struct SoundRig
{
    SoundRig(std::int32_t kind, unsigned rate, std::uint32_t length, std::uint32_t position = 0)
        : segment(std::dynamic_pointer_cast<Segment>(CSegments::CreateSegment(kind)))
    {
        sound.m_rate = rate;
        sound.m_sessionSeconds = length / rate + 1;
        sound.m_segment = segment.get();
        sound.m_effects = &fx;
        sound.m_segmentStart = 0;
        sound.m_segmentEnd = length;
        sound.m_segmentLength = length;
        sound.m_position = position;
        sound.m_absoluteFrame = position;
        sound.m_brainwavesGlobal = &brainwaves;
        sound.m_bilateralGlobal = &bilateral;
    }

    /** @p frames frames of GetSample (and PostProcess when @p post), advancing the position
     *  as the mixer does. Stops at the first false and keeps its error text in @p error. */
    std::vector<CStereoFrame> Render(std::size_t frames, bool post = false)
    {
        std::vector<CStereoFrame> out;
        out.reserve(frames);
        for (std::size_t i = 0; i < frames; ++i)
        {
            CStereoFrame f;
            if (!sound.GetSample(f))
            {
                failed = true;
                error = sound.GetErrorText();
                break;
            }
            if (post)
                sound.PostProcess(f);
            out.push_back(f);
            ++sound.m_position;
            ++sound.m_absoluteFrame;
        }
        return out;
    }

    std::shared_ptr<Segment> segment;
    CEffectsProcessor fx;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    Sound sound;
    bool failed = false;
    QString error;
};

/** Seeds this thread's generator from @p base and returns a generator that gives the same
 *  numbers, so a test can script what the sound will draw. */
inline plat::Random15 ScriptRandom(std::uint32_t base)
{
    RandomUnit(); // the thread's generator takes a seed of its own when first used
    plat::SetRandomSeedOverride(base);
    const std::uint32_t seed = plat::NewRandomSeed();
    plat::SetRandomSeedOverride(base);
    SeedRandom();
    plat::SetRandomSeedOverride(std::nullopt);
    return plat::Random15(seed);
}

/** Amplitude of the @p hz component of the left channel over frames [from, from + count). */
inline double ToneAmplitude(const std::vector<CStereoFrame>& frames, unsigned rate, double hz,
                            std::size_t from, std::size_t count)
{
    double re = 0.0;
    double im = 0.0;
    const double w = 2.0 * std::numbers::pi * hz / rate;
    for (std::size_t i = 0; i < count && from + i < frames.size(); ++i)
    {
        re += frames[from + i].left * std::cos(w * static_cast<double>(i));
        im -= frames[from + i].left * std::sin(w * static_cast<double>(i));
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(count);
}

/** Where the left channel sounds: each run of non-zero frames, runs closer than @p gap
 *  frames of silence being one. */
struct Run
{
    std::size_t start;
    std::size_t length;
};
inline std::vector<Run> SoundingRuns(const std::vector<CStereoFrame>& frames, std::size_t gap = 100)
{
    std::vector<Run> runs;
    std::size_t lastSound = 0;
    bool any = false;
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        if (frames[i].left == 0.0f)
            continue;
        if (!any || i - lastSound > gap)
            runs.push_back({i, 1});
        else
            runs.back().length = i - runs.back().start + 1;
        lastSound = i;
        any = true;
    }
    return runs;
}

} // namespace vtest
