// The two end-of-recording dialogs over real files in a temporary folder, the real stream player
// (on the null device) and, for the audio CD, a fake drive list and a fake wodim on the search
// path; the message boxes, the folder dialog and opened folders answered by FakeUi.
#include "dialogs/recorder/CDlgExportEnd.h"
#include "dialogs/recorder/CDlgRecorderStop.h"

#include "RecordingEndFixture.h"
#include "controls/Style.h"
#include "dialogs/recorder/AudioCdWriter.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/SoundDecoder.h"
#include "platform/audio/SoundWriter.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace
{

using vtest::kStillOpen;
using Dialog = dlg::RecordingEndDialog;

/** The owner view: records the recordings it is given and answers with @c answer. */
class AddView : public vtest::IdleView
{
public:
    bool answer = true;
    std::vector<std::pair<ui::RecordingTarget, QString>> adds;

    bool AddRecording(ui::RecordingTarget target, const QString& path) override
    {
        adds.emplace_back(target, path);
        return answer;
    }
};

/** What the twins say differently, with the literal texts. */
struct Twin
{
    const char* name;
    int nameId;
    int moveId;
    const char* replaceQuestion;
    const char* moveDone;
    const char* deleteDone;
    const char* deleteFailed;
};
const Twin kTwins[] = {
    {"CDlgRecorderStop", 1098, 1102, "The file already exists.\nDo you want to override the existing file?",
     "The file was moved successfully.", "Recoreded file was deleted.",
     "Failed to delete the recorded file."},
    {"CDlgExportEnd", 1126, 1215, "The file already exists.\n\nDo you want to override the existing file?",
     "File was moved successfully.", "Sound file was deleted.", "Failed to delete the sound file."},
};

class RecordingEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = dir.filePath(QStringLiteral("Recordings"));
        recording = vtest::WriteTone(folder + "/Voice 1.wav", 44100 / 4);
        noDrives = dir.filePath(QStringLiteral("no-drives"));
        QDir().mkpath(noDrives);
    }

    std::unique_ptr<Dialog> Make(const Twin& twin)
    {
        std::unique_ptr<Dialog> d;
        if (QLatin1String(twin.name) == QLatin1String("CDlgRecorderStop"))
        {
            auto stop = std::make_unique<CDlgRecorderStop>();
            stop->SetOwnerView(&view);
            d = std::move(stop);
        }
        else
        {
            auto end = std::make_unique<CDlgExportEnd>();
            end->SetCaption(QStringLiteral("End of Live Recording"));
            end->SetDeviceRoot(noDrives);
            d = std::move(end);
        }
        d->SetFile(folder, QStringLiteral("Voice 1.wav"));
        return d;
    }

    /** Runs @p dialog modally with @p script; the dialog's result, or kStillOpen. */
    template <class D> int Run(D& dialog, std::function<void(D&)> script)
    {
        vtest::ScriptRun<D>(fake, std::move(script));
        return dialog.DoModal();
    }
    int RunTwin(const Twin& twin, std::function<void(Dialog&)> script)
    {
        auto d = Make(twin);
        return Run<Dialog>(*d, std::move(script));
    }

    QTemporaryDir dir;
    vtest::FakeUi fake;
    AddView view;
    QString folder;
    QString recording;
    QString noDrives;
};

