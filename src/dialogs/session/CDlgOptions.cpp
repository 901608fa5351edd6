#include "dialogs/session/CDlgOptions.h"

#include "audio/COptions.h"
#include "audio/CRecorder.h"
#include "controls/Behaviour.h"
#include "controls/Controls.h"
#include "controls/Resources.h"
#include "dialogs/panels/PreviewStreams.h"
#include "dialogs/session/HelpTopic.h"
#include "platform/audio/AudioSystem.h"

#include <QFrame>
#include <QPainter>

#include <cmath>

namespace
{

// Dialog units. The template's 290 x 326 is widened so that the longest caption and entry fit in
// the free fonts that stand in for the old ones, and made as high as the rows need.
constexpr int kWidthDlu = 340;
constexpr int kHeightDlu = 312;
constexpr int kCaptionX = 7;
constexpr int kCaptionWidth = 136;
constexpr int kControlX = 146;
constexpr int kControlWidth = kWidthDlu - kControlX - 7;
constexpr int kSliderWidth = 125;
constexpr int kValueX = kControlX + kSliderWidth + 4;
constexpr int kRowHeight = 14;

const char* const kQualities[] = {
    "High performance 11025 Hz", "Medium quality 22050 Hz",      "CD quality 44100 Hz",
    "DVD quality 48000 Hz",      "CD quality (double) 88200 Hz", "DVD quality (double) 96000 Hz",
};
const char* const kFormats[] = {"WAV (uncompressed)", "MP3 (compressed)", "OGG (compressed)"};
const char* const kCompressions[] = {
    "Smallest size (112 kbps)",         "Smaller size (128 kbps)", "Small size (160 kbps)",
    "Moderate size/quality (192 kbps)", "High quality (224 kbps)", "Higher quality (256 kbps)",
    "Highest quality (320 kbps)",
};
const char* const kSampleFormats[] = {"16 bits samples", "24 bits samples", "32 bits samples",
                                      "Floating-point samples"};
const char* const kLivePlaybacks[] = {"Using Headphones - add voice playback",
                                      "Using speakers - don't add voice playback"};

int Trunc(double v)
{
    return std::isfinite(v) ? static_cast<int>(std::trunc(v)) : 0;
}

/** The meter's device records only to be measured: the data is dropped and recording goes on. */
int IgnoreRecording(CRecorder*, void*, std::uint32_t, void*)
{
    return 1;
}

class ProgramAudio : public OptionsAudio
{
public:
    audio::DeviceEntries PlaybackDevices() override { return audio::PlaybackDeviceEntries(); }
    audio::DeviceEntries RecordingDevices() override { return audio::RecordingDeviceEntries(); }
    QStringList BurningDevices() override { return FillBurningDeviceList(); }
    bool ReopenOutput(int device, unsigned) override
    {
        // Streams open at their own rate; the device is what changes. A preview still playing
        // would stay on the device given up, so the previews stop first.
        dlg::CloseAllPreviews();
        plat::AudioSystem::Shutdown();
        return plat::AudioSystem::Initialize(device);
    }
    bool StartMeter(int device, unsigned rate) override
    {
        return m_recorder.Start(device, rate, &IgnoreRecording, nullptr);
    }
    void FreeMeter() override { m_recorder.Free(); }
    bool IsMeterRecording() const override { return m_recorder.IsRecording(); }
    double GetMeterLevel() const override { return m_recorder.GetLevel(); }
    void SetInputLevel(double level) override
    {
        if (!m_recorder.SetInputLevel(level))
            CRecorder::SetStartLevel(level); // no device open: the next recording starts there
    }

private:
    CRecorder m_recorder;
};

} // namespace

std::unique_ptr<OptionsAudio> OptionsAudio::MakeProgramAudio()
{
    return std::make_unique<ProgramAudio>();
}

// ---- The meter --------------------------------------------------------------------------------

