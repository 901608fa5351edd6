// The voice, ambient-music and nature panels: their file lists, combos and rows.
#include "dialogs/panels/CDlgSegmentAmbientMusic.h"
#include "dialogs/panels/CDlgSegmentNatureBG.h"
#include "dialogs/panels/CDlgSegmentSuggestions.h"

#include "SegmentPanelRig.h"

#include "audio/AudioMessage.h"
#include "controls/CUiPropertyEdit.h"
#include "dialogs/panels/PreviewPlayer.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentSuggestions.h"
#include "platform/Registry.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace
{

using namespace segpanel;

QString Folder(const char* value)
{
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(value), folder);
    return folder;
}

QStringList Items(ui::ListBox& list)
{
    QStringList items;
    for (int i = 0; i < list.GetCount(); ++i)
        items.push_back(list.GetText(i));
    return items;
}

std::vector<CFileListEntry> Entries(std::initializer_list<const char*> names)
{
    std::vector<CFileListEntry> files;
    for (const char* name : names)
        files.push_back({QStringLiteral("Voice/") + name + ".wav", 1});
    return files;
}

/** The user clicks item @p row of @p list. */
void ClickItem(ui::ListBox& list, int row)
{
    const QRect r = list.visualItemRect(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, r.center());
}

/** One of the three file-list panels with a segment of its kind bound. */
struct FileListPanel
{
    const char* name;
    std::function<CDlgSegmentFileList&(vtest::PanelRig&)> make;
    std::function<std::shared_ptr<CSegment>()> segment;
    std::function<std::vector<CFileListEntry>&(CSegment&)> files;
    const char* folderValue;
};

template <class Panel, class Segment> FileListPanel Kind(const char* name, const char* folder)
{
    return {name, [](vtest::PanelRig& rig) -> CDlgSegmentFileList& { return rig.Make<Panel>(); },
            [] { return std::make_shared<Segment>(); },
            [](CSegment& s) -> std::vector<CFileListEntry>& { return static_cast<Segment&>(s).m_files; },
            folder};
}

const FileListPanel kPanels[] = {
    Kind<CDlgSegmentSuggestions, CSegmentSuggestions>("voice", "FolderVoice"),
    Kind<CDlgSegmentAmbientMusic, CSegmentAmbientMusic>("ambient music", "FolderAmbientMusic"),
    Kind<CDlgSegmentNatureBG, CSegmentNatureBG>("nature", "FolderNature"),
};

// Adding from inside the library stores relative entries and remembers the last file's own folder;
// files from elsewhere keep their full paths. Either way the list shows bare names, the session is
// marked modified, and the voice panel (whose files make its length) also tells the view.
TEST(CDlgSegmentFileList, AddStoresLibraryFilesRelativeAndMarksModified)
{
    for (const FileListPanel& kind : kPanels)
    {
        SCOPED_TRACE(kind.name);
        vtest::PanelRig rig;
        CDlgSegmentFileList& panel = kind.make(rig);
        auto segment = kind.segment();
        panel.SetObject(segment.get());
        rig.TakeModified();
        const QString lib = GetSoundLibraryFolder();
        ASSERT_TRUE(vtest::WriteQuietWav(lib + "Voice/a.wav", 1.0));
        ASSERT_TRUE(vtest::WriteQuietWav(lib + "Voice/b.wav", 1.0));
        ASSERT_TRUE(vtest::WriteQuietWav(lib + "Voice/Deep/c.wav", 1.0));
        rig.fake.fileAnswers.push_back(
            QStringList{lib + "Voice/a.wav", lib + "Voice/b.wav", lib + "Voice/Deep/c.wav"});
        rig.fake.fileAnswers.push_back(QStringList{"/elsewhere/Rain.Storm.ogg"});

        vtest::ClickControl(panel, kIdAdd);
        const std::vector<CFileListEntry> relative{
            {"Voice/a.wav", 1}, {"Voice/b.wav", 1}, {"Voice/Deep/c.wav", 1}};
        EXPECT_EQ(kind.files(*segment), relative);
        EXPECT_EQ(Folder(kind.folderValue), lib + "Voice/Deep");
        EXPECT_EQ(rig.fake.fileRequests.back().title, "Select sound files");
        EXPECT_TRUE(rig.TakeModified());

        vtest::ClickControl(panel, kIdAdd);
        EXPECT_EQ(kind.files(*segment).back(), (CFileListEntry{"/elsewhere/Rain.Storm.ogg", 0}));
        EXPECT_EQ(Folder(kind.folderValue), "/elsewhere");
        EXPECT_EQ(Items(panel.FileList()), (QStringList{"a", "b", "c", "Rain.Storm"}));
        EXPECT_TRUE(rig.TakeModified());

        const bool voice = segment->GetKind() == CSegment::kKindVoice;
        EXPECT_EQ(rig.view.Count(WM_APP_SEGMENT_CHANGED), voice ? 2 : 0);
    }
}