// The dialogs open on the recording: its name without the extension, its folder (the plain one's
// label with a leading space), every text as given.
TEST_F(RecordingEndTest, OpenOnTheRecordingWithTheirTexts)
{
    struct Case
    {
        const Twin& twin;
        const char* title;
        const char* folderPrefix;
        std::vector<std::pair<int, const char*>> texts;
    };
    const Case cases[] = {
        {kTwins[0],
         "End of Recording",
         " ",
         {{1082, "The sound file was successfully recorded"},
          {1078, "Enter a name for the recorded file"},
          {1211, "Play file"},
          {1080, "Folder location of the recorded file"},
          {1102, "Move to folder"},
          {1081, "What would you like to do with the recorded file?"},
          {1140, "Add the recording to the currently selected voice segment"},
          {1142, "Add the recording to an empty voice track"},
          {1143, "Open the containing folder"},
          {1145, "Delete the recorded file and finish"},
          {1144, "Finish - I'll handle the recorded file later"}}},
        {kTwins[1],
         "End of Live Recording",
         "",
         {{1083, "The sound file was successfully created"},
          {1078, "Enter a name for the sound file"},
          {1211, "Play file"},
          {1081, "Folder location of the sound file"},
          {1215, "Move to folder"},
          {1082, "What would you like to do with the sound file?"},
          {1141, "Write the sound file to an Audio-CD"},
          {1079, "To write (burn) the sound file to an Audio-CD, please insert a blank CD to the CD-Drive."},
          {1143, "Open the containing folder"},
          {1145, "Delete the sound file and finish"},
          {1144, "Finish - I'll handle the sound file later"}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.twin.name);
        RunTwin(c.twin,
                [&](Dialog& d)
                {
                    EXPECT_EQ(d.windowTitle(), c.title);
                    EXPECT_EQ(vtest::EditText(d, c.twin.nameId), "Voice 1");
                    auto* label = dynamic_cast<dlg::PathLabel*>(d.GetDlgItem(Dialog::kIdFolderLabel));
                    ASSERT_NE(label, nullptr);
                    EXPECT_EQ(label->GetPath(), QString::fromLatin1(c.folderPrefix) + folder);
                    for (const auto& [id, text] : c.texts)
                    {
                        QWidget* w = d.GetDlgItem(id);
                        ASSERT_NE(w, nullptr) << id;
                        const QString shown = qobject_cast<QLabel*>(w) != nullptr
                                                  ? qobject_cast<QLabel*>(w)->text()
                                                  : qobject_cast<QAbstractButton*>(w)->text();
                        EXPECT_EQ(shown, QString::fromUtf8(text)) << id;
                        EXPECT_TRUE(d.rect().contains(w->geometry())) << id;
                    }
                    EXPECT_FALSE(d.IsPlaying());
                });
    }
}

// A name is taken when the name box loses the focus (or on Enter): the same name does nothing, a
// free name renames the file and keeps its extension.
TEST_F(RecordingEndTest, RenameOnFocusLoss)
{
    for (const Twin& twin : kTwins)
    {
        SCOPED_TRACE(twin.name);
        auto d = Make(twin);
        Run<Dialog>(*d,
                    [&](Dialog& dialog)
                    {
                        vtest::EnterName(dialog, twin.nameId, QStringLiteral("Voice 1"));
                        EXPECT_TRUE(fake.boxes.empty());
                        EXPECT_TRUE(QFile::exists(recording));

                        vtest::EnterName(dialog, twin.nameId, QStringLiteral("Morning voice"));
                        EXPECT_EQ(dialog.GetFileName(), "Morning voice.wav");
                        EXPECT_FALSE(QFile::exists(recording));
                        EXPECT_TRUE(QFile::exists(folder + "/Morning voice.wav"));

                        // Enter in the name box takes the name and leaves the dialog open.
                        auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(twin.nameId));
                        edit->setFocus();
                        edit->setText(QStringLiteral("Voice 1"));
                        QTest::keyClick(edit, Qt::Key_Return);
                        EXPECT_TRUE(dialog.isVisible());
                        EXPECT_EQ(dialog.GetFileName(), "Voice 1.wav");
                        EXPECT_TRUE(QFile::exists(recording));
                    });
        EXPECT_TRUE(fake.boxes.empty());
    }
}

// A name that is taken asks first, with each twin's own question. Cancel restores the edit and
// keeps both files; OK replaces the other file with the recording.
TEST_F(RecordingEndTest, RenameOntoAnExistingFileAsksFirst)
{
    for (const Twin& twin : kTwins)
    {
        SCOPED_TRACE(twin.name);
        fake.boxes.clear();
        const QString taken = folder + "/Taken.wav";
        vtest::WriteText(taken, "the other file");
        const QByteArray recorded = vtest::ReadAll(recording);
        auto d = Make(twin);
        Run<Dialog>(*d,
                    [&](Dialog& dialog)
                    {
                        fake.boxAnswers.push_back(ui::IDCANCEL);
                        vtest::EnterName(dialog, twin.nameId, QStringLiteral("Taken"));
                        ASSERT_EQ(fake.boxes.size(), 1u);
                        EXPECT_EQ(fake.boxes[0].text, twin.replaceQuestion);
                        EXPECT_EQ(fake.boxes[0].buttons, ui::MessageButtons::OkCancel);
                        EXPECT_EQ(fake.boxes[0].icon, ui::MessageIcon::Question);
                        EXPECT_EQ(vtest::EditText(dialog, twin.nameId), "Voice 1");
                        EXPECT_EQ(dialog.GetFileName(), "Voice 1.wav");
                        EXPECT_EQ(vtest::ReadAll(taken), "the other file");
                        EXPECT_EQ(vtest::ReadAll(recording), recorded);

                        fake.boxAnswers.push_back(ui::IDOK);
                        vtest::EnterName(dialog, twin.nameId, QStringLiteral("Taken"));
                        EXPECT_EQ(fake.boxes.size(), 2u);
                        EXPECT_EQ(dialog.GetFileName(), "Taken.wav");
                        EXPECT_EQ(vtest::ReadAll(taken), recorded);
                        EXPECT_FALSE(QFile::exists(recording));
                    });
        // Back to the start for the other twin.
        ASSERT_TRUE(QFile::rename(taken, recording));
    }
}

