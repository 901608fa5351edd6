#pragma once
/** @brief One frame of engine audio: left then right, 32-bit floats. A new frame is silent.
 *
 * Every engine buffer is an array of these, 8 bytes a frame, so byte counts are frames x 8
 * and a block may be handed on as interleaved floats (AsSamples, AsFrames). */

#include <span>

struct CStereoFrame
{
    float left = 0.0f;
    float right = 0.0f;
};

static_assert(sizeof(CStereoFrame) == 8, "engine buffers are interleaved float pairs");

namespace audio
{

/** The frames as their interleaved samples, left then right: the same memory, twice as many floats. */
inline std::span<const float> AsSamples(std::span<const CStereoFrame> frames)
{
    return {reinterpret_cast<const float*>(frames.data()), 2 * frames.size()};
}

/** Interleaved samples as frames: the same memory; an odd last sample belongs to no frame. */
inline std::span<const CStereoFrame> AsFrames(std::span<const float> samples)
{
    return {reinterpret_cast<const CStereoFrame*>(samples.data()), samples.size() / 2};
}

} // namespace audio
