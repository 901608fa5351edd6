// Open and save of a session with 1000 segments (125 in each of the eight tracks), through the
// files as the open and save commands use them, and in memory without the file system; and the
// first open of a session of 1000 or 10000 segments in a fresh process, as a person opening a
// file at start-up meets it (repeated opens in one process run on warm caches, touched pages
// and a grown heap, which a fresh process has none of).
#include "model/CVornaDoc.h"
#include "platform/Archive.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

constexpr int kSegmentsPerTrack = 125;

// @p perTrack segments in each of the eight tracks, each with a volume graph.
void FillSegments(CVornaDoc& doc, int perTrack)
{
    for (std::int32_t track = 0; track < doc.m_tracks.GetCount(); ++track)
    {
        CTrack& t = doc.m_tracks.GetTrack(track);
        for (int i = 0; i < perTrack; ++i)
        {
            CSegments::SegmentPtr s = CSegments::CreateSegment(t.m_kind);
            s->m_begin = i / double(perTrack);
            s->m_end = (i + 0.8) / perTrack;
            s->m_volume.GetGraph().AddPoint({0.5, 0.75});
            s->m_volume.SetMode(CSmartProperty::kModeGraph);
            t.m_segments.AddSegment(s);
        }
    }
}

void FillThousandSegments(CVornaDoc& doc)
{
    FillSegments(doc, kSegmentsPerTrack);
}

std::vector<std::uint8_t> Bytes(CVornaDoc& doc)
{
    plat::Archive ar = plat::Archive::ForStoring(CVornaDoc::kFileVersion);
    doc.Serialize(ar);
    return ar.GetBytes();
}

// The private argument that makes this executable a child that opens one session file.
constexpr const char* kOpenOnceArgument = "--vorna-open-once";
constexpr int kFreshProcesses = 7;

// The child: opens @p path once in a new document, as the open command does, and prints the
// milliseconds the open took. The document is made first, as the program has its document
// before the person opens a file.
int OpenOnceAndPrint(const char* path)
{
    CVornaDoc doc;
    const auto begin = std::chrono::steady_clock::now();
    const bool opened = doc.OnOpenDocument(QString::fromLocal8Bit(path));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    if (!opened)
        return 1;
    std::printf("%.6f\n", ms);
    return 0;
}

// Runs this executable as a fresh child on @p path and reads the milliseconds it printed; a
// negative value when the child failed.
double OpenInFreshProcess(const std::string& self, const QString& path)
{
    QProcess child;
    child.start(QString::fromStdString(self), {QString::fromLatin1(kOpenOnceArgument), path});
    if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return -1.0;
    bool ok = false;
    const double ms = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok ? ms : -1.0;
}

} // namespace

static void BM_SaveSessionFile(benchmark::State& state)
{
    QTemporaryDir folder;
    CVornaDoc doc;
    FillThousandSegments(doc);
    const QString path = folder.filePath(QStringLiteral("bench.vrx"));
    for (auto _ : state)
    {
        if (!doc.OnSaveDocument(path))
            state.SkipWithError("save failed");
    }
    state.counters["bytes"] = static_cast<double>(Bytes(doc).size());
}
BENCHMARK(BM_SaveSessionFile)->Unit(benchmark::kMillisecond);

static void BM_OpenSessionFile(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.vrx"));
    {
        CVornaDoc source;
        FillThousandSegments(source);
        source.OnSaveDocument(path);
    }
    CVornaDoc doc;
    for (auto _ : state)
    {
        if (!doc.OnOpenDocument(path))
            state.SkipWithError("open failed");
    }
    state.counters["segments"] = kSegmentsPerTrack * 8.0;
}
BENCHMARK(BM_OpenSessionFile)->Unit(benchmark::kMillisecond);

static void BM_WriteSessionInMemory(benchmark::State& state)
{
    CVornaDoc doc;
    FillThousandSegments(doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(Bytes(doc));
}
BENCHMARK(BM_WriteSessionInMemory)->Unit(benchmark::kMillisecond);

static void BM_ReadSessionInMemory(benchmark::State& state)
{
    CVornaDoc source;
    FillThousandSegments(source);
    const std::vector<std::uint8_t> bytes = Bytes(source);
    CVornaDoc doc;
    for (auto _ : state)
    {
        doc.OnNewDocument();
        if (!doc.LoadFromBytes(bytes))
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ReadSessionInMemory)->Unit(benchmark::kMillisecond);

// A large session: 100000 segments. Opening it must cost memory in proportion to the file; the
// figures are the file's size and how far the peak resident memory rose over the open.
static void BM_OpenHundredThousandSegments(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("large.vrx"));
    // Made in a child process, so that the session it builds does not raise this one's peak.
    const pid_t child = ::fork();
    if (child == 0)
    {
        CVornaDoc source;
        for (std::int32_t track = 0; track < source.m_tracks.GetCount(); ++track)
        {
            CTrack& t = source.m_tracks.GetTrack(track);
            for (int i = 0; i < 12500; ++i)
            {
                CSegments::SegmentPtr s = CSegments::CreateSegment(t.m_kind);
                s->m_begin = i / 12500.0;
                s->m_end = (i + 0.8) / 12500.0;
                t.m_segments.AddSegment(s);
            }
        }
        ::_exit(source.OnSaveDocument(path) ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        state.SkipWithError("the session could not be made");
        return;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakBefore = usage.ru_maxrss;
    for (auto _ : state)
    {
        CVornaDoc doc;
        if (!doc.OnOpenDocument(path))
            state.SkipWithError("open failed");
    }
    getrusage(RUSAGE_SELF, &usage);
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
    state.counters["peak_rise_MB"] = static_cast<double>(usage.ru_maxrss - peakBefore) / 1024.0;
}
BENCHMARK(BM_OpenHundredThousandSegments)->Unit(benchmark::kMillisecond)->Iterations(1);

// First open in a fresh process: the file is written once, then kFreshProcesses children of this
// executable each open it once and time the open inside themselves (process start and library
// loading are not counted). first_open_ms is their median. Argument: segments in the session.
static void BM_FirstOpenInFreshProcess(benchmark::State& state)
{
    const int segments = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("fresh.vrx"));
    {
        CVornaDoc source;
        FillSegments(source, segments / source.m_tracks.GetCount());
        if (!source.OnSaveDocument(path))
        {
            state.SkipWithError("the session could not be written");
            return;
        }
    }
    std::error_code error;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error)
    {
        state.SkipWithError("/proc/self/exe cannot be read");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state)
    {
        ms.clear();
        for (int i = 0; i < kFreshProcesses; ++i)
        {
            const double took = OpenInFreshProcess(self, path);
            if (took < 0.0)
            {
                state.SkipWithError("a child could not open the session");
                return;
            }
            ms.push_back(took);
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["first_open_ms"] = ms[ms.size() / 2];
    state.counters["fastest_ms"] = ms.front();
    state.counters["slowest_ms"] = ms.back();
    state.counters["processes"] = static_cast<double>(ms.size());
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_FirstOpenInFreshProcess)
    ->ArgName("segments")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], kOpenOnceArgument) == 0)
        return OpenOnceAndPrint(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
