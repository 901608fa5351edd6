#pragma once
/** @brief The options dialog: devices, recording level with a live input meter, quality, export
 *  format, compression and sample format, live-recording playback and the two fade lengths.
 *
 * There is no OK: every change is written into the options record at once, and device changes
 * take effect at once (the output is re-opened, the meter's recording device re-started). The
 * device lists show "Default ..." and the enabled devices; each entry stands for a device number
 * (audio::DeviceEntries), which is what the record keeps, so a disabled device between two
 * listed ones cannot shift the choice. However the dialog closes (Close, Esc, the close box,
 * Enter), the meter's device is freed, its timer stopped and the record saved. UI thread. */

#include "audio/DeviceLists.h"
#include "controls/Window.h"

#include <QPixmap>
#include <QStringList>

#include <memory>

class COptions;

namespace ui
{
class ComboBox;
class Slider;
class Static;
} // namespace ui

/** What the options dialog does with the audio side; the program's own is real (OptionsAudio::
 *  MakeProgramAudio), tests hand in fakes. */
class OptionsAudio
{
public:
    virtual ~OptionsAudio() = default;
    virtual audio::DeviceEntries PlaybackDevices() = 0;
    virtual audio::DeviceEntries RecordingDevices() = 0;
    /** "product [vendor]" of each disc writer. */
    virtual QStringList BurningDevices() = 0;
    /** Closes the previews, gives up the output device and opens output @p device (-1 the
     *  default, 1.. a device number) for streams at @p rate Hz; false when it cannot. */
    virtual bool ReopenOutput(int device, unsigned rate) = 0;
    /** Opens recording device @p device (-1 the default) at @p rate only to feed the meter;
     *  false after the recorder's own message. */
    virtual bool StartMeter(int device, unsigned rate) = 0;
    virtual void FreeMeter() = 0;
    virtual bool IsMeterRecording() const = 0;
    /** The input's peak, 0..1 (negative without a device). */
    virtual double GetMeterLevel() const = 0;
    virtual void SetInputLevel(double level) = 0;

    /** The device lists, the audio layer's output and a recorder of the audio engine. */
    static std::unique_ptr<OptionsAudio> MakeProgramAudio();
};

/** The level meter: the gradient lit from the left up to the level, the rest dark. */
class OptionsMeter : public QWidget
{
public:
    static constexpr int kBitmap = 315;
    static constexpr QRgb kUnlit = 0x505050; // RGB(80, 80, 80)

    explicit OptionsMeter(QWidget* parent = nullptr);
    /** Repaints only when the level changed. */
    void SetLevel(double level);
    double Level() const { return m_level; }

    /** Draws the meter into @p rect: its frame, then for a level of 0 or more the gradient
     *  stretched inside it with the unlit right part filled. */
    static void DrawMeter(QPainter& painter, const QRect& rect, double level, const QPixmap& bitmap);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_bitmap;
    double m_level = 0.0;
};

class CDlgOptions : public ui::Dialog
{
public:
    static constexpr int kIdRecordingDevice = 1104;
    static constexpr int kIdMeter = 1105;
    static constexpr int kIdLevel = 1044;
    static constexpr int kIdLevelLabel = 1111;
    static constexpr int kIdPlaybackDevice = 1085;
    static constexpr int kIdBurningDevice = 1086;
    static constexpr int kIdExportFormat = 1087;
    static constexpr int kIdCompression = 1088;
    static constexpr int kIdUncompress = 1106;
    static constexpr int kIdSampleFormat = 1089;
    static constexpr int kIdQuality = 1090;
    static constexpr int kIdLivePlayback = 1091;
    static constexpr int kIdSegmentFade = 1045;
    static constexpr int kIdSegmentFadeLabel = 1059;
    static constexpr int kIdPlaylistFade = 1046;
    static constexpr int kIdPlaylistFadeLabel = 1110;
    static constexpr int kIdClose = 2;
    static constexpr int kIdHelp = 1148;
    static constexpr int kMeterTimer = 0;
    static constexpr int kMeterPeriodMs = 50;
    static constexpr const char* kHelpTopic = "Options";

    static constexpr const char* kMsgRecordingDeviceFailed =
        "Failed to open the recording device.\nPlease check the system's sound settings for errors in this "
        "device.";
    static constexpr const char* kMsgPlaybackDeviceFailed =
        "Failed to initialize the playback device.\nPlease check the system's sound settings for errors in "
        "this device.";

    /** @p audio: what the dialog drives (null: the program's own). */
    explicit CDlgOptions(QWidget* parent = nullptr, OptionsAudio* audio = nullptr);
    ~CDlgOptions() override;

    /** The record edited; set before DoModal. */
    COptions* m_options = nullptr;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    void OnHScroll(ui::ScrollCode code, int pos, QWidget* from) override;
    void OnTimer(int id) override;
    /** The one way out: frees the meter's device, stops its timer, saves the record, ends. */
    void OnCancel() override;
    void OnOK() override { OnCancel(); }

private:
    void OnRecordingDevice();
    void OnPlaybackDevice();
    void OnQuality();
    void OnExportFormat();
    void FillRecordingDevices();
    void FillPlaybackDevices();
    void ShowCompression();
    void ReinitPlayback();
    void SetLevelLabel(int percent);
    static void SetFadeLabel(ui::Static* label, int seconds);

    std::unique_ptr<OptionsAudio> m_ownAudio;
    OptionsAudio* m_audio;
    audio::DeviceEntries m_recordingEntries;
    audio::DeviceEntries m_playbackEntries;

    ui::ComboBox* m_recordingDevice = nullptr;
    OptionsMeter* m_meter = nullptr;
    ui::Slider* m_level = nullptr;
    ui::Static* m_levelLabel = nullptr;
    ui::ComboBox* m_playbackDevice = nullptr;
    ui::ComboBox* m_burningDevice = nullptr;
    ui::ComboBox* m_quality = nullptr;
    ui::ComboBox* m_exportFormat = nullptr;
    ui::ComboBox* m_compression = nullptr;
    ui::Static* m_uncompress = nullptr;
    ui::ComboBox* m_sampleFormat = nullptr;
    ui::ComboBox* m_livePlayback = nullptr;
    ui::Slider* m_segmentFade = nullptr;
    ui::Static* m_segmentFadeLabel = nullptr;
    ui::Slider* m_playlistFade = nullptr;
    ui::Static* m_playlistFadeLabel = nullptr;
    bool m_closed = false;
};
