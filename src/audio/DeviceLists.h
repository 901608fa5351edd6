#pragma once
/** @brief The output, recording and disc-burner device lists of the options dialog.
 *
 * Output devices are numbered from 1 (0 is "No sound", the null device), recording devices
 * from 0, as the audio layer opens them. The dialog's lists leave out disabled devices, so an
 * entry's index is not a device number: DeviceEntries keeps the map both ways, and the
 * options keep the device number. Burners are the optical drives the kernel reports as able
 * to write. UI thread. */

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

/** Output device @p index (0 "No sound", 1.. the devices): false past the last one. */
bool GetAudioDeviceInfo(int index, QString& name, bool& isDefault, bool& enabled);
/** Recording device @p index (0..): false past the last one. */
bool GetRecordingDeviceInfo(int index, QString& name, bool& isDefault, bool& enabled);

/** One "product [vendor]" entry per disc writer; empty (and no message) on a machine without
 *  one. A drive whose names cannot be read ends the list after the message box "Failed to
 *  build the burning device list (get vendor id)." or "(get product id).". @p root is
 *  where /proc and /sys are found (tests give a folder of their own). */
QStringList FillBurningDeviceList(const QString& root = QStringLiteral("/"));
/** The device node ("/dev/sr0") of each disc writer, in the order of FillBurningDeviceList's
 *  entries; no message boxes. */
QStringList BurningDeviceNodes(const QString& root = QStringLiteral("/"));

namespace audio
{

using DeviceInfoSource = std::function<bool(int index, QString& name, bool& isDefault, bool& enabled)>;

/** A device list's entries with the device setting behind each: entry 0 is the default
 *  device (setting -1), then the enabled devices in order. */
struct DeviceEntries
{
    QStringList names;
    std::vector<int> settings;

    /** The entry of @p setting; 0 (the default device) when it is not listed (a device that
     *  is gone or disabled). */
    int EntryOf(int setting) const;
    /** The setting of @p entry; -1 (the default device) outside the list. */
    int SettingOf(int entry) const;
};

/** A stored device @p setting that @p entries do not list (the devices changed since it was
 *  chosen: unplugged, renumbered, disabled) becomes -1, the default device. True when it changed,
 *  so that the caller stores the default. */
bool FallBackToDefault(int& setting, const DeviceEntries& entries);

/** "Default playback device", then the enabled output devices; a device's setting is its
 *  number - 1, as the options store it. */
DeviceEntries PlaybackDeviceEntries(const DeviceInfoSource& source = GetAudioDeviceInfo);
/** "Default recording device", then the enabled recording devices; a device's setting is its
 *  number. */
DeviceEntries RecordingDeviceEntries(const DeviceInfoSource& source = GetRecordingDeviceInfo);

} // namespace audio
