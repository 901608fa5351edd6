#include "dialogs/CGrainSynth.h"

#include "dialogs/WorkProgress.h"

#include "platform/Errors.h"
#include "platform/audio/DenormalGuard.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>
#include <system_error>
#include <thread>

namespace
{

// Stretches of output per thread: enough that threads finishing early find more work, few enough
// that the grains overlapping a stretch's edges (computed once per stretch) stay cheap. A stretch's
// stereo output (128 KB at most) stays in the core's cache while its grains are added.
constexpr std::int64_t kMinStretchFrames = 64;
constexpr std::int64_t kMaxStretchFrames = 16384;
constexpr std::int64_t kStretchesPerThread = 16;
constexpr int kMaxRate = 1000000;

bool InUnitRange(double v)
{
    return v >= 0.0 && v <= 1.0;
}

QString CreatingText(int percent)
{
    return QStringLiteral("Creating music... (%1%)").arg(percent);
}

// out += env x src over interleaved left/right floats: the straight middle of a grain.
void AddRun(float* __restrict out, const float* __restrict env, const float* __restrict src,
            std::int64_t floats) noexcept
{
    for (std::int64_t j = 0; j < floats; ++j)
        out[j] += env[j] * src[j];
}

// One source frame held over the span: the head or tail of a grain that reaches past the selection.
void AddHeld(float* __restrict out, const float* __restrict env, float left, float right,
             std::int64_t frames) noexcept
{
    for (std::int64_t f = 0; f < frames; ++f)
    {
        out[2 * f] += env[2 * f] * left;
        out[2 * f + 1] += env[2 * f + 1] * right;
    }
}

} // namespace

// The grains that overlap one stretch of output on one lap round the output (grains near the end
// wrap round to the start; a grain longer than the output wraps more than once).
struct CGrainSynth::Lap
{
    std::int64_t lo = 0;   ///< first grain
    std::int64_t hi = 0;   ///< one past the last grain
    std::int64_t base = 0; ///< unwrapped frame of the lap's output frame 0
};

void CGrainSynth::Setup(int rate, dlg::WorkProgress* progress, double quality, double scan, double texture,
                        double sharpness)
{
    if (rate < 1 || rate > kMaxRate || !(quality > 0.0 && quality <= 1.0) || !InUnitRange(scan) ||
        !InUnitRange(texture) || !InUnitRange(sharpness))
        throw plat::InvalidArgumentError("The grain settings are out of range.");
    m_rate = rate;
    m_progress = progress;
    m_scanFactor = (1.0 - scan) * 4.0 + 1.0;
    m_grainSeconds = (1.0 - texture) * 4.95 + 0.05;
    m_grainRate = 1000.0 / m_grainSeconds * quality;
    m_jitterSeconds = (1.0 - sharpness) * 4.99 + 0.01;
    m_grainFrames = static_cast<int>(m_grainSeconds * rate);
    m_jitterFrames = static_cast<int>(m_jitterSeconds * rate);
    // Short grains at a low rate and a high quality truncate to a hop of 0, and the render would
    // never move on.
    m_hop = std::max(1, static_cast<int>(rate / m_grainRate));
    m_isSetUp = true;
}

void CGrainSynth::SetSource(const float* frames, std::uint32_t start, std::uint32_t length)
{
    // Clamping into an empty selection would read the frame before it.
    if (frames == nullptr || length == 0)
        throw plat::InvalidArgumentError("The selected part of the source is empty.");
    if (start > std::numeric_limits<std::uint32_t>::max() - length)
        throw plat::InvalidArgumentError("The selected part of the source is out of range.");
    m_source = frames;
    m_sourceStart = start;
    m_sourceLength = length;
}

void CGrainSynth::SetOutput(float* frames, std::uint32_t count, double normaliseLevel)
{
    if (frames == nullptr && count > 0)
        throw plat::InvalidArgumentError("The output buffer is missing.");
    m_output = frames;
    m_outputCount = count;
    m_normaliseLevel = normaliseLevel;
}

