// Open and save of a session with 1000 segments (125 in each of the eight tracks), through the
// files as the open and save commands use them, and in memory without the file system.
#include "model/CVornaDoc.h"
#include "platform/Archive.h"

#include <QTemporaryDir>

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
