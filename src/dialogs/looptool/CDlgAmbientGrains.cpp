#include "dialogs/looptool/CDlgAmbientGrains.h"
#include "dialogs/session/HelpTopic.h"

#include "dialogs/panels/SoundFileList.h"

#include "audio/CEncoder.h"
#include "audio/COptions.h"
#include "audio/CSoundFile.h"
#include "controls/Behaviour.h"
#include "messages/AppMessage.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/ReplacingFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <new>

namespace
{

struct SliderSpec
{
    int id;
    int labelId;
    const char* caption;
    int x, y;
    int min, max, initial;
};

// Left column at x 7 (captions) / 104 (sliders); right column at 226 / 323.
const SliderSpec kSliders[] = {
    {CDlgAmbientGrains::kIdQuality, CDlgAmbientGrains::kIdQualityLabel, "Quality", 104, 137, 1, 100, 50},
    {CDlgAmbientGrains::kIdLoopLength, CDlgAmbientGrains::kIdLoopLengthLabel, "Loop length", 104, 159, 20,
     180, 40},
    {CDlgAmbientGrains::kIdScan, CDlgAmbientGrains::kIdScanLabel, "Scan rate", 104, 182, 0, 100, 50},
    {CDlgAmbientGrains::kIdTexture, CDlgAmbientGrains::kIdTextureLabel, "Texture", 323, 136, 0, 100, 50},
    {CDlgAmbientGrains::kIdSharpness, CDlgAmbientGrains::kIdSharpnessLabel, "Sharpness", 323, 160, 0, 100,
     50},
    {CDlgAmbientGrains::kIdFilter, CDlgAmbientGrains::kIdFilterLabel, "Filter", 323, 183, 0, 99, 50},
};

int Percent(double done, double last)
{
    // One frame (or none) is all there is: it is all done.
    if (last <= 0.0)
        return 100;
    return std::clamp(static_cast<int>(std::trunc(done / last * 100.0)), 0, 100);
}

} // namespace

CDlgAmbientGrains::CDlgAmbientGrains(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Create Ambient Music Loops"));
    setFixedSize(MapDialogRect(0, 0, 443, 241).size());

    m_selectSource = new ui::Button(this, kIdSelectSource, QStringLiteral("Select source"));
    m_selectSource->setGeometry(MapDialogRect(7, 7, 65, 17));
    m_playSource = new ui::Button(this, kIdPlaySource, QStringLiteral("Play source"));
    m_playSource->setGeometry(MapDialogRect(79, 7, 65, 17));
    m_sourceProgress = new ui::ProgressBar(this, kIdSourceProgress);
    m_sourceProgress->setGeometry(MapDialogRect(151, 11, 285, 10));
    m_path = new ui::Static(this, kIdSourcePath, QStringLiteral("Music source file"));
    m_path->setGeometry(MapDialogRect(9, 30, 426, 10));
    m_path->setTextFormat(Qt::PlainText);
    m_trim = new CDlgTrim(this, this);
    m_trim->setGeometry(MapDialogRect(7, 41, 429, 76));
    ui::SetControlId(m_trim, kIdWaveArea);

    // The captions and values share the 97 units left of each slider; one point smaller than the
    // dialog's text, "Loop length" and "180 seconds" fit there side by side.
    QFont small = font();
    small.setPixelSize(11);
    for (const SliderSpec& s : kSliders)
    {
        auto* caption = new ui::Static(this, -1, QString::fromLatin1(s.caption));
        caption->setGeometry(MapDialogRect(s.x - 97, s.y + 3, 46, 9));
        caption->setFont(small);
        auto* label = new ui::Static(this, s.labelId);
        label->setGeometry(MapDialogRect(s.x - 51, s.y + 3, 48, 9));
        label->setFont(small);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* slider = new ui::Slider(this, s.id, Qt::Horizontal);
        slider->setGeometry(MapDialogRect(s.x, s.y, 110, 15));
    }

    m_create = new ui::Button(this, kIdCreate, QStringLiteral("Create music"));
    m_create->setGeometry(MapDialogRect(7, 217, 65, 17));
    m_playMusic = new ui::Button(this, kIdPlayMusic, QStringLiteral("Play music"));
    m_playMusic->setGeometry(MapDialogRect(79, 217, 65, 17));
    m_save = new ui::Button(this, kIdSave, QStringLiteral("Save to file"));
    m_save->setGeometry(MapDialogRect(151, 217, 65, 17));
    m_status = new ui::Static(this, kIdStatus);
    m_status->setGeometry(MapDialogRect(227, 213, 160, 10));
    m_musicProgress = new ui::ProgressBar(this, kIdMusicProgress);
    m_musicProgress->setGeometry(MapDialogRect(225, 225, 160, 8));
    m_help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    m_help->setGeometry(MapDialogRect(394, 218, 42, 16));

    m_loadPause.setSingleShot(true);
    connect(&m_loadPause, &QTimer::timeout, this, [this] { FinishLoad(true, false); });
}