// Replacing happens in one step: when the rename fails after the OK, the other file is still
// there and the recording keeps its name: the recording was removed behind the dialog's back, or
// the name is a folder's.
TEST_F(RecordingEndTest, AFailedReplaceLosesNothing)
{
    const QString taken = folder + "/Taken.wav";
    const QString aside = dir.filePath("elsewhere.wav");
    struct Case
    {
        const char* name;
        QString kept;    // the file that must survive
        QString message; // the second box, after the question
    };
    const Case cases[] = {
        {"recording gone", taken, recording + " was not found."},
        {"a folder of that name", taken + "/inside.txt",
         recording + " could not be replaced: a folder of that name is in the way."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        fake.boxes.clear();
        vtest::WriteText(c.kept, "the other file");
        auto d = Make(kTwins[0]);
        Run<Dialog>(*d,
                    [&](Dialog& dialog)
                    {
                        if (c.kept == taken)
                        {
                            ASSERT_TRUE(QFile::rename(recording, aside));
                        }
                        fake.boxAnswers.push_back(ui::IDOK);
                        vtest::EnterName(dialog, kTwins[0].nameId, QStringLiteral("Taken"));
                        ASSERT_EQ(fake.boxes.size(), 2u);
                        EXPECT_EQ(fake.boxes[1].text, c.message);
                        EXPECT_EQ(vtest::ReadAll(c.kept), "the other file");
                        EXPECT_EQ(dialog.GetFileName(), "Voice 1.wav");
                        EXPECT_EQ(vtest::EditText(dialog, kTwins[0].nameId), "Voice 1");
                    });
        if (c.kept == taken)
        {
            ASSERT_TRUE(QFile::remove(taken));
            ASSERT_TRUE(QFile::rename(aside, recording));
        }
        else
            EXPECT_TRUE(QFile::exists(recording));
    }
}

/** FakeUi with the real message boxes, each answered by pressing @c press once it shows. */
class RealBoxes : public vtest::FakeUi
{
public:
    int shown = 0;
    QMessageBox::StandardButton press = QMessageBox::Cancel;

    int MessageBox(QWidget* owner, const QString& text, ui::MessageButtons buttons,
                   ui::MessageIcon icon) override
    {
        ++shown;
        QTimer::singleShot(100,
                           [this]
                           {
                               if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                                   box->button(press)->click();
                           });
        return ui::Behaviour::MessageBox(owner, text, buttons, icon);
    }
};

// Enter in the name box asks the replace question in a real box; the box takes the focus from the
// name box, which must not start a second rename (and a second question) inside the first.
TEST_F(RecordingEndTest, TheQuestionBoxTakingTheFocusAsksOnce)
{
    vtest::WriteText(folder + "/Taken.wav", "the other file");
    RealBoxes boxes;
    auto d = Make(kTwins[0]);
    vtest::ScriptRun<Dialog>(boxes,
                             [&](Dialog& dialog)
                             {
                                 auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(kTwins[0].nameId));
                                 edit->setFocus();
                                 edit->setText(QStringLiteral("Taken"));
                                 QTest::keyClick(edit, Qt::Key_Return);
                                 EXPECT_EQ(boxes.shown, 1);
                                 EXPECT_EQ(edit->text(), "Voice 1");
                             });
    d->DoModal();
    EXPECT_EQ(vtest::ReadAll(folder + "/Taken.wav"), "the other file");
    EXPECT_TRUE(QFile::exists(recording));
}

// Names that would make a hidden ".wav" or leave the folder are refused and the edit restored;
// nothing is renamed and no file appears anywhere.
TEST_F(RecordingEndTest, EmptyNamesAndPathsAreRefused)
{
    auto d = Make(kTwins[0]);
    Run<Dialog>(*d,
                [&](Dialog& dialog)
                {
                    for (const QString& name : {QString(), QStringLiteral("../Voice 1"),
                                                QStringLiteral("sub/take"), dir.filePath("outside")})
                    {
                        SCOPED_TRACE(name.toStdString());
                        fake.boxes.clear();
                        vtest::EnterName(dialog, kTwins[0].nameId, name);
                        ASSERT_EQ(fake.boxes.size(), 1u);
                        EXPECT_EQ(fake.boxes[0].text, Dialog::kMsgBadName);
                        EXPECT_EQ(vtest::EditText(dialog, kTwins[0].nameId), "Voice 1");
                        EXPECT_EQ(dialog.GetFileName(), "Voice 1.wav");
                        EXPECT_TRUE(QFile::exists(recording));
                    }
                });
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Voice 1.wav"});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{});
}

// A new name that is another name of the recording itself (as a case-only change is on a
// case-insensitive file system; here a link) asks nothing and never removes the recording.
TEST_F(RecordingEndTest, ANameOfTheRecordingItselfKeepsIt)
{
    const QByteArray recorded = vtest::ReadAll(recording);
    ASSERT_TRUE(QFile::link(recording, folder + "/Alias.wav"));
    auto d = Make(kTwins[0]);
    Run<Dialog>(*d,
                [&](Dialog& dialog) { vtest::EnterName(dialog, kTwins[0].nameId, QStringLiteral("Alias")); });
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(d->GetFileName(), "Alias.wav");
    EXPECT_FALSE(QFileInfo(folder + "/Alias.wav").isSymLink());
    EXPECT_EQ(vtest::ReadAll(folder + "/Alias.wav"), recorded);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"Alias.wav"});
}

