#include "audio/DeviceLists.h"

#include "ServiceSupport.h"
#include "support/TestEnvironment.h"

#include "platform/audio/AudioSystem.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace
{

struct FakeDevice
{
    const char* name;
    bool enabled;
    bool isDefault;
};

audio::DeviceInfoSource Source(std::vector<FakeDevice> devices, int first)
{
    return [devices, first](int index, QString& name, bool& isDefault, bool& enabled)
    {
        const int at = index - first;
        if (at < 0 || at >= static_cast<int>(devices.size()))
            return false;
        name = QString::fromLatin1(devices[at].name);
        isDefault = devices[at].isDefault;
        enabled = devices[at].enabled;
        return true;
    };
}

// A disabled device in the middle of the list is left out, and the entries after it still
// stand for their own devices: choosing "Speakers" stores the speakers, not the device
// after the gap, and a stored device that is now disabled shows as the default.
TEST(DeviceLists, EntriesMapToDevicesAcrossADisabledOne)
{
    const std::vector<FakeDevice> devices{
        {"Headset", true, false}, {"HDMI", false, false}, {"Speakers", true, true}};

    const audio::DeviceEntries playback = audio::PlaybackDeviceEntries(Source(devices, 1));
    EXPECT_EQ(playback.names, (QStringList{"Default playback device", "Headset", "Speakers"}));
    // Output devices are numbered from 1; the setting is the number - 1.
    EXPECT_EQ(playback.SettingOf(0), -1);
    EXPECT_EQ(playback.SettingOf(1), 0);
    EXPECT_EQ(playback.SettingOf(2), 2);
    EXPECT_EQ(playback.SettingOf(3), -1);
    EXPECT_EQ(playback.EntryOf(2), 2);
    EXPECT_EQ(playback.EntryOf(1), 0) << "the disabled HDMI device";
    EXPECT_EQ(playback.EntryOf(-1), 0);

    const audio::DeviceEntries recording = audio::RecordingDeviceEntries(Source(devices, 0));
    EXPECT_EQ(recording.names, (QStringList{"Default recording device", "Headset", "Speakers"}));
    EXPECT_EQ(recording.SettingOf(1), 0);
    EXPECT_EQ(recording.SettingOf(2), 2);
    EXPECT_EQ(recording.EntryOf(2), 2);
    EXPECT_EQ(recording.EntryOf(7), 0) << "a device that is gone";
}

// The lists come from PortAudio: an ALSA configuration with two null devices (ALSA may add
// the machine's own cards). Output device 0 is the null device; on the null backend there
// is nothing to record from.
TEST(DeviceLists, ListTheAudioLayersDevices)
{
    const QString path = vtest::TestHome() + QStringLiteral("/alsa-lists.conf");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("pcm.!default { type null }\npcm.vornanull { type null }\n");
    }
    ::setenv("ALSA_CONFIG_PATH", QFile::encodeName(path).constData(), 1);
    plat::AudioSystem::UseRealDevices();
    plat::AudioSystem::Shutdown();
    plat::AudioSystem::Initialize(-1);

    QString name;
    bool isDefault = false;
    bool enabled = false;
    ASSERT_TRUE(GetAudioDeviceInfo(0, name, isDefault, enabled));
    EXPECT_EQ(name, QStringLiteral("No sound"));
    const auto outputs = plat::AudioSystem::OutputDevices();
    const auto inputs = plat::AudioSystem::InputDevices();
    for (int i = 1; i < static_cast<int>(outputs.size()); ++i)
    {
        ASSERT_TRUE(GetAudioDeviceInfo(i, name, isDefault, enabled));
        EXPECT_EQ(name, outputs[i].name);
        EXPECT_EQ(isDefault, outputs[i].isDefault);
    }
    EXPECT_FALSE(GetAudioDeviceInfo(static_cast<int>(outputs.size()), name, isDefault, enabled));
    EXPECT_FALSE(GetRecordingDeviceInfo(static_cast<int>(inputs.size()), name, isDefault, enabled));
    EXPECT_FALSE(GetRecordingDeviceInfo(-1, name, isDefault, enabled));
    const auto playback = audio::PlaybackDeviceEntries();
    EXPECT_EQ(playback.names.size(), static_cast<qsizetype>(outputs.size()));
    if (outputs.size() > 1)
    {
        EXPECT_TRUE(playback.names.contains(QStringLiteral("vornanull")));
        EXPECT_TRUE(audio::RecordingDeviceEntries().names.contains(QStringLiteral("vornanull")));
    }

    plat::AudioSystem::UseNullDevice(plat::NullDeviceMode::RealTime);
    EXPECT_EQ(audio::RecordingDeviceEntries().names, QStringList{"Default recording device"});
    plat::AudioSystem::UseRealDevices();
    plat::AudioSystem::Shutdown();
    ::unsetenv("ALSA_CONFIG_PATH");
}