OptionsMeter::OptionsMeter(QWidget* parent) : QWidget(parent), m_bitmap(ui::LoadBitmap(kBitmap))
{
    ui::SetControlId(this, CDlgOptions::kIdMeter);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void OptionsMeter::SetLevel(double level)
{
    if (level == m_level)
        return;
    m_level = level;
    update();
}

void OptionsMeter::DrawMeter(QPainter& painter, const QRect& rect, double level, const QPixmap& bitmap)
{
    painter.setPen(QColor(30, 30, 30));
    painter.setBrush(QColor(40, 40, 40));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    if (level < 0.0 || !std::isfinite(level))
        return;
    const QRect inside = rect.adjusted(1, 1, -1, -1);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (bitmap.isNull())
        painter.fillRect(inside, QColor(0, 150, 136));
    else
        painter.drawPixmap(inside, bitmap);
    // The unlit part runs from the level to the right edge; a level above 1 lights it all.
    const int unlitWidth = std::max(0, Trunc(inside.width() * (1.0 - level)));
    painter.fillRect(QRect(inside.right() + 1 - unlitWidth, inside.top(), unlitWidth, inside.height()),
                     QColor::fromRgb(kUnlit));
}

void OptionsMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawMeter(painter, rect(), m_level, m_bitmap);
}

// ---- The dialog -------------------------------------------------------------------------------

CDlgOptions::CDlgOptions(QWidget* parent, OptionsAudio* audio) : ui::Dialog(parent), m_audio(audio)
{
    if (m_audio == nullptr)
    {
        m_ownAudio = OptionsAudio::MakeProgramAudio();
        m_audio = m_ownAudio.get();
    }
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    setFixedSize(MapDialogRect(0, 0, kWidthDlu, kHeightDlu).size());

    auto caption = [this](const char* text, int y)
    {
        auto* label = new ui::Static(this, -1, QString::fromLatin1(text));
        label->setGeometry(MapDialogRect(kCaptionX, y + 2, kCaptionWidth, 10));
    };
    auto combo = [this, &caption](int id, const char* text, int y)
    {
        caption(text, y);
        auto* box = new ui::ComboBox(this, id);
        box->setGeometry(MapDialogRect(kControlX, y, kControlWidth, kRowHeight));
        return box;
    };
    auto slider = [this, &caption](int id, int labelId, const char* text, int y, ui::Static*& value)
    {
        caption(text, y);
        auto* s = new ui::Slider(this, id, Qt::Horizontal);
        s->setGeometry(MapDialogRect(kControlX, y, kSliderWidth, kRowHeight));
        value = new ui::Static(this, labelId);
        value->setGeometry(MapDialogRect(kValueX, y + 2, kWidthDlu - kValueX - 7, 10));
        return s;
    };
    auto separator = [this](int id, int y)
    {
        auto* line = new QFrame(this);
        ui::SetControlId(line, id);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(MapDialogRect(7, y, kWidthDlu - 14, 2));
    };

    m_recordingDevice = combo(kIdRecordingDevice, "Recording device", 8);
    m_level = slider(kIdLevel, kIdLevelLabel, "Recording level", 30, m_levelLabel);
    m_meter = new OptionsMeter(this);
    m_meter->setGeometry(MapDialogRect(kControlX, 50, kControlWidth, 8));
    separator(1222, 66);
    m_playbackDevice = combo(kIdPlaybackDevice, "Speakers or headphones device", 74);
    m_quality = combo(kIdQuality, "Quality", 96);
    m_burningDevice = combo(kIdBurningDevice, "Audio-CD burning device", 118);
    separator(1223, 138);
    m_exportFormat = combo(kIdExportFormat, "Export format", 146);
    m_compression = combo(kIdCompression, "Export compression", 168);
    // "Uncompress" takes the compression combo's place for WAV.
    m_uncompress = new ui::Static(this, kIdUncompress, QStringLiteral("Uncompress"));
    m_uncompress->setGeometry(m_compression->geometry());
    m_uncompress->setIndent(4);
    m_sampleFormat = combo(kIdSampleFormat, "Export sample format", 190);
    m_livePlayback = combo(kIdLivePlayback, "Live recording playback", 212);
    separator(1225, 232);
    m_segmentFade = slider(kIdSegmentFade, kIdSegmentFadeLabel, "Segment fading", 240, m_segmentFadeLabel);
    m_playlistFade =
        slider(kIdPlaylistFade, kIdPlaylistFadeLabel, "Playlist fading", 262, m_playlistFadeLabel);

    auto* close = new ui::Button(this, kIdClose, QStringLiteral("Close"));
    close->setGeometry(MapDialogRect(kWidthDlu - 7 - 50 - 4 - 50, kHeightDlu - 7 - 15, 50, 15));
    auto* help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    help->setGeometry(MapDialogRect(kWidthDlu - 7 - 50, kHeightDlu - 7 - 15, 50, 15));
}