// Play is a toggle; the timer at the file's end stops the preview once; every action stops a
// running preview before it touches the file (a rename, a move).
TEST_F(RecordingEndTest, PreviewStopsAtTheEndAndBeforeEveryAction)
{
    const QString other = dir.filePath(QStringLiteral("Other"));
    QDir().mkpath(other);
    auto d = Make(kTwins[0]);
    Run<Dialog>(*d,
                [&](Dialog& dialog)
                {
                    auto* play = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(Dialog::kIdPlay));
                    vtest::Click(dialog, Dialog::kIdPlay);
                    EXPECT_TRUE(dialog.IsPlaying());
                    EXPECT_EQ(play->text(), "Stop");
                    EXPECT_TRUE(dialog.HasTimer(Dialog::kPreviewTimer));
                    EXPECT_TRUE(vtest::WaitFor([&] { return !dialog.IsPlaying(); }, 3000));
                    EXPECT_EQ(play->text(), "Play");
                    EXPECT_FALSE(dialog.HasTimer(Dialog::kPreviewTimer));

                    vtest::Click(dialog, Dialog::kIdPlay);
                    vtest::Click(dialog, Dialog::kIdPlay);
                    EXPECT_FALSE(dialog.IsPlaying());
                    EXPECT_FALSE(dialog.HasTimer(Dialog::kPreviewTimer));

                    vtest::Click(dialog, Dialog::kIdPlay);
                    vtest::EnterName(dialog, kTwins[0].nameId, QStringLiteral("Renamed"));
                    EXPECT_FALSE(dialog.IsPlaying());
                    EXPECT_EQ(play->text(), "Play");
                    EXPECT_TRUE(QFile::exists(folder + "/Renamed.wav"));

                    vtest::Click(dialog, Dialog::kIdPlay);
                    fake.folderAnswers.push_back(other);
                    vtest::Click(dialog, kTwins[0].moveId);
                    EXPECT_FALSE(dialog.IsPlaying());
                    EXPECT_TRUE(QFile::exists(other + "/Renamed.wav"));
                });
    EXPECT_EQ(vtest::BoxTexts(fake), std::vector<QString>{"The file was moved successfully."});
}

// "Play file" plays the whole take: every frame of the file reaches the output before the preview
// stops by itself (a timer of the file's length from the press of Play cut the end off, by as
// much as the device took to start and held in its latency). A real float WAV of a constant
// level, the real player, the null device at real time, whose output is watched.
TEST_F(RecordingEndTest, PlayFilePlaysEveryFrame)
{
    constexpr unsigned kRate = 44100;
    constexpr std::uint64_t kFrames = kRate * 3 / 4;
    constexpr float kLevel = 0.25f;
    const QString take = folder + "/Level.wav";
    {
        plat::SoundWriter writer;
        ASSERT_TRUE(writer.Open(take, plat::SoundWriter::Format::WavFloat, kRate, 2));
        const std::vector<float> frames(2 * kFrames, kLevel);
        ASSERT_TRUE(writer.Write(frames.data(), kFrames));
        ASSERT_TRUE(writer.Close());
    }
    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    std::atomic<std::uint64_t> heard{0};
    plat::AudioSystem::SetNullDeviceMonitor(
        [&heard](const float* frames, std::uint32_t count)
        {
            for (std::uint32_t i = 0; i < count; ++i)
                if (frames[2 * i] == kLevel && frames[2 * i + 1] == kLevel)
                    heard.fetch_add(1, std::memory_order_relaxed);
        });
    CDlgRecorderStop d;
    d.SetOwnerView(&view);
    d.SetFile(folder, QStringLiteral("Level.wav"));
    Run<CDlgRecorderStop>(d,
                          [&](CDlgRecorderStop& dialog)
                          {
                              vtest::Click(dialog, Dialog::kIdPlay);
                              ASSERT_TRUE(dialog.IsPlaying());
                              EXPECT_TRUE(vtest::WaitFor([&] { return !dialog.IsPlaying(); }, 5000));
                          });
    plat::AudioSystem::SetNullDeviceMonitor({});
    EXPECT_EQ(heard.load(), kFrames);
}

TEST_F(RecordingEndTest, AFileThatCannotPlayStaysIdle)
{
    auto d = Make(kTwins[1]);
    Run<Dialog>(*d,
                [&](Dialog& dialog)
                {
                    QFile::remove(recording);
                    vtest::Click(dialog, Dialog::kIdPlay);
                    EXPECT_FALSE(dialog.IsPlaying());
                    EXPECT_FALSE(dialog.HasTimer(Dialog::kPreviewTimer));
                    EXPECT_EQ(qobject_cast<QAbstractButton*>(dialog.GetDlgItem(Dialog::kIdPlay))->text(),
                              "Play file");
                });
    EXPECT_EQ(vtest::BoxTexts(fake), std::vector<QString>{"Failed to play the file."});
}