// Remove leaves none after the only item, the new last after the last, the same position
// otherwise, and marks the session modified on every panel (the ambient and nature panels once
// forgot to, so closing lost the edit without a save prompt).
TEST(CDlgSegmentFileList, RemoveSelectionAndModified)
{
    struct Case
    {
        const char* name;
        int count, selected, expected;
    } cases[] = {
        {"the only item leaves none", 1, 0, -1},
        {"the last of five selects the new last", 5, 4, 3},
        {"the second of five selects the new second", 5, 1, 1},
    };
    for (const FileListPanel& kind : kPanels)
        for (const Case& c : cases)
        {
            SCOPED_TRACE(std::string(kind.name) + ": " + c.name);
            vtest::PanelRig rig;
            CDlgSegmentFileList& panel = kind.make(rig);
            auto segment = kind.segment();
            const std::vector<CFileListEntry> all = Entries({"a", "b", "c", "d", "e"});
            kind.files(*segment).assign(all.begin(), all.begin() + c.count);
            panel.SetObject(segment.get());
            panel.FileList().SetCurSel(c.selected);
            rig.TakeModified();

            vtest::ClickControl(panel, kIdRemove);
            EXPECT_EQ(int(kind.files(*segment).size()), c.count - 1);
            EXPECT_EQ(panel.FileList().GetCount(), c.count - 1);
            EXPECT_EQ(panel.FileList().GetCurSel(), c.expected);
            EXPECT_TRUE(rig.TakeModified());
        }
}

// Up on the first and Down on the last change nothing; a real move follows the item with the
// selection and marks the session modified (which all three panels once forgot).
TEST(CDlgSegmentFileList, UpAndDownMoveInsideTheListOnly)
{
    for (const FileListPanel& kind : kPanels)
    {
        SCOPED_TRACE(kind.name);
        vtest::PanelRig rig;
        CDlgSegmentFileList& panel = kind.make(rig);
        auto segment = kind.segment();
        kind.files(*segment) = Entries({"a", "b", "c"});
        panel.SetObject(segment.get());
        rig.TakeModified();

        panel.FileList().SetCurSel(0);
        vtest::ClickControl(panel, kIdUp);
        panel.FileList().SetCurSel(2);
        vtest::ClickControl(panel, kIdDown);
        EXPECT_EQ(Items(panel.FileList()), (QStringList{"a", "b", "c"}));
        EXPECT_FALSE(rig.TakeModified());

        vtest::ClickControl(panel, kIdUp);
        EXPECT_EQ(Items(panel.FileList()), (QStringList{"a", "c", "b"}));
        EXPECT_EQ(panel.FileList().GetCurSel(), 1);
        EXPECT_TRUE(rig.TakeModified());
        vtest::ClickControl(panel, kIdDown);
        EXPECT_EQ(kind.files(*segment), Entries({"a", "b", "c"}));
        EXPECT_EQ(panel.FileList().GetCurSel(), 2);
        EXPECT_TRUE(rig.TakeModified());
        EXPECT_EQ(rig.view.Count(WM_APP_SEGMENT_CHANGED), 0);
    }
}

