#include "grains/CGrainSynth.h"

#include "grains/CGrainSynthThreads.h"
#include "grains/WorkProgress.h"

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

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace
{

// Stretches of output per thread: enough that threads finishing early find more work, few enough
// that the grains overlapping a stretch's edges (computed once per stretch) stay cheap. A stretch's
// stereo output (128 KB at most) stays in the core's cache while its grains are added.
constexpr std::int64_t kMinStretchFrames = 64;
constexpr std::int64_t kMaxStretchFrames = 16384;
constexpr std::int64_t kStretchesPerThread = 16;
constexpr int kMaxRate = 1000000;
// Groups between the reporting thread's looks at the other threads' progress.
constexpr unsigned kReadOthersEvery = 16;
// Spans of four grains go in together where all four read their source straight for at least this
// many frames.
constexpr std::int64_t kMinGroupFrames = 16;
// Envelope values a thread computes at a time.
constexpr std::size_t kEnvelopeChunk = 1 << 14;
// Samples of the normalisation a thread takes at a time.
constexpr std::size_t kNormalizeChunk = 1 << 18;

bool InUnitRange(double v)
{
    return v >= 0.0 && v <= 1.0;
}

QString CreatingText(int percent)
{
    return QStringLiteral("Creating music... (%1%)").arg(percent);
}

// out += env x src, run after run in their order, over interleaved left/right output and source
// frames and one envelope value a frame: each float gets its products one at a time, the first run's
// first, exactly as run-by-run passes would give. G runs at once keep the output in a register
// between them.
template <int G, class Run>
void AddRunsPlain(float* __restrict out, const Run* runs, std::int64_t frames) noexcept
{
    for (int g = 0; g < G; ++g)
    {
        const float* __restrict env = runs[g].env;
        const float* __restrict src = runs[g].src;
        for (std::int64_t f = 0; f < frames; ++f)
        {
            out[2 * f] += env[f] * src[2 * f];
            out[2 * f + 1] += env[f] * src[2 * f + 1];
        }
    }
}

#if defined(__x86_64__)
// GCC 12's AVX-512 headers start some intrinsics from an undefined register and warn about it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
template <int G, class Run>
__attribute__((target("avx2"))) void AddRunsAvx2(float* out, const Run* runs, std::int64_t frames) noexcept
{
    // In registers: a store through out could otherwise alias the runs and reload them.
    const float* env[G];
    const float* src[G];
    for (int g = 0; g < G; ++g)
    {
        env[g] = runs[g].env;
        src[g] = runs[g].src;
    }
    const __m256i pairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    std::int64_t f = 0;
    for (; f + 4 <= frames; f += 4)
    {
        __m256 o = _mm256_loadu_ps(out + 2 * f);
        for (int g = 0; g < G; ++g)
        {
            const __m256 e =
                _mm256_permutevar8x32_ps(_mm256_castps128_ps256(_mm_loadu_ps(env[g] + f)), pairs);
            o = _mm256_add_ps(o, _mm256_mul_ps(e, _mm256_loadu_ps(src[g] + 2 * f)));
        }
        _mm256_storeu_ps(out + 2 * f, o);
    }
    for (; f < frames; ++f)
    {
        float left = out[2 * f];
        float right = out[2 * f + 1];
        for (int g = 0; g < G; ++g)
        {
            left += env[g][f] * src[g][2 * f];
            right += env[g][f] * src[g][2 * f + 1];
        }
        out[2 * f] = left;
        out[2 * f + 1] = right;
    }
}

template <int G, class Run>
__attribute__((target("avx512f"))) void AddRunsAvx512(float* out, const Run* runs,
                                                      std::int64_t frames) noexcept
{
    // In registers: a store through out could otherwise alias the runs and reload them.
    const float* env[G];
    const float* src[G];
    for (int g = 0; g < G; ++g)
    {
        env[g] = runs[g].env;
        src[g] = runs[g].src;
    }
    const __m512i pairs = _mm512_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
    std::int64_t f = 0;
    for (; f + 8 <= frames; f += 8)
    {
        __m512 o = _mm512_loadu_ps(out + 2 * f);
        for (int g = 0; g < G; ++g)
        {
            const __m512 e =
                _mm512_permutexvar_ps(pairs, _mm512_castps256_ps512(_mm256_loadu_ps(env[g] + f)));
            o = _mm512_add_ps(o, _mm512_mul_ps(e, _mm512_loadu_ps(src[g] + 2 * f)));
        }
        _mm512_storeu_ps(out + 2 * f, o);
    }
    if (f < frames)
    {
        const auto half = static_cast<__mmask16>((1u << (frames - f)) - 1u);
        const auto whole = static_cast<__mmask16>((1u << (2 * (frames - f))) - 1u);
        __m512 o = _mm512_maskz_loadu_ps(whole, out + 2 * f);
        for (int g = 0; g < G; ++g)
        {
            const __m512 e = _mm512_permutexvar_ps(pairs, _mm512_maskz_loadu_ps(half, env[g] + f));
            o = _mm512_add_ps(o, _mm512_mul_ps(e, _mm512_maskz_loadu_ps(whole, src[g] + 2 * f)));
        }
        _mm512_mask_storeu_ps(out + 2 * f, whole, o);
    }
}
#endif

constexpr int kGroup = 4;

std::atomic<CGrainSynth::InstructionSet> g_instructionSet{CGrainSynth::InstructionSet::Best};

// One source frame held over the span: the head or tail of a grain that reaches past the selection.
void AddHeld(float* __restrict out, const float* __restrict env, float left, float right,
             std::int64_t frames) noexcept
{
    for (std::int64_t f = 0; f < frames; ++f)
    {
        out[2 * f] += env[f] * left;
        out[2 * f + 1] += env[f] * right;
    }
}

bool HasAvx512(CGrainSynth::InstructionSet set) noexcept
{
#if defined(__x86_64__)
    return (set == CGrainSynth::InstructionSet::Best || set == CGrainSynth::InstructionSet::Avx512) &&
           __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}

float PeakPlain(const float* samples, std::size_t count) noexcept
{
    float peak = 0.0f;
    for (std::size_t i = 0; i < count; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

// out = level x in / peak in doubles, rounded to float, sample by sample.
void ScalePlain(float* samples, std::size_t count, double level, float peak) noexcept
{
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<float>(level * samples[i] / peak);
}

#if defined(__x86_64__)
// Lane by lane max(|x|, peak) keeps the peak where x is not a number, as std::max(peak, |x|) does, so
// the lanes' largest is the plain loop's peak.
__attribute__((target("avx512f"))) float PeakAvx512(const float* samples, std::size_t count) noexcept
{
    __m512 peak = _mm512_setzero_ps();
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16)
        peak = _mm512_max_ps(_mm512_abs_ps(_mm512_loadu_ps(samples + i)), peak);
    float lanes[16];
    _mm512_storeu_ps(lanes, peak);
    float result = PeakPlain(samples + i, count - i);
    for (float lane : lanes)
        result = std::max(result, lane);
    return result;
}

__attribute__((target("avx512f"))) void ScaleAvx512(float* samples, std::size_t count, double level,
                                                    float peak) noexcept
{
    const __m512d l = _mm512_set1_pd(level);
    const __m512d p = _mm512_set1_pd(static_cast<double>(peak));
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16)
    {
        const __m512 x = _mm512_loadu_ps(samples + i);
        const __m512d lo = _mm512_cvtps_pd(_mm512_castps512_ps256(x));
        const __m512d hi = _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(x), 1)));
        const __m256 a = _mm512_cvtpd_ps(_mm512_div_pd(_mm512_mul_pd(l, lo), p));
        const __m256 b = _mm512_cvtpd_ps(_mm512_div_pd(_mm512_mul_pd(l, hi), p));
        _mm256_storeu_ps(samples + i, a);
        _mm256_storeu_ps(samples + i + 8, b);
    }
    ScalePlain(samples + i, count - i, level, peak);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