void CGrainSynth::CreateEnvelope()
{
    constexpr double pi = std::numbers::pi;
    m_envelope.assign(static_cast<std::size_t>(m_grainFrames), 0.0f);
    m_stereoEnvelope.assign(2 * static_cast<std::size_t>(m_grainFrames), 0.0f);
    for (int i = 0; i < m_grainFrames; ++i)
    {
        const float e = static_cast<float>(
            (std::sin(static_cast<double>(i) / m_grainFrames * 2.0 * pi + 3.0 * pi / 2.0) + 1.0) * 0.5);
        m_envelope[static_cast<std::size_t>(i)] = e;
        m_stereoEnvelope[2 * static_cast<std::size_t>(i)] = e;
        m_stereoEnvelope[2 * static_cast<std::size_t>(i) + 1] = e;
    }
    m_envelopeSeconds = m_grainSeconds;
}

void CGrainSynth::PlanGrains()
{
    const std::int64_t count = m_outputCount;
    const std::int64_t grains = (count + m_hop - 1) / m_hop;
    m_grainSources.assign(static_cast<std::size_t>(grains), 0);
    const std::int64_t lowest = m_sourceStart;
    const std::int64_t highest = static_cast<std::int64_t>(m_sourceStart) + m_sourceLength;
    // The draws come in the order of a grain-by-grain render: the note's crossfade draw (when the
    // grain lies in a crossfade), then the jitter, grain after grain.
    for (std::int64_t k = 0; k < grains; ++k)
    {
        const auto outPos = static_cast<std::uint32_t>(k * m_hop);
        const std::int64_t p = m_notes.GetSourcePosition(outPos, m_random);
        std::int64_t s = p + static_cast<std::int64_t>(m_random.Unit() * m_jitterFrames) - m_jitterFrames / 2;
        if (s < lowest)
            s = lowest;
        else if (s > highest)
            s = highest;
        m_grainSources[static_cast<std::size_t>(k)] = s;
    }
}

