#pragma once
/** @brief The loop tool's grain engine: Hann-enveloped grains read from a selection of the source
 *  and added into the output, then normalised.
 *
 * Setup, SetSource, SetOutput and Render are called on the UI thread, in that order. Render reports
 * through the WorkProgress given to Setup and pumps messages at whole-percent steps; Cancel (any thread,
 * usually from a handler that runs inside that pumping) makes it stop at the next grain without
 * normalising. The source and output buffers are the caller's and must stay allocated until Render
 * returns.
 *
 * Render first draws every grain's source position and jitter in the order a grain-by-grain render
 * would, then adds the grains on several threads, each over its own stretches of the output. Every
 * output frame receives its grains in the order of their start, whatever the number of threads, so
 * the result is the same as a one-grain-at-a-time render, bit for bit. */

#include "grains/CNoteSequence.h"

#include "platform/Random.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace dlg
{
class WorkProgress;
}

class CGrainSynth
{
public:
    CGrainSynth() = default;
    CGrainSynth(const CGrainSynth&) = delete;
    CGrainSynth& operator=(const CGrainSynth&) = delete;

    /** Maps the sliders (0..1) to the grain parameters. @p progress may be null (no reports and no
     *  pumping). Throws plat::InvalidArgumentError for a rate below 1, a quality outside (0, 1] or
     *  another value outside 0..1. */
    void Setup(int rate, dlg::WorkProgress* progress, double quality, double scan, double texture,
               double sharpness);
    /** The source's interleaved stereo frames and the selection in frames; frames start .. start +
     *  length - 1 must exist. Throws plat::InvalidArgumentError for an empty selection. */
    void SetSource(const float* frames, std::uint32_t start, std::uint32_t length);
    /** The output's interleaved stereo frames, zeroed and overwritten by Render. */
    void SetOutput(float* frames, std::uint32_t count, double normaliseLevel);
    /** Renders into the output and normalises it to the level (unless cancelled). Returns false only
     *  when the memory for the render could not be had (the user has been told; the output is
     *  silent). Throws plat::InvalidArgumentError when Setup, SetSource or SetOutput is missing. */
    bool Render();
    /** Stops a running Render at its next grain. Any thread. */
    void Cancel() noexcept { m_running.store(false, std::memory_order_relaxed); }

    /** Threads that add grains and normalise, the calling one included; 0 (the default) means one per
     *  core. */
    void SetThreadCount(unsigned threads) noexcept { m_threads = threads; }
    unsigned GetThreadCount() const noexcept { return m_threads; }

    /** The widest vector instructions that renders started from now on may use: Best (the default)
     *  takes what the processor has, and a set it lacks falls back to a narrower one. Every set gives
     *  the same bits; the choice is for tests and benchmarks. Any thread. */
    enum class InstructionSet
    {
        Best,
        Avx512,
        Avx2,
        Plain
    };
    static void SetInstructionSet(InstructionSet set) noexcept;

    double GetScanFactor() const noexcept { return m_scanFactor; }
    double GetGrainSeconds() const noexcept { return m_grainSeconds; }
    double GetJitterSeconds() const noexcept { return m_jitterSeconds; }
    int GetGrainFrames() const noexcept { return m_grainFrames; }
    int GetJitterFrames() const noexcept { return m_jitterFrames; }
    int GetHop() const noexcept { return m_hop; }
    const std::vector<float>& GetEnvelope() const noexcept { return m_envelope; }
    const CNoteSequence& GetNotes() const noexcept { return m_notes; }
    /** The source frame of every grain of the last Render; grain k starts at output frame k x hop. */
    const std::vector<std::int64_t>& GetGrainSources() const noexcept { return m_grainSources; }