// A move to a chosen folder says so and shows the new folder; a move that fails says why it might
// have and changes nothing: a file of that name in the target, a folder nobody may write to
// (/proc refuses even the superuser), or a cancelled folder dialog (no message at all). The folder
// picker opens where the recording is, not in the process's working folder.
TEST_F(RecordingEndTest, MoveToAnotherFolder)
{
    const QString target = dir.filePath(QStringLiteral("Keep"));
    const QString crowded = dir.filePath(QStringLiteral("Crowded"));
    vtest::WriteText(crowded + "/Voice 1.wav", "someone else's");
    const QByteArray recorded = vtest::ReadAll(recording);
    for (const Twin& twin : kTwins)
    {
        SCOPED_TRACE(twin.name);
        fake.boxes.clear();
        fake.folderTitles.clear();
        fake.folderStarts.clear();
        QDir().mkpath(target);
        auto d = Make(twin);
        Run<Dialog>(*d,
                    [&](Dialog& dialog)
                    {
                        auto* label =
                            dynamic_cast<dlg::PathLabel*>(dialog.GetDlgItem(Dialog::kIdFolderLabel));
                        const QString opened = label->GetPath();
                        for (const QString& refusing : {crowded, QStringLiteral("/proc")})
                        {
                            fake.folderAnswers.push_back(refusing);
                            vtest::Click(dialog, twin.moveId);
                            EXPECT_EQ(dialog.GetFolder(), folder);
                            EXPECT_EQ(label->GetPath(), opened);
                        }
                        fake.folderAnswers.push_back(std::nullopt);
                        vtest::Click(dialog, twin.moveId);
                        EXPECT_EQ(vtest::ReadAll(recording), recorded);
                        EXPECT_EQ(vtest::ReadAll(crowded + "/Voice 1.wav"), "someone else's");

                        fake.folderAnswers.push_back(target + "/");
                        vtest::Click(dialog, twin.moveId);
                        EXPECT_EQ(dialog.GetFolder(), target);
                        EXPECT_EQ(label->GetPath(), target);
                        EXPECT_EQ(dialog.FullPath(), target + "/Voice 1.wav");
                        EXPECT_EQ(vtest::ReadAll(target + "/Voice 1.wav"), recorded);
                        EXPECT_FALSE(QFile::exists(recording));
                    });
        EXPECT_EQ(vtest::BoxTexts(fake), (std::vector<QString>{Dialog::kMsgMoveFailed, Dialog::kMsgMoveFailed,
                                                               QString::fromUtf8(twin.moveDone)}));
        EXPECT_EQ(fake.folderTitles, std::vector<QString>(4, "Select destination folder"));
        EXPECT_EQ(fake.folderStarts, std::vector<QString>(4, folder));
        ASSERT_TRUE(QFile::rename(target + "/Voice 1.wav", recording));
    }
}

// Delete and finish closes the dialog whether or not the file could be deleted.
TEST_F(RecordingEndTest, DeleteClosesEitherWay)
{
    for (const Twin& twin : kTwins)
        for (const bool present : {true, false})
        {
            SCOPED_TRACE(std::string(twin.name) + (present ? " present" : " gone"));
            fake.boxes.clear();
            if (present)
                vtest::WriteTone(recording, 4410);
            else
                QFile::remove(recording);
            const int result = RunTwin(twin,
                                       [&](Dialog& dialog)
                                       {
                                           vtest::Click(dialog, Dialog::kIdPlay);
                                           vtest::Click(dialog, Dialog::kIdDelete);
                                           EXPECT_FALSE(dialog.IsPlaying());
                                       });
            EXPECT_NE(result, kStillOpen);
            EXPECT_FALSE(QFile::exists(recording));
            ASSERT_FALSE(fake.boxes.empty());
            EXPECT_EQ(fake.boxes.back().text, present ? twin.deleteDone : twin.deleteFailed);
        }
}

// Open the containing folder asks the desktop for the folder and leaves the dialog open; Finish,
// Esc and the close box each close it, stopping the preview.
TEST_F(RecordingEndTest, OpenFolderStaysFinishEscAndCloseBoxClose)
{
    const std::function<void(Dialog&)> closers[] = {
        [](Dialog& d) { vtest::Click(d, Dialog::kIdFinish); },
        [](Dialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](Dialog& d) { d.close(); },
    };
    for (const Twin& twin : kTwins)
        for (const auto& close : closers)
        {
            SCOPED_TRACE(twin.name);
            fake.openedUrls.clear();
            auto d = Make(twin);
            const int result = Run<Dialog>(*d,
                                           [&](Dialog& dialog)
                                           {
                                               vtest::Click(dialog, Dialog::kIdOpenFolder);
                                               EXPECT_TRUE(dialog.isVisible());
                                               vtest::Click(dialog, Dialog::kIdPlay);
                                               close(dialog);
                                               EXPECT_FALSE(dialog.IsPlaying());
                                           });
            EXPECT_EQ(result, ui::IDCANCEL);
            EXPECT_EQ(fake.openedUrls, std::vector<QUrl>{QUrl::fromLocalFile(folder)});
            EXPECT_TRUE(QFile::exists(recording));
        }
}

// Without a file manager "Open the containing folder" says that the folder could not be opened,
// naming it, instead of doing nothing; the dialog stays open.
TEST_F(RecordingEndTest, OpenFolderWithoutAFileManagerSaysSo)
{
    fake.urlsOpen = false;
    for (const Twin& twin : kTwins)
    {
        SCOPED_TRACE(twin.name);
        fake.boxes.clear();
        auto d = Make(twin);
        Run<Dialog>(*d,
                    [&](Dialog& dialog)
                    {
                        vtest::Click(dialog, Dialog::kIdOpenFolder);
                        EXPECT_TRUE(dialog.isVisible());
                        vtest::Click(dialog, Dialog::kIdFinish);
                    });
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_TRUE(fake.boxes[0].text.startsWith("The folder could not be opened"))
            << fake.boxes[0].text.toStdString();
        EXPECT_TRUE(fake.boxes[0].text.contains(folder));
    }
}

