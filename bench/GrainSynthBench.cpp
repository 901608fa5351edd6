// Time to build an ambient loop (grain render, filter, loop closing, normalisation) on one thread and
// on every core, medians of three, and the cost of the linear steps and of progress reporting on
// their own. The machine's load average is printed before and after: other work on the cores shows
// in the all-cores figures first.
#include "grains/AmbientLoop.h"
#include "grains/CGrainSynth.h"
#include "grains/WorkProgress.h"

#include "platform/Random.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace
{

struct Session
{
    const char* name;
    int rate;
    int loopSeconds;
    double quality;
};

// The tool's defaults, its heaviest settings, and a short one that keeps a quick run quick.
const Session kSessions[] = {
    {"small_22k_20s_q50", 22050, 20, 0.5},
    {"defaults_44k_40s_q50", 44100, 40, 0.5},
    {"heaviest_96k_180s_q100", 96000, 180, 1.0},
};

std::vector<float> MakeSource(int rate, int seconds)
{
    const std::size_t frames = static_cast<std::size_t>(rate) * seconds;
    std::vector<float> v(2 * frames);
    plat::Random15 random(1);
    for (std::size_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const float noise = static_cast<float>(random.Unit() - 0.5) * 0.1f;
        v[2 * i] = static_cast<float>(0.5 * std::sin(2 * 3.14159265 * 220 * t)) + noise;
        v[2 * i + 1] = static_cast<float>(0.5 * std::sin(2 * 3.14159265 * 330 * t)) - noise;
    }
    return v;
}

const std::vector<float>& SourceFor(int rate)
{
    static std::map<int, std::vector<float>> sources;
    auto it = sources.find(rate);
    if (it == sources.end())
        it = sources.emplace(rate, MakeSource(rate, 30)).first;
    return it->second;
}

/** Stands in for the tool's progress bar and pump, doing nothing but being called. */
class CountingProgress : public dlg::WorkProgress
{
public:
    void SetPercent(int percent) override { benchmark::DoNotOptimize(m_last = percent); }
    void SetStatus(const QString& text) override { benchmark::DoNotOptimize(m_length = text.size()); }
    void Pump() override { ++m_pumps; }
    void Wait() override {}
    void ShowError(const QString&) override {}

private:
    int m_last = 0;
    qsizetype m_length = 0;
    int m_pumps = 0;
};

double GrainFrames(const CGrainSynth& synth)
{
    return static_cast<double>(synth.GetGrainSources().size()) * synth.GetGrainFrames();
}

// Arguments: session index, threads (0 = every core), with a progress sink (1) or none (0).
void BM_CreateLoop(benchmark::State& state)
{
    const Session& s = kSessions[state.range(0)];
    const std::vector<float>& source = SourceFor(s.rate);
    dlg::AmbientLoopSettings settings;
    settings.quality = s.quality;
    settings.loopSeconds = s.loopSeconds;
    CGrainSynth synth;
    synth.SetThreadCount(static_cast<unsigned>(state.range(1)));
    CountingProgress progress;
    dlg::WorkProgress* sink = state.range(2) != 0 ? &progress : nullptr;
    const bool creating = true;
    std::vector<float> output;
    double seconds = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        plat::SetRandomSeedOverride(7);
        output.assign(2 * static_cast<std::size_t>(s.rate) * (s.loopSeconds + 3), 0.0f);
        state.ResumeTiming();
        const auto begin = std::chrono::steady_clock::now();
        dlg::CreateAmbientLoop(synth, s.rate, settings, source.data(),
                               static_cast<std::uint32_t>(source.size() / 2), output, sink, creating);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        benchmark::DoNotOptimize(output.data());
    }
    const double grainFrames = GrainFrames(synth);
    state.counters["grains"] = static_cast<double>(synth.GetGrainSources().size());
    state.counters["grain_frames"] = grainFrames;
    // The whole pipeline's time over the stereo multiply-adds of the grains, which dominate it.
    state.counters["ns_per_grain_frame"] =
        seconds * 1e9 / (grainFrames * static_cast<double>(state.iterations()));
    state.SetLabel(std::string(s.name) + (state.range(1) == 1 ? " 1 thread" : " all cores") +
                   (sink != nullptr ? " +progress" : ""));
}

void CreateLoopArgs(benchmark::internal::Benchmark* b)
{
    for (int session = 0; session < 3; ++session)
        for (int threads : {1, 0})
            b->Args({session, threads, 0});
    b->Args({1, 0, 1});
    b->Args({1, 1, 1});
}
BENCHMARK(BM_CreateLoop)
    ->Apply(CreateLoopArgs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);

// The linear steps over the heaviest session's rendered sound (96 kHz, 183 s). Arguments: the step,
// threads for the loop closing and the normalisation (0 = every core; the filter has one).
enum Step
{
    kFilter,
    kLoop,
    kNormalize
};

void BM_LinearStep(benchmark::State& state)
{
    constexpr int kRate = 96000;
    constexpr int kLoopSeconds = 180;
    const std::size_t frames = static_cast<std::size_t>(kRate) * (kLoopSeconds + 3);
    std::vector<float> rendered(2 * frames);
    for (std::size_t i = 0; i < rendered.size(); ++i)
        rendered[i] = static_cast<float>(std::sin(0.001 * static_cast<double>(i)));
    std::vector<float> buffer;
    const auto threads = static_cast<unsigned>(state.range(1));
    for (auto _ : state)
    {
        state.PauseTiming();
        buffer = rendered;
        state.ResumeTiming();
        switch (state.range(0))
        {
        case kFilter:
            dlg::FilterOutput(buffer.data(), frames, 0.5, nullptr);
            break;
        case kLoop:
            dlg::MakeLoop(buffer, kRate, kLoopSeconds, nullptr, threads);
            break;
        default:
            dlg::NormalizeOutput(buffer.data(), frames, 0.5, nullptr, threads);
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    static const char* const names[] = {"FilterOutput", "MakeLoop", "NormalizeOutput"};
    state.SetLabel(std::string(names[state.range(0)]) + (state.range(0) == kFilter ? ""
                                                         : threads == 1            ? " 1 thread"
                                                                                   : " all cores"));
}
BENCHMARK(BM_LinearStep)
    ->Args({kFilter, 1})
    ->Args({kLoop, 1})
    ->Args({kLoop, 0})
    ->Args({kNormalize, 1})
    ->Args({kNormalize, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void PrintLoad(const char* when)
{
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average %s: %.2f %.2f %.2f (%u hardware threads)\n", when, load[0], load[1],
                    load[2], std::thread::hardware_concurrency());
}

/** Prints the table as usual, then each session's one-thread / all-cores ratio of the medians. */
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // Of the repetitions' aggregates only the median: one line per figure.
        std::vector<Run> shown;
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
            {
                shown.push_back(run);
                m_seconds[run.report_label] = run.GetAdjustedRealTime();
            }
        ConsoleReporter::ReportRuns(shown);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nmedians, one thread / all cores:\n");
        for (const Session& s : kSessions)
        {
            const auto one = m_seconds.find(std::string(s.name) + " 1 thread");
            const auto all = m_seconds.find(std::string(s.name) + " all cores");
            if (one != m_seconds.end() && all != m_seconds.end() && all->second > 0)
                std::printf("  %-24s %8.0f ms / %8.0f ms = %5.2f\n", s.name, one->second, all->second,
                            one->second / all->second);
        }
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    PrintLoad("before");
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintLoad("after");
    benchmark::Shutdown();
    return 0;
}