CDlgOptions::~CDlgOptions()
{
    // A dialog destroyed without being closed still lets its recording device go.
    KillTimer(kMeterTimer);
    if (!m_closed)
        m_audio->FreeMeter();
}

bool CDlgOptions::OnInitDialog()
{
    m_closed = false;
    if (m_options == nullptr)
        return true;
    const COptions& o = *m_options;
    // A device stored in an earlier run that is gone gives way to the default one, which the
    // combo shows and the meter opens; the default is stored at once.
    const bool recordingGone =
        audio::FallBackToDefault(m_options->m_recordingDevice, m_audio->RecordingDevices());
    const bool playbackGone =
        audio::FallBackToDefault(m_options->m_playbackDevice, m_audio->PlaybackDevices());
    if (recordingGone || playbackGone)
        m_options->Save();
    // Start reports its own failures; the meter then stays dark.
    m_audio->StartMeter(o.m_recordingDevice, o.GetSampleRate());
    FillRecordingDevices();

    // Shown as the whole percent the record is saved as: a stored 29 reads 0.29, whose
    // hundredfold is a hair below 29.
    const int percent = static_cast<int>(std::lround(std::clamp(o.m_recordingLevel, 0.0, 1.0) * 100.0));
    m_level->SetRange(0, 100);
    m_level->SetPos(percent);
    SetLevelLabel(percent);

    FillPlaybackDevices();
    m_burningDevice->ResetContent();
    for (const QString& name : m_audio->BurningDevices())
        m_burningDevice->AddString(name);
    m_burningDevice->SetCurSel(o.m_burningDevice);

    auto fill = [](ui::ComboBox* box, const auto& texts, int selected)
    {
        box->ResetContent();
        for (const char* text : texts)
            box->AddString(QString::fromLatin1(text));
        box->SetCurSel(selected);
    };
    fill(m_exportFormat, kFormats, o.m_exportFormatType);
    fill(m_compression, kCompressions, o.m_exportCompress);
    fill(m_sampleFormat, kSampleFormats, o.m_exportSampleType);
    fill(m_quality, kQualities, o.m_qualityType);
    fill(m_livePlayback, kLivePlaybacks, o.m_isLivePlayback ? 0 : 1);
    ShowCompression();

    m_segmentFade->SetRange(1, 10);
    m_segmentFade->SetPos(Trunc(o.m_fadeSegmentSeconds));
    SetFadeLabel(m_segmentFadeLabel, Trunc(o.m_fadeSegmentSeconds));
    m_playlistFade->SetRange(1, 30);
    m_playlistFade->SetPos(Trunc(o.m_fadePlaylistSeconds));
    SetFadeLabel(m_playlistFadeLabel, Trunc(o.m_fadePlaylistSeconds));

    m_meter->SetLevel(0.0);
    SetTimer(kMeterTimer, kMeterPeriodMs);
    return true;
}

void CDlgOptions::FillRecordingDevices()
{
    m_recordingEntries = m_audio->RecordingDevices();
    m_recordingDevice->ResetContent();
    for (const QString& name : m_recordingEntries.names)
        m_recordingDevice->AddString(name);
    m_recordingDevice->SetCurSel(m_recordingEntries.EntryOf(m_options->m_recordingDevice));
}

void CDlgOptions::FillPlaybackDevices()
{
    m_playbackEntries = m_audio->PlaybackDevices();
    m_playbackDevice->ResetContent();
    for (const QString& name : m_playbackEntries.names)
        m_playbackDevice->AddString(name);
    m_playbackDevice->SetCurSel(m_playbackEntries.EntryOf(m_options->m_playbackDevice));
}

void CDlgOptions::ShowCompression()
{
    const bool wav = m_options != nullptr && m_options->m_exportFormatType == COptions::kFormatWav;
    m_uncompress->setVisible(wav);
    m_compression->setVisible(!wav);
}

