#include "platform/Folders.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFileInfo>

TEST(Folders, DocumentsFolderIsInsideTheTestHomeAndExists)
{
    const QString docs = GetDocumentsFolder();
    EXPECT_TRUE(docs.startsWith(vtest::TestHome())) << docs.toStdString();
    EXPECT_TRUE(docs.endsWith("/VORNA"));
    EXPECT_TRUE(QFileInfo(docs).isDir());
}

TEST(Folders, MakeLibraryRelative)
{
    const QString prefix = GetDocumentsFolder() + "/Sound Library/";

    QString p = prefix;
    EXPECT_TRUE(MakeLibraryRelative(p));
    EXPECT_EQ(p, QString());

    p = prefix + "Nature/Rain.ogg";
    EXPECT_TRUE(MakeLibraryRelative(p));
    EXPECT_EQ(p, QStringLiteral("Nature/Rain.ogg"));

    // File names are case-sensitive here: another letter case is another folder.
    p = prefix.toUpper() + "a.ogg";
    const QString before = p;
    EXPECT_FALSE(MakeLibraryRelative(p));
    EXPECT_EQ(p, before);

    p = "/tmp/x.ogg";
    EXPECT_FALSE(MakeLibraryRelative(p));
    EXPECT_EQ(p, QStringLiteral("/tmp/x.ogg"));
}

// A session written on Windows stores "Suggestions\a.ogg"; it must resolve to the file here.
TEST(Folders, StoredWindowsLibraryPathResolvesToAnExistingFile)
{
    const QString file = GetDocumentsFolder() + "/Sound Library/Suggestions/a.ogg";
    vtest::WriteFile(file, {1, 2, 3});
    const QString resolved = GetLibraryPath(QStringLiteral("Suggestions\\a.ogg"), true);
    EXPECT_EQ(resolved, file);
    EXPECT_TRUE(QFileInfo::exists(resolved));

    // Absolute paths are kept as they are, backslashes and all.
    EXPECT_EQ(GetLibraryPath(QStringLiteral("C:\\Music\\b.ogg"), false), QStringLiteral("C:\\Music\\b.ogg"));
}

TEST(Folders, PathStringHelpers)
{
    struct Case
    {
        const char* path;
        const char* name;
        const char* folder;
        const char* withoutExtension;
        const char* extension;
    };
    const Case cases[] = {
        {"file", "file", "", "file", ""},
        {"a.b\\c", "c", "a.b", "a", "b\\c"},
        {"/home/u/Sound Library/Rain.ogg", "Rain.ogg", "/home/u/Sound Library", "/home/u/Sound Library/Rain",
         "ogg"},
        {"Nature\\Rain.wav", "Rain.wav", "Nature", "Nature\\Rain", "wav"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        const QString p = QString::fromUtf8(c.path);
        EXPECT_EQ(GetFileNameOfPath(p), QString::fromUtf8(c.name));
        EXPECT_EQ(GetFolderOfPath(p), QString::fromUtf8(c.folder));
        EXPECT_EQ(GetPathWithoutExtension(p), QString::fromUtf8(c.withoutExtension));
        EXPECT_EQ(GetFileExtension(p), QString::fromUtf8(c.extension));
    }
}
