#include "dialogs/recorder/CDlgRecorder.h"
#include "dialogs/recorder/CDlgCountdown.h"
#include "dialogs/recorder/RecorderLogic.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"
#include "support/TestEnvironment.h"

#include "audio/COptions.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"
#include "controls/Style.h"
#include "messages/AppMessages.h"
#include "model/CSegments.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/audio/AudioSystem.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace
{

const char* const kScript =
    "Settle back and let your eyes close. With every breath out, your shoulders grow a little heavier, "
    "and the sounds around you drift further away.\n"
    "Notice the weight of your hands resting where they are, and let that weight spread slowly down "
    "through your arms.\n"
    "There is nothing you need to do now, nothing you need to change. Simply listen, and let each word "
    "carry you a little deeper.";

COptions FloatWav()
{
    COptions options;
    options.m_exportFormatType = COptions::kFormatWav;
    options.m_exportSampleType = COptions::kSampleFloat;
    return options;
}

// The recordings folder of a test, empty, stored as FolderRecording.
QString FreshFolder(const QString& name)
{
    const QString folder = vtest::TestHome() + QStringLiteral("/recordings/") + name;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderRecording"), folder);
    return folder;
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

// The end-of-recording dialogs, recorded instead of shown.
struct EndCalls
{
    struct Call
    {
        bool live;
        QString caption;
        QString folder;
        QString fileName;
        int burner = -1;
        QWidget* owner = nullptr;
        QString heading;
    };
    std::vector<Call> calls;
    CDlgRecorder::EndDialogs previous;

    EndCalls()
    {
        CDlgRecorder::EndDialogs d;
        d.plain = [this](QWidget* owner, const QString& folder, const QString& file) {
            calls.push_back({false, {}, folder, file, -1, owner, {}});
        };
        d.live = [this](const QString& caption, const QString& folder, const QString& file, int burner,
                        const QString& heading) {
            calls.push_back({true, caption, folder, file, burner, nullptr, heading});
        };
        previous = CDlgRecorder::SetEndDialogs(d);
    }
    ~EndCalls() { CDlgRecorder::SetEndDialogs(previous); }
};

// The view a live recorder asks to play.
class FakeView : public vtest::IdleView
{
public:
    std::vector<QObject*> plays;

    void Play(bool, QObject* levelWindow) override { plays.push_back(levelWindow); }
};

void Click(CDlgRecorder& recorder, int id)
{
    ui::SendCommand(&recorder, id, ui::Notify::Clicked);
}

void ChooseSpeed(CDlgRecorder& recorder, int index)
{
    auto* combo = static_cast<ui::ComboBox*>(ui::FindControl(&recorder, CDlgRecorder::kIdSpeed));
    combo->setCurrentIndex(index);
    ui::SendCommand(&recorder, CDlgRecorder::kIdSpeed, ui::Notify::SelChange);
}

QPlainTextEdit* ScriptBox(CDlgRecorder& recorder)
{
    return static_cast<QPlainTextEdit*>(ui::FindControl(&recorder, CDlgRecorder::kIdScript));
}

// A countdown answer for the next modal run: checks it is the countdown and ends it so.
std::function<int(ui::Dialog&)> Countdown(int result, int* seen = nullptr)
{
    return [result, seen](ui::Dialog& dialog)
    {
        EXPECT_NE(dynamic_cast<CDlgCountdown*>(&dialog), nullptr) << "the countdown runs before recording";
        if (seen != nullptr)
            ++*seen;
        return result;
    };
}

class RecorderTest : public ::testing::Test
{
protected:
    void SetUp() override { plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime); }
    void TearDown() override { plat::AudioSystem::SetNullInputSource({}); }
};

} // namespace

// ---- Arithmetic -----------------------------------------------------------------------------