CDlgAmbientGrains::~CDlgAmbientGrains()
{
    m_loader.Cancel();
    m_loading = false;
    m_creating = false;
    m_synth.Cancel();
    m_player.Stop();
    m_player.Free();
}

bool CDlgAmbientGrains::OnInitDialog()
{
    m_sourcePath.clear();
    ClearSource();
    m_loading = m_creating = m_sourcePlaying = m_musicPlaying = false;
    if (m_options != nullptr)
        m_rate = static_cast<int>(m_options->GetSampleRate());
    m_settings = dlg::AmbientLoopSettings{};
    for (const SliderSpec& s : kSliders)
    {
        auto* slider = static_cast<ui::Slider*>(GetDlgItem(s.id));
        slider->SetRange(s.min, s.max);
        slider->SetPos(s.initial);
        UpdateLabel(s.id, s.initial);
    }
    m_sourceProgress->SetRange(0, 100);
    m_musicProgress->SetRange(0, 100);
    ResetPlayback();
    SetTimer(kTimerId, 50);
    return true;
}

void CDlgAmbientGrains::UpdateLabel(int sliderId, int pos)
{
    for (const SliderSpec& s : kSliders)
        if (s.id == sliderId)
        {
            auto* label = static_cast<ui::Static*>(GetDlgItem(s.labelId));
            label->SetWindowText(sliderId == kIdLoopLength ? QStringLiteral("%1 seconds").arg(pos)
                                                           : QStringLiteral("%1%").arg(pos));
        }
}

void CDlgAmbientGrains::OnHScroll(ui::ScrollCode, int pos, QWidget* from)
{
    const int id = ui::ControlId(from);
    switch (id)
    {
    case kIdQuality:
        m_settings.quality = pos / 100.0;
        break;
    case kIdLoopLength:
        m_settings.loopSeconds = pos;
        break;
    case kIdScan:
        m_settings.scan = pos / 100.0;
        break;
    case kIdTexture:
        m_settings.texture = pos / 100.0;
        break;
    case kIdSharpness:
        m_settings.sharpness = pos / 100.0;
        break;
    case kIdFilter:
        m_settings.filter = pos / 100.0;
        break;
    default:
        return;
    }
    UpdateLabel(id, pos);
}

void CDlgAmbientGrains::ResetPlayback()
{
    StopSource();
    StopMusic();
    m_sourceProgress->SetPos(0);
    m_musicProgress->SetPos(0);
    m_path->SetWindowText(m_sourcePath.isEmpty() ? QStringLiteral("Music source file") : m_sourcePath);
    m_status->SetWindowText(QString());
    m_trim->SetPlayPosition(0);
    m_sourceProgress->hide();
    m_musicProgress->hide();
}

void CDlgAmbientGrains::EnableControls(bool on)
{
    m_playSource->setEnabled(on);
    m_playMusic->setEnabled(on);
    m_selectSource->setEnabled(on || m_loading);
    m_create->setEnabled(on || m_creating);
    m_save->setEnabled(!m_loading && !m_creating);
    for (const SliderSpec& s : kSliders)
        GetDlgItem(s.id)->setEnabled(on);
}

