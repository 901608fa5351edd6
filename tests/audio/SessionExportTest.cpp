// The session export over the real engine, generators and encoders: what the file holds against
// a direct offline render, and that a cancelled or failed export leaves no temporary file and an
// older file at the target as it was.
#include "audio/SessionExport.h"

#include "GeneratorRig.h"
#include "MixerFixtures.h"
#include "ServiceSupport.h"
#include "SoundMedia.h"
#include "model/CSegmentTone.h"
#include "model/CSegments.h"
#include "model/CTracks.h"
#include "platform/audio/SoundDecoder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <thread>

namespace
{

constexpr int kWav = 0;
constexpr int kMp3 = 1;
constexpr int kOgg = 2;
constexpr int kSampleFloat = 3;

/** A session of @p seconds with one tone track: carrier 200 Hz, a 10 Hz binaural beat, so the
 *  left channel sounds at 195 Hz and the right one at 205 Hz. */
struct ToneSession
{
    ToneSession(std::uint32_t rate, std::uint32_t seconds)
    {
        brainwaves.m_property.SetValue(10.0);
        tracks.InsertTrack(0, CSegment::kKindTone);
        auto segment = CSegments::CreateSegment(CSegment::kKindTone);
        auto& tone = static_cast<CSegmentTone&>(*segment);
        tone.m_begin = 0.0;
        tone.m_end = 1.0;
        tone.m_volume.SetValue(100.0);
        tone.m_balance.SetValue(50.0);
        tone.m_carrier.SetValue(200.0);
        tone.m_overtones.SetValue(0.0);
        tone.m_brainwaves.m_enabled = true;
        tone.m_brainwaves.SetTrueBinaural(true);
        tracks.GetTrack(0).m_segments.AddSegment(std::move(segment));
        params.m_tracks = &tracks;
        params.m_rate = rate;
        params.m_sessionSeconds = seconds;
        params.m_brainwavesGlobal = &brainwaves;
        params.m_bilateralGlobal = &bilateral;
    }
    std::uint32_t TotalFrames() const { return params.m_rate * params.m_sessionSeconds; }

