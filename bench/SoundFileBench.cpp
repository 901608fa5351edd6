// Decoding and resampling speed, as a multiple of real time: "x_realtime" is the seconds of
// sound delivered per second of wall-clock time (what the person waits), "x_realtime_cpu" the
// same per CPU second of the process, every thread's time counted (which a busy machine does
// not lower). OggAt96k decodes an OGG file of 30 s (written by the program's own writer) and
// resamples it to 96 kHz, open and close included, through CSoundFile in 4096-frame reads as
// the players stream it: one thread. OggAt96kWhole reads the same file in one read, as a
// shared loop is decoded: a second thread decodes ahead while the caller's resamples, so its
// wall-clock figure is above its CPU one; OggAt96kWholeOneThread is that read on one thread.

#include "audio/CSoundFile.h"
#include "platform/audio/SoundDecoder.h"
#include "platform/audio/SoundWriter.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <ctime>
#include <numbers>
#include <vector>

namespace
{

constexpr unsigned kFileRate = 44100;

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}
constexpr unsigned kSeconds = 30;

// A stereo test signal: a few sines and a little noise, so the encoders have real work.
bool WriteSource(const QString& path, plat::SoundWriter::Format format)
{
    plat::SoundWriter writer;
    if (!writer.Open(path, format, kFileRate, 2))
        return false;
    std::vector<float> block(2 * 4410);
    std::uint32_t seed = 1;
    for (unsigned at = 0; at < kSeconds * kFileRate; at += 4410)
    {
        for (unsigned i = 0; i < 4410; ++i)
        {
            const double t = static_cast<double>(at + i) / kFileRate;
            seed = seed * 1664525u + 1013904223u;
            const double noise = (seed >> 8) / 16777216.0 - 0.5;
            const double v = 0.3 * std::sin(2 * std::numbers::pi * 220 * t) +
                             0.2 * std::sin(2 * std::numbers::pi * 1330 * t) + 0.05 * noise;
            block[2 * i] = static_cast<float>(v);
            block[2 * i + 1] = static_cast<float>(-v);
        }
        if (!writer.Write(block.data(), 4410))
            return false;
    }
    return writer.Close();
}

struct Media
{
    QTemporaryDir dir;
    QString ogg = dir.filePath("source.ogg");
    QString mp3 = dir.filePath("source.mp3");
    bool ok = false;
    Media()
    {
        const QString wav = dir.filePath("source.wav");
        ok = WriteSource(ogg, plat::SoundWriter::Format::OggVorbis) &&
             WriteSource(wav, plat::SoundWriter::Format::Wav16) &&
             QProcess::execute("lame", {"--quiet", "-b", "192", wav, mp3}) == 0;
    }
};

Media& TheMedia()
{
    static Media media;
    return media;
}

void ReadWhole(benchmark::State& state, const QString& path, unsigned rate)
{
    if (!TheMedia().ok)
    {
        state.SkipWithError("could not make the test media (is lame installed?)");
        return;
    }
    std::vector<CStereoFrame> block(4096);
    double seconds = 0.0;
    const double cpuBegin = ProcessCpuSeconds();
    for (auto _ : state)
    {
        CSoundFile file;
        if (!file.Open(path, rate, false))
        {
            state.SkipWithError("open failed");
            return;
        }
        std::uint64_t frames = 0;
        while (const std::uint32_t n = file.ReadFrames(block.data(), 4096))
        {
            frames += n;
            benchmark::DoNotOptimize(block.data());
            if (n < 4096)
                break;
        }
        seconds += static_cast<double>(frames) / rate;
    }
    const double cpu = ProcessCpuSeconds() - cpuBegin;
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    state.counters["x_realtime_cpu"] = cpu > 0.0 ? seconds / cpu : 0.0;
}

// The whole file in one Read of the decoder, decoding ahead on a thread of its own or not.
void ReadAtOnce(benchmark::State& state, const QString& path, unsigned rate, bool readAhead)
{
    if (!TheMedia().ok)
    {
        state.SkipWithError("could not make the test media (is lame installed?)");
        return;
    }
    std::vector<float> frames;
    double seconds = 0.0;
    const double cpuBegin = ProcessCpuSeconds();
    for (auto _ : state)
    {
        plat::SoundDecoder decoder;
        decoder.SetReadAhead(readAhead);
        if (!decoder.Open(path, rate, false))
        {
            state.SkipWithError("open failed");
            return;
        }
        const auto length = static_cast<std::uint32_t>(decoder.Length());
        frames.resize(static_cast<std::size_t>(length) * 2);
        if (decoder.Read(frames.data(), length) != length)
        {
            state.SkipWithError("short read");
            return;
        }
        benchmark::DoNotOptimize(frames.data());
        seconds += static_cast<double>(length) / rate;
    }
    const double cpu = ProcessCpuSeconds() - cpuBegin;
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    state.counters["x_realtime_cpu"] = cpu > 0.0 ? seconds / cpu : 0.0;
}

void OggAt96k(benchmark::State& state)
{
    ReadWhole(state, TheMedia().ogg, 96000);
}
void OggAt96kWhole(benchmark::State& state)
{
    ReadAtOnce(state, TheMedia().ogg, 96000, true);
}
void OggAt96kWholeOneThread(benchmark::State& state)
{
    ReadAtOnce(state, TheMedia().ogg, 96000, false);
}
void Mp3At48k(benchmark::State& state)
{
    ReadWhole(state, TheMedia().mp3, 48000);
}
void OggAtItsRate(benchmark::State& state)
{
    ReadWhole(state, TheMedia().ogg, kFileRate);
}

BENCHMARK(OggAt96k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OggAt96kWhole)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OggAt96kWholeOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Mp3At48k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OggAtItsRate)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
