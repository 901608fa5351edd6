// The view's editing, file, tool and support commands against a real document: what each does to
// the session, its modified flag and its messages; the save prompt and Open flows over the file
// dialog seam; where a finished recording goes; the script report; the keys of the main frame.
#include "AppTestSupport.h"

#include "app/CommandDialogs.h"
#include "app/ViewCommandLogic.h"
#include "controls/Accelerators.h"
#include "controls/CommandIds.h"
#include "dialogs/session/CDlgNotes.h"
#include "dialogs/session/CDlgStages.h"
#include "dialogs/session/CDlgVoiceTexts.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegments.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using apptest::ViewFixture;

namespace
{

constexpr const char* kMsgCopyFirst = "Please copy a segment before pasting.";
constexpr const char* kMsgToItself = "Cannot copy a segment to itself.";
constexpr const char* kMsgSameKind =
    "Both copy (source) and paste (target) segments should be of the same soundtrack type";
constexpr const char* kMsgNoMoreTracks = "Cannot add more tracks to the session.";
constexpr const char* kMsgSave = "The session was modified. Do you want to save the changes?";

/** Adds a segment of track @p track's kind spanning @p begin..@p end; returns it. */
CSegments::SegmentPtr AddSegment(CVornaDoc& doc, int track, double begin, double end)
{
    CTrack& t = doc.m_tracks.GetTrack(track);
    CSegments::SegmentPtr s = CSegments::CreateSegment(t.m_kind);
    s->m_begin = begin;
    s->m_end = end;
    t.m_segments.AddSegment(s);
    return s;
}

/** A new session with two voice segments on track 0 and a tone segment on track 4, not modified. */
struct CommandFixture : ViewFixture
{
    CommandFixture()
    {
        doc.OnNewDocument();
        voiceA = AddSegment(doc, 0, 0.1, 0.3);
        voiceB = AddSegment(doc, 0, 0.5, 0.8);
        tone = AddSegment(doc, 4, 0.2, 0.6);
        voiceA->m_volume.SetConstant(17.0);
        static_cast<CSegmentSuggestions&>(*voiceA).m_scriptText = QStringLiteral("Breathe in.");
    }
    std::vector<QString> Boxes() const
    {
        std::vector<QString> texts;
        for (const auto& b : fakeUi.boxes)
            texts.push_back(b.text);
        return texts;
    }
    CSegments::SegmentPtr voiceA, voiceB, tone;
};

} // namespace

// Delete removes the selected segment, clears the selection, marks the session modified; the
// track whose last segment goes is left playing. The tracks pane's momentary segment goes
// the same way but is no edit.
TEST(ViewCommands, DeleteSegmentRemovesItAndLeavesAnEmptiedTrackActive)
{
    CommandFixture f;
    f.doc.m_tracks.GetTrack(4).m_active = false;
    f.view->SetSelection(4, 0);
    f.Send(WM_APP_DELETE_SEGMENT);
    EXPECT_EQ(f.doc.m_tracks.GetTrack(4).m_segments.GetCount(), 0);
    EXPECT_TRUE(f.doc.m_tracks.GetTrack(4).m_active);
    EXPECT_TRUE(f.doc.IsSessionModified());
    int t = 0, s = 0;
    f.view->GetSelection(t, s);
    EXPECT_EQ(t, -1);
    EXPECT_EQ(s, -1);

    CommandFixture g;
    g.view->SetSelection(0, 1);
    g.view->DeleteTemporarySegment();
    EXPECT_EQ(g.doc.m_tracks.GetTrack(0).m_segments.GetCount(), 1);
    EXPECT_FALSE(g.doc.IsSessionModified());

    // Without a selection nothing happens.
    CommandFixture h;
    h.Send(WM_APP_DELETE_SEGMENT);
    EXPECT_EQ(h.doc.m_tracks.GetTrack(0).m_segments.GetCount(), 2);
    EXPECT_FALSE(h.doc.IsSessionModified());
}