// The add actions hand the view the full path (as it is after a rename) for the selected segment
// or a new one; the dialog closes only when the view took the file.
TEST_F(RecordingEndTest, AddActionsCloseOnlyWhenTheViewTookTheFile)
{
    struct Case
    {
        int button;
        ui::RecordingTarget target;
        bool answer;
        bool closes;
    };
    using ui::RecordingTarget;
    const Case cases[] = {
        {CDlgRecorderStop::kIdAddToSelected, RecordingTarget::SelectedSegment, true, true},
        {CDlgRecorderStop::kIdAddToNew, RecordingTarget::NewSegment, true, true},
        {CDlgRecorderStop::kIdAddToSelected, RecordingTarget::SelectedSegment, false, false},
        {CDlgRecorderStop::kIdAddToNew, RecordingTarget::NewSegment, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.button << " answered " << c.answer);
        view.adds.clear();
        view.answer = c.answer;
        CDlgRecorderStop d;
        d.SetOwnerView(&view);
        d.SetFile(folder, QStringLiteral("Voice 1.wav"));
        const int result =
            Run<CDlgRecorderStop>(d,
                                  [&](CDlgRecorderStop& dialog)
                                  {
                                      vtest::EnterName(dialog, CDlgRecorderStop::kIdName, "Take 2");
                                      vtest::Click(dialog, CDlgRecorderStop::kIdPlay);
                                      vtest::Click(dialog, c.button);
                                      EXPECT_FALSE(dialog.IsPlaying());
                                  });
        EXPECT_EQ(result, c.closes ? ui::IDOK : kStillOpen);
        ASSERT_EQ(view.adds.size(), 1u);
        EXPECT_EQ(view.adds[0].first, c.target);
        EXPECT_EQ(view.adds[0].second, folder + "/Take 2.wav");
        ASSERT_TRUE(QFile::rename(folder + "/Take 2.wav", recording));
    }

    // An owner that is no view (a window of the layer, or a plain widget) took nothing either:
    // the dialog stays open for another choice.
    ui::Window passesCommandsOnly;
    QWidget plain;
    for (QObject* owner : {static_cast<QObject*>(&passesCommandsOnly), static_cast<QObject*>(&plain)})
    {
        CDlgRecorderStop d;
        d.SetOwnerView(owner);
        d.SetFile(folder, QStringLiteral("Voice 1.wav"));
        const int result = Run<CDlgRecorderStop>(d, [](CDlgRecorderStop& dialog)
                                                 { vtest::Click(dialog, CDlgRecorderStop::kIdAddToNew); });
        EXPECT_EQ(result, kStillOpen);
    }
}

// What the recorder calls after Stop: the dialogs come up over the owner's window with the
// folder and the file name (and for a live recording the caption and the disc writer).
TEST_F(RecordingEndTest, EntryFunctionsOfTheRecorder)
{
    QWidget frame;
    auto* owner = new AddView;
    owner->setParent(&frame);
    fake.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            auto* stop = dynamic_cast<CDlgRecorderStop*>(&d);
            EXPECT_NE(stop, nullptr);
            EXPECT_EQ(d.parentWidget(), &frame);
            EXPECT_EQ(stop->GetFolder(), folder);
            EXPECT_EQ(stop->GetFileName(), "Voice 1.wav");
            d.show();
            vtest::Click(d, CDlgRecorderStop::kIdAddToNew);
            return d.result();
        });
    EXPECT_EQ(RunRecorderStop(owner, folder, QStringLiteral("Voice 1.wav")), ui::IDOK);
    EXPECT_EQ(owner->adds.size(), 1u);

    fake.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            auto* end = dynamic_cast<CDlgExportEnd*>(&d);
            EXPECT_NE(end, nullptr);
            EXPECT_EQ(d.windowTitle(), "End of Live Recording");
            EXPECT_EQ(end->GetFileName(), "Voice 1.wav");
            EXPECT_EQ(end->GetBurningDevice(), 2);
            return int(ui::IDCANCEL);
        });
    EXPECT_EQ(RunExportEnd(QStringLiteral("End of Live Recording"), folder, QStringLiteral("Voice 1.wav"), 2,
                           &frame),
              ui::IDCANCEL);
}

class AudioCdTest : public RecordingEndTest
{
protected:
    void SetUp() override
    {
        RecordingEndTest::SetUp();
        drives = vtest::FakeDriveRoot(dir.filePath(QStringLiteral("root")));
        bin = dir.filePath(QStringLiteral("bin"));
        QDir().mkpath(bin);
    }
    std::unique_ptr<CDlgExportEnd> MakeEnd(const QString& root, int device = 0)
    {
        auto d = std::make_unique<CDlgExportEnd>();
        d->SetCaption(QStringLiteral("End of Live Recording"));
        d->SetFile(folder, QStringLiteral("Voice 1.wav"));
        d->SetDeviceRoot(root);
        d->SetBurningDevice(device);
        return d;
    }
    static QString Status(CDlgExportEnd& d)
    {
        return qobject_cast<QLabel*>(d.GetDlgItem(CDlgExportEnd::kIdWriteStatus))->text();
    }
    static ui::ProgressBar* Progress(CDlgExportEnd& d)
    {
        return dynamic_cast<ui::ProgressBar*>(d.GetDlgItem(CDlgExportEnd::kIdWriteProgress));
    }