void CDlgOptions::SetLevelLabel(int percent)
{
    m_levelLabel->SetWindowText(QStringLiteral("%1%").arg(percent));
}

void CDlgOptions::SetFadeLabel(ui::Static* label, int seconds)
{
    label->SetWindowText(QStringLiteral("%1 seconds").arg(seconds));
}

void CDlgOptions::ReinitPlayback()
{
    // The record keeps a device as its number - 1; the audio layer numbers them from 1.
    const int device = m_options->m_playbackDevice < 0 ? -1 : m_options->m_playbackDevice + 1;
    if (!m_audio->ReopenOutput(device, m_options->GetSampleRate()))
        ui::MessageBox(this, QString::fromLatin1(kMsgPlaybackDeviceFailed));
}

void CDlgOptions::OnRecordingDevice()
{
    m_options->m_recordingDevice = m_recordingEntries.SettingOf(m_recordingDevice->GetCurSel());
    m_audio->FreeMeter();
    if (!m_audio->StartMeter(m_options->m_recordingDevice, m_options->GetSampleRate()))
        ui::MessageBox(this, QString::fromLatin1(kMsgRecordingDeviceFailed));
}

void CDlgOptions::OnPlaybackDevice()
{
    m_options->m_playbackDevice = m_playbackEntries.SettingOf(m_playbackDevice->GetCurSel());
    ReinitPlayback();
}

void CDlgOptions::OnQuality()
{
    m_options->m_qualityType = m_quality->GetCurSel();
    ReinitPlayback();
}

void CDlgOptions::OnExportFormat()
{
    m_options->m_exportFormatType = m_exportFormat->GetCurSel();
    ShowCompression();
}

bool CDlgOptions::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code == ui::Notify::Clicked)
    {
        if (id == kIdClose)
        {
            OnCancel();
            return true;
        }
        if (id == kIdHelp)
        {
            dlg::ShowHelpTopic(kHelpTopic);
            return true;
        }
        return false;
    }
    if (code != ui::Notify::SelChange || m_options == nullptr)
        return false;
    switch (id)
    {
    case kIdRecordingDevice:
        OnRecordingDevice();
        return true;
    case kIdPlaybackDevice:
        OnPlaybackDevice();
        return true;
    case kIdQuality:
        OnQuality();
        return true;
    case kIdExportFormat:
        OnExportFormat();
        return true;
    case kIdBurningDevice:
        m_options->m_burningDevice = m_burningDevice->GetCurSel();
        return true;
    case kIdCompression:
        m_options->m_exportCompress = m_compression->GetCurSel();
        return true;
    case kIdSampleFormat:
        m_options->m_exportSampleType = m_sampleFormat->GetCurSel();
        return true;
    case kIdLivePlayback:
        m_options->m_isLivePlayback = m_livePlayback->GetCurSel() == 0;
        return true;
    default:
        return false;
    }
}

void CDlgOptions::OnHScroll(ui::ScrollCode, int pos, QWidget* from)
{
    if (m_options == nullptr)
        return;
    if (from == m_level)
    {
        m_options->m_recordingLevel = pos / 100.0;
        m_audio->SetInputLevel(m_options->m_recordingLevel);
        SetLevelLabel(pos);
    }
    else if (from == m_segmentFade)
    {
        m_options->m_fadeSegmentSeconds = pos;
        SetFadeLabel(m_segmentFadeLabel, pos);
    }
    else if (from == m_playlistFade)
    {
        m_options->m_fadePlaylistSeconds = pos;
        SetFadeLabel(m_playlistFadeLabel, pos);
    }
}

void CDlgOptions::OnTimer(int id)
{
    if (id != kMeterTimer)
        return;
    m_meter->SetLevel(m_audio->IsMeterRecording() ? m_audio->GetMeterLevel() : 0.0);
}

void CDlgOptions::OnCancel()
{
    if (!m_closed)
    {
        m_closed = true;
        m_audio->FreeMeter();
        KillTimer(kMeterTimer);
        if (m_options != nullptr)
            m_options->Save();
    }
    EndDialog(ui::IDCANCEL);
}