    /** Scales the buffer so that its largest absolute sample becomes @p level; an all-zero buffer is
     *  left as it is. On @p threads threads (0: one per core), with the same result. */
    static void Normalize(float* samples, std::size_t sampleCount, double level,
                          unsigned threads = 1) noexcept;

private:
    // The grains that overlap one stretch of output on one lap round the output (grains near the end
    // wrap round to the start; a grain longer than the output wraps more than once).
    struct Lap
    {
        std::int64_t lo = 0;   ///< first grain
        std::int64_t hi = 0;   ///< one past the last grain
        std::int64_t base = 0; ///< unwrapped frame of the lap's output frame 0
    };
    // One grain on one lap over one stretch, in output frames: begin .. end, of which straightBegin ..
    // straightEnd read the source straight; before them the selection's first frame is held, after
    // them its last.
    struct Span
    {
        std::int64_t outAtZero = 0; ///< output frame of envelope index 0
        std::int64_t source = 0;    ///< source frame of envelope index 0
        std::int64_t begin = 0;
        std::int64_t straightBegin = 0;
        std::int64_t straightEnd = 0;
        std::int64_t end = 0;
    };
    // The envelope (one value a frame) and the interleaved source read side by side from one output
    // frame on.
    struct Run
    {
        const float* env;
        const float* src;
    };
    using AddRuns = void (*)(float*, const Run*, std::int64_t) noexcept;
    struct Kernels
    {
        AddRuns add1;     ///< one run
        AddRuns addGroup; ///< a group of runs, in their order
    };
    struct alignas(64) Worker
    {
        std::atomic<std::uint64_t> frames{0}; ///< written by its thread only
        float peak = 0.0f;                    ///< of the stretches it finished
        std::vector<Lap> laps;
        std::vector<Span> spans;
    };

    static Kernels KernelsFor(InstructionSet set) noexcept;
    static void Scale(float* samples, std::size_t sampleCount, double level, float peak,
                      unsigned threads) noexcept;
    void CreateEnvelope(unsigned threads);
    void PlanGrains();
    /** Clears and adds the grains into the stretches of output this thread takes; the calling thread
     *  passes @p reporting and reports progress (and pumps) between grains, the others never throw. */
    void AddGrains(unsigned thread, bool reporting);
    /** False when cancelled before the stretch was done. */
    bool AddStretch(std::int64_t a, std::int64_t b, Worker& worker, bool reporting);
    Span SpanOf(std::int64_t k, std::int64_t lapBase, std::int64_t a, std::int64_t b) const noexcept;
    Run RunAt(const Span& span, std::int64_t frame) const noexcept;
    /** The span's frames outside lo .. hi (straight frames that a group has added already). */
    void AddRest(const Span& span, std::int64_t lo, std::int64_t hi, const Kernels& kernels) noexcept;
    /** Shows the progress (and pumps) at each new whole percent, with the other threads' counters as
     *  last read unless @p readOthers. */
    void ReportProgress(bool readOthers);

    std::atomic<bool> m_running{false};
    int m_rate = 0;
    dlg::WorkProgress* m_progress = nullptr;
    double m_scanFactor = 0.0;
    double m_grainSeconds = 0.0;
    double m_grainRate = 0.0;
    double m_jitterSeconds = 0.0;
    int m_jitterFrames = 0;
    double m_normaliseLevel = 0.5;
    const float* m_source = nullptr;
    std::uint32_t m_sourceStart = 0;
    std::uint32_t m_sourceLength = 0;
    float* m_output = nullptr;
    std::uint32_t m_outputCount = 0;
    CNoteSequence m_notes;
    std::vector<float> m_envelope;
    double m_envelopeSeconds = 0.0;
    int m_grainFrames = 0;
    int m_hop = 1;

    // The render's own state beside the grain parameters.
    bool m_isSetUp = false;
    unsigned m_threads = 0;
    plat::Random15 m_random;
    std::vector<std::int64_t> m_grainSources;
    std::atomic<std::int64_t> m_nextStretch{0};
    std::int64_t m_stretchFrames = 0;
    std::int64_t m_stretchCount = 0;
    std::int64_t m_lapCount = 0;
    std::vector<Worker> m_workers;
    InstructionSet m_kernels = InstructionSet::Best;
    std::uint64_t m_totalFrames = 0;
    int m_lastPercent = -1;
    std::uint64_t m_othersDone = 0;
    unsigned m_reports = 0;
};