float PeakOf(const float* samples, std::size_t count) noexcept
{
#if defined(__x86_64__)
    if (HasAvx512(g_instructionSet.load(std::memory_order_relaxed)))
        return PeakAvx512(samples, count);
#endif
    return PeakPlain(samples, count);
}

void ScaleBy(float* samples, std::size_t count, double level, float peak) noexcept
{
#if defined(__x86_64__)
    if (HasAvx512(g_instructionSet.load(std::memory_order_relaxed)))
    {
        ScaleAvx512(samples, count, level, peak);
        return;
    }
#endif
    ScalePlain(samples, count, level, peak);
}

} // namespace

CGrainSynth::Kernels CGrainSynth::KernelsFor(InstructionSet set) noexcept
{
#if defined(__x86_64__)
    if (set == InstructionSet::Best)
        set = __builtin_cpu_supports("avx512f") ? InstructionSet::Avx512
              : __builtin_cpu_supports("avx2")  ? InstructionSet::Avx2
                                                : InstructionSet::Plain;
    if (set == InstructionSet::Avx512 && __builtin_cpu_supports("avx512f"))
        return {&AddRunsAvx512<1, Run>, &AddRunsAvx512<kGroup, Run>};
    if (set != InstructionSet::Plain && __builtin_cpu_supports("avx2"))
        return {&AddRunsAvx2<1, Run>, &AddRunsAvx2<kGroup, Run>};
#endif
    return {&AddRunsPlain<1, Run>, &AddRunsPlain<kGroup, Run>};
}

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