    QString drives;
    QString bin;
};

// The CD button is there only with a disc writer and a program to write with; otherwise the
// status line says which is missing.
TEST_F(AudioCdTest, TheCdButtonNeedsAWriterAndAProgram)
{
    vtest::FakeWodim(bin);
    const QString emptyBin = dir.filePath(QStringLiteral("empty-bin"));
    QDir().mkpath(emptyBin);
    struct Case
    {
        const char* name;
        QString root;
        int device;
        QString path;
        bool enabled;
        QString status;
    };
    const Case cases[] = {
        {"no drives", noDrives, 0, bin, false, CDlgExportEnd::kMsgNoBurner},
        {"chosen drive gone", drives, 1, bin, false, CDlgExportEnd::kMsgBurnerGone},
        {"no program", drives, 0, emptyBin, false, disc::ExternalCdWriter::kMsgNoProgram},
        {"ready", drives, 0, bin, true, CDlgExportEnd::kMsgReady},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::ScopedPath path(c.path);
        auto d = MakeEnd(c.root, c.device);
        Run<CDlgExportEnd>(*d,
                           [&](CDlgExportEnd& dialog)
                           {
                               EXPECT_EQ(dialog.GetDlgItem(CDlgExportEnd::kIdWriteCd)->isEnabled(),
                                         c.enabled);
                               EXPECT_EQ(Status(dialog), c.status);
                               EXPECT_EQ(Progress(dialog)->GetPos(), 0);
                           });
    }
}

// Writing: the file goes to the program as a 44.1 kHz 16-bit stereo track of at least four
// seconds; the progress bar follows the program; the dialog refuses Finish, Esc and the close box
// until the end arrives; then the temporary file is gone and every control is back.
TEST_F(AudioCdTest, WritingShowsProgressAndCannotBeClosed)
{
    vtest::FakeWodim(bin);
    vtest::ScopedPath path(bin + ":/usr/bin:/bin");
    auto d = MakeEnd(drives);
    QString temporary;
    std::vector<int> written;
    const int result = Run<CDlgExportEnd>(
        *d,
        [&](CDlgExportEnd& dialog)
        {
            vtest::Click(dialog, CDlgExportEnd::kIdWriteCd);
            ASSERT_TRUE(dialog.IsWriting());
            temporary = dialog.GetTemporaryFile();
            EXPECT_FALSE(temporary.isEmpty());
            EXPECT_FALSE(dialog.GetDlgItem(CDlgExportEnd::kIdFinish)->isEnabled());
            EXPECT_FALSE(dialog.GetDlgItem(CDlgRecorderStop::kIdPlay)->isEnabled());
            QTest::keyClick(&dialog, Qt::Key_Escape);
            dialog.close();
            EXPECT_TRUE(dialog.isVisible());
            vtest::WaitFor(
                [&]
                {
                    if (Status(dialog) == disc::AudioCdJob::kMsgWriting)
                        written.push_back(Progress(dialog)->GetPos());
                    return !dialog.IsWriting();
                },
                15000);
            ASSERT_FALSE(dialog.IsWriting());
            EXPECT_EQ(Status(dialog), CDlgExportEnd::kMsgWritten);
            EXPECT_EQ(Progress(dialog)->GetPos(), 100);
            for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                EXPECT_TRUE(child->isEnabled()) << ui::ControlId(child);
            vtest::Click(dialog, CDlgExportEnd::kIdFinish);
        });
    EXPECT_EQ(result, ui::IDCANCEL);
    EXPECT_TRUE(vtest::BoxTexts(fake).empty());
    ASSERT_FALSE(written.empty());
    EXPECT_TRUE(std::any_of(written.begin(), written.end(), [](int p) { return p > 0 && p < 100; }));
    EXPECT_TRUE(std::is_sorted(written.begin(), written.end()));
    EXPECT_FALSE(QFile::exists(temporary));
    EXPECT_TRUE(QFile::exists(recording));

    const QStringList args =
        QString::fromLocal8Bit(vtest::ReadAll(bin + "/args.txt")).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(args, (QStringList{"-v", "dev=/dev/sr0", "gracetime=2", "-pad", "-audio", temporary}));
    plat::SoundDecoder::Info info;
    ASSERT_TRUE(plat::SoundDecoder::ReadInfo(bin + "/written.wav", info));
    EXPECT_EQ(info.rate, 44100u);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, disc::kMinTrackFrames); // the quarter-second recording, padded
    EXPECT_EQ(QFileInfo(bin + "/written.wav").size(), qint64(44 + info.frames * 4)); // 16-bit
}