void WriteText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
}

// The writers among the drives the kernel lists, by their padded sysfs names.
TEST(DeviceLists, BurnersAreTheOpticalDrivesThatCanWrite)
{
    const QString root = vtest::TestHome() + QStringLiteral("/fake-root");
    QDir(root).removeRecursively();
    WriteText(root + "/proc/sys/dev/cdrom/info", "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n"
                                                 "drive name:\t\tsr2\tsr1\tsr0\n"
                                                 "drive speed:\t\t24\t24\t48\n"
                                                 "Can write CD-R:\t\t0\t0\t1\n"
                                                 "Can write CD-RW:\t\t0\t0\t1\n"
                                                 "Can write DVD-R:\t\t1\t0\t1\n"
                                                 "Can write DVD-RAM:\t0\t0\t1\n");
    WriteText(root + "/sys/class/block/sr0/device/vendor", "HL-DT-ST\n");
    WriteText(root + "/sys/class/block/sr0/device/model", "DVDRAM GH24NSD1 \n");
    WriteText(root + "/sys/class/block/sr1/device/vendor", "ROMONLY \n");
    WriteText(root + "/sys/class/block/sr1/device/model", "CD-ROM\n");
    WriteText(root + "/sys/class/block/sr2/device/vendor", "ASUS    \n");
    WriteText(root + "/sys/class/block/sr2/device/model", "DRW-24D5MT      \n");

    vtest::MessageLog messages;
    EXPECT_EQ(FillBurningDeviceList(root), (QStringList{"DRW-24D5MT [ASUS]", "DVDRAM GH24NSD1 [HL-DT-ST]"}));
    EXPECT_TRUE(messages.Texts().isEmpty());
    // The node of each entry, in the same order: what a disc is written to.
    EXPECT_EQ(BurningDeviceNodes(root), (QStringList{"/dev/sr2", "/dev/sr0"}));

    QFile::remove(root + "/sys/class/block/sr0/device/model");
    EXPECT_EQ(FillBurningDeviceList(root), QStringList{"DRW-24D5MT [ASUS]"});
    EXPECT_EQ(messages.Texts(), QStringList{"Failed to build the burning device list (get product id)."});
}

// A machine without optical drives (CI) has an empty list and no message about it.
TEST(DeviceLists, NoBurnersIsAnEmptyListWithoutAMessage)
{
    vtest::MessageLog messages;
    const QString empty = vtest::TestHome() + QStringLiteral("/empty-root");
    QDir().mkpath(empty);
    EXPECT_TRUE(FillBurningDeviceList(empty).isEmpty());
    if (!QFile::exists(QStringLiteral("/proc/sys/dev/cdrom/info")))
        EXPECT_TRUE(FillBurningDeviceList().isEmpty());
    else
        FillBurningDeviceList(); // whatever drives this machine has
    EXPECT_TRUE(messages.Texts().isEmpty());
}

} // namespace
