// Open and save of a session with 1000 segments (125 in each of the eight tracks), through the
// files as the open and save commands use them, and in memory without the file system.
#include "model/CVornaDoc.h"
#include "platform/Archive.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{

constexpr int kSegmentsPerTrack = 125;

void FillThousandSegments(CVornaDoc& doc)
{
    for (std::int32_t track = 0; track < doc.m_tracks.GetCount(); ++track)
    {
        CTrack& t = doc.m_tracks.GetTrack(track);
        for (int i = 0; i < kSegmentsPerTrack; ++i)
        {
            CSegments::SegmentPtr s = CSegments::CreateSegment(t.m_kind);
            s->m_begin = i / double(kSegmentsPerTrack);
            s->m_end = (i + 0.8) / kSegmentsPerTrack;
            s->m_volume.GetGraph().AddPoint({0.5, 0.75});
            s->m_volume.SetMode(CSmartProperty::kModeGraph);
            t.m_segments.AddSegment(s);
        }
    }
}

std::vector<std::uint8_t> Bytes(CVornaDoc& doc)
{
    plat::Archive ar = plat::Archive::ForStoring(CVornaDoc::kFileVersion);
    doc.Serialize(ar);
    return ar.GetBytes();
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