// The speed list and its rates: a wrong rate scrolls the script too fast or too slow to read.
TEST(RecorderLogic, ScrollSpeedsAndLengths)
{
    struct Case
    {
        int index;
        const char* text;
        double cps;
    };
    const Case cases[] = {
        {0, "No Auto Scrolling", 0.0}, {1, "Slowest Scrolling", 4.0},   {2, "Slower Scrolling", 6.0},
        {3, "Slow Scrolling", 8.0},    {4, "Moderate Scrolling", 10.0}, {5, "Fast Scrolling", 12.0},
        {6, "Faster Scrolling", 14.0}, {7, "Fastest Scrolling", 16.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(dlg::ScrollSpeedText(c.index), QString::fromLatin1(c.text));
        EXPECT_EQ(dlg::ScrollCharsPerSecond(c.index), c.cps);
        EXPECT_DOUBLE_EQ(dlg::ScrollLength(240, c.index), c.cps > 0.0 ? 240.0 / c.cps : 0.0);
    }
    EXPECT_EQ(dlg::ScrollCharsPerSecond(8), 8.5);
    EXPECT_EQ(dlg::ScrollLength(0, 3), 0.0) << "an empty script scrolls for no time";
}

// The highlighted stretch for elapsed times: it follows the progress, ends at the last
// character, resets at the end, and never touches the script while Ready or without scrolling.
TEST(RecorderLogic, HighlightFollowsTheScrolling)
{
    struct Case
    {
        const char* name;
        int chars;
        bool scrollOn;
        int status;
        double elapsed;
        double length;
        int start;
        int end;
        bool select;
        double progress;
    };
    const Case cases[] = {
        {"start", 100, true, dlg::kStatusRecording, 0.0, 10.0, 0, 22, true, 0.0},
        {"half-way", 100, true, dlg::kStatusRecording, 5.0, 10.0, 50, 72, true, 0.5},
        {"paused keeps its place", 100, true, dlg::kStatusPaused, 2.5, 10.0, 25, 47, true, 0.25},
        {"end held to the last character", 100, true, dlg::kStatusRecording, 9.0, 10.0, 90, 99, true, 0.9},
        {"past the end resets", 100, true, dlg::kStatusRecording, 12.0, 10.0, 0, 0, false, 1.0},
        {"ready leaves the script to edit", 100, true, dlg::kStatusReady, 5.0, 10.0, 0, 22, false, 0.0},
        {"no scrolling, no highlight", 100, false, dlg::kStatusRecording, 5.0, 0.0, 0, 22, false, 0.0},
        {"empty script", 0, true, dlg::kStatusRecording, 0.0, 0.0, 0, 0, false, 1.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const dlg::ScriptHighlight h =
            dlg::ComputeHighlight(c.chars, c.scrollOn, c.status, c.elapsed, c.length, 32);
        EXPECT_EQ(h.selStart, c.start);
        EXPECT_EQ(h.selEnd, c.end);
        EXPECT_EQ(h.select, c.select);
        EXPECT_DOUBLE_EQ(h.progress, c.progress);
    }
}

TEST(RecorderLogic, TextsAndBlinking)
{
    EXPECT_EQ(dlg::FormatMinutesSeconds(0.0), QStringLiteral("00:00"));
    EXPECT_EQ(dlg::FormatMinutesSeconds(125.9), QStringLiteral("02:05"));
    EXPECT_EQ(dlg::ScrollProgressText(0.25, 80.0), QStringLiteral("25 %   01:00"));
    EXPECT_EQ(dlg::StatusWord(dlg::kStatusReady), QStringLiteral("Ready"));
    EXPECT_EQ(dlg::StatusWord(dlg::kStatusRecording), QStringLiteral("Recording"));
    EXPECT_EQ(dlg::StatusWord(dlg::kStatusPaused), QStringLiteral("Pause"));
    struct Case
    {
        int status;
        std::uint32_t tick;
        bool visible;
    };
    const Case cases[] = {
        {dlg::kStatusRecording, 3249, false}, {dlg::kStatusRecording, 3250, true},
        {dlg::kStatusRecording, 3999, true},  {dlg::kStatusPaused, 124, false},
        {dlg::kStatusPaused, 125, true},      {dlg::kStatusPaused, 260, false},
        {dlg::kStatusReady, 0, true},         {dlg::kStatusReady, 100, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dlg::StatusWordVisible(c.status, c.tick), c.visible) << c.status << " at " << c.tick;
}

// The name comes from one reading of the clock, with the export format's extension.
TEST(RecorderLogic, FileNamesFromTheClock)
{
    const QDateTime now(QDate(2026, 1, 2), QTime(3, 4, 5));
    EXPECT_EQ(dlg::RecordingFileName(now, 0), QStringLiteral("Recording 2026-01-02 03-04-05.wav"));
    EXPECT_EQ(dlg::RecordingFileName(now, 1), QStringLiteral("Recording 2026-01-02 03-04-05.mp3"));
    EXPECT_EQ(dlg::RecordingFileName(now, 2), QStringLiteral("Recording 2026-01-02 03-04-05.ogg"));
    EXPECT_EQ(dlg::RecordingFileName(now, 7), QStringLiteral("Recording 2026-01-02 03-04-05.wav"));
}

// A new installation has no FolderRecording: recordings go to the documents folder's
// "My Recordings", made and remembered, instead of the root folder.
TEST(RecorderLogic, AMissingRecordingFolderBecomesMyRecordings)
{
    SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderRecording"), QString());
    const QString expected = GetDocumentsFolder() + QStringLiteral("/My Recordings");
    QDir(expected).removeRecursively();
    EXPECT_EQ(dlg::RecordingFolder(), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir());
    QString stored;
    ASSERT_TRUE(GetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderRecording"), stored));
    EXPECT_EQ(stored, expected);

    SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderRecording"),
                 QStringLiteral("/somewhere/else/"));
    EXPECT_EQ(dlg::RecordingFolder(), QStringLiteral("/somewhere/else")) << "a stored folder is kept";
}

// ---- Countdown ------------------------------------------------------------------------------

// 3, 2, 1 and done: three ticks end it with OK; Esc ends it with Cancel.
TEST(CDlgCountdown, CountsDownAndEndsWithOkOrEsc)
{
    vtest::FakeUi fake;
    int ticks = 0;
    fake.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            auto& countdown = dynamic_cast<CDlgCountdown&>(d);
            EXPECT_EQ(countdown.GetCount(), 3);
            d.show();
            vtest::WaitFor([&] { return !d.isVisible() || countdown.GetCount() == 2; }, 3000);
            ticks = countdown.GetCount();
            return d.exec();
        });
    CDlgCountdown countdown;
    EXPECT_EQ(countdown.DoModal(), ui::IDOK);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(countdown.GetCount(), 0);

    fake.modalRuns.push_back(
        [](ui::Dialog& d)
        {
            d.reject(); // Esc
            return d.result();
        });
    CDlgCountdown cancelled;
    EXPECT_EQ(cancelled.DoModal(), ui::IDCANCEL);
}

// ---- Plain recorder ---------------------------------------------------------------------------

// The status machine: Pause while Ready and Record while Recording are ignored; a cancelled
// countdown leaves Ready and no file; the close box is ignored while recording; Record while
// Paused resumes the same file; Stop finishes it, closes the recorder and offers the file; the
// caller's text gets the edited script back.
TEST_F(RecorderTest, PlainStatusMachine)
{
    vtest::FakeUi fake;
    EndCalls end;
    const QString folder = FreshFolder(QStringLiteral("status"));
    COptions options = FloatWav();
    QString callerText = QStringLiteral("Breathe in slowly.");
    FakeView view;
    int countdowns = 0;
    std::optional<int> result;
    fake.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            auto& recorder = dynamic_cast<CDlgRecorder&>(d);
            EXPECT_EQ(recorder.windowTitle(), QStringLiteral("Sound Recorder"));
            EXPECT_EQ(ScriptBox(recorder)->toPlainText(), callerText);
            EXPECT_TRUE(recorder.Session().IsOpen());

            Click(recorder, ID_TRANSPORT_PAUSE);
            EXPECT_EQ(recorder.GetStatus(), dlg::kStatusReady) << "Pause while Ready";

            fake.modalRuns.push_back(Countdown(ui::IDCANCEL, &countdowns));
            Click(recorder, ID_TRANSPORT_RECORD);
            EXPECT_EQ(countdowns, 1);
            EXPECT_EQ(recorder.GetStatus(), dlg::kStatusReady) << "countdown cancelled";
            EXPECT_TRUE(FilesIn(folder).isEmpty());

            fake.tickCount = 10000;
            fake.modalRuns.push_back(Countdown(ui::IDOK, &countdowns));
            Click(recorder, ID_TRANSPORT_RECORD);
            EXPECT_EQ(recorder.GetStatus(), dlg::kStatusRecording);
            EXPECT_EQ(recorder.GetFileName(), QStringLiteral("Recording 2024-03-05 14-07-09.wav"));
            EXPECT_EQ(recorder.GetFolder(), folder);
            Click(recorder, ID_TRANSPORT_RECORD);
            EXPECT_EQ(countdowns, 2) << "Record while Recording runs no countdown";

            recorder.reject(); // the close box
            EXPECT_TRUE(recorder.isVisible() || recorder.GetStatus() == dlg::kStatusRecording);
            EXPECT_EQ(recorder.GetStatus(), dlg::kStatusRecording)
                << "the close box is ignored while recording";

            EXPECT_TRUE(vtest::WaitFor([&] { return recorder.Session().GetRecordedFrames() > 4410; }));
            fake.tickCount = 12500;
            EXPECT_TRUE(vtest::WaitFor([&] { return recorder.GetElapsed() >= 2.5; }));
            Click(recorder, ID_TRANSPORT_PAUSE);
            EXPECT_EQ(recorder.GetStatus(), dlg::kStatusPaused);
            const std::uint64_t paused = recorder.Session().GetRecordedFrames();
            fake.tickCount = 20000;
            vtest::WaitFor([] { return false; }, 120);
            EXPECT_DOUBLE_EQ(recorder.GetElapsed(), 2.5) << "time stands still while paused";

            fake.now = fake.now.addSecs(30);
            fake.modalRuns.push_back(Countdown(ui::IDOK, &countdowns));
            Click(recorder, ID_TRANSPORT_RECORD);
            EXPECT_EQ(recorder.GetStatus(), dlg::kStatusRecording);
            EXPECT_EQ(recorder.GetFileName(), QStringLiteral("Recording 2024-03-05 14-07-09.wav"))
                << "the same file";
            EXPECT_TRUE(
                vtest::WaitFor([&] { return recorder.Session().GetRecordedFrames() > paused + 4410; }));

            ScriptBox(recorder)->setPlainText(QStringLiteral("Breathe in slowly, and out."));
            Click(recorder, ID_TRANSPORT_STOP);
            EXPECT_EQ(recorder.GetStatus(), dlg::kStatusReady);
            EXPECT_FALSE(recorder.Session().IsOpen());
            return recorder.result();
        });
    result = RunRecorder(&view, &view, &options, &callerText);
    EXPECT_EQ(result, ui::IDCANCEL);
    EXPECT_EQ(FilesIn(folder), QStringList{QStringLiteral("Recording 2024-03-05 14-07-09.wav")});
    ASSERT_EQ(end.calls.size(), 1u);
    EXPECT_FALSE(end.calls[0].live);
    EXPECT_EQ(end.calls[0].folder, folder);
    EXPECT_EQ(end.calls[0].fileName, QStringLiteral("Recording 2024-03-05 14-07-09.wav"));
    EXPECT_EQ(end.calls[0].owner, &view);
    EXPECT_EQ(callerText, QStringLiteral("Breathe in slowly, and out.")) << "the script is written back";
    EXPECT_TRUE(fake.boxes.empty());
}