bool CDlgAmbientGrains::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code != ui::Notify::Clicked)
        return false;
    switch (id)
    {
    case kIdSelectSource:
        OnSelectSource();
        return true;
    case kIdPlaySource:
        OnPlaySource();
        return true;
    case kIdCreate:
        OnCreate();
        return true;
    case kIdPlayMusic:
        OnPlayMusic();
        return true;
    case kIdSave:
        OnSave();
        return true;
    case kIdHelp:
    {
        dlg::ShowHelpTopic(kHelpTopic);
        return true;
    }
    default:
        return false;
    }
}

// ---- Loading --------------------------------------------------------------------------------

void CDlgAmbientGrains::ClearSource()
{
    m_source.clear();
    m_source.shrink_to_fit();
    m_sourceCount = 0;
    m_output.clear();
    m_outputCount = 0;
    m_trim->Clear();
}

void CDlgAmbientGrains::OnSelectSource()
{
    ResetPlayback();
    if (m_loading)
    {
        // The button is the load's Cancel. No new file is chosen while a load runs.
        FinishLoad(false, false);
        return;
    }
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegFolder), folder);
    ui::FileDialogRequest request;
    request.mode = ui::FileDialogRequest::Mode::Open;
    request.folder = folder;
    request.filter = QStringLiteral(
        "Streamable files (wav/aif/mp3/mp2/mp1/ogg)|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.ogg|All files|*.*||");
    const auto chosen = ui::CurrentBehaviour().GetFileNames(this, request);
    if (!chosen || chosen->isEmpty())
        return;
    m_sourcePath = chosen->front();
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(kRegFolder), GetFolderOfPath(m_sourcePath));

    m_loading = true;
    m_selectSource->SetWindowText(QStringLiteral("Cancel"));
    m_trim->Clear();
    EnableControls(false);
    m_sourceProgress->show();
    StartLoad();
}

void CDlgAmbientGrains::StartLoad()
{
    m_path->SetWindowText(m_sourcePath);
    m_sourceProgress->SetPos(0);
    m_source.clear();
    m_sourceCount = 0;
    m_loader.Start(
        m_sourcePath, static_cast<unsigned>(m_rate), this,
        [this](std::uint32_t read, std::uint32_t length)
        { m_sourceProgress->SetPos(Percent(read, double(length) - 1)); },
        [this](dlg::SourceLoader::Result& result) { OnSourceDecoded(result); });
}

void CDlgAmbientGrains::OnSourceDecoded(dlg::SourceLoader::Result& result)
{
    if (result.failed)
    {
        FinishLoad(false, true);
        return;
    }
    m_source = std::move(result.frames);
    m_sourceProgress->SetPos(100);
    m_loadPause.start(m_waitMs);
}

void CDlgAmbientGrains::FinishLoad(bool loaded, bool failed)
{
    m_loader.Cancel();
    m_loadPause.stop();
    if (!loaded)
    {
        // A source that could not be read, or a cancelled load, leaves no source behind.
        m_source.clear();
        m_source.shrink_to_fit();
        m_sourcePath.clear();
        m_trim->Clear();
        if (failed)
            ui::MessageBox(this, QString::fromLatin1(kMsgLoadFailed));
    }
    m_sourceCount = static_cast<std::uint32_t>(m_source.size());
    // Music made from the previous source goes with it.
    m_output.clear();
    m_outputCount = 0;
    ResetPlayback();
    m_settings.selectionStart = 0.05;
    m_settings.selectionEnd = 0.95;
    if (loaded)
        m_trim->SetSource(0.05, 0.95, m_rate, m_source);
    m_loading = false;
    m_selectSource->SetWindowText(QStringLiteral("Select source"));
    EnableControls(true);
}

// ---- Previews -------------------------------------------------------------------------------

