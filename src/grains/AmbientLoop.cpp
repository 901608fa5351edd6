#include "grains/AmbientLoop.h"

#include "grains/CGrainSynth.h"
#include "grains/CGrainSynthThreads.h"
#include "grains/WorkProgress.h"

#include "platform/Errors.h"
#include "platform/audio/DenormalGuard.h"

#include <stk/OnePole.h>

#include <algorithm>
#include <cmath>

namespace dlg
{

namespace
{

void Announce(WorkProgress* progress, const char* status)
{
    if (progress == nullptr)
        return;
    progress->SetPercent(0);
    progress->SetStatus(QString::fromLatin1(status));
}

std::size_t RenderedFrames(int rate, int loopSeconds)
{
    return static_cast<std::size_t>(rate) * static_cast<std::size_t>(loopSeconds + 3);
}

// STK's one-pole with its coefficients in view, so that its step can run in registers.
class OnePoleCoefficients : public stk::OnePole
{
public:
    explicit OnePoleCoefficients(double pole) { setPole(pole); }
    double B0() const { return b_[0]; }
    double A1() const { return a_[1]; }
    double Gain() const { return gain_; }
};

// Frames a thread swaps at a time while the loop's halves change places.
constexpr std::size_t kSwapChunk = 1 << 16;

} // namespace

void FilterOutput(float* frames, std::size_t frameCount, double filter, WorkProgress* progress)
{
    if (!(filter >= 0.0 && filter < 1.0))
        throw plat::InvalidArgumentError("The filter setting is out of range.");
    if (filter == 0.0)
        return;
    Announce(progress, "Filtering sound...");
    // The filters' state decays into denormal doubles over any quiet stretch.
    plat::DenormalGuard denormals;
    // STK's step, y = b0 (gain x) - a1 y', from rest, with the state in registers rather than in the
    // filter object: the same operations on the same doubles.
    const OnePoleCoefficients c(filter);
    const double b0 = c.B0();
    const double a1 = c.A1();
    const double gain = c.Gain();
    double left = 0.0;
    double right = 0.0;
    for (std::size_t i = 0; i < frameCount; ++i)
    {
        left = b0 * (gain * frames[2 * i]) - a1 * left;
        right = b0 * (gain * frames[2 * i + 1]) - a1 * right;
        frames[2 * i] = static_cast<float>(left);
        frames[2 * i + 1] = static_cast<float>(right);
    }
}

void MakeLoop(std::vector<float>& output, int rate, int loopSeconds, WorkProgress* progress, unsigned threads)
{
    // With less than 3 seconds of loop the overlap would start before the sound.
    if (rate < 1 || loopSeconds < 3 || output.size() != 2 * RenderedFrames(rate, loopSeconds))
        throw plat::InvalidArgumentError("The sound does not match the loop length.");
    Announce(progress, "Creating smooth loop...");
    const std::size_t n = output.size() / 2;
    const std::size_t fade = 3 * static_cast<std::size_t>(rate);
    float* out = output.data();
    for (std::size_t i = 0; i < fade; ++i)
    {
        // Equal power: the two gains' squares add up to 1 across the overlap.
        const double gain = std::sqrt(static_cast<double>(i) / static_cast<double>(fade - 1));
        const std::size_t end = n - 1 - i;
        out[2 * i] = static_cast<float>(out[2 * i] * gain);
        out[2 * i + 1] = static_cast<float>(out[2 * i + 1] * gain);
        out[2 * end] = static_cast<float>(out[2 * end] * gain);
        out[2 * end + 1] = static_cast<float>(out[2 * end + 1] * gain);
    }

    // Swap the halves in place: the whole second half comes first (for an odd length it is one frame
    // longer than the first half, and the loop's last frame comes from it). A second buffer of the
    // sound's size would cost as much again in fresh memory as all the rest of this step.
    const std::size_t half = n / 2;
    const std::size_t secondHalf = n - half;
    if (half == secondHalf)
        ForEachChunk(threads, half, kSwapChunk,
                     [out, half](std::size_t begin, std::size_t end)
                     { std::swap_ranges(out + 2 * begin, out + 2 * end, out + 2 * (half + begin)); });
    else
        std::rotate(out, out + 2 * half, out + 2 * n);
    // The faded start, now right after the faded end, is added over it; the rest of the first half
    // moves up behind it. 0 + x keeps the bits (and zero signs) of adding into a zeroed buffer.
    float* overlap = out + 2 * (secondHalf - fade);
    const float* start = out + 2 * secondHalf;
    for (std::size_t j = 0; j < 2 * fade; ++j)
        overlap[j] += start[j];
    for (std::size_t j = 2 * fade; j < 2 * half; ++j)
        overlap[j] = 0.0f + start[j];

    output.resize(2 * static_cast<std::size_t>(rate) * static_cast<std::size_t>(loopSeconds));
}

void NormalizeOutput(float* frames, std::size_t frameCount, double level, WorkProgress* progress,
                     unsigned threads)
{
    Announce(progress, "Normalizing volume...");
    CGrainSynth::Normalize(frames, 2 * frameCount, level, threads);
}

bool CreateAmbientLoop(CGrainSynth& synth, int rate, const AmbientLoopSettings& settings, const float* source,
                       std::uint32_t sourceFrames, std::vector<float>& output, WorkProgress* progress,
                       const bool& creating)
{
    if (rate < 1 || settings.loopSeconds < 3 ||
        output.size() != 2 * RenderedFrames(rate, settings.loopSeconds))
        throw plat::InvalidArgumentError("The output does not match the loop length.");
    if (!(settings.selectionStart >= 0.0 && settings.selectionStart <= settings.selectionEnd &&
          settings.selectionEnd <= 1.0))
        throw plat::InvalidArgumentError("The selected part of the source is out of range.");
    if (!(settings.filter >= 0.0 && settings.filter < 1.0))
        throw plat::InvalidArgumentError("The filter setting is out of range.");

    const auto start = static_cast<std::uint32_t>(settings.selectionStart * sourceFrames);
    auto length =
        static_cast<std::uint32_t>(sourceFrames * (settings.selectionEnd - settings.selectionStart));
    // Rounding must not carry the selection past the source's last frame.
    length = std::min(length, sourceFrames - std::min(start, sourceFrames));

    synth.Setup(rate, progress, settings.quality, settings.scan, settings.texture, settings.sharpness);
    synth.SetSource(source, start, length);
    const std::size_t frames = output.size() / 2;
    synth.SetOutput(output.data(), static_cast<std::uint32_t>(frames), settings.normaliseLevel);

    if (!synth.Render() || !creating)
    {
        output.clear();
        return false;
    }
    if (creating)
        FilterOutput(output.data(), output.size() / 2, settings.filter, progress);
    if (creating)
        MakeLoop(output, rate, settings.loopSeconds, progress, synth.GetThreadCount());
    if (creating)
        NormalizeOutput(output.data(), output.size() / 2, settings.normaliseLevel, progress,
                        synth.GetThreadCount());
    if (!creating)
    {
        output.clear();
        return false;
    }
    return true;
}

} // namespace dlg