// Scrolling: the highlight and the strip follow the recorded time, and the recording stops by
// itself when the scrolling reaches the end; an empty script stops at the first tick.
TEST_F(RecorderTest, ScrollingHighlightsAndStopsAtTheEnd)
{
    struct Case
    {
        const char* name;
        QString script;
    };
    const QString hundred = QString(100, QLatin1Char('a'));
    const Case cases[] = {{"a hundred characters", hundred}, {"empty script", QString()}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::FakeUi fake;
        EndCalls end;
        FreshFolder(QStringLiteral("scrolling"));
        COptions options = FloatWav();
        QString text = c.script;
        CDlgRecorder recorder;
        recorder.Setup(&options, &text, false, 0.0, nullptr, nullptr);
        fake.modalRuns.push_back(
            [&](ui::Dialog&)
            {
                ChooseSpeed(recorder, 4); // 10 characters a second
                EXPECT_TRUE(recorder.IsScrollOn());
                fake.tickCount = 1000;
                fake.modalRuns.push_back(Countdown(ui::IDOK));
                Click(recorder, ID_TRANSPORT_RECORD);
                if (c.script.isEmpty())
                {
                    EXPECT_EQ(recorder.GetScrollLength(), 0.0);
                    EXPECT_TRUE(
                        vtest::WaitFor([&] { return recorder.GetStatus() == dlg::kStatusReady; }, 1000))
                        << "stops on the first tick";
                    return recorder.result();
                }
                EXPECT_DOUBLE_EQ(recorder.GetScrollLength(), 10.0);
                fake.tickCount = 6000;
                EXPECT_TRUE(vtest::WaitFor([&] { return recorder.GetElapsed() >= 5.0; }));
                EXPECT_DOUBLE_EQ(recorder.GetScrollProgress(), 0.5);
                EXPECT_EQ(recorder.GetSelStart(), 50);
                const int end = std::min(50 + int(0.7 * recorder.GetCharsPerLine()), 99);
                EXPECT_EQ(recorder.GetSelEnd(), end);
                const QTextCursor cursor = ScriptBox(recorder)->textCursor();
                EXPECT_EQ(cursor.selectionStart(), 50);
                EXPECT_EQ(cursor.selectionEnd(), end);
                EXPECT_EQ(recorder.GetStatus(), dlg::kStatusRecording);
                fake.tickCount = 11000;
                EXPECT_TRUE(vtest::WaitFor([&] { return recorder.GetStatus() == dlg::kStatusReady; }, 1000))
                    << "stops when the scrolling ends";
                return recorder.result();
            });
        recorder.DoModal();
        EXPECT_EQ(end.calls.size(), 1u) << "the file is offered";
    }
}

