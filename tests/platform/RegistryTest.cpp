#include "platform/Registry.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using plat::RegRoot;

TEST(Registry, UserValuesRoundTripInTheTestHome)
{
    SetRegString(RegRoot::CurrentUser, "FolderVoice", "/home/x/voice");
    QString out = "unchanged";
    ASSERT_TRUE(GetRegString(RegRoot::CurrentUser, "FolderVoice", out));
    EXPECT_EQ(out, QStringLiteral("/home/x/voice"));
    EXPECT_TRUE(QFileInfo::exists(vtest::TestHome() + "/.config/Kestrune/VORNA 4.conf"));
}

TEST(Registry, MissingValueLeavesTheOutTextUnchanged)
{
    QString out = "unchanged";
    EXPECT_FALSE(GetRegString(RegRoot::CurrentUser, "NoSuchValue", out));
    EXPECT_EQ(out, QStringLiteral("unchanged"));
}

TEST(Registry, TextEndsAtTheFirstZeroCharacter)
{
    QString withZero = "abc";
    withZero.append(QChar(0));
    withZero.append("def");
    SetRegString(RegRoot::CurrentUser, "MsgConvert", withZero);
    QString out;
    ASSERT_TRUE(GetRegString(RegRoot::CurrentUser, "MsgConvert", out));
    EXPECT_EQ(out, QStringLiteral("abc"));
}

// A user's value must not be read as the machine's InstallPath, nor the other way round.
TEST(Registry, ScopesAreSeparate)
{
    SetRegString(RegRoot::CurrentUser, "InstallPath", "/wrong");
    QString out = "none";
    EXPECT_FALSE(GetRegString(RegRoot::LocalMachine, "InstallPath", out));
    EXPECT_EQ(out, QStringLiteral("none"));

    SetRegString(RegRoot::LocalMachine, "InstallPath", vtest::TestHome() + "/opt/vorna/");
    EXPECT_EQ(GetInstallPath(), vtest::TestHome() + "/opt/vorna");
    SetRegString(RegRoot::LocalMachine, "InstallPath", "");
}

TEST(Registry, InstallPathFallsBackToTheDataFolder)
{
    SetRegString(RegRoot::LocalMachine, "InstallPath", "");
    EXPECT_FALSE(GetInstallPath().isEmpty());
}
