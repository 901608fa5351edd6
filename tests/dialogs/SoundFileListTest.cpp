#include "dialogs/panels/SoundFileList.h"

#include "platform/Folders.h"
#include "platform/Registry.h"

#include "support/FakeUi.h"

#include <gtest/gtest.h>

namespace
{

QString Folder(const QString& value)
{
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, value, folder);
    return folder;
}

// Files inside the library are stored relative to it, in the dialog's order, and the folder that
// the next dialog starts in is the last file's own full folder (not the library, not relative).
TEST(SoundFileList, AddsLibraryFilesRelativeAndRemembersTheLastFolder)
{
    vtest::FakeUi fake;
    SetRegString(plat::RegRoot::CurrentUser, "FolderVoice", "/start/here");
    const QString lib = GetSoundLibraryFolder();
    fake.fileAnswers.push_back(
        QStringList{lib + "Voice/a.wav", lib + "Voice/b.ogg", lib + "Voice/Deep/c.mp3"});
    std::vector<CFileListEntry> files{{"old.wav", 0}};

    ASSERT_TRUE(filelist::AddSoundFiles(nullptr, "FolderVoice", files));

    const std::vector<CFileListEntry> expected{
        {"old.wav", 0}, {"Voice/a.wav", 1}, {"Voice/b.ogg", 1}, {"Voice/Deep/c.mp3", 1}};
    EXPECT_EQ(files, expected);
    EXPECT_EQ(Folder("FolderVoice"), lib + "Voice/Deep");
    ASSERT_EQ(fake.fileRequests.size(), 1u);
    const ui::FileDialogRequest& r = fake.fileRequests[0];
    EXPECT_EQ(r.mode, ui::FileDialogRequest::Mode::OpenMany);
    EXPECT_EQ(r.title, "Select sound files");
    EXPECT_EQ(r.folder, "/start/here");
    EXPECT_EQ(
        r.filter,
        "Streamable files (wav/aif/mp3/mp2/mp1/ogg)|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.ogg|All files|*.*||");
    EXPECT_EQ(filelist::ItemTexts(files), (QStringList{"old", "a", "b", "c"}));
}

// Outside the library the full path is kept with the flag 0; each kind has its own folder.
TEST(SoundFileList, AddsOutsideFilesAsFullPathsAndCancelChangesNothing)
{
    vtest::FakeUi fake;
    SetRegString(plat::RegRoot::CurrentUser, "FolderNature", "");
    fake.fileAnswers.push_back(QStringList{"/music/rain.forest.wav"});
    fake.fileAnswers.push_back(std::nullopt);
    std::vector<CFileListEntry> files;

    ASSERT_TRUE(filelist::AddSoundFiles(nullptr, "FolderNature", files));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], (CFileListEntry{"/music/rain.forest.wav", 0}));
    EXPECT_EQ(filelist::ItemText(files[0]), "rain.forest");
    EXPECT_EQ(Folder("FolderNature"), "/music");

    EXPECT_FALSE(filelist::AddSoundFiles(nullptr, "FolderNature", files));
    EXPECT_EQ(files.size(), 1u);
    EXPECT_EQ(Folder("FolderNature"), "/music");
}

// A relative entry from a Windows-made session keeps its backslashes but shows its bare name.
TEST(SoundFileList, ItemTextOfWindowsRelativePath)
{
    EXPECT_EQ(filelist::ItemText({"Nature\\Birds\\Morning Song.ogg", 1}), "Morning Song");
    EXPECT_EQ(filelist::ItemText({"/x/noextension", 0}), "noextension");
}

TEST(SoundFileList, ChooseOneFileKeepsTheFullPathAndRemembersItsFolder)
{
    vtest::FakeUi fake;
    const QString inLib = GetSoundLibraryFolder() + "Music/song.wav";
    fake.fileAnswers.push_back(QStringList{inLib});
    fake.fileAnswers.push_back(std::nullopt);
    EXPECT_EQ(filelist::ChooseSoundFile(nullptr, "FolderExternalMusic"), inLib);
    EXPECT_EQ(Folder("FolderExternalMusic"), GetSoundLibraryFolder() + "Music");
    EXPECT_EQ(fake.fileRequests[0].mode, ui::FileDialogRequest::Mode::Open);
    EXPECT_EQ(filelist::ChooseSoundFile(nullptr, "FolderExternalMusic"), std::nullopt);
    ASSERT_EQ(fake.fileRequests.size(), 2u);
    EXPECT_EQ(fake.fileRequests[1].folder, GetSoundLibraryFolder() + "Music");
}

TEST(SoundFileList, SelectionAfterRemove)
{
    struct Case
    {
        const char* name;
        int count, selected, expected;
    } cases[] = {
        {"the only item leaves none", 1, 0, -1},
        {"one of two leaves the first", 2, 1, 0},
        {"first of two", 2, 0, 0},
        {"the last of five selects the new last", 5, 4, 3},
        {"the second of five selects the new second", 5, 1, 1},
        {"the first of five", 5, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(filelist::SelectionAfterRemove(c.count, c.selected), c.expected);
    }
    EXPECT_EQ(filelist::BellsSelectionAfterRemove(0), 0);
    EXPECT_EQ(filelist::BellsSelectionAfterRemove(2), 1);
}

TEST(SoundFileList, MoveItemOnlyInsideTheList)
{
    std::vector<int> v{1, 2, 3};
    EXPECT_FALSE(filelist::MoveItem(v, 0, -1)); // Up on the first
    EXPECT_FALSE(filelist::MoveItem(v, 2, 3));  // Down on the last
    EXPECT_FALSE(filelist::MoveItem(v, -1, 0)); // nothing selected
    EXPECT_EQ(v, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(filelist::MoveItem(v, 2, 1));
    EXPECT_EQ(v, (std::vector<int>{1, 3, 2}));
    EXPECT_TRUE(filelist::MoveItem(v, 0, 1));
    EXPECT_EQ(v, (std::vector<int>{3, 1, 2}));
}

} // namespace