// The script font is the user's choice, held to 10..28 points.
TEST_F(RecorderTest, SelectFontHoldsTheSize)
{
    vtest::FakeUi fake;
    COptions options = FloatWav();
    CDlgRecorder recorder;
    recorder.Setup(&options, nullptr, false, 0.0, nullptr, nullptr);
    fake.modalRuns.push_back(
        [&](ui::Dialog&)
        {
            QFont big(QStringLiteral("DejaVu Serif"));
            big.setPointSize(40);
            fake.fontAnswers.push_back(big);
            Click(recorder, CDlgRecorder::kIdSelectFont);
            EXPECT_EQ(recorder.GetScriptFont().pointSize(), 28);
            EXPECT_EQ(ScriptBox(recorder)->font().pointSize(), 28);
            QFont small(QStringLiteral("DejaVu Serif"));
            small.setPointSize(6);
            fake.fontAnswers.push_back(small);
            Click(recorder, CDlgRecorder::kIdSelectFont);
            EXPECT_EQ(recorder.GetScriptFont().pointSize(), 10);
            fake.fontAnswers.push_back(std::nullopt);
            Click(recorder, CDlgRecorder::kIdSelectFont);
            EXPECT_EQ(recorder.GetScriptFont().pointSize(), 10) << "cancel keeps the font";
            recorder.reject();
            return recorder.result();
        });
    recorder.DoModal();
}