// The refusals of paste come in their order: nothing copied, then no target (silently), then
// the segment onto itself, then another kind; copy itself is no edit.
TEST(ViewCommands, PasteRefusesInTheirOrder)
{
    CommandFixture f;
    f.Send(WM_APP_PASTE_SEGMENT); // 1: nothing copied, even without a target
    f.view->SetSelection(0, 0);
    f.Send(WM_APP_COPY_SEGMENT);
    EXPECT_FALSE(f.doc.IsSessionModified());
    f.view->SetSelection(-1, -1);
    f.Send(WM_APP_PASTE_SEGMENT); // 2: no target, no message
    f.view->SetSelection(0, 0);
    f.Send(WM_APP_PASTE_SEGMENT); // 3: onto itself
    f.view->SetSelection(4, 0);
    f.Send(WM_APP_PASTE_SEGMENT); // 4: a tone segment
    EXPECT_EQ(f.Boxes(),
              (std::vector<QString>{QString::fromLatin1(kMsgCopyFirst), QString::fromLatin1(kMsgToItself),
                                    QString::fromLatin1(kMsgSameKind)}));
    EXPECT_FALSE(f.doc.IsSessionModified());
}

// Paste copies the settings but the target keeps its place on the timeline.
TEST(ViewCommands, PasteCopiesTheSettingsAndKeepsTheTargetsTimes)
{
    CommandFixture f;
    f.view->SetSelection(0, 0);
    f.Send(WM_APP_COPY_SEGMENT);
    f.view->SetSelection(0, 1);
    f.Send(WM_APP_PASTE_SEGMENT);
    EXPECT_TRUE(f.Boxes().empty());
    EXPECT_DOUBLE_EQ(f.voiceB->m_volume.GetValue(), 17.0);
    EXPECT_DOUBLE_EQ(f.voiceB->m_begin, 0.5);
    EXPECT_DOUBLE_EQ(f.voiceB->m_end, 0.8);
    EXPECT_TRUE(f.doc.IsSessionModified());
}

// A copied segment that was deleted (by the command, with its track, or kept alive elsewhere)
// is no source any more: paste answers as if nothing had been copied. Runs under ASan in CI.
TEST(ViewCommands, PasteAfterTheCopiedSegmentWentBehavesAsNothingCopied)
{
    {
        CommandFixture f;
        f.view->SetSelection(0, 0);
        f.Send(WM_APP_COPY_SEGMENT);
        f.voiceA.reset();
        f.Send(WM_APP_DELETE_SEGMENT);
        f.view->SetSelection(0, 0);
        f.Send(WM_APP_PASTE_SEGMENT);
        EXPECT_EQ(f.Boxes(), std::vector<QString>{QString::fromLatin1(kMsgCopyFirst)});
    }
    {
        // Still alive (the fixture holds it) but out of the session with its track.
        CommandFixture f;
        f.doc.m_tracks.AddTrack(4);
        AddSegment(f.doc, 5, 0.0, 0.5); // a second tone track, so the first can go
        f.view->SetSelection(4, 0);
        f.Send(WM_APP_COPY_SEGMENT);
        f.Send(WM_APP_REMOVE_TRACK);
        f.view->SetSelection(4, 0);
        f.Send(WM_APP_PASTE_SEGMENT);
        EXPECT_EQ(f.Boxes(), std::vector<QString>{QString::fromLatin1(kMsgCopyFirst)});
    }
}

