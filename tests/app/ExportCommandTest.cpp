// The view's export command over a real document, the real engine and encoders and the real
// progress window (run through the modal seam), and the Tools command's loop tool.
#include "AppTestSupport.h"

#include "app/CommandDialogs.h"
#include "app/ExportCommand.h"
#include "audio/AudioMessage.h"
#include "dialogs/looptool/CDlgAmbientGrains.h"
#include "dialogs/session/ExportProgressDialog.h"
#include "messages/AppMessages.h"
#include "model/CSegmentTone.h"
#include "model/CSegments.h"
#include "platform/Registry.h"
#include "platform/audio/SoundDecoder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace apptest;

namespace
{

/** The encoders' message boxes reach the program's message boxes, as the application installs. */
struct AudioMessagesAsBoxes
{
    AudioMessagesAsBoxes()
    {
        audio::SetMessageSink([](const QString& text) { ui::MessageBox(nullptr, text); });
    }
    ~AudioMessagesAsBoxes() { audio::SetMessageSink({}); }
};

/** A new session of @p seconds whose tone track sounds a 200 Hz carrier over the whole session,
 *  exported at 22050 Hz as @p format. */
struct ExportFixture : ViewFixture
{
    explicit ExportFixture(int format, std::int32_t seconds = 10)
    {
        doc.OnNewDocument();
        doc.m_sessionLength = seconds;
        for (int t = 0; t < doc.m_tracks.GetCount(); ++t)
            if (doc.m_tracks.GetTrack(t).m_kind == CSegment::kKindTone)
            {
                auto segment = CSegments::CreateSegment(CSegment::kKindTone);
                segment->m_begin = 0.0;
                segment->m_end = 1.0;
                static_cast<CSegmentTone&>(*segment).m_carrier.SetValue(200.0);
                doc.m_tracks.GetTrack(t).m_segments.AddSegment(segment);
                break;
            }
        options.m_qualityType = 1; // 22050 Hz
        options.m_exportFormatType = format;
        options.m_exportSampleType = COptions::kSampleFloat;
    }
    std::vector<QString> Boxes() const
    {
        std::vector<QString> texts;
        for (const auto& b : fakeUi.boxes)
            texts.push_back(b.text);
        return texts;
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
    AudioMessagesAsBoxes messages;
};

/** Runs the real progress window until it ends by itself. */
int RunProgress(ui::Dialog& dialog)
{
    return dialog.exec();
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

} // namespace

// Export while playing: the playback stops, the save dialog offers the options' format first
// under the session's name, the progress window runs, and the file holds the whole session at the
// options' rate. A cancelled save dialog does nothing.
TEST(ExportCommand, WritesTheSessionInTheOptionsFormatAndRate)
{
    ExportFixture f(COptions::kFormatWav);
    f.Send(WM_APP_EXPORT_SESSION);
    EXPECT_TRUE(f.fakeUi.modalTitles.empty());
    EXPECT_TRUE(f.Boxes().empty());

    f.view->Play(false, nullptr);
    ASSERT_TRUE(f.doc.m_isPlaying);
    const QString target = f.dir.filePath("Evening.wav");
    f.fakeUi.fileAnswers.push_back(QStringList{target});
    f.fakeUi.modalRuns.push_back(RunProgress);
    f.Send(WM_APP_EXPORT_SESSION);

    EXPECT_FALSE(f.doc.m_isPlaying);
    EXPECT_EQ(f.engine.stops, 1);
    ASSERT_EQ(f.fakeUi.fileRequests.size(), 2u);
    const ui::FileDialogRequest& request = f.fakeUi.fileRequests.back();
    EXPECT_EQ(request.mode, ui::FileDialogRequest::Mode::Save);
    EXPECT_EQ(request.filter,
              QStringLiteral("WAV files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3|OGG files (*.ogg)|*.ogg||"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("wav"));
    EXPECT_EQ(request.fileName, QStringLiteral("Session.wav"));
    EXPECT_EQ(f.fakeUi.modalTitles, std::vector<QString>{QStringLiteral("Export Session")});
    EXPECT_EQ(f.Boxes(), std::vector<QString>{"The session was exported to:\n" + target});
    EXPECT_FALSE(f.doc.IsSessionModified()) << "an export is no edit of the session";

    plat::SoundDecoder decoder;
    ASSERT_TRUE(decoder.Open(target, 22050, false));
    EXPECT_EQ(decoder.Source().rate, 22050u);
    EXPECT_EQ(decoder.Source().frames, 10u * 22050u);
    std::vector<float> frames(2 * 22050);
    decoder.Seek(5 * 22050);
    ASSERT_EQ(decoder.Read(frames.data(), 22050), 22050u);
    float peak = 0;
    for (float v : frames)
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.05f) << "the tone is in the file";
    EXPECT_EQ(f.Files(), QStringList{"Evening.wav"});
}

// However the progress window ends before the export does (its Cancel button, Esc, a run that
// returns at once), nothing is written and an older file keeps its bytes.
TEST(ExportCommand, CancelLeavesTheOlderFile)
{
    struct Case
    {
        const char* name;
        std::function<int(ui::Dialog&)> run;
    };
    const Case cases[] = {
        {"Cancel button",
         [](ui::Dialog& d)
         {
             QTimer::singleShot(
                 0, &d, [&d] { QTest::mouseClick(ui::FindControl(&d, ui::IDCANCEL), Qt::LeftButton); });
             return d.exec();
         }},
        {"Esc",
         [](ui::Dialog& d)
         {
             QTimer::singleShot(0, &d, [&d] { QTest::keyClick(&d, Qt::Key_Escape); });
             return d.exec();
         }},
        {"no run", [](ui::Dialog&) { return int(ui::IDCANCEL); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ExportFixture f(COptions::kFormatMp3, 600);
        const QString target = f.dir.filePath("Evening.mp3");
        WriteAll(target, "an older export");
        f.fakeUi.fileAnswers.push_back(QStringList{target});
        f.fakeUi.modalRuns.push_back(c.run);
        f.Send(WM_APP_EXPORT_SESSION);
        EXPECT_TRUE(f.Boxes().empty());
        EXPECT_EQ(ReadAll(target), QByteArray("an older export"));
        EXPECT_EQ(f.Files(), QStringList{"Evening.mp3"});
    }
}

// Without the encoder program the encoder's own message names it and its package; no progress
// window opens and nothing is left behind. A folder that refuses files is said so.
TEST(ExportCommand, RefusedExportsSayWhy)
{
    ExportFixture f(COptions::kFormatMp3);
    {
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        f.fakeUi.fileAnswers.push_back(QStringList{f.dir.filePath("Evening")});
        f.Send(WM_APP_EXPORT_SESSION);
        qputenv("PATH", path);
    }
    f.fakeUi.fileAnswers.push_back(QStringList{QStringLiteral("/proc/Evening.mp3")});
    f.Send(WM_APP_EXPORT_SESSION);
    EXPECT_EQ(f.Boxes(),
              (std::vector<QString>{
                  "Failed to start the encoder stream (compression).\n\nThe program lame was not found. It "
                  "comes with the Debian package lame.",
                  "The session cannot be exported to the folder:\n/proc\n\nThe folder does not exist or "
                  "cannot be written to. Please choose another folder."}));
    EXPECT_TRUE(f.fakeUi.modalTitles.empty());
    EXPECT_TRUE(f.Files().isEmpty());
}

// The save dialog and the chosen name: the options' format comes first, a session with a file
// offers its own name beside it, and the format follows the extension chosen.
TEST(ExportCommand, FileDialogAndFormatOfTheName)
{
    const ui::FileDialogRequest saved = shell::ExportFileRequest(QStringLiteral("/home/me/Deep Rest.vrx"),
                                                                 QStringLiteral("/home/me/Sessions"), 2);
    EXPECT_EQ(saved.filter,
              QStringLiteral("OGG files (*.ogg)|*.ogg|WAV files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3||"));
    EXPECT_EQ(saved.defaultExtension, QStringLiteral("ogg"));
    EXPECT_EQ(saved.folder, QStringLiteral("/home/me"));
    EXPECT_EQ(saved.fileName, QStringLiteral("/home/me/Deep Rest.ogg"));
    const ui::FileDialogRequest fresh =
        shell::ExportFileRequest(QString(), QStringLiteral("/home/me/Sessions"), 1);
    EXPECT_EQ(fresh.folder, QStringLiteral("/home/me/Sessions"));
    EXPECT_EQ(fresh.fileName, QStringLiteral("Session.mp3"));
    EXPECT_EQ(fresh.title, QStringLiteral("Export the session to an audio file"));

    struct Case
    {
        const char* chosen;
        int optionsFormat;
        int format;
        const char* path;
    };
    const Case cases[] = {
        {"/a/Evening.MP3", 0, 1, "/a/Evening.MP3"},
        {"/a/Evening.wav", 2, 0, "/a/Evening.wav"},
        {"/a/Evening.ogg", 1, 2, "/a/Evening.ogg"},
        {"/a/Evening", 2, 2, "/a/Evening.ogg"},
        {"/a/Evening.flac", 1, 1, "/a/Evening.flac.mp3"},
        {"/a/Evening", 7, 0, "/a/Evening.wav"}, // a hand-edited setting outside the list
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.chosen);
        QString path = QString::fromLatin1(c.chosen);
        EXPECT_EQ(shell::ExportFormatForPath(path, c.optionsFormat), c.format);
        EXPECT_EQ(path, QString::fromLatin1(c.path));
    }
}

// The Tools command opens the loop tool itself, at the options' sample rate.
TEST(ToolCommands, AmbientMusicToolIsTheLoopTool)
{
    ViewFixture f;
    f.options.m_qualityType = 3; // 48000 Hz
    int rate = 0;
    f.fakeUi.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            auto* tool = dynamic_cast<CDlgAmbientGrains*>(&d);
            EXPECT_NE(tool, nullptr);
            rate = tool != nullptr ? tool->GetRate() : 0;
            return int(ui::IDCANCEL);
        });
    f.Send(WM_APP_AMBIENT_MUSIC_TOOL);
    EXPECT_EQ(f.fakeUi.modalTitles, std::vector<QString>{QStringLiteral("Create Ambient Music Loops")});
    EXPECT_EQ(rate, 48000);
    EXPECT_FALSE(f.doc.IsSessionModified());
}