// A program that fails shows what it said; the dialog can be closed again after it.
TEST_F(AudioCdTest, AFailingProgramShowsItsFailure)
{
    vtest::FakeWodim(bin, 3, "wodim: No disk / Wrong disk!");
    vtest::ScopedPath path(bin + ":/usr/bin:/bin");
    auto d = MakeEnd(drives);
    QString temporary;
    const int result =
        Run<CDlgExportEnd>(*d,
                           [&](CDlgExportEnd& dialog)
                           {
                               vtest::Click(dialog, CDlgExportEnd::kIdWriteCd);
                               temporary = dialog.GetTemporaryFile();
                               EXPECT_TRUE(vtest::WaitFor([&] { return !dialog.IsWriting(); }, 15000));
                               EXPECT_EQ(Status(dialog), CDlgExportEnd::kMsgWriteFailed);
                               EXPECT_TRUE(dialog.GetDlgItem(CDlgExportEnd::kIdWriteCd)->isEnabled());
                               QTest::keyClick(&dialog, Qt::Key_Escape);
                           });
    EXPECT_EQ(result, ui::IDCANCEL);
    EXPECT_EQ(vtest::BoxTexts(fake),
              std::vector<QString>{"Failed to write the Audio-CD.\n\nwodim ended with exit status 3.\n"
                                   "wodim: No disk / Wrong disk!"});
    EXPECT_TRUE(QFile::exists(recording));
    EXPECT_FALSE(temporary.isEmpty());
    EXPECT_FALSE(QFile::exists(temporary));
}

/** A disc writer the test drives by hand. */
class ManualCdWriter : public disc::CdWriter
{
public:
    int starts = 0;
    Progress progress;
    Finished finished;
    QString Unavailable() const override { return {}; }
    bool Start(const QString&, const QString&, Progress p, Finished f, QString&) override
    {
        ++starts;
        progress = std::move(p);
        finished = std::move(f);
        return true;
    }
};

// A recording that cannot be read any more fails before any writing starts, with the reason.
TEST_F(AudioCdTest, AnUnreadableRecordingNeverReachesTheWriter)
{
    auto d = MakeEnd(drives);
    auto writer = std::make_unique<ManualCdWriter>();
    ManualCdWriter* manual = writer.get();
    d->SetCdWriter(std::move(writer));
    Run<CDlgExportEnd>(*d,
                       [&](CDlgExportEnd& dialog)
                       {
                           vtest::WriteText(recording, "no sound in here");
                           vtest::Click(dialog, CDlgExportEnd::kIdWriteCd);
                           EXPECT_TRUE(vtest::WaitFor([&] { return !dialog.IsWriting(); }, 5000));
                       });
    EXPECT_EQ(manual->starts, 0);
    EXPECT_EQ(vtest::BoxTexts(fake),
              std::vector<QString>{"Failed to write the Audio-CD.\n\nFailed to read the "
                                   "sound file " +
                                   recording + "."});
    EXPECT_EQ(vtest::ReadAll(recording), "no sound in here");
}

// Screenshots of both dialogs as they come up after a recording, and of a disc being written.
TEST_F(AudioCdTest, Screenshots)
{
    ui::ApplyWorkspaceStyle(*qApp);
    const QString out = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(out);
    const QString documents = dir.filePath(QStringLiteral("home/maria/Documents/VORNA/Recordings"));
    vtest::WriteTone(documents + "/Voice recording 2026-12-10 19-42-07.wav", 44100);

    // As they open, on a user's documents folder (nothing is read before an action).
    const QString userFolder = QStringLiteral("/home/maria/Documents/VORNA/Recordings");
    const QString name = QStringLiteral("Voice recording 2026-12-10 19-42-07.wav");
    CDlgRecorderStop stop;
    stop.SetOwnerView(&view);
    stop.SetFile(userFolder, name);
    Run<CDlgRecorderStop>(stop, [&](CDlgRecorderStop& d)
                          { EXPECT_TRUE(d.grab().save(out + "/end-of-recording.png")); });
    auto ready = MakeEnd(drives);
    ready->SetFile(userFolder, name);
    ready->SetCdWriter(std::make_unique<ManualCdWriter>());
    Run<CDlgExportEnd>(*ready, [&](CDlgExportEnd& d)
                       { EXPECT_TRUE(d.grab().save(out + "/end-of-live-recording.png")); });

    auto end = MakeEnd(drives);
    end->SetFile(documents, name);
    auto writer = std::make_unique<ManualCdWriter>();
    ManualCdWriter* manual = writer.get();
    end->SetCdWriter(std::move(writer));
    Run<CDlgExportEnd>(*end,
                       [&](CDlgExportEnd& d)
                       {
                           vtest::Click(d, CDlgExportEnd::kIdWriteCd);
                           ASSERT_TRUE(vtest::WaitFor([&] { return manual->starts == 1; }, 5000));
                           manual->progress(42);
                           EXPECT_TRUE(d.grab().save(out + "/end-of-live-recording-writing.png"));
                           manual->finished(true, {});
                           EXPECT_TRUE(vtest::WaitFor([&] { return !d.IsWriting(); }, 2000));
                       });
}

} // namespace