// Add and duplicate stop at 51 tracks; without a selection nothing is added.
TEST(ViewCommands, AddAndDuplicateTrackStopAtFiftyOneTracks)
{
    for (const unsigned message : {unsigned(WM_APP_ADD_TRACK), unsigned(WM_APP_DUPLICATE_TRACK)})
    {
        SCOPED_TRACE(message);
        CommandFixture f;
        while (f.doc.m_tracks.GetCount() < 50)
            f.doc.m_tracks.AddTrack(7);
        f.view->SetSelection(0, 0);
        f.Send(message);
        ASSERT_EQ(f.doc.m_tracks.GetCount(), 51);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(1).m_kind, 0);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(1).m_segments.GetCount(), message == WM_APP_ADD_TRACK ? 0 : 2);
        EXPECT_TRUE(f.doc.IsSessionModified());
        f.Send(message);
        EXPECT_EQ(f.doc.m_tracks.GetCount(), 51);
        EXPECT_EQ(f.Boxes(), std::vector<QString>{QString::fromLatin1(kMsgNoMoreTracks)});

        CommandFixture none;
        none.Send(message);
        EXPECT_EQ(none.doc.m_tracks.GetCount(), 8);
        EXPECT_FALSE(none.doc.IsSessionModified());
    }
    EXPECT_TRUE(shell::CanAddTrack(0));
    EXPECT_TRUE(shell::CanAddTrack(50));
    EXPECT_FALSE(shell::CanAddTrack(51));
}

// Remove keeps the only track of a kind (emptied), clears the selection; clean keeps the
// selected segment selected; mute all skips empty tracks; mute / activate one track.
TEST(ViewCommands, TrackCommandsChangeTheTrackList)
{
    CommandFixture f;
    f.view->SetSelection(4, 0);
    f.Send(WM_APP_REMOVE_TRACK);
    ASSERT_EQ(f.doc.m_tracks.GetCount(), 8);
    EXPECT_EQ(f.doc.m_tracks.GetTrack(4).m_segments.GetCount(), 0);
    EXPECT_TRUE(f.doc.IsSessionModified());
    int t = 0, s = 0;
    f.view->GetSelection(t, s);
    EXPECT_EQ(t, -1);

    CommandFixture g;
    g.doc.m_tracks.InsertTrack(0, 7); // an empty track in front of the tone track
    g.doc.m_tracks.SwapTracks(1, 2);  // ... now at index 1, moving the tone track to 5
    ASSERT_EQ(g.doc.m_tracks.GetTrack(5).m_kind, 4);
    g.view->SetSelection(5, 0);
    g.Send(WM_APP_CLEAN_EMPTY_TRACKS);
    EXPECT_EQ(g.doc.m_tracks.GetCount(), 8);
    g.view->GetSelection(t, s);
    ASSERT_GE(t, 0);
    EXPECT_EQ(g.doc.m_tracks.GetTrack(t).m_segments.GetSegment(s), g.tone);

    CommandFixture h;
    h.Send(WM_APP_MUTE_ALL_TRACKS);
    EXPECT_FALSE(h.doc.m_tracks.GetTrack(0).m_active);
    EXPECT_FALSE(h.doc.m_tracks.GetTrack(4).m_active);
    EXPECT_TRUE(h.doc.m_tracks.GetTrack(1).m_active);
    h.Send(WM_APP_ACTIVATE_ALL_TRACKS);
    EXPECT_TRUE(h.doc.m_tracks.GetTrack(0).m_active);
    h.view->SetSelection(4, -1); // a track without a segment selected is enough
    h.Send(WM_APP_MUTE_TRACK);
    EXPECT_FALSE(h.doc.m_tracks.GetTrack(4).m_active);
    h.Send(WM_APP_ACTIVATE_TRACK);
    EXPECT_TRUE(h.doc.m_tracks.GetTrack(4).m_active);
}

// A session file may hold no tracks: the track commands then do nothing and do not divide by 0.
TEST(ViewCommands, TrackCommandsOnASessionWithoutTracks)
{
    ViewFixture f;
    f.doc.m_tracks.RemoveAll();
    for (unsigned m : {WM_APP_ADD_TRACK, WM_APP_DUPLICATE_TRACK, WM_APP_REMOVE_TRACK, WM_APP_MUTE_TRACK,
                       WM_APP_DELETE_SEGMENT, WM_APP_PASTE_SEGMENT})
        f.Send(m);
    EXPECT_EQ(f.doc.m_tracks.GetCount(), 0);
}

// ---- Save prompt, New, Open -----------------------------------------------------------------

namespace
{
QString WriteSession(const QString& folder, const QString& name, int length)
{
    CVornaDoc doc;
    doc.m_sessionLength = length;
    const QString path = folder + QLatin1Char('/') + name;
    EXPECT_TRUE(doc.OnSaveDocument(path));
    return path;
}
} // namespace

