#include "audio/DeviceLists.h"

#include "audio/AudioMessage.h"
#include "platform/audio/AudioSystem.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace
{

bool Entry(const std::vector<plat::DeviceInfo>& list, int index, QString& name, bool& isDefault,
           bool& enabled)
{
    if (index < 0 || index >= static_cast<int>(list.size()))
        return false;
    const plat::DeviceInfo& d = list[static_cast<std::size_t>(index)];
    name = d.name;
    isDefault = d.isDefault;
    enabled = d.enabled;
    return true;
}

audio::DeviceEntries Entries(const QString& defaultName, int first, int settingOffset,
                             const audio::DeviceInfoSource& source)
{
    audio::DeviceEntries e;
    e.names << defaultName;
    e.settings.push_back(-1);
    QString name;
    bool isDefault = false;
    bool enabled = false;
    for (int i = first; source(i, name, isDefault, enabled); ++i)
        if (enabled)
        {
            e.names << name;
            e.settings.push_back(i + settingOffset);
        }
    return e;
}

// /proc/sys/dev/cdrom/info has one row per capability, a column per drive:
//   drive name:		sr1	sr0
//   Can write CD-R:		1	0
std::map<QString, QStringList> CdromRows(const QString& path)
{
    std::map<QString, QStringList> rows;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return rows;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
    {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        rows[line.left(colon).trimmed()] =
            line.mid(colon + 1).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    }
    return rows;
}

bool ReadName(const QString& path, QString& text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    text = QString::fromUtf8(f.readAll()).trimmed();
    return true;
}

/** The kernel's names of the drives that can write a disc ("sr0"), in the kernel's order. */
QStringList WriterDrives(const QString& base)
{
    auto rows = CdromRows(base + QStringLiteral("/proc/sys/dev/cdrom/info"));
    const QStringList drives = rows[QStringLiteral("drive name")];
    QStringList writers;
    for (int i = 0; i < drives.size(); ++i)
    {
        bool writer = false;
        for (const char* row : {"Can write CD-R", "Can write CD-RW", "Can write DVD-R", "Can write DVD-RAM"})
            writer = writer || rows[QString::fromLatin1(row)].value(i) == QLatin1String("1");
        if (writer)
            writers << drives[i];
    }
    return writers;
}

} // namespace

bool GetAudioDeviceInfo(int index, QString& name, bool& isDefault, bool& enabled)
{
    return Entry(plat::AudioSystem::OutputDevices(), index, name, isDefault, enabled);
}

bool GetRecordingDeviceInfo(int index, QString& name, bool& isDefault, bool& enabled)
{
    return Entry(plat::AudioSystem::InputDevices(), index, name, isDefault, enabled);
}

QStringList FillBurningDeviceList(const QString& root)
{
    QStringList entries;
    const QString base = QDir::cleanPath(root);
    for (const QString& drive : WriterDrives(base))
    {
        const QString device =
            base + QStringLiteral("/sys/class/block/") + drive + QStringLiteral("/device/");
        QString vendor;
        QString product;
        if (!ReadName(device + QStringLiteral("vendor"), vendor))
        {
            audio::ShowMessage(QStringLiteral("Failed to build the burning device list (get vendor id)."));
            break;
        }
        if (!ReadName(device + QStringLiteral("model"), product))
        {
            audio::ShowMessage(QStringLiteral("Failed to build the burning device list (get product id)."));
            break;
        }
        entries << product + QStringLiteral(" [") + vendor + QLatin1Char(']');
    }
    return entries;
}

QStringList BurningDeviceNodes(const QString& root)
{
    QStringList nodes;
    for (const QString& drive : WriterDrives(QDir::cleanPath(root)))
        nodes << QStringLiteral("/dev/") + drive;
    return nodes;
}

namespace audio
{

int DeviceEntries::EntryOf(int setting) const
{
    for (std::size_t i = 0; i < settings.size(); ++i)
        if (settings[i] == setting)
            return static_cast<int>(i);
    return 0;
}

int DeviceEntries::SettingOf(int entry) const
{
    if (entry < 0 || entry >= static_cast<int>(settings.size()))
        return -1;
    return settings[static_cast<std::size_t>(entry)];
}

bool FallBackToDefault(int& setting, const DeviceEntries& entries)
{
    if (setting == -1 ||
        std::find(entries.settings.begin(), entries.settings.end(), setting) != entries.settings.end())
        return false;
    setting = -1;
    return true;
}

DeviceEntries PlaybackDeviceEntries(const DeviceInfoSource& source)
{
    return Entries(QStringLiteral("Default playback device"), 1, -1, source);
}

DeviceEntries RecordingDeviceEntries(const DeviceInfoSource& source)
{
    return Entries(QStringLiteral("Default recording device"), 0, 0, source);
}

} // namespace audio