void CDlgAmbientGrains::StopSource()
{
    if (!m_sourcePlaying)
        return;
    m_player.Stop();
    m_player.Free();
    m_sourcePlaying = false;
    m_playSource->SetWindowText(QStringLiteral("Play"));
}

void CDlgAmbientGrains::StopMusic()
{
    if (!m_musicPlaying)
        return;
    m_player.Stop();
    m_player.Free();
    m_musicPlaying = false;
    m_playMusic->SetWindowText(QStringLiteral("Play"));
}

void CDlgAmbientGrains::OnPlaySource()
{
    if (m_sourcePlaying)
    {
        ResetPlayback();
        return;
    }
    ResetPlayback(); // a playing loop stops first
    if (m_sourceCount == 0)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgNoSource));
        return;
    }
    m_player.Create(static_cast<unsigned>(m_rate), m_source.data(), m_sourceCount, false);
    m_player.Play();
    m_sourcePlaying = true;
    m_playSource->SetWindowText(QStringLiteral("Stop"));
    m_sourceProgress->show();
}

void CDlgAmbientGrains::OnPlayMusic()
{
    if (m_musicPlaying)
    {
        ResetPlayback();
        return;
    }
    ResetPlayback(); // a playing source stops first
    if (m_outputCount == 0)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgNoMusic));
        return;
    }
    m_player.Create(static_cast<unsigned>(m_rate), audio::AsFrames(m_output).data(), m_outputCount, false);
    m_player.Play();
    m_musicPlaying = true;
    m_playMusic->SetWindowText(QStringLiteral("Stop"));
    m_status->SetWindowText(QStringLiteral("Playing..."));
    m_musicProgress->show();
}

void CDlgAmbientGrains::OnTimer(int id)
{
    if (id != kTimerId)
        return;
    if (m_sourcePlaying)
    {
        if (m_player.IsPlaying())
        {
            const double fraction =
                m_sourceCount > 1 ? double(m_player.GetPosition()) / (m_sourceCount - 1) : 1.0;
            m_sourceProgress->SetPos(Percent(m_player.GetPosition(), double(m_sourceCount) - 1));
            m_trim->SetPlayPosition(std::min(1.0, fraction));
        }
        else
            ResetPlayback();
    }
    else if (m_musicPlaying)
    {
        if (m_player.IsPlaying())
            m_musicProgress->SetPos(Percent(m_player.GetPosition(), double(m_outputCount) - 1));
        else
            ResetPlayback();
    }
}

void CDlgAmbientGrains::TrimPosition(float position)
{
    if (m_sourcePlaying)
        m_player.SetPosition(static_cast<std::uint32_t>(std::trunc(position * double(m_sourceCount))));
}

void CDlgAmbientGrains::TrimSelection(double from, double to)
{
    m_settings.selectionStart = from;
    m_settings.selectionEnd = to;
}

// ---- Creating -------------------------------------------------------------------------------

void CDlgAmbientGrains::OnCreate()
{
    if (m_creating)
    {
        m_creating = false;
        m_synth.Cancel();
        m_outputCount = 0;
        m_create->SetWindowText(QStringLiteral("Create music"));
        return;
    }
    ResetPlayback();
    if (m_sourceCount == 0)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgNoSource));
        return;
    }
    // A selection of no frame would make the engine read before it.
    const auto start = static_cast<std::uint32_t>(std::trunc(m_settings.selectionStart * m_sourceCount));
    const auto length = static_cast<std::uint32_t>(
        std::trunc(m_sourceCount * (m_settings.selectionEnd - m_settings.selectionStart)));
    if (length < 1 || start >= m_sourceCount)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgEmptySelection));
        return;
    }
    m_outputCount = 0;
    try
    {
        m_output.assign(2 * static_cast<std::size_t>(m_rate) * (m_settings.loopSeconds + 3), 0.0f);
    }
    catch (const std::bad_alloc&)
    {
        m_output.clear();
        ui::MessageBox(this, QString::fromLatin1(kMsgNoMemory));
        return;
    }
    m_creating = true;
    m_create->SetWindowText(QStringLiteral("Cancel"));
    EnableControls(false);
    m_musicProgress->show();

    bool made = false;
    try
    {
        made = dlg::CreateAmbientLoop(m_synth, m_rate, m_settings, audio::AsSamples(m_source).data(),
                                      m_sourceCount, m_output, this, m_creating);
    }
    catch (const std::exception& error)
    {
        ui::ReportException(error);
    }
    if (!made || !m_creating)
        m_output.clear();
    m_outputCount = static_cast<std::uint32_t>(m_output.size() / 2);

    ResetPlayback();
    m_creating = false;
    m_create->SetWindowText(QStringLiteral("Create music"));
    EnableControls(true);
}