// Qt 6.4 reads the first format of pasted data without looking: "Paste text" and Ctrl+V in the
// script crashed with an empty clipboard, losing the session.
TEST_F(RecorderTest, PasteWithAnEmptyClipboardPastesNothing)
{
    vtest::FakeUi fake;
    COptions options = FloatWav();
    QString callerText = QStringLiteral("Breathe in slowly.");
    CDlgRecorder recorder;
    recorder.Setup(&options, &callerText, false, 0.0, nullptr, nullptr);
    fake.modalRuns.push_back(
        [&](ui::Dialog&)
        {
            recorder.show();
            recorder.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&recorder));
            QPlainTextEdit* script = ScriptBox(recorder);
            script->setFocus();
            script->moveCursor(QTextCursor::End);
            // What the X clipboard hands out when nobody owns it: data with no format at all.
            QGuiApplication::clipboard()->setMimeData(new QMimeData);
            auto* paste = static_cast<QPushButton*>(ui::FindControl(&recorder, CDlgRecorder::kIdPasteText));
            QTest::mouseClick(paste, Qt::LeftButton);
            QTest::keyClick(script, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(script->toPlainText(), callerText);
            // A clipboard with text is pasted by both.
            QGuiApplication::clipboard()->setText(QStringLiteral(" Out."));
            QTest::mouseClick(paste, Qt::LeftButton);
            script->setFocus();
            QTest::keyClick(script, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(script->toPlainText(), callerText + QStringLiteral(" Out. Out."));
            recorder.reject();
            return recorder.result();
        });
    recorder.DoModal();
}