void CGrainSynth::CreateEnvelope(unsigned threads)
{
    m_envelope.resize(static_cast<std::size_t>(m_grainFrames));
    // A sine a value: for grains of seconds at a high rate, worth sharing out.
    dlg::ForEachChunk(
        threads, m_envelope.size(), kEnvelopeChunk,
        [this](std::size_t begin, std::size_t end)
        {
            constexpr double pi = std::numbers::pi;
            for (std::size_t i = begin; i < end; ++i)
                m_envelope[i] = static_cast<float>(
                    (std::sin(static_cast<double>(i) / m_grainFrames * 2.0 * pi + 3.0 * pi / 2.0) + 1.0) *
                    0.5);
        });
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
    m_othersDone = 0;
    m_reports = 0;
    if (m_progress != nullptr)
    {
        m_progress->SetPercent(0);
        m_progress->SetStatus(CreatingText(0));
    }
    m_random.Seed(plat::NewRandomSeed());
    m_kernels = g_instructionSet.load(std::memory_order_relaxed);

    unsigned threads = dlg::ResolveThreads(m_threads);
    m_totalFrames = 0;
    try
    {
        CreateEnvelope(threads);
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
            // A stretch meets at most this many grains on each lap.
            const std::int64_t spans = m_lapCount * ((m_stretchFrames + m_grainFrames) / m_hop + 2);
            m_workers = std::vector<Worker>(threads);
            for (Worker& w : m_workers)
            {
                w.laps.resize(static_cast<std::size_t>(m_lapCount));
                w.spans.reserve(static_cast<std::size_t>(std::min(spans, grains * m_lapCount)));
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        m_envelope.clear();
        m_grainSources.clear();
        m_workers.clear();
        m_running.store(false, std::memory_order_relaxed);
        std::fill(m_output, m_output + 2 * static_cast<std::size_t>(m_outputCount), 0.0f);
        if (m_progress != nullptr)
            m_progress->ShowError(
                QStringLiteral("Failed to create the music envelope (memory allocation failed)."));
        return false;
    }

    float peak = 0.0f;
    if (m_totalFrames == 0)
    {
        std::fill(m_output, m_output + 2 * static_cast<std::size_t>(m_outputCount), 0.0f);
    }
    else
    {
        // Each stretch is cleared by the thread that takes it, just before its grains go in.
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
                    [this, t, &active]
                    {
                        AddGrains(t, false);
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
            AddGrains(0, true);
            while (active.load(std::memory_order_acquire) > 0)
            {
                if (m_running.load(std::memory_order_relaxed))
                    ReportProgress(true);
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
        // The stretches nobody took after a cancel are silent, as a render that stopped there leaves them.
        const std::int64_t taken = std::min(m_stretchCount, m_nextStretch.load(std::memory_order_relaxed));
        std::fill(m_output + 2 * std::min<std::int64_t>(m_outputCount, taken * m_stretchFrames),
                  m_output + 2 * static_cast<std::size_t>(m_outputCount), 0.0f);
        for (const Worker& w : m_workers)
            peak = std::max(peak, w.peak);
        // The other threads may have added the last grains after this one last looked.
        if (m_running.load(std::memory_order_relaxed))
            ReportProgress(true);
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
            Scale(m_output, 2 * static_cast<std::size_t>(m_outputCount), m_normaliseLevel, peak, threads);
    }
    m_running.store(false, std::memory_order_relaxed);
    return true;
}

void CGrainSynth::AddGrains(unsigned thread, bool reporting)
{
    // A very quiet source would otherwise make denormal products, each a hundred times slower.
    // Every thread flushes alike, so the sums stay the same whatever the number of threads.
    plat::DenormalGuard denormals;
    const std::int64_t count = m_outputCount;
    Worker& worker = m_workers[thread];
    worker.peak = 0.0f;
    while (m_running.load(std::memory_order_relaxed))
    {
        const std::int64_t stretch = m_nextStretch.fetch_add(1, std::memory_order_relaxed);
        if (stretch >= m_stretchCount)
            break;
        const std::int64_t a = stretch * m_stretchFrames;
        const std::int64_t b = std::min(count, a + m_stretchFrames);
        std::fill(m_output + 2 * a, m_output + 2 * b, 0.0f);
        if (AddStretch(a, b, worker, reporting))
            worker.peak =
                std::max(worker.peak, PeakOf(m_output + 2 * a, 2 * static_cast<std::size_t>(b - a)));
    }
}

bool CGrainSynth::AddStretch(std::int64_t a, std::int64_t b, Worker& worker, bool reporting)
{
    const std::int64_t count = m_outputCount;
    const auto grains = static_cast<std::int64_t>(m_grainSources.size());
    const std::int64_t hop = m_hop;
    for (std::int64_t m = 0; m < m_lapCount; ++m)
    {
        // Grain k covers unwrapped frames k x hop .. k x hop + grainFrames - 1.
        const std::int64_t first = a + m * count;
        const std::int64_t last = b + m * count; // one past
        Lap& lap = worker.laps[static_cast<std::size_t>(m)];
        lap.base = m * count;
        lap.lo = first - m_grainFrames < 0 ? 0 : std::min(grains, (first - m_grainFrames) / hop + 1);
        lap.hi = std::max(lap.lo, std::min(grains, (last - 1) / hop + 1));
    }

    // Grains in increasing order, and each grain's laps in increasing order: every frame then sums its
    // grains exactly as a grain-by-grain render does.
    std::vector<Span>& spans = worker.spans;
    spans.clear();
    std::int64_t k = 0;
    for (;;)
    {
        std::int64_t next = std::numeric_limits<std::int64_t>::max();
        for (const Lap& lap : worker.laps)
            if (lap.hi > k)
                next = std::min(next, std::max(k, lap.lo));
        if (next == std::numeric_limits<std::int64_t>::max())
            break;
        k = next;
        for (const Lap& lap : worker.laps)
            if (lap.lo <= k && k < lap.hi)
            {
                const Span span = SpanOf(k, lap.base, a, b);
                if (span.begin < span.end)
                    spans.push_back(span);
            }
        ++k;
    }

    // The spans go in by groups: over the frames where every span of a group reads its source
    // straight, the group's products are added frame by frame in the spans' order; the rest of each
    // span (outside those frames) then goes in span after span. Either way every frame gets its
    // products in the spans' order.
    const Kernels kernels = KernelsFor(m_kernels);
    const auto n = spans.size();
    for (std::size_t i = 0; i < n;)
    {
        if (!m_running.load(std::memory_order_relaxed))
            return false;
        std::uint64_t frames = 0;
        if (n - i >= kGroup)
        {
            std::int64_t lo = a;
            std::int64_t hi = b;
            for (std::size_t g = i; g < i + kGroup; ++g)
            {
                lo = std::max(lo, spans[g].straightBegin);
                hi = std::min(hi, spans[g].straightEnd);
            }
            if (hi - lo >= kMinGroupFrames)
            {
                Run runs[kGroup];
                for (int g = 0; g < kGroup; ++g)
                    runs[g] = RunAt(spans[i + static_cast<std::size_t>(g)], lo);
                kernels.addGroup(m_output + 2 * lo, runs, hi - lo);
            }
            else
            {
                lo = hi = a;
            }
            for (std::size_t g = i; g < i + kGroup; ++g)
            {
                AddRest(spans[g], lo, hi, kernels);
                frames += static_cast<std::uint64_t>(spans[g].end - spans[g].begin);
            }
            i += kGroup;
        }
        else
        {
            AddRest(spans[i], a, a, kernels);
            frames += static_cast<std::uint64_t>(spans[i].end - spans[i].begin);
            ++i;
        }
        // Only this thread writes its counter; the reporting thread reads it.
        worker.frames.store(worker.frames.load(std::memory_order_relaxed) + frames,
                            std::memory_order_relaxed);
        if (reporting)
            ReportProgress(++m_reports % kReadOthersEvery == 0);
    }
    return m_running.load(std::memory_order_relaxed);
}

CGrainSynth::Span CGrainSynth::SpanOf(std::int64_t k, std::int64_t lapBase, std::int64_t a,
                                      std::int64_t b) const noexcept
{
    const std::int64_t start = k * m_hop;
    const std::int64_t outAtZero = start - lapBase; // output frame of envelope index 0 on this lap
    const std::int64_t iBegin = std::max<std::int64_t>(0, a - outAtZero);
    const std::int64_t iEnd = std::max(iBegin, std::min<std::int64_t>(m_grainFrames, b - outAtZero));
    // Split the span where the source index leaves the selection: before it the first frame is held,
    // after it the last frame.
    const std::int64_t s = m_grainSources[static_cast<std::size_t>(k)];
    const std::int64_t lo = m_sourceStart;
    const std::int64_t hi = static_cast<std::int64_t>(m_sourceStart) + m_sourceLength - 1;
    const std::int64_t iHeadEnd = std::clamp(lo - s, iBegin, iEnd);
    const std::int64_t iTailBegin = std::clamp(hi - s + 1, iHeadEnd, iEnd);
    Span span;
    span.outAtZero = outAtZero;
    span.source = s;
    span.begin = outAtZero + iBegin;
    span.straightBegin = outAtZero + iHeadEnd;
    span.straightEnd = outAtZero + iTailBegin;
    span.end = outAtZero + iEnd;
    return span;
}

CGrainSynth::Run CGrainSynth::RunAt(const Span& span, std::int64_t frame) const noexcept
{
    const std::int64_t i = frame - span.outAtZero;
    return {m_envelope.data() + i, m_source + 2 * (span.source + i)};
}

void CGrainSynth::AddRest(const Span& span, std::int64_t lo, std::int64_t hi, const Kernels& kernels) noexcept
{
    const float* env = m_envelope.data() - span.outAtZero; // indexed by output frame
    const std::int64_t first = m_sourceStart;
    const std::int64_t last = static_cast<std::int64_t>(m_sourceStart) + m_sourceLength - 1;
    if (span.straightBegin > span.begin)
        AddHeld(m_output + 2 * span.begin, env + span.begin, m_source[2 * first], m_source[2 * first + 1],
                span.straightBegin - span.begin);
    // The straight frames outside lo .. hi: those before it and those after it.
    if (lo >= hi)
        lo = hi = span.straightEnd;
    const std::int64_t beforeEnd = std::min(lo, span.straightEnd);
    if (beforeEnd > span.straightBegin)
    {
        const Run run = RunAt(span, span.straightBegin);
        kernels.add1(m_output + 2 * span.straightBegin, &run, beforeEnd - span.straightBegin);
    }
    const std::int64_t afterBegin = std::max(hi, span.straightBegin);
    if (span.straightEnd > afterBegin)
    {
        const Run run = RunAt(span, afterBegin);
        kernels.add1(m_output + 2 * afterBegin, &run, span.straightEnd - afterBegin);
    }
    if (span.end > span.straightEnd)
        AddHeld(m_output + 2 * span.straightEnd, env + span.straightEnd, m_source[2 * last],
                m_source[2 * last + 1], span.end - span.straightEnd);
}

void CGrainSynth::ReportProgress(bool readOthers)
{
    if (m_progress == nullptr)
        return;
    // The other threads' counters sit in their cores' caches, each written after every group: read
    // between every group they would cost this thread a miss apiece.
    if (readOthers)
    {
        m_othersDone = 0;
        for (std::size_t t = 1; t < m_workers.size(); ++t)
            m_othersDone += m_workers[t].frames.load(std::memory_order_relaxed);
    }
    const std::uint64_t done = m_workers[0].frames.load(std::memory_order_relaxed) + m_othersDone;
    const int percent = static_cast<int>(done * 100 / m_totalFrames);
    if (percent <= m_lastPercent)
        return;
    m_lastPercent = percent;
    m_progress->SetPercent(percent);
    m_progress->SetStatus(CreatingText(percent));
    m_progress->Pump();
}

void CGrainSynth::Normalize(float* samples, std::size_t sampleCount, double level, unsigned threads) noexcept
{
    std::vector<float> peaks;
    float peak = 0.0f;
    if (threads == 1)
    {
        peak = PeakOf(samples, sampleCount);
    }
    else
    {
        // A chunk's peak is the largest of its samples whatever the order: the chunks' largest is
        // the whole sound's.
        const std::size_t chunks = (sampleCount + kNormalizeChunk - 1) / kNormalizeChunk;
        try
        {
            peaks.assign(chunks, 0.0f);
        }
        catch (const std::bad_alloc&)
        {
            threads = 1;
        }
        if (threads == 1)
        {
            peak = PeakOf(samples, sampleCount);
        }
        else
        {
            dlg::ForEachChunk(threads, sampleCount, kNormalizeChunk,
                              [&](std::size_t begin, std::size_t end)
                              { peaks[begin / kNormalizeChunk] = PeakOf(samples + begin, end - begin); });
            for (float p : peaks)
                peak = std::max(peak, p);
        }
    }
    Scale(samples, sampleCount, level, peak, threads);
}

void CGrainSynth::Scale(float* samples, std::size_t sampleCount, double level, float peak,
                        unsigned threads) noexcept
{
    if (peak == 0.0f)
        return;
    dlg::ForEachChunk(threads, sampleCount, kNormalizeChunk,
                      [&](std::size_t begin, std::size_t end)
                      { ScaleBy(samples + begin, end - begin, level, peak); });
}

void CGrainSynth::SetInstructionSet(InstructionSet set) noexcept
{
    g_instructionSet.store(set, std::memory_order_relaxed);
}