void CDlgAmbientGrains::SetPercent(int percent)
{
    m_musicProgress->SetPos(percent);
}

void CDlgAmbientGrains::SetStatus(const QString& text)
{
    m_status->SetWindowText(text);
}

void CDlgAmbientGrains::Pump()
{
    QCoreApplication::processEvents();
}

void CDlgAmbientGrains::Wait()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < m_waitMs)
    {
        QThread::msleep(10);
        QCoreApplication::processEvents();
    }
}

void CDlgAmbientGrains::ShowError(const QString& message)
{
    ui::MessageBox(this, message);
}

// ---- Saving and closing ---------------------------------------------------------------------

QString CDlgAmbientGrains::SaveFolder()
{
    // Where the ambient-music panel adds its files from, at first the sound library's Ambient Music
    // folder: a saved loop lands where an ambient-music segment looks for it.
    QString folder;
    GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(filelist::kFolderAmbientMusic), folder);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    folder = GetSoundLibraryFolder() + QStringLiteral("Ambient Music");
    return QFileInfo(folder).isDir() ? folder : GetDocumentsFolder();
}

void CDlgAmbientGrains::OnSave()
{
    ResetPlayback();
    if (m_outputCount == 0)
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgNoMusic));
        return;
    }
    ui::FileDialogRequest request;
    request.mode = ui::FileDialogRequest::Mode::Save;
    request.filter =
        QStringLiteral("WAV files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3|OGG files (*.ogg)|*.ogg||");
    request.defaultExtension = QStringLiteral("wav");
    request.fileName = QStringLiteral("Ambient loop.wav");
    request.folder = SaveFolder();
    const auto chosen = ui::CurrentBehaviour().GetFileNames(this, request);
    if (!chosen || chosen->isEmpty())
        return;
    const QString path = chosen->front();
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(filelist::kFolderAmbientMusic),
                 GetFolderOfPath(path));
    const QString suffix = QFileInfo(path).suffix().toLower();
    const int format = suffix == QLatin1String("mp3") ? 1 : suffix == QLatin1String("ogg") ? 2 : 0;
    ui::WaitCursor wait;
    // The loop goes to a file beside the chosen one, which it replaces only once complete: a failed
    // save (a full disk, an encoder that stops) never destroys an older file of that name.
    plat::ReplacingFile file(path);
    if (!file.Create())
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgSaveFolder).arg(file.FolderForDisplay()));
        return;
    }
    CEncoder encoder;
    if (!encoder.Start(file.TemporaryPath(), 2, format, CEncoder::kDefaultCompression, 0,
                       static_cast<unsigned>(m_rate)))
        return; // the encoder has said why
    const bool written = encoder.Write(audio::AsFrames(m_output).data(), m_outputCount);
    if (encoder.Stop() && written && !file.Commit())
        ui::MessageBox(this, QString::fromLatin1(kMsgSaveReplace).arg(QDir::toNativeSeparators(path)));
}

void CDlgAmbientGrains::OnCancel()
{
    if (m_loading || m_creating)
        return;
    KillTimer(kTimerId);
    m_player.Stop();
    m_player.Free();
    m_sourcePlaying = m_musicPlaying = false;
    ui::Dialog::OnCancel();
}