// ---- Live recorder ----------------------------------------------------------------------------

// Live: Prepare records at once, asks the view to play with the recorder as its level window,
// monitors when the options allow; the view's Stop finishes the file and shows the end of the
// live recording.
TEST_F(RecorderTest, LiveRecordsAtOnceAndEndsWithTheLiveDialog)
{
    for (const bool livePlayback : {true, false})
    {
        SCOPED_TRACE(livePlayback ? "headphones" : "speakers");
        vtest::FakeUi fake;
        EndCalls end;
        const QString folder = FreshFolder(QStringLiteral("live"));
        COptions options = FloatWav();
        options.m_isLivePlayback = livePlayback;
        options.m_burningDevice = 2;
        FakeView view;
        auto placeholder = CSegments::CreateSegment(CSegment::kKindVoice);
        CDlgRecorder recorder(&view, true);
        recorder.Create(&view);
        recorder.Setup(&options, nullptr, true, 300.0, &view, placeholder.get());
        ASSERT_TRUE(recorder.Prepare());
        EXPECT_FALSE(recorder.isVisible());
        EXPECT_EQ(recorder.GetStatus(), dlg::kStatusRecording);
        EXPECT_TRUE(fake.modalTitles.empty()) << "no countdown: the view ran it";
        ASSERT_EQ(view.plays.size(), 1u);
        EXPECT_EQ(dynamic_cast<rt::MixerBlockSink*>(view.plays[0]), &recorder);
        EXPECT_EQ(recorder.Session().IsMonitoring(), livePlayback);
        EXPECT_TRUE(recorder.Session().IsLive());
        EXPECT_TRUE(vtest::WaitFor([&] { return recorder.Session().GetRecordedFrames() > 0; }));
        if (livePlayback)
        {
            ui::ApplyWorkspaceStyle(*qApp);
            QDir().mkpath(QStringLiteral(VORNA_TEST_OUTPUT_DIR));
            fake.tickCount = 64400;
            vtest::WaitFor([] { return false; }, 120);
            EXPECT_TRUE(recorder.grab().save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/recorder-live.png")));
        }

        recorder.ReleaseSource();
        placeholder.reset();
        recorder.Stop();
        EXPECT_EQ(recorder.GetStatus(), dlg::kStatusReady);
        EXPECT_FALSE(recorder.Session().IsOpen());
        ASSERT_EQ(end.calls.size(), 1u);
        EXPECT_TRUE(end.calls[0].live);
        EXPECT_EQ(end.calls[0].caption, QStringLiteral("End of Live Recording"));
        EXPECT_EQ(end.calls[0].folder, folder);
        EXPECT_EQ(end.calls[0].burner, 2);
        EXPECT_EQ(FilesIn(folder), QStringList{end.calls[0].fileName});
    }
}

// A live recording whose file cannot be made fails Prepare, with its message, and leaves
// nothing open, so that the view removes the placeholder and the transport is not locked.
TEST_F(RecorderTest, LiveFileFailureFailsPrepare)
{
    vtest::FakeUi fake;
    const QString missing = vtest::TestHome() + QStringLiteral("/no/such/folder");
    SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderRecording"), missing);
    COptions options = FloatWav();
    FakeView view;
    CDlgRecorder recorder(&view, true);
    recorder.Create(&view);
    recorder.Setup(&options, nullptr, true, 300.0, &view, nullptr);
    EXPECT_FALSE(recorder.Prepare());
    EXPECT_FALSE(recorder.Session().IsOpen());
    EXPECT_LT(recorder.Session().GetLevel(), 0.0) << "the device is closed";
    EXPECT_TRUE(view.plays.empty());
    // Said once, naming the folder as it is on this system.
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(
        fake.boxes.back().text,
        QStringLiteral("Failed to create the recorded sound file.\n\nPlease make sure that the folder:\n") +
            missing + QStringLiteral("\nwas not removed or renamed by mistake."));
    recorder.Stop(); // the view's Stop then does nothing
    EXPECT_EQ(recorder.GetStatus(), dlg::kStatusReady);
}

// A recordings folder no file can be made in (/proc refuses even the superuser): Record finds out
// before recording, in every format (the MP3 and OGG encoders, real lame and oggenc, make their
// file only once they run, and used to be counted as a created file), says so once naming the
// folder, and records nothing; no end dialog ever offers a file that is not there.
TEST_F(RecorderTest, AFileThatCannotBeMadeIsRefusedBeforeRecording)
{
    struct Case
    {
        const char* name;
        int format;
    };
    for (const Case c : {Case{"WAV", COptions::kFormatWav}, Case{"MP3", COptions::kFormatMp3},
                         Case{"OGG", COptions::kFormatOgg}})
    {
        SCOPED_TRACE(c.name);
        vtest::FakeUi fake;
        EndCalls end;
        SetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderRecording"), QStringLiteral("/proc"));
        COptions options;
        options.m_exportFormatType = c.format;
        FakeView view;
        fake.modalRuns.push_back(
            [&](ui::Dialog& d)
            {
                auto& recorder = dynamic_cast<CDlgRecorder&>(d);
                fake.modalRuns.push_back(Countdown(ui::IDOK));
                Click(recorder, ID_TRANSPORT_RECORD);
                EXPECT_EQ(recorder.GetStatus(), dlg::kStatusReady);
                EXPECT_FALSE(recorder.Session().IsRecording());
                vtest::WaitFor([] { return false; }, 200); // nothing the encoder could say later
                Click(recorder, ID_TRANSPORT_STOP);
                recorder.Close();
                return recorder.result();
            });
        RunRecorder(&view, &view, &options, nullptr);
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_EQ(
            fake.boxes[0].text,
            QStringLiteral("Failed to create the recorded sound file.\n\nPlease make sure that the folder:\n"
                           "/proc\nwas not removed or renamed by mistake."));
        EXPECT_TRUE(end.calls.empty());
    }
}

// A recording device stored in an earlier run that this machine does not list now (here: the
// null device lists none) gives way to the default device, which is stored, and the recorder
// opens without a message.
TEST_F(RecorderTest, ARecordingDeviceThatIsGoneFallsBackToTheDefault)
{
    vtest::FakeUi fake;
    EndCalls end;
    FreshFolder(QStringLiteral("device-gone"));
    COptions options = FloatWav();
    options.m_recordingDevice = 3;
    options.Save();
    FakeView view;
    bool opened = false;
    fake.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            auto& recorder = dynamic_cast<CDlgRecorder&>(d);
            opened = recorder.Session().IsOpen();
            recorder.Close();
            return recorder.result();
        });
    RunRecorder(&view, &view, &options, nullptr);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(options.m_recordingDevice, -1);
    COptions stored;
    stored.Load();
    EXPECT_EQ(stored.m_recordingDevice, -1);
}

