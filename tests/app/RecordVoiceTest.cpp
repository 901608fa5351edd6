// The plain voice recorder as the program runs it: the real main frame and view, the real
// recorder, countdown and end-of-recording dialogs, recording from the null device's input (the
// only stand-in: there is no sound card here). What the user gets out of it is checked in the
// session: the take lands where the chosen action says.
#include "AppTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CVornaApp.h"
#include "audio/COptions.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"
#include "dialogs/recorder/CDlgCountdown.h"
#include "dialogs/recorder/CDlgExportEnd.h"
#include "dialogs/recorder/CDlgRecorder.h"
#include "dialogs/recorder/CDlgRecorderStop.h"
#include "messages/AppMessages.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegments.h"
#include "platform/Registry.h"
#include "platform/audio/AudioSystem.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <memory>

namespace
{

/** The program's start-up with the audio layer's start and the help window stood in for. */
struct ProgramFixture
{
    ProgramFixture()
    {
        plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
        // A quiet tone from the "microphone", so the take has sound in it.
        plat::AudioSystem::SetNullInputSource(
            [](float* frames, std::uint32_t count)
            {
                for (std::uint32_t i = 0; i < 2 * count; ++i)
                    frames[i] = (i % 40 < 20) ? 0.1f : -0.1f;
            });
        folder = vtest::TestHome() + QStringLiteral("/recordings/record-voice");
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderRecording"), folder);

        shell::ViewServices services;
        services.audio = &audio;
        services.makeHelpWindow = [](QWidget*) { return std::make_unique<apptest::FakeHelp>(); };
        app.SetViewServices(services);
    }
    ~ProgramFixture()
    {
        app.ExitInstance();
        plat::AudioSystem::SetNullInputSource({});
    }

    CVornaView* View() const { return app.GetView(); }
    CVornaDoc& Doc() const { return *app.GetDocument(); }

    vtest::FakeUi fakeUi;
    apptest::FakeAudio audio;
    CVornaApp app;
    QString folder;
};

/** Queues what the user does in the recorder: Record, the countdown to its end, a second of
 *  speaking, Stop; then @p endAction in "End of Recording". @p take receives the file's path. */
void ScriptRecording(vtest::FakeUi& fakeUi, int endAction, QString& take)
{
    fakeUi.modalRuns.push_back(
        [&fakeUi](ui::Dialog& d)
        {
            auto* recorder = dynamic_cast<CDlgRecorder*>(&d);
            EXPECT_NE(recorder, nullptr) << "the recorder opens first";
            if (recorder == nullptr)
                return int(ui::IDCANCEL);
            d.show();
            ui::SendCommand(recorder, ID_TRANSPORT_RECORD, ui::Notify::Clicked);
            EXPECT_EQ(recorder->GetStatus(), dlg::kStatusRecording);
            EXPECT_TRUE(
                vtest::WaitFor([&] { return recorder->Session().GetRecordedFrames() > 44100; }, 5000));
            ui::SendCommand(recorder, ID_TRANSPORT_STOP, ui::Notify::Clicked);
            return d.result();
        });
    fakeUi.modalRuns.push_back(
        [](ui::Dialog& d)
        {
            EXPECT_NE(dynamic_cast<CDlgCountdown*>(&d), nullptr);
            return int(ui::IDOK);
        });
    fakeUi.modalRuns.push_back(
        [endAction, &take](ui::Dialog& d)
        {
            auto* end = dynamic_cast<CDlgRecorderStop*>(&d);
            EXPECT_NE(end, nullptr) << "then End of Recording";
            if (end == nullptr)
                return int(ui::IDCANCEL);
            d.show();
            take = end->FullPath();
            QTest::mouseClick(end->GetDlgItem(endAction), Qt::LeftButton);
            // Still open means the click placed nothing.
            return d.isVisible() ? -1 : d.result();
        });
}

/** The voice segments of @p doc whose file list holds @p path. */
std::vector<CSegmentSuggestions*> SegmentsHolding(CVornaDoc& doc, const QString& path)
{
    std::vector<CSegmentSuggestions*> found;
    for (int t = 0; t < doc.m_tracks.GetCount(); ++t)
    {
        const CTrack& track = doc.m_tracks.GetTrack(t);
        if (track.m_kind != CSegment::kKindVoice)
            continue;
        for (int s = 0; s < track.m_segments.GetCount(); ++s)
            if (auto* voice = dynamic_cast<CSegmentSuggestions*>(track.m_segments.GetSegment(s).get()))
                for (const CFileListEntry& entry : voice->m_files)
                    if (entry.m_path == path)
                        found.push_back(voice);
    }
    return found;
}

} // namespace