// Cancel keeps the session; No discards it; Yes goes on only once the save really wrote it.
TEST(ViewCommands, SavePromptGoesOnOnlyWhenTheChangesAreSafe)
{
    QTemporaryDir dir;
    for (const unsigned command : {unsigned(WM_APP_NEW_SESSION), unsigned(WM_APP_OPEN_SESSION)})
    {
        SCOPED_TRACE(command);
        struct Case
        {
            const char* name;
            int answer;
            std::optional<QStringList> saveAs; // the save dialog's answer after Yes
            bool discarded;
        };
        const QString unwritable = dir.path() + QStringLiteral("/no such folder/x.vrx");
        const QString writable = dir.path() + QStringLiteral("/saved.vrx");
        for (const Case& c :
             {Case{"cancel", ui::IDCANCEL, std::nullopt, false}, Case{"no", ui::IDNO, std::nullopt, true},
              Case{"yes, dialog cancelled", ui::IDYES, std::nullopt, false},
              Case{"yes, save fails", ui::IDYES, QStringList{unwritable}, false},
              Case{"yes, saved", ui::IDYES, QStringList{writable}, true}})
        {
            SCOPED_TRACE(c.name);
            CommandFixture f;
            f.doc.m_sessionLength = 1234;
            f.doc.SetSessionModified();
            f.fakeUi.boxAnswers = {c.answer};
            if (c.answer == ui::IDYES)
                f.fakeUi.fileAnswers.push_back(c.saveAs);
            f.fakeUi.fileAnswers.push_back(std::nullopt); // Open's dialog: cancelled
            f.Send(command);
            ASSERT_FALSE(f.fakeUi.boxes.empty());
            EXPECT_EQ(f.fakeUi.boxes[0].text, QString::fromLatin1(kMsgSave));
            EXPECT_EQ(f.fakeUi.boxes[0].buttons, ui::MessageButtons::YesNoCancel);
            if (c.discarded)
                EXPECT_EQ(f.doc.m_sessionLength, CVornaDoc::kDefaultSessionSeconds);
            else
            {
                EXPECT_EQ(f.doc.m_sessionLength, 1234);
                EXPECT_TRUE(f.doc.IsSessionModified());
                EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), 2);
            }
        }
    }
    // The save dialog of Yes: the session filter and suffix, starting in the sessions folder.
    CommandFixture f;
    SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderSessions"), dir.path());
    f.doc.SetSessionModified();
    f.fakeUi.boxAnswers = {ui::IDYES};
    f.Send(WM_APP_NEW_SESSION);
    ASSERT_EQ(f.fakeUi.fileRequests.size(), 1u);
    EXPECT_EQ(f.fakeUi.fileRequests[0].mode, ui::FileDialogRequest::Mode::Save);
    EXPECT_EQ(ui::ToQtFilter(f.fakeUi.fileRequests[0].filter), QStringLiteral("VORNA Session Files (*.vrx)"));
    EXPECT_EQ(f.fakeUi.fileRequests[0].defaultExtension, QStringLiteral("vrx"));
    EXPECT_EQ(f.fakeUi.fileRequests[0].folder, dir.path());
}

