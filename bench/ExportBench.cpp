// Exporting a typical ten-minute session to a file, in each export format: a binaural tone with
// its overtones, noise, bells and breathwork with the installed prompts, entrainment on every
// track, at 44.1 kHz. The export renders through the engine's offline path into the encoder
// (the file writer for WAV, lame and oggenc for MP3 and OGG) on its worker, as the program does.
//
// Figures: x_realtime (session seconds exported per second), seconds (wall time of the export,
// from Start until the file is in place), bytes (the size of the file).
#include "audio/SessionExport.h"
#include "model/CBrainwavesLocal.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentTone.h"
#include "model/CSegments.h"
#include "model/CTracks.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace
{

constexpr std::uint32_t kSessionSeconds = 600;

struct TypicalSession
{
    CTracks tracks;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    CPlaybackParams params;

    TypicalSession()
    {
        params.m_tracks = &tracks;
        params.m_rate = 44100;
        params.m_sessionSeconds = kSessionSeconds;
        params.m_segmentFadeSeconds = 5.0;
        params.m_playlistFadeSeconds = 15.0;
        params.m_brainwavesGlobal = &brainwaves;
        params.m_bilateralGlobal = &bilateral;
        brainwaves.m_property.SetValue(7.5);
        for (const std::int32_t kind :
             {CSegment::kKindTone, CSegment::kKindNoise, CSegment::kKindBells, CSegment::kKindBreathwork})
        {
            tracks.InsertTrack(tracks.GetCount(), kind);
            auto segment = CSegments::CreateSegment(kind);
            segment->m_begin = 0.0;
            segment->m_end = 1.0;
            segment->m_brainwaves.m_enabled = true;
            segment->m_brainwaves.m_method = kind == CSegment::kKindTone
                                                 ? CBrainwavesLocal::kMethodBinaural
                                                 : CBrainwavesLocal::kMethodIsochronic;
            if (auto* tone = dynamic_cast<CSegmentTone*>(segment.get()))
                tone->m_overtones.SetValue(3.0);
            tracks.GetTrack(tracks.GetCount() - 1).m_segments.AddSegment(std::move(segment));
        }
    }
};

// Argument: the export format (0 WAV, 1 MP3, 2 OGG).
void BM_ExportSession(benchmark::State& state)
{
    const int format = static_cast<int>(state.range(0));
    QTemporaryDir home;
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
    const QString target = home.filePath(format == 1   ? "session.mp3"
                                         : format == 2 ? "session.ogg"
                                                       : "session.wav");
    double seconds = 0.0;
    for (auto _ : state)
    {
        TypicalSession session;
        rt::SessionExport job;
        const auto begin = std::chrono::steady_clock::now();
        if (!job.Start(session.params, target, format, 3, 0))
        {
            state.SkipWithError("the export did not start");
            return;
        }
        while (job.IsRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (job.Finish() != rt::SessionExport::Outcome::Exported)
        {
            state.SkipWithError("the export failed");
            return;
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    state.counters["x_realtime"] = kSessionSeconds / seconds;
    state.counters["seconds"] = seconds;
    state.counters["bytes"] = static_cast<double>(QFileInfo(target).size());
}
BENCHMARK(BM_ExportSession)
    ->ArgNames({"format"})
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