// Both add actions of "End of Recording", after a take made with the recorder opened from the
// view: the take must reach the session (once the recorder was given the main window in place of
// the view, the request reached nobody and the dialog closed as though it had worked).
TEST(RecordVoice, EachAddActionPutsTheTakeIntoTheSession)
{
    struct Case
    {
        const char* name;
        int action;
        bool selectVoiceSegment;
    };
    const Case cases[] = {
        {"an empty voice track", CDlgRecorderStop::kIdAddToNew, false},
        {"the selected voice segment", CDlgRecorderStop::kIdAddToSelected, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ASSERT_TRUE(f.app.InitInstance({QStringLiteral("vorna")}));
        COptions& options = *f.app.GetOptions();
        options.m_exportFormatType = COptions::kFormatWav;
        options.m_exportSampleType = COptions::kSample16Bit;

        CSegmentSuggestions* selected = nullptr;
        if (c.selectVoiceSegment)
        {
            auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
            segment->m_begin = 0.2;
            segment->m_end = 0.4;
            f.Doc().m_tracks.GetTrack(0).m_segments.AddSegment(segment);
            selected = static_cast<CSegmentSuggestions*>(segment.get());
            // What a press on the segment in the tracks pane does.
            f.View()->SetSelection(0, 0);
            f.View()->SelectSegment(segment.get());
        }
        const int voiceSegmentsBefore = [&]
        {
            int n = 0;
            for (int t = 0; t < f.Doc().m_tracks.GetCount(); ++t)
                if (f.Doc().m_tracks.GetTrack(t).m_kind == CSegment::kKindVoice)
                    n += f.Doc().m_tracks.GetTrack(t).m_segments.GetCount();
            return n;
        }();

        QString take;
        ScriptRecording(f.fakeUi, c.action, take);
        ui::SendMessage(f.View(), WM_APP_RECORD_VOICE); // the toolbar's "Record voice"
        EXPECT_TRUE(f.fakeUi.modalRuns.empty()) << "recorder, countdown and end dialog all ran";
        for (const auto& box : f.fakeUi.boxes)
            ADD_FAILURE() << "unexpected message: " << box.text.toStdString();

        ASSERT_FALSE(take.isEmpty());
        EXPECT_TRUE(QFileInfo(take).size() > 44100 * 4) << "the take holds the second recorded";
        const std::vector<CSegmentSuggestions*> holders = SegmentsHolding(f.Doc(), take);
        ASSERT_EQ(holders.size(), 1u) << "exactly one voice segment holds the take";
        if (selected != nullptr)
        {
            EXPECT_EQ(holders[0], selected);
        }
        else
        {
            EXPECT_EQ(holders[0]->m_files.size(), 1u) << "a new segment with only the take";
        }
        int voiceSegmentsAfter = 0;
        for (int t = 0; t < f.Doc().m_tracks.GetCount(); ++t)
            if (f.Doc().m_tracks.GetTrack(t).m_kind == CSegment::kKindVoice)
                voiceSegmentsAfter += f.Doc().m_tracks.GetTrack(t).m_segments.GetCount();
        EXPECT_EQ(voiceSegmentsAfter, voiceSegmentsBefore + (selected != nullptr ? 0 : 1));
        EXPECT_TRUE(f.Doc().IsSessionModified());
    }
}

// A live recording ends either by the user's Stop or because the session cannot play on (here a
// voice file that is not there). The end dialog must never claim success for the second, and
// the reason must come before it (it used to come after Finish, below a "successfully created").
TEST(LiveRecording, ASessionThatCannotPlayOnSaysWhyBeforeOfferingTheFile)
{
    struct Case
    {
        const char* name;
        bool missingVoiceFile;
        const char* heading;
        std::vector<QString> boxesFirst;
    };
    const QString missing = vtest::TestHome() + QStringLiteral("/no-such-folder/voice.wav");
    const Case cases[] = {
        {"stopped by the user", false, "The sound file was successfully created", {}},
        {"stopped by a missing voice file",
         true,
         "The recording was stopped early",
         {QStringLiteral("Failed to open the voice file: \n\n") + missing}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ASSERT_TRUE(f.app.InitInstance({QStringLiteral("vorna")}));
        f.app.GetOptions()->m_exportFormatType = COptions::kFormatWav;
        SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("MsgLiveRecording"), QStringLiteral("1"));
        if (c.missingVoiceFile)
        {
            auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
            auto& voice = static_cast<CSegmentSuggestions&>(*segment);
            voice.m_files = {CFileListEntry{missing, 0}};
            voice.m_playMode = CSegmentSuggestions::kPlayModeSequential;
            segment->m_begin = 0.0;
            segment->m_end = 0.5;
            f.Doc().m_tracks.GetTrack(0).m_segments.AddSegment(segment);
        }

        f.fakeUi.modalRuns.push_back(
            [](ui::Dialog& d)
            {
                EXPECT_NE(dynamic_cast<CDlgCountdown*>(&d), nullptr);
                return int(ui::IDOK);
            });
        QString heading;
        std::vector<QString> boxesBefore;
        bool offered = false;
        f.fakeUi.modalRuns.push_back(
            [&](ui::Dialog& d)
            {
                auto* end = dynamic_cast<CDlgExportEnd*>(&d);
                EXPECT_NE(end, nullptr);
                offered = true;
                for (const auto& box : f.fakeUi.boxes)
                    boxesBefore.push_back(box.text);
                d.show();
                if (auto* label = dynamic_cast<ui::Static*>(d.GetDlgItem(1083)))
                    heading = label->GetWindowText();
                return int(ui::IDCANCEL);
            });
        ui::SendMessage(f.View(), WM_APP_LIVE_RECORDING);
        ASSERT_TRUE(f.Doc().m_isLive);
        if (!c.missingVoiceFile)
        {
            vtest::WaitFor([] { return false; }, 300);
            ui::SendMessage(f.View(), WM_APP_STOP);
        }
        EXPECT_TRUE(vtest::WaitFor([&] { return offered && !f.Doc().m_isLive; }, 5000));
        EXPECT_EQ(heading, QString::fromLatin1(c.heading));
        EXPECT_EQ(boxesBefore, c.boxesFirst);
        EXPECT_EQ(f.fakeUi.boxes.size(), c.boxesFirst.size()) << "the reason is said once, and nothing after";
    }
}