// Open: a cancelled dialog leaves a new session; an opened file stores its folder; a refused
// file leaves a new session and the stored folder as it was.
TEST(ViewCommands, OpenResetsThenReadsAndRemembersTheFolder)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/sessions"));
    const QString good =
        WriteSession(dir.path() + QStringLiteral("/sessions"), QStringLiteral("good.vrx"), 777);
    const QString bad = dir.path() + QStringLiteral("/bad.vrx");
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a session file");
    }
    SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderSessions"), QStringLiteral("/start"));

    CommandFixture f;
    f.fakeUi.fileAnswers = {std::nullopt};
    f.Send(WM_APP_OPEN_SESSION);
    EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), 0);
    EXPECT_TRUE(f.doc.GetPathName().isEmpty());
    ASSERT_EQ(f.fakeUi.fileRequests.size(), 1u);
    EXPECT_EQ(f.fakeUi.fileRequests[0].title, QStringLiteral("Open a session file"));
    EXPECT_EQ(f.fakeUi.fileRequests[0].folder, QStringLiteral("/start"));
    EXPECT_EQ(f.fakeUi.fileRequests[0].mode, ui::FileDialogRequest::Mode::Open);

    f.fakeUi.fileAnswers = {QStringList{bad}};
    f.Send(WM_APP_OPEN_SESSION);
    EXPECT_TRUE(f.doc.GetPathName().isEmpty());
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderSessions"), folder);
    EXPECT_EQ(folder, QStringLiteral("/start"));

    f.fakeUi.fileAnswers = {QStringList{good}};
    f.Send(WM_APP_OPEN_SESSION);
    EXPECT_EQ(f.doc.m_sessionLength, 777);
    GetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderSessions"), folder);
    EXPECT_EQ(folder, dir.path() + QStringLiteral("/sessions"));
}

// ---- Recordings, transcript, dialogs, web pages ------------------------------------------------

TEST(ViewCommands, ARecordingIsCentredOnTheSessionMiddle)
{
    struct Case
    {
        double content, session, begin, end;
    };
    for (const Case c : {Case{600, 300, 0, 1}, Case{150, 300, 0.25, 0.75}, Case{300, 300, 0, 1},
                         Case{0, 300, 0, 1}, Case{60, 0, 0, 1}})
    {
        double b = -1, e = -1;
        shell::CentreRecording(c.content, c.session, b, e);
        EXPECT_DOUBLE_EQ(b, c.begin) << c.content << " / " << c.session;
        EXPECT_DOUBLE_EQ(e, c.end) << c.content << " / " << c.session;
    }
}

// A new recording goes to the first empty voice track; when there is none, a new voice track is
// put in front of the first track of another kind, or at the end when every track is a voice
// track with segments (or there is no track at all).
TEST(ViewCommands, ANewRecordingGetsAVoiceTrack)
{
    const QString path = QStringLiteral("/tmp/recorded voice.wav");
    {
        CommandFixture f; // track 0 holds segments; track 1 is ambient music
        EXPECT_TRUE(f.view->AddRecording(ui::RecordingTarget::NewSegment, path));
        ASSERT_EQ(f.doc.m_tracks.GetCount(), 9);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(1).m_kind, 0);
        ASSERT_EQ(f.doc.m_tracks.GetTrack(1).m_segments.GetCount(), 1);
        const auto& voice =
            static_cast<const CSegmentSuggestions&>(*f.doc.m_tracks.GetTrack(1).m_segments.GetSegment(0));
        ASSERT_EQ(voice.m_files.size(), 1u);
        EXPECT_EQ(voice.m_files[0].m_path, path);
        // The file cannot be measured: the segment keeps the whole session.
        EXPECT_DOUBLE_EQ(voice.m_begin, 0.0);
        EXPECT_DOUBLE_EQ(voice.m_end, 1.0);
        int t = 0, s = 0;
        f.view->GetSelection(t, s);
        EXPECT_EQ(t, 1);
        EXPECT_EQ(s, 0);
        EXPECT_TRUE(f.doc.IsSessionModified());
    }
    {
        ViewFixture f;
        f.doc.m_tracks.RemoveAll();
        EXPECT_TRUE(f.view->AddRecording(ui::RecordingTarget::NewSegment, path));
        ASSERT_EQ(f.doc.m_tracks.GetCount(), 1);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), 1);
        AddSegment(f.doc, 0, 0, 0.1);
        EXPECT_TRUE(f.view->AddRecording(ui::RecordingTarget::NewSegment, path));
        ASSERT_EQ(f.doc.m_tracks.GetCount(), 2);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(1).m_kind, 0);
    }
    {
        CTracks tracks;
        tracks.SetDefault();
        tracks.SwapTracks(0, 1); // ambient music first
        EXPECT_EQ(shell::PrepareRecordingTrack(tracks), 0);
        EXPECT_EQ(tracks.GetTrack(0).m_kind, 0);
        EXPECT_EQ(tracks.GetTrack(1).m_kind, 1);
        EXPECT_EQ(tracks.GetCount(), 9);
    }
}