    CTracks tracks;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    CPlaybackParams params;
};

/** The same session rendered straight from the engine, in requests of a tenth of a second. */
std::vector<float> DirectRender(ToneSession& session)
{
    CMixer mixer;
    rt::OfflineRenderer renderer(mixer);
    std::vector<float> out(2 * std::size_t{session.TotalFrames()});
    EXPECT_TRUE(renderer.Start(session.params));
    EXPECT_EQ(renderer.Render(out.data(), session.TotalFrames(), vtest::Fixed(session.params.m_rate / 10)),
              session.TotalFrames());
    renderer.Stop();
    return out;
}

/** Every frame of @p path at its own rate, and that rate. */
std::vector<float> ReadBack(const QString& path, unsigned& rate)
{
    plat::SoundDecoder::Info info;
    if (!plat::SoundDecoder::ReadInfo(path, info))
        return {};
    rate = info.rate;
    plat::SoundDecoder decoder;
    if (!decoder.Open(path, info.rate, false))
        return {};
    std::vector<float> frames(2 * decoder.Length());
    const std::uint32_t got = decoder.Read(frames.data(), static_cast<std::uint32_t>(decoder.Length()));
    frames.resize(2 * std::size_t{got});
    return frames;
}

std::vector<double> Excerpt(const std::vector<float>& frames, unsigned rate, bool right, double fromSeconds)
{
    std::vector<double> out;
    const auto from = static_cast<std::size_t>(fromSeconds * rate);
    for (std::size_t i = from; i < from + 4 * std::size_t{rate} && 2 * i + 1 < frames.size(); ++i)
        out.push_back(frames[2 * i + (right ? 1 : 0)]);
    return out;
}

/** The names in @p folder besides "." and "..". */
QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

/** Polls until the export has stopped; false after @p seconds. */
bool WaitUntilDone(const rt::SessionExport& job, int seconds = 120)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (job.IsRunning() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return !job.IsRunning();
}

QString Folder(const QString& name)
{
    const QString folder = vtest::MediaPath(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

} // namespace

// A minute of session in each format: the float WAV holds the engine's render sample for sample;
// the others hold the session's length (within the encoders' padding) and both channels' pitch,
// which a file cut short, resampled or with its channels swapped would not.
TEST(SessionExport, FileHoldsWhatTheEngineRenders)
{
    constexpr std::uint32_t kRate = 44100;
    constexpr std::uint32_t kSeconds = 60;
    ToneSession direct(kRate, kSeconds);
    const std::vector<float> expected = DirectRender(direct);

    struct Case
    {
        const char* name;
        int format;
        int sampleFormat;
        std::int64_t lengthTolerance; // frames
    };
    const Case cases[] = {
        {"float WAV", kWav, kSampleFloat, 0},
        {"16-bit WAV", kWav, 0, 0},
        {"MP3", kMp3, 0, 2 * 1152},
        {"OGG", kOgg, 0, 1024},
    };
    const QString folder = Folder(QStringLiteral("export-formats"));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::MessageLog messages;
        const QString target =
            folder + QStringLiteral("/Session.") + QString::fromLatin1(c.name).section(' ', -1).toLower();
        ToneSession session(kRate, kSeconds);
        rt::SessionExport job;
        ASSERT_TRUE(job.Start(session.params, target, c.format, 3, c.sampleFormat));
        EXPECT_EQ(job.TotalFrames(), std::uint64_t{kRate} * kSeconds);
        ASSERT_TRUE(WaitUntilDone(job));
        ASSERT_EQ(job.Finish(), rt::SessionExport::Outcome::Exported) << job.ErrorText().toStdString();
        EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join('|').toStdString();
        EXPECT_EQ(job.Progress(), 1.0);
        EXPECT_EQ(FolderEntries(folder).filter(".part"), QStringList{}) << "the temporary file was renamed";

        unsigned rate = 0;
        const std::vector<float> frames = ReadBack(target, rate);
        ASSERT_EQ(rate, kRate);
        const auto length = static_cast<std::int64_t>(frames.size() / 2);
        EXPECT_LE(std::llabs(length - std::int64_t{kRate} * kSeconds), c.lengthTolerance) << length;
        if (c.sampleFormat == kSampleFloat)
        {
            EXPECT_EQ(frames, expected);
        }
        for (const bool right : {false, true})
        {
            const double hz = vtest::PeakHz(Excerpt(frames, rate, right, 30.0), rate, 150.0, 250.0);
            EXPECT_NEAR(hz, vtest::PeakHz(Excerpt(expected, kRate, right, 30.0), kRate, 150.0, 250.0), 0.5);
            EXPECT_NEAR(hz, right ? 205.0 : 195.0, 0.5);
            EXPECT_NEAR(vtest::AmplitudeAt(Excerpt(frames, rate, right, 30.0), rate, hz), 0.15, 0.01)
                << "the file sounds as loud as the session";
        }
    }
}

// Cancel half-way, in an uncompressed and a compressed format: no file appears, no temporary
// file stays, and an older file of the name keeps its bytes.
TEST(SessionExport, CancelHalfWayLeavesTheOlderFile)
{
    for (const int format : {kWav, kMp3})
    {
        SCOPED_TRACE(format);
        const QString folder = Folder(QStringLiteral("export-cancel"));
        const QString target = folder + (format == kWav ? "/Session.wav" : "/Session.mp3");
        const QString fresh = folder + "/Fresh.wav";
        WriteAll(target, "an older export");
        ToneSession session(22050, 3 * 60);
        rt::SessionExport job;
        ASSERT_TRUE(job.Start(session.params, target, format, 3, 0));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (job.Progress() < 0.5 && job.IsRunning() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(job.IsRunning()) << "the export ended before it could be cancelled";
        job.Cancel();
        EXPECT_EQ(job.Finish(), rt::SessionExport::Outcome::Cancelled);
        EXPECT_LT(job.Progress(), 0.9) << "Cancel stops within a block or so";
        EXPECT_EQ(ReadAll(target), QByteArray("an older export"));
        EXPECT_EQ(FolderEntries(folder),
                  QStringList{QStringLiteral("Session.") + (format == kWav ? "wav" : "mp3")});

        // A new export into no existing file, dropped with the export object while it runs.
        {
            rt::SessionExport dropped;
            ASSERT_TRUE(dropped.Start(session.params, fresh, format, 3, 0));
        }
        EXPECT_FALSE(QFile::exists(fresh));
        EXPECT_EQ(FolderEntries(folder).size(), 1);
    }
}

// Exports that cannot start say why and leave nothing behind: the encoder program missing (its
// own message names the program and the package), a folder that is missing or refuses new files,
// a session of no length.
TEST(SessionExport, RefusedStartsLeaveNothing)
{
    const QString folder = Folder(QStringLiteral("export-refused"));
    const QString older = folder + "/Session.mp3";
    WriteAll(older, "an older export");
    ToneSession session(44100, 5);
    {
        vtest::MessageLog messages;
        vtest::FakePrograms noEncoders(vtest::FakePrograms::Path::Only);
        rt::SessionExport job;
        EXPECT_FALSE(job.Start(session.params, older, kMp3, 3, 0));
        EXPECT_EQ(job.ErrorText(), QString()) << "the encoder has said it";
        EXPECT_EQ(messages.Texts(),
                  QStringList{"Failed to start the encoder stream (compression).\n\nThe program "
                              "lame was not found. It comes with the Debian package lame."});
    }
    EXPECT_EQ(ReadAll(older), QByteArray("an older export"));
    EXPECT_EQ(FolderEntries(folder), QStringList{"Session.mp3"});

    struct Case
    {
        const char* name;
        QString target;
        std::uint32_t seconds;
        QString text;
    };
    const Case cases[] = {
        {"missing folder", folder + "/gone/Session.wav", 5,
         "The session cannot be exported to the folder:\n" + folder +
             "/gone\n\nThe folder does not exist or cannot be written to. Please choose another folder."},
        // Not even root may make files there.
        {"folder refusing files", "/proc/Session.wav", 5,
         "The session cannot be exported to the folder:\n/proc\n\nThe folder does not exist or cannot be "
         "written to. Please choose another folder."},
        {"no length", folder + "/Session.wav", 0, "The session has no length to export."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::MessageLog messages;
        ToneSession s(44100, c.seconds);
        rt::SessionExport job;
        EXPECT_FALSE(job.Start(s.params, c.target, kWav, 3, 0));
        EXPECT_EQ(job.ErrorText(), c.text);
        EXPECT_EQ(job.Finish(), rt::SessionExport::Outcome::Failed);
        EXPECT_FALSE(QFile::exists(c.target));
        EXPECT_TRUE(messages.Texts().isEmpty());
    }
    EXPECT_EQ(FolderEntries(folder), QStringList{"Session.mp3"});
}

// A generator failing in the middle stops the export as it stops a playback: the engine's text
// is the error, and the older file stays.
TEST(SessionExport, EngineErrorFailsTheExport)
{
    const QString folder = Folder(QStringLiteral("export-engine"));
    const QString target = folder + "/Session.wav";
    WriteAll(target, "an older export");
    vtest::ProbeSession session(11025, 30);
    const std::int32_t track = session.AddTrack();
    session.AddSegment(track, 0.0, 1.0);
    session.scripts[0]->failAtFrame = 11025 * 12;
    rt::SessionExport job;
    session.Install(job.Mixer());
    ASSERT_TRUE(job.Start(session.params, target, kWav, 3, 0));
    ASSERT_TRUE(WaitUntilDone(job));
    EXPECT_EQ(job.Finish(), rt::SessionExport::Outcome::Failed);
    EXPECT_EQ(job.ErrorText(), QStringLiteral("probe read failed"));
    EXPECT_EQ(ReadAll(target), QByteArray("an older export"));
    EXPECT_EQ(FolderEntries(folder), QStringList{"Session.wav"});
}

// The disk filling up while the file is written: writes past the file-size limit fail (SIGXFSZ
// ignored), in a child process so that the limit binds nothing else. The export fails with its
// message after the encoder's, and the older file keeps its bytes.
TEST(SessionExport, FailedWriteLeavesTheOlderFile)
{
    const QString folder = Folder(QStringLiteral("export-full"));
    const QString target = folder + "/Session.wav";
    WriteAll(target, "an older export");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        int code = 0;
        {
            vtest::MessageLog messages;
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{256 * 1024, 256 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ToneSession session(44100, 10);
            rt::SessionExport job;
            if (!job.Start(session.params, target, kWav, 3, kSampleFloat))
                code = 1;
            else if (!WaitUntilDone(job) || job.Finish() != rt::SessionExport::Outcome::Failed)
                code = 2;
            else if (job.ErrorText() !=
                     QStringLiteral("The session could not be exported: the sound file could not "
                                    "be written.\n\nAn earlier file of the same name was left "
                                    "as it was."))
                code = 3;
            // The writer's buffer may take the last frames and fail only when the file is finished.
            else if (!messages.Contains(QStringLiteral("Failed to write to the encoder.")) &&
                     !messages.Contains(QStringLiteral("Failed to finish the encoder stream.")))
                code = 4;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: no start, 2: not a failure, 3: another text, 4: no encoder message";
    EXPECT_EQ(ReadAll(target), QByteArray("an older export"));
    EXPECT_EQ(FolderEntries(folder), QStringList{"Session.wav"});
}