bool CGrainSynth::Render()
{
    if (!m_isSetUp || m_source == nullptr)
        throw plat::InvalidArgumentError("The grain engine has no settings or no source.");

    m_running.store(true, std::memory_order_relaxed);
    m_lastPercent = -1;
    if (m_progress != nullptr)
    {
        m_progress->SetPercent(0);
        m_progress->SetStatus(CreatingText(0));
    }
    m_random.Seed(plat::NewRandomSeed());
    std::fill(m_output, m_output + 2 * static_cast<std::size_t>(m_outputCount), 0.0f);

    unsigned threads = m_threads != 0 ? m_threads : std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::vector<Lap>> laps;
    try
    {
        CreateEnvelope();
        m_notes.Build(m_scanFactor, m_sourceStart, m_sourceLength, m_outputCount, m_grainSeconds,
                      static_cast<std::uint32_t>(m_rate), m_random);
        PlanGrains();

        const std::int64_t count = m_outputCount;
        const auto grains = static_cast<std::int64_t>(m_grainSources.size());
        m_totalFrames = static_cast<std::uint64_t>(grains) * static_cast<std::uint64_t>(m_grainFrames);
        if (m_totalFrames > 0)
        {
            m_stretchFrames = std::clamp<std::int64_t>(count / (threads * kStretchesPerThread),
                                                       kMinStretchFrames, kMaxStretchFrames);
            m_stretchCount = (count + m_stretchFrames - 1) / m_stretchFrames;
            threads = static_cast<unsigned>(std::min<std::int64_t>(threads, m_stretchCount));
            const std::int64_t extent = (grains - 1) * m_hop + m_grainFrames;
            m_lapCount = (extent + count - 1) / count;
            laps.assign(threads, std::vector<Lap>(static_cast<std::size_t>(m_lapCount)));
            m_done = std::vector<Done>(threads);
        }
    }
    catch (const std::bad_alloc&)
    {
        m_envelope.clear();
        m_stereoEnvelope.clear();
        m_grainSources.clear();
        m_running.store(false, std::memory_order_relaxed);
        if (m_progress != nullptr)
            m_progress->ShowError(
                QStringLiteral("Failed to create the music envelope (memory allocation failed)."));
        return false;
    }

    if (m_totalFrames > 0)
    {
        m_nextStretch.store(0, std::memory_order_relaxed);
        std::atomic<unsigned> active{0};
        std::vector<std::thread> workers;
        workers.reserve(threads);
        for (unsigned t = 1; t < threads; ++t)
        {
            active.fetch_add(1, std::memory_order_relaxed);
            try
            {
                workers.emplace_back(
                    [this, t, &laps, &active]
                    {
                        AddGrains(t, laps[t], false);
                        active.fetch_sub(1, std::memory_order_release);
                    });
            }
            catch (const std::system_error&)
            {
                // Fewer threads only make it slower: the stretches go to those that run.
                active.fetch_sub(1, std::memory_order_relaxed);
                break;
            }
        }
        try
        {
            AddGrains(0, laps[0], true);
            while (active.load(std::memory_order_acquire) > 0)
            {
                if (m_running.load(std::memory_order_relaxed))
                    ReportProgress();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        catch (...)
        {
            // Something thrown out of the message pump: the workers must stop before the buffers go.
            Cancel();
            for (std::thread& w : workers)
                w.join();
            throw;
        }
        for (std::thread& w : workers)
            w.join();
        // The other threads may have added the last grains after this one last looked.
        if (m_running.load(std::memory_order_relaxed))
            ReportProgress();
    }

    if (m_running.load(std::memory_order_relaxed))
    {
        if (m_progress != nullptr)
        {
            m_progress->SetPercent(100);
            m_progress->SetStatus(CreatingText(100));
            m_progress->Wait();
        }
        // The wait pumps messages too; a Cancel there also leaves the sound as it is.
        if (m_running.load(std::memory_order_relaxed))
            Normalize(m_output, 2 * static_cast<std::size_t>(m_outputCount), m_normaliseLevel);
    }
    m_running.store(false, std::memory_order_relaxed);
    return true;
}

void CGrainSynth::AddGrains(unsigned thread, std::vector<Lap>& laps, bool reporting)
{
    // A very quiet source would otherwise make denormal products, each a hundred times slower.
    // Every thread flushes alike, so the sums stay the same whatever the number of threads.
    plat::DenormalGuard denormals;
    const std::int64_t count = m_outputCount;
    while (m_running.load(std::memory_order_relaxed))
    {
        const std::int64_t stretch = m_nextStretch.fetch_add(1, std::memory_order_relaxed);
        if (stretch >= m_stretchCount)
            break;
        const std::int64_t a = stretch * m_stretchFrames;
        const std::int64_t b = std::min(count, a + m_stretchFrames);
        AddStretch(a, b, laps, thread, reporting);
    }
}

void CGrainSynth::AddStretch(std::int64_t a, std::int64_t b, std::vector<Lap>& laps, unsigned thread,
                             bool reporting)
{
    const std::int64_t count = m_outputCount;
    const auto grains = static_cast<std::int64_t>(m_grainSources.size());
    const std::int64_t hop = m_hop;
    for (std::int64_t m = 0; m < m_lapCount; ++m)
    {
        // Grain k covers unwrapped frames k x hop .. k x hop + grainFrames - 1.
        const std::int64_t first = a + m * count;
        const std::int64_t last = b + m * count; // one past
        Lap& lap = laps[static_cast<std::size_t>(m)];
        lap.base = m * count;
        lap.lo = first - m_grainFrames < 0 ? 0 : std::min(grains, (first - m_grainFrames) / hop + 1);
        lap.hi = std::max(lap.lo, std::min(grains, (last - 1) / hop + 1));
    }

    // Grains in increasing order, and each grain's laps in increasing order: every frame then sums its
    // grains exactly as a grain-by-grain render does.
    std::int64_t k = 0;
    for (;;)
    {
        std::int64_t next = std::numeric_limits<std::int64_t>::max();
        for (const Lap& lap : laps)
            if (lap.hi > k)
                next = std::min(next, std::max(k, lap.lo));
        if (next == std::numeric_limits<std::int64_t>::max())
            break;
        k = next;
        if (!m_running.load(std::memory_order_relaxed))
            return;
        for (const Lap& lap : laps)
            if (lap.lo <= k && k < lap.hi)
                AddSpan(k, lap.base, a, b, thread);
        if (reporting)
            ReportProgress();
        ++k;
    }
}

void CGrainSynth::AddSpan(std::int64_t k, std::int64_t lapBase, std::int64_t a, std::int64_t b,
                          unsigned thread) noexcept
{
    const std::int64_t start = k * m_hop;
    const std::int64_t iBegin = std::max<std::int64_t>(0, a + lapBase - start);
    const std::int64_t iEnd = std::min<std::int64_t>(m_grainFrames, b + lapBase - start);
    if (iBegin >= iEnd)
        return;
    const std::int64_t outAtZero = start - lapBase; // output frame of envelope index 0 on this lap

    // Split the span where the source index leaves the selection: before it the first frame is held,
    // after it the last frame.
    const std::int64_t s = m_grainSources[static_cast<std::size_t>(k)];
    const std::int64_t lo = m_sourceStart;
    const std::int64_t hi = static_cast<std::int64_t>(m_sourceStart) + m_sourceLength - 1;
    const std::int64_t iHeadEnd = std::clamp(lo - s, iBegin, iEnd);
    const std::int64_t iTailBegin = std::clamp(hi - s + 1, iHeadEnd, iEnd);

    float* out = m_output + 2 * outAtZero;
    const float* env = m_stereoEnvelope.data();
    if (iHeadEnd > iBegin)
        AddHeld(out + 2 * iBegin, env + 2 * iBegin, m_source[2 * lo], m_source[2 * lo + 1],
                iHeadEnd - iBegin);
    if (iTailBegin > iHeadEnd)
        AddRun(out + 2 * iHeadEnd, env + 2 * iHeadEnd, m_source + 2 * (s + iHeadEnd),
               2 * (iTailBegin - iHeadEnd));
    if (iEnd > iTailBegin)
        AddHeld(out + 2 * iTailBegin, env + 2 * iTailBegin, m_source[2 * hi], m_source[2 * hi + 1],
                iEnd - iTailBegin);

    // Only this thread writes its counter; the reporting thread reads it.
    std::atomic<std::uint64_t>& done = m_done[thread].frames;
    done.store(done.load(std::memory_order_relaxed) + static_cast<std::uint64_t>(iEnd - iBegin),
               std::memory_order_relaxed);
}

void CGrainSynth::ReportProgress()
{
    if (m_progress == nullptr)
        return;
    std::uint64_t done = 0;
    for (const Done& d : m_done)
        done += d.frames.load(std::memory_order_relaxed);
    const int percent = static_cast<int>(done * 100 / m_totalFrames);
    if (percent <= m_lastPercent)
        return;
    m_lastPercent = percent;
    m_progress->SetPercent(percent);
    m_progress->SetStatus(CreatingText(percent));
    m_progress->Pump();
}

void CGrainSynth::Normalize(float* samples, std::size_t sampleCount, double level) noexcept
{
    float peak = 0.0f;
    for (std::size_t i = 0; i < sampleCount; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    if (peak == 0.0f)
        return;
    for (std::size_t i = 0; i < sampleCount; ++i)
        samples[i] = static_cast<float>(level * samples[i] / peak);
}
