#pragma once
/** @brief One frame of engine audio: left then right, 32-bit floats. A new frame is silent.
 *
 * Every engine buffer is an array of these, 8 bytes a frame, so byte counts are frames x 8
 * and a block may be handed on as interleaved floats. */

struct CStereoFrame
{
    float left = 0.0f;
    float right = 0.0f;
};

static_assert(sizeof(CStereoFrame) == 8, "engine buffers are interleaved float pairs");