// Into the selected segment: only a voice segment takes a recording.
TEST(ViewCommands, ARecordingIntoTheSelectedSegmentNeedsAVoiceSegment)
{
    const QString path = QStringLiteral("/tmp/take two.wav");
    CommandFixture f;
    f.view->SetSelection(4, 0);
    EXPECT_FALSE(f.view->AddRecording(ui::RecordingTarget::SelectedSegment, path));
    EXPECT_EQ(f.Boxes(), std::vector<QString>{QStringLiteral("No voice segment is currently selected.")});
    EXPECT_FALSE(f.doc.IsSessionModified());
    f.view->SetSelection(0, 1);
    EXPECT_TRUE(f.view->AddRecording(ui::RecordingTarget::SelectedSegment, path));
    EXPECT_EQ(static_cast<CSegmentSuggestions&>(*f.voiceB).m_files.back().m_path, path);
}

TEST(ViewCommands, ScriptReportListsTheVoiceSegmentsFilesAndTexts)
{
    CTracks tracks;
    tracks.SetDefault();
    EXPECT_EQ(shell::BuildScriptReport(tracks),
              QStringLiteral("Scripts and Suggestions\r\n=======================\r\n\r\n"));

    auto add = [&](const char* file, const char* text, std::int32_t mode)
    {
        auto s = CSegments::CreateSegment(0);
        auto& v = static_cast<CSegmentSuggestions&>(*s);
        if (file != nullptr)
            v.m_files.push_back(CFileListEntry{QString::fromLatin1(file), 0});
        v.m_scriptText = QString::fromLatin1(text);
        v.m_playMode = mode;
        s->m_begin = s->m_end = 0.1 * (tracks.GetTrack(0).m_segments.GetCount() + 1);
        tracks.GetTrack(0).m_segments.AddSegment(s);
    };
    add("/home/me/Intro.part.wav", "Relax.", 0);
    add(nullptr, "Live only", CSegmentSuggestions::kPlayModeLivePlaceholder);
    add("Sound Library\\Voice\\Count.mp3", "", 1);
    EXPECT_EQ(shell::BuildScriptReport(tracks),
              QStringLiteral("Scripts and Suggestions\r\n=======================\r\n\r\n"
                             "Intro.part\r\nRelax.\r\n\r\n"
                             "Count\r\n\r\n"));
}

// The tool commands run their dialogs modally; those that edit the session mark it modified.
TEST(ViewCommands, ToolCommandsRunTheirDialogs)
{
    struct Case
    {
        unsigned message;
        const char* title;
        bool modifies;
    };
    for (const Case c : {Case{WM_APP_EDIT_STAGES, shell::kTitleEditStages, true},
                         Case{WM_APP_EDIT_NOTES, shell::kTitleEditNotes, true},
                         Case{WM_APP_SHOW_GLOBALS, shell::kTitleGlobals, true},
                         Case{WM_APP_OPTIONS, shell::kTitleOptions, false},
                         Case{WM_APP_AMBIENT_MUSIC_TOOL, shell::kTitleAmbientTool, false},
                         Case{WM_APP_ABOUT, shell::kTitleAbout, false},
                         Case{WM_APP_TRANSCRIPT, shell::kTitleTranscript, false},
                         Case{WM_APP_RECORD_VOICE, shell::kTitleRecordVoice, false}})
    {
        SCOPED_TRACE(c.title);
        CommandFixture f;
        f.fakeUi.modalRuns.push_back([](ui::Dialog&) { return ui::IDCANCEL; });
        f.Send(c.message);
        EXPECT_EQ(f.fakeUi.modalTitles, std::vector<QString>{QString::fromLatin1(c.title)});
        EXPECT_EQ(f.doc.IsSessionModified(), c.modifies);
    }
}

