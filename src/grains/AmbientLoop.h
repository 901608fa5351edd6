#pragma once
/** @brief The loop tool's creation pipeline and the steps after the grain render: the low-pass filter,
 *  the closing of the sound into a seamless loop and the final normalisation.
 *
 * All of it is called on the UI thread; the loop closing and the normalisation share their passes
 * with other threads when asked to (@p threads, 0 for one per core), with the same result. Buffers
 * are interleaved stereo floats (left, right); a frame count is half the number of floats. */

#include <cstddef>
#include <cstdint>
#include <vector>

class CGrainSynth;

namespace dlg
{

class WorkProgress;

/** The tool's sliders, with their defaults. */
struct AmbientLoopSettings
{
    double quality = 0.5; ///< 0.01 .. 1
    int loopSeconds = 40;
    double scan = 0.5;
    double texture = 0.5;
    double sharpness = 0.5;
    double filter = 0.5;          ///< 0 .. 0.99; 0 skips the filter
    double selectionStart = 0.05; ///< fractions of the source
    double selectionEnd = 0.95;
    double normaliseLevel = 0.5;
};

/** Low-pass filters each channel with its own one-pole filter whose pole is @p filter, from the first
 *  frame to the last (y = (1 - p) x + p y', unity gain at DC). A filter of 0 does nothing at all.
 *  Throws plat::InvalidArgumentError for a filter outside 0 .. 1 (1 excluded). */
void FilterOutput(float* frames, std::size_t frameCount, double filter, WorkProgress* progress);

/** Closes the rendered sound of rate x (loopSeconds + 3) frames, in place, into a loop of rate x
 *  loopSeconds frames: 3-second equal-power fades at both ends, the second half moved to the front and
 *  the faded start added over the faded end, so that the loop's last frame runs into its first as in
 *  the rendered sound. Throws plat::InvalidArgumentError when @p output has another length or the
 *  loop is shorter than 3 seconds. */
void MakeLoop(std::vector<float>& output, int rate, int loopSeconds, WorkProgress* progress,
              unsigned threads = 1);

/** Scales the sound so that its largest absolute sample is @p level; silence stays silent. */
void NormalizeOutput(float* frames, std::size_t frameCount, double level, WorkProgress* progress,
                     unsigned threads = 1);

/** The creation pipeline: the grain engine's Setup, SetSource (the selection in frames), SetOutput
 *  and Render, then FilterOutput, MakeLoop and NormalizeOutput, the last two on as many threads as
 *  the engine's render. @p output is allocated by the caller with rate x (loopSeconds + 3) frames. @p
 * creating is the tool's flag, which its Cancel handler clears from inside the pumping (and calls
 * CGrainSynth::Cancel); each step runs only while it is set. Returns true with the loop in @p output, or
 * false with @p output emptied when cancelled or when the render had no memory. Throws
 * plat::InvalidArgumentError for settings out of range, an empty selection or an output of the wrong length,
 * before anything is rendered. */
bool CreateAmbientLoop(CGrainSynth& synth, int rate, const AmbientLoopSettings& settings, const float* source,
                       std::uint32_t sourceFrames, std::vector<float>& output, WorkProgress* progress,
                       const bool& creating);

} // namespace dlg