TEST(CDlgSegmentFileList, CombosWithTheirExactTextsStoreTheUsersChoice)
{
    vtest::PanelRig rig;
    auto& voice = rig.Make<CDlgSegmentSuggestions>();
    EXPECT_EQ(vtest::ComboTexts(voice, kIdFirstCombo),
              (QStringList{"Order list of scripts or suggestions", "Random list of suggestions",
                           "Prerecorded for live recording"}));
    EXPECT_EQ(voice.FirstCombo().GetCurSel(), 0);

    for (bool nature : {false, true})
    {
        SCOPED_TRACE(nature ? "nature" : "ambient music");
        vtest::PanelRig r;
        CDlgSegmentPlaylist& panel = nature ? static_cast<CDlgSegmentPlaylist&>(r.Make<CDlgSegmentNatureBG>())
                                            : r.Make<CDlgSegmentAmbientMusic>();
        EXPECT_EQ(vtest::ComboTexts(panel, kIdFirstCombo),
                  (QStringList{"Order list of sounds", "Random list of sounds"}));
        EXPECT_EQ(vtest::ComboTexts(panel, kIdSecondCombo), (QStringList{"Loop sound", "Ambient slicing"}));
        // Shown until a segment is bound.
        EXPECT_EQ(panel.FirstCombo().GetCurSel(), 1);
        EXPECT_EQ(panel.StyleCombo().GetCurSel(), nature ? 0 : 1);

        std::shared_ptr<model::PlaylistSegment> segment;
        if (nature)
            segment = std::make_shared<CSegmentNatureBG>();
        else
            segment = std::make_shared<CSegmentAmbientMusic>();
        segment->m_randomOrder = false;
        segment->m_playStyle = nature ? 1 : 0;
        panel.SetObject(segment.get());
        EXPECT_EQ(panel.FirstCombo().GetCurSel(), 0);
        EXPECT_EQ(panel.StyleCombo().GetCurSel(), nature ? 1 : 0);
        EXPECT_EQ(panel.Row().GetProperty(), &segment->m_changeTime);
        r.TakeModified();

        vtest::ChooseComboItem(panel, kIdFirstCombo, 1);
        vtest::ChooseComboItem(panel, kIdSecondCombo, nature ? 0 : 1);
        EXPECT_TRUE(segment->m_randomOrder);
        EXPECT_EQ(segment->m_playStyle, nature ? 0 : 1);
        EXPECT_TRUE(r.TakeModified());
    }
}

// A new Gap value reaches the ordered segment's length and the view through the 100 ms watch.
TEST(CDlgSegmentSuggestions, GapChangeUpdatesTheDurationAndTellsTheView)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentSuggestions>();
    const QString lib = GetSoundLibraryFolder();
    ASSERT_TRUE(vtest::WriteQuietWav(lib + "Voice/one.wav", 2.0));
    ASSERT_TRUE(vtest::WriteQuietWav(lib + "Voice/two.wav", 3.0));
    CSegmentSuggestions voice;
    voice.m_files = {{"Voice/one.wav", 1}, {"Voice/two.wav", 1}};
    voice.m_interval.SetValue(5.0);
    panel.SetObject(&voice);
    rig.view.Clear();

    CUiPropertyEdit& edit = panel.Row().EditCtrl();
    ASSERT_TRUE(edit.isEnabled());
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, "12");
    ASSERT_EQ(voice.m_interval.GetValue(), 12.0);
    EXPECT_TRUE(vtest::WaitFor([&] { return rig.view.Count(WM_APP_SEGMENT_CHANGED) > 0; }, 1000));
    EXPECT_NEAR(voice.m_contentDuration, 2.0 + 3.0 + 12.0 + 0.001, 1e-9);
    EXPECT_TRUE(panel.HasTimer(CDlgSegmentSuggestions::kGapTimer));

    // An unchanged gap tells nobody.
    rig.view.Clear();
    QTest::qWait(250);
    EXPECT_EQ(rig.view.Count(WM_APP_SEGMENT_CHANGED), 0);
}