// The session dialogs edit the document the view hands them: a stage deleted in the stage editor
// is gone from the session, notes typed and closed with Esc are kept, and the transcript shows the
// voice segments' scripts.
TEST(ViewCommands, SessionDialogsWorkOnTheViewsDocument)
{
    CommandFixture f;
    const int stages = f.doc.m_stages.GetCount();
    f.fakeUi.modalRuns.push_back(
        [](ui::Dialog& d)
        {
            d.show();
            QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&d, CDlgStages::kIdDelete)),
                              Qt::LeftButton);
            return int(ui::IDOK);
        });
    f.Send(WM_APP_EDIT_STAGES);
    EXPECT_EQ(f.doc.m_stages.GetCount(), stages - 1);

    f.fakeUi.modalRuns.push_back(
        [](ui::Dialog& d)
        {
            d.show();
            auto* edit = static_cast<QPlainTextEdit*>(ui::FindControl(&d, CDlgNotes::kIdText));
            edit->setPlainText(QStringLiteral("Kept on Esc"));
            QTest::keyClick(edit, Qt::Key_Escape);
            return d.result();
        });
    f.Send(WM_APP_EDIT_NOTES);
    EXPECT_EQ(f.doc.m_notes, QStringLiteral("Kept on Esc"));

    QString shown;
    f.fakeUi.modalRuns.push_back(
        [&shown](ui::Dialog& d)
        {
            shown = static_cast<QPlainTextEdit*>(ui::FindControl(&d, CDlgVoiceTexts::kIdText))->toPlainText();
            return int(ui::IDOK);
        });
    f.Send(WM_APP_TRANSCRIPT);
    EXPECT_TRUE(shown.contains(QStringLiteral("Breathe in."))) << shown.toStdString();
}

TEST(ViewCommands, SupportCommandsOpenTheirPages)
{
    ViewFixture f;
    f.Send(WM_APP_OPEN_WEB_SITE);
    f.Send(WM_APP_OPEN_VIDEOS);
    f.Send(WM_APP_OPEN_CONTACT);
    EXPECT_EQ(f.fakeUi.openedUrls, (std::vector<QUrl>{QUrl(QString::fromLatin1(shell::kWebSiteUrl)),
                                                      QUrl(QString::fromLatin1(shell::kVideosUrl)),
                                                      QUrl(QString::fromLatin1(shell::kContactUrl))}));
    EXPECT_TRUE(f.fakeUi.boxes.empty());

    // Without a web browser each says so, naming its address.
    f.fakeUi.urlsOpen = false;
    for (const auto& [message, address] : {std::pair{WM_APP_OPEN_WEB_SITE, shell::kWebSiteUrl},
                                           std::pair{WM_APP_OPEN_VIDEOS, shell::kVideosUrl},
                                           std::pair{WM_APP_OPEN_CONTACT, shell::kContactUrl}})
    {
        f.fakeUi.boxes.clear();
        f.Send(message);
        ASSERT_EQ(f.fakeUi.boxes.size(), 1u);
        EXPECT_TRUE(f.fakeUi.boxes[0].text.startsWith("The web page could not be opened"));
        EXPECT_TRUE(f.fakeUi.boxes[0].text.contains(QString::fromLatin1(address)));
    }
    f.fakeUi.urlsOpen = true;

    f.Send(WM_APP_HELP_INDEX);
    ASSERT_NE(f.help, nullptr);
    EXPECT_TRUE(f.help->visible);
    EXPECT_EQ(f.help->topics.back(), QStringLiteral("index"));
}

// ---- Keys -------------------------------------------------------------------------------------

namespace
{
/** The view as the main frame with its accelerator table, shown, with a panel holding an edit. */
struct KeyFixture : CommandFixture
{
    KeyFixture()
    {
        panel = new ui::Dialog(view.get());
        panel->setWindowFlags(Qt::Widget);
        panel->setGeometry(10, 10, 200, 40);
        edit = new QLineEdit(panel);
        ui::SetMainFrame(view.get(), ui::MainFrameAccelerators());
        view->show();
        panel->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    ~KeyFixture() { ui::SetMainFrame(nullptr, {}); }
    void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(to, key, modifiers);
    }
    ui::Dialog* panel;
    QLineEdit* edit;
};
} // namespace