// A take whose file went while it was recorded (the folder emptied by hand) is not offered as
// "successfully recorded": the user is told the folder, and no end dialog opens.
TEST_F(RecorderTest, ATakeWhoseFileWentIsNotOffered)
{
    for (const int format : {int(COptions::kFormatWav), int(COptions::kFormatMp3)})
    {
        SCOPED_TRACE(format);
        vtest::FakeUi fake;
        EndCalls end;
        const QString folder = FreshFolder(QStringLiteral("gone"));
        COptions options;
        options.m_exportFormatType = format;
        FakeView view;
        fake.modalRuns.push_back(
            [&](ui::Dialog& d)
            {
                auto& recorder = dynamic_cast<CDlgRecorder&>(d);
                fake.modalRuns.push_back(Countdown(ui::IDOK));
                Click(recorder, ID_TRANSPORT_RECORD);
                EXPECT_TRUE(vtest::WaitFor([&] { return recorder.Session().GetRecordedFrames() > 4410; }));
                EXPECT_TRUE(
                    vtest::WaitFor([&] { return QFile::exists(folder + "/" + recorder.GetFileName()); }));
                EXPECT_TRUE(QFile::remove(folder + "/" + recorder.GetFileName()));
                Click(recorder, ID_TRANSPORT_STOP);
                return recorder.result();
            });
        RunRecorder(&view, &view, &options, nullptr);
        EXPECT_TRUE(end.calls.empty());
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_TRUE(fake.boxes[0].text.contains(folder)) << fake.boxes[0].text.toStdString();
    }
}