// While the session plays the ordered segment's gap (its length) is locked; in random order the gap
// only spaces the files and stays editable. Prerecorded files stay pickable during a live recording.
TEST(CDlgSegmentSuggestions, EnableStatesByModeAndPlaying)
{
    struct Case
    {
        const char* name;
        std::int32_t mode;
        bool playing;
        bool gapEditable, listEnabled, addEnabled, comboEnabled;
    } cases[] = {
        {"ordered, idle", 0, false, true, true, true, true},
        {"ordered, playing: gap locked", 0, true, false, false, false, false},
        {"random, playing: gap free", 1, true, true, false, false, false},
        {"prerecorded, playing: list usable", 2, true, false, true, false, false},
        {"live placeholder, idle: only the mode", 3, false, false, false, false, true},
        {"live placeholder, playing", 3, true, false, false, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::PanelRig rig;
        auto& panel = rig.Make<CDlgSegmentSuggestions>();
        CSegmentSuggestions voice;
        voice.m_files = Entries({"a", "b"});
        voice.m_playMode = c.mode;
        rig.doc.m_isPlaying = c.playing;
        panel.SetObject(&voice);
        EXPECT_EQ(panel.Row().EditCtrl().isEnabled(), c.gapEditable);
        EXPECT_EQ(panel.FileList().isEnabled(), c.listEnabled);
        EXPECT_EQ(ui::FindControl(&panel, kIdAdd)->isEnabled(), c.addEnabled);
        EXPECT_EQ(panel.FirstCombo().isEnabled(), c.comboEnabled);
        if (c.mode == 3)
        {
            EXPECT_EQ(panel.FirstCombo().GetCurSel(), -1);
        }
    }
}

// Only the user's click asks the generator for a file: binding (which refills the list and selects
// its first item) must not, or a live recording in mode 2 would play the first file unasked.
TEST(CDlgSegmentSuggestions, OnlyAUserClickSetsThePlayRequest)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentSuggestions>();
    CSegmentSuggestions voice;
    voice.m_files = Entries({"a", "b", "c"});
    voice.m_playMode = CSegmentSuggestions::kPlayModePrerecorded;
    rig.doc.m_isPlaying = true;
    rig.doc.m_isLive = true;
    panel.SetObject(&voice);
    panel.SetObject(&voice);
    EXPECT_EQ(panel.FileList().GetCurSel(), 0);
    std::int32_t index = -1;
    EXPECT_FALSE(voice.TakeFileRequest(index));

    ClickItem(panel.FileList(), 2);
    ASSERT_TRUE(voice.TakeFileRequest(index));
    EXPECT_EQ(index, 2);

    // A click on the item already selected asks too: the first one, selected by the bind, and
    // the one just asked for again.
    panel.SetObject(&voice);
    ASSERT_EQ(panel.FileList().GetCurSel(), 0);
    for (int row : {0, 0, 1, 1})
    {
        SCOPED_TRACE(row);
        ClickItem(panel.FileList(), row);
        ASSERT_TRUE(voice.TakeFileRequest(index));
        EXPECT_EQ(index, row);
        EXPECT_FALSE(voice.TakeFileRequest(index)) << "one request a click";
    }
}

// Choosing a mode stores it, measures again (only ordered lists have a length) and tells the view.
TEST(CDlgSegmentSuggestions, ModeChangeMeasuresAgain)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentSuggestions>();
    ASSERT_TRUE(vtest::WriteQuietWav(GetSoundLibraryFolder() + "Voice/m.wav", 4.0));
    CSegmentSuggestions voice;
    voice.m_files = {{"Voice/m.wav", 1}};
    voice.m_playMode = CSegmentSuggestions::kPlayModeShuffle;
    panel.SetObject(&voice);
    rig.view.Clear();

    vtest::ChooseComboItem(panel, kIdFirstCombo, 0);
    EXPECT_EQ(voice.m_playMode, 0);
    EXPECT_NEAR(voice.m_contentDuration, 4.001, 1e-9);
    vtest::ChooseComboItem(panel, kIdFirstCombo, 1);
    EXPECT_EQ(voice.m_contentDuration, 0.0);
    EXPECT_EQ(rig.view.Count(WM_APP_SEGMENT_CHANGED), 2);
}

/** A preview player in place of the sound card: records what it was asked to play. */
class RecordingPlayer : public PreviewPlayer
{
public:
    explicit RecordingPlayer(std::vector<QString>& opened) : m_opened(opened) {}
    bool OpenFile(const QString& path) override
    {
        m_opened.push_back(path);
        return true;
    }
    double GetLength() const override { return 30.0; }
    bool Play() override { return m_playing = true; }
    bool IsPlaying() const override { return m_playing; }
    void Close() override { m_playing = false; }

private:
    std::vector<QString>& m_opened;
    bool m_playing = false;
};