// The editing keys reach their commands from the view and from a panel's edit field, and do
// nothing while the session plays.
TEST(ViewCommands, EditingKeysWorkUnlessPlaying)
{
    for (const bool playing : {false, true})
    {
        SCOPED_TRACE(playing ? "playing" : "stopped");
        KeyFixture f;
        f.doc.m_isPlaying = playing;
        f.view->SetSelection(0, 0);
        f.Key(f.edit, Qt::Key_C, Qt::ControlModifier); // copy the segment, not the text
        f.view->SetSelection(0, 1);
        f.Key(f.view.get(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(f.voiceB->m_volume.GetValue() == 17.0, !playing);
        f.view->SetSelection(4, 0);
        f.Key(f.view.get(), Qt::Key_M);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(4).m_active, playing);
        f.Key(f.edit, Qt::Key_A);
        EXPECT_TRUE(f.doc.m_tracks.GetTrack(4).m_active);
        EXPECT_TRUE(f.edit->text().isEmpty()); // the letter went to the table, not the edit
        f.Key(f.view.get(), Qt::Key_D);
        f.Key(f.view.get(), Qt::Key_Plus);
        EXPECT_EQ(f.doc.m_tracks.GetCount(), playing ? 8 : 10);
        f.Key(f.view.get(), Qt::Key_Delete);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(4).m_segments.GetCount(), playing ? 1 : 0);
        f.view->SetSelection(0, 0);
        f.Key(f.view.get(), Qt::Key_R);
        EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), playing ? 2 : 0);
        f.fakeUi.fileAnswers = {std::nullopt};
        f.Key(f.view.get(), Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(f.fakeUi.fileRequests.size(), playing ? 0u : 1u);
    }
}

// P starts (and while playing restarts) playback, Space pauses only while playing, S stops; P and
// Space are refused during a live recording; the bound keys without a command do nothing.
TEST(ViewCommands, TransportKeysAndUnhandledKeys)
{
    KeyFixture f;
    f.Key(f.view.get(), Qt::Key_Space);
    EXPECT_FALSE(f.doc.m_isPaused);
    f.Key(f.edit, Qt::Key_P);
    EXPECT_EQ(f.engine.plays.size(), 1u);
    f.Key(f.view.get(), Qt::Key_P);
    EXPECT_EQ(f.engine.plays.size(), 2u);
    f.Key(f.edit, Qt::Key_Space);
    EXPECT_TRUE(f.doc.m_isPaused);
    EXPECT_FALSE(f.doc.m_isPlaying);

    f.doc.m_isPaused = false;
    f.Key(f.view.get(), Qt::Key_P);
    f.doc.m_isLive = true;
    f.Key(f.view.get(), Qt::Key_P);
    f.Key(f.view.get(), Qt::Key_Space);
    EXPECT_EQ(f.engine.plays.size(), 3u);
    EXPECT_TRUE(f.doc.m_isPlaying);
    EXPECT_FALSE(f.doc.m_isPaused);
    f.doc.m_isLive = false;
    f.Key(f.view.get(), Qt::Key_S);
    EXPECT_FALSE(f.doc.m_isPlaying);

    f.view->SetSelection(0, 0);
    for (auto [key, mods] :
         {std::pair{Qt::Key_X, Qt::ControlModifier}, std::pair{Qt::Key_Z, Qt::ControlModifier},
          std::pair{Qt::Key_W, Qt::ControlModifier}, std::pair{Qt::Key_F6, Qt::NoModifier}})
        f.Key(f.view.get(), key, mods);
    EXPECT_EQ(f.doc.m_tracks.GetTrack(0).m_segments.GetCount(), 2);
    EXPECT_FALSE(f.doc.IsSessionModified());
    EXPECT_TRUE(f.view->isVisible());
}