// A failed write is shown once, on the UI thread, and the recording is stopped there: the file so
// far is finished and offered.
TEST_F(RecorderTest, AWriteFailureStopsTheRecordingOnce)
{
    vtest::FakeUi fake;
    EndCalls end;
    FreshFolder(QStringLiteral("write-failure"));
    COptions options = FloatWav();
    options.m_exportFormatType = COptions::kFormatMp3;
    // An encoder that makes its file and then takes nothing: the writes into it fail after the
    // pipe fills. (lame's arguments: -b <kbps> - <file>.)
    const QString bin = vtest::TestHome() + QStringLiteral("/dead-lame");
    QDir().mkpath(bin);
    {
        QFile script(bin + QStringLiteral("/lame"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/bin/sh\n: > \"$4\"\nexec /bin/sleep 0.2\n");
    }
    QFile::setPermissions(bin + QStringLiteral("/lame"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + path);
    // A loud microphone: enough data to fill the pipe quickly.
    plat::AudioSystem::SetNullInputSource(
        [](float* frames, std::uint32_t count)
        {
            for (std::uint32_t i = 0; i < 2 * count; ++i)
                frames[i] = (i % 7) * 0.1f;
        });
    FakeView view;
    CDlgRecorder recorder(&view, true);
    recorder.Create(&view);
    recorder.Setup(&options, nullptr, true, 300.0, &view, nullptr);
    ASSERT_TRUE(recorder.Prepare());
    EXPECT_TRUE(vtest::WaitFor([&] { return recorder.GetStatus() == dlg::kStatusReady; }, 15000));
    qputenv("PATH", path);
    int shown = 0;
    for (const auto& box : fake.boxes)
        shown += box.text == QStringLiteral("Failed to write to the recorded sound file.");
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(end.calls.size(), 1u) << "the partial file is offered";
}

// ---- Screenshots ------------------------------------------------------------------------------

// The recorder with a script while recording (strip, highlight, progress, time, meter), paused,
// and the countdown; a reviewer opens the PNGs.
TEST_F(RecorderTest, Screenshots)
{
    ui::ApplyWorkspaceStyle(*qApp);
    vtest::FakeUi fake;
    EndCalls end;
    FreshFolder(QStringLiteral("screenshots"));
    plat::AudioSystem::SetNullInputSource(
        [phase = 0.0](float* frames, std::uint32_t count) mutable
        {
            for (std::uint32_t i = 0; i < count; ++i, phase += 2.0 * std::numbers::pi * 220.0 / 44100.0)
                frames[2 * i] = frames[2 * i + 1] = static_cast<float>(0.62 * std::sin(phase));
        });
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    COptions options = FloatWav();
    QString text = QString::fromLatin1(kScript);
    CDlgRecorder recorder;
    recorder.Setup(&options, &text, false, 0.0, nullptr, nullptr);
    fake.modalRuns.push_back(
        [&](ui::Dialog&)
        {
            recorder.show();
            EXPECT_TRUE(recorder.grab().save(dir + QStringLiteral("/recorder-ready.png")));
            ChooseSpeed(recorder, 3);
            fake.tickCount = 1000;
            fake.modalRuns.push_back(Countdown(ui::IDOK));
            Click(recorder, ID_TRANSPORT_RECORD);
            fake.tickCount = 1000 + 14600; // 14.6 s in; the status word shows
            EXPECT_TRUE(vtest::WaitFor(
                [&] { return recorder.GetElapsed() >= 14.0 && recorder.Session().GetLevel() > 0.5; }));
            vtest::WaitFor([] { return false; }, 120);
            EXPECT_TRUE(recorder.grab().save(dir + QStringLiteral("/recorder-recording.png")));
            Click(recorder, ID_TRANSPORT_PAUSE);
            fake.tickCount = 1000 + 14600 + 300; // the blinking word shows
            vtest::WaitFor([] { return false; }, 120);
            EXPECT_TRUE(recorder.grab().save(dir + QStringLiteral("/recorder-paused.png")));
            Click(recorder, ID_TRANSPORT_STOP);
            return recorder.result();
        });
    recorder.DoModal();

    CDlgCountdown countdown;
    fake.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            d.show();
            EXPECT_TRUE(d.grab().save(dir + QStringLiteral("/recorder-countdown.png")));
            d.reject();
            return d.result();
        });
    countdown.DoModal();
}