// Play previews the selected file at its resolved path (a library entry made whole again); a second
// press stops it.
TEST(CDlgSegmentFileList, PlayPreviewsTheSelectedFile)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentAmbientMusic>();
    std::vector<QString> opened;
    panel.SetPreviewPlayer(std::make_unique<RecordingPlayer>(opened));
    CSegmentAmbientMusic ambient;
    ambient.m_files = {{"Ambient Music\\Warm Pad.ogg", 1}, {"/music/Strings.ogg", 0}};
    panel.SetObject(&ambient);

    vtest::ClickControl(panel, kIdPlay);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], GetSoundLibraryFolder() + "Ambient Music/Warm Pad.ogg");
    EXPECT_EQ(panel.PlayButton().text(), "Stop");
    vtest::ClickControl(panel, kIdPlay);
    EXPECT_EQ(panel.PlayButton().text(), "Play");

    ClickItem(panel.FileList(), 1);
    vtest::ClickControl(panel, kIdPlay);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], "/music/Strings.ogg");
    EXPECT_FALSE(rig.TakeModified());
}

// Play on a file that is not sound, through the program's own stream player with the audio
// messages shown as the program shows them: the user sees the panel's one box, not the stream's
// "Failed to create play file stream." before it.
TEST(CDlgSegmentFileList, AFailedPreviewShowsOneBox)
{
    struct AudioMessagesAsBoxes
    {
        AudioMessagesAsBoxes()
        {
            audio::SetMessageSink([](const QString& text) { ui::MessageBox(nullptr, text); });
        }
        ~AudioMessagesAsBoxes() { audio::SetMessageSink({}); }
    };
    vtest::PanelRig rig;
    const AudioMessagesAsBoxes boxes;
    QTemporaryDir dir;
    const QString broken = dir.filePath("Broken.ogg");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a sound file at all");
    file.close();
    auto& panel = rig.Make<CDlgSegmentAmbientMusic>();
    CSegmentAmbientMusic ambient;
    ambient.m_files = {{broken, 0}};
    panel.SetObject(&ambient);

    vtest::ClickControl(panel, kIdPlay);
    ASSERT_EQ(rig.fake.boxes.size(), 1u);
    EXPECT_EQ(rig.fake.boxes[0].text, "Failed to play the sound file.");
    EXPECT_EQ(panel.PlayButton().text(), "Play");
}

TEST(CDlgSegmentFileList, HelpLinkAsksForTheMultipleFilesPage)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentNatureBG>();
    CSegmentNatureBG nature;
    panel.SetObject(&nature);
    auto* link = dynamic_cast<QLabel*>(ui::FindControl(&panel, kIdHelpLink));
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->text().contains("How to select multiple files"));
    emit link->linkActivated("#");
    const auto help = rig.view.Of(WM_APP_HELP_TOPIC);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].topic, "SelectingMultipleFiles");
    EXPECT_EQ(help[0].follow, ui::HelpFollow::Always);
}

// While the session plays the Change row is wholly disabled; unbinding leaves an empty list and
// no bound row, so nothing reads a deleted segment.
TEST(CDlgSegmentFileList, PlaylistRowWhilePlayingAndUnbinding)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentAmbientMusic>();
    auto ambient = std::make_unique<CSegmentAmbientMusic>();
    ambient->m_files = Entries({"x"});
    panel.SetObject(ambient.get());
    rig.SetPlaying(true);
    EXPECT_FALSE(panel.Row().EditCtrl().isEnabled());
    EXPECT_FALSE(panel.Row().SliderCtrl().isEnabled());
    rig.SetPlaying(false);
    EXPECT_TRUE(panel.Row().EditCtrl().isEnabled());

    panel.SetObject(nullptr);
    ambient.reset();
    EXPECT_EQ(panel.Row().GetProperty(), nullptr);
    EXPECT_EQ(panel.FileList().GetCount(), 0);
    panel.repaint();
}

} // namespace
