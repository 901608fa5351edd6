// The external-audio panel: choosing the file, its name and length, and Repeat.
#include "dialogs/panels/CDlgSegmentMusicExt.h"

#include "SegmentPanelRig.h"

#include "model/CSegmentMusicExt.h"
#include "platform/Registry.h"

#include "support/TestEnvironment.h"

#include <sys/stat.h>

namespace
{

using namespace segpanel;

// A file inside the sound library keeps its full path (it is never made library relative), shows
// its name with the extension and its length, and the view hears of the new length.
TEST(CDlgSegmentMusicExt, SelectFileKeepsTheFullPathAndShowsItsLength)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentMusicExt>();
    CSegmentMusicExt external;
    panel.SetObject(&external);
    EXPECT_EQ(panel.NameText().text(), "");
    EXPECT_EQ(panel.LengthText().text(), "");
    rig.TakeModified();

    const QString path = GetSoundLibraryFolder() + "Music/Long Walk.wav";
    ASSERT_TRUE(vtest::WriteQuietWav(path, 187.0));
    rig.fake.fileAnswers.push_back(QStringList{path});
    vtest::ClickControl(panel, kIdSelectFile);

    EXPECT_EQ(external.m_path, path);
    EXPECT_EQ(panel.NameText().text(), "Long Walk.wav");
    EXPECT_EQ(panel.LengthText().text(), "File length 03:07");
    EXPECT_NEAR(external.m_contentDuration, 187.0, 1e-6);
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, "FolderExternalMusic", folder);
    EXPECT_EQ(folder, GetSoundLibraryFolder() + "Music");
    EXPECT_EQ(rig.view.Count(WM_APP_SEGMENT_CHANGED), 1);
    EXPECT_TRUE(rig.TakeModified());

    // Cancel changes nothing.
    rig.fake.fileAnswers.push_back(std::nullopt);
    vtest::ClickControl(panel, kIdSelectFile);
    EXPECT_EQ(external.m_path, path);
    EXPECT_FALSE(rig.TakeModified());

    // A looping file has no length of its own.
    vtest::ClickControl(panel, kIdRepeat);
    EXPECT_TRUE(external.m_loop);
    EXPECT_EQ(external.m_contentDuration, 0.0);
    EXPECT_EQ(rig.view.Count(WM_APP_SEGMENT_CHANGED), 2);
}

TEST(CDlgSegmentMusicExt, RepeatWithoutAFileChangesOnlyTheFlag)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentMusicExt>();
    CSegmentMusicExt external;
    external.m_contentDuration = 0.0;
    panel.SetObject(&external);

    vtest::ClickControl(panel, kIdRepeat);
    EXPECT_TRUE(external.m_loop);
    EXPECT_TRUE(panel.RepeatBox().isChecked());
    EXPECT_TRUE(external.m_path.isEmpty());
    EXPECT_EQ(panel.LengthText().text(), "");
    EXPECT_EQ(rig.view.Count(WM_APP_SEGMENT_CHANGED), 0);
    EXPECT_TRUE(rig.TakeModified());
}

// A named pipe stored as the path is never opened (reading it would wait for a writer forever).
TEST(CDlgSegmentMusicExt, APipeIsNotOpenedToMeasureIt)
{
    vtest::PanelRig rig;
    auto& panel = rig.Make<CDlgSegmentMusicExt>();
    const QString fifo = vtest::TestHome() + "/music.fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    CSegmentMusicExt external;
    external.m_path = fifo;
    panel.SetObject(&external);
    EXPECT_EQ(panel.NameText().text(), "music.fifo");
    EXPECT_EQ(panel.LengthText().text(), "File length 00:00");
    vtest::ClickControl(panel, kIdRepeat);
    vtest::ClickControl(panel, kIdRepeat);
    EXPECT_EQ(external.m_contentDuration, 0.0);
    QFile::remove(fifo);
}

} // namespace
