#include "dialogs/recorder/CDlgRecorder.h"
#include "dialogs/session/HelpTopic.h"

#include "audio/COptions.h"
#include "audio/DeviceLists.h"
#include "controls/Behaviour.h"
#include "controls/CHoverButton.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"
#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "dialogs/recorder/CDlgCountdown.h"
#include "dialogs/recorder/CDlgExportEnd.h"
#include "dialogs/recorder/CDlgRecorderStop.h"
#include "messages/AppMessages.h"
#include "messages/ViewMessages.h"

#include <QFileInfo>
#include <QPainter>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int kBitmapTopBar = 415;
constexpr int kBitmapPanel = 412;
constexpr int kBitmapMeter = 315;
constexpr int kBitmapRecord = 364;
constexpr int kBitmapStop = 366;
constexpr int kBitmapPause = 361;
constexpr int kPanelCap = 9;

const QColor kLightGrey(180, 180, 180);
const QColor kRed(255, 96, 96);

CDlgRecorder::EndDialogs DefaultEndDialogs()
{
    CDlgRecorder::EndDialogs d;
    d.plain = [](QWidget* ownerView, const QString& folder, const QString& fileName)
    { RunRecorderStop(ownerView, folder, fileName); };
    d.live = [](const QString& caption, const QString& folder, const QString& fileName, int burningDevice,
                const QString& heading)
    { RunExportEnd(caption, folder, fileName, burningDevice, nullptr, heading); };
    return d;
}

CDlgRecorder::EndDialogs& TheEndDialogs()
{
    static CDlgRecorder::EndDialogs dialogs = DefaultEndDialogs();
    return dialogs;
}

} // namespace

CDlgRecorder::EndDialogs CDlgRecorder::SetEndDialogs(EndDialogs dialogs)
{
    const EndDialogs defaults = DefaultEndDialogs();
    if (!dialogs.plain)
        dialogs.plain = defaults.plain;
    if (!dialogs.live)
        dialogs.live = defaults.live;
    EndDialogs previous = std::move(TheEndDialogs());
    TheEndDialogs() = std::move(dialogs);
    return previous;
}

CDlgRecorder::CDlgRecorder(QWidget* parent, bool live)
    : ui::Dialog(parent), m_topBar(ui::LoadBitmap(kBitmapTopBar)), m_panel(ui::LoadBitmap(kBitmapPanel)),
      m_meterFill(ui::LoadBitmap(kBitmapMeter)), m_timeFont(ui::MakeFont(30, 700)),
      m_labelFont(ui::MakeFont(18, 700)), m_smallFont(ui::MakeFont(14, 700)),
      m_scriptFont(ui::MakeFont(-ui::PointsToPixels(14), 400, QStringLiteral("Arial")))
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setFixedSize(MapDialogRect(0, 0, 453, 318).size());
    SetOpaquePaint(true);

    auto hover = [this](int id, int bitmap, int x)
    {
        auto* button = new CHoverButton(this, id);
        button->SetBitmap(bitmap);
        button->setGeometry(x, 16, 40, 40);
        return button;
    };
    m_record = hover(ID_TRANSPORT_RECORD, kBitmapRecord, 12);
    m_stop = hover(ID_TRANSPORT_STOP, kBitmapStop, 58);
    m_pause = hover(ID_TRANSPORT_PAUSE, kBitmapPause, 104);

    m_pasteText = new ui::Button(this, kIdPasteText, QStringLiteral("Paste text"));
    m_pasteText->setGeometry(MapDialogRect(7, 50, 50, 17));
    m_selectFont = new ui::Button(this, kIdSelectFont, QStringLiteral("Select font"));
    m_selectFont->setGeometry(MapDialogRect(64, 50, 50, 17));
    m_speed = new ui::ComboBox(this, kIdSpeed);
    // The list's own font is a size smaller than the buttons': "No Auto Scrolling" fills its width.
    m_speed->setGeometry(MapDialogRect(128, 51, 86, 15));
    QFont listFont = m_speed->font();
    listFont.setPointSizeF(listFont.pointSizeF() > 0.0 ? listFont.pointSizeF() - 1.0 : 8.0);
    m_speed->setFont(listFont);
    m_help = new ui::Button(this, kIdHelp, QStringLiteral("Help"));
    m_help->setGeometry(MapDialogRect(395, 50, 50, 17));

    m_script = new ui::MultiLineEdit(this, kIdScript);
    m_script->setGeometry(MapDialogRect(7, 104, 438, 206));
    m_script->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_script->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_script->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_script->setFont(m_scriptFont);
    // The highlighted line stays painted while the focus is elsewhere (on the buttons).
    QPalette palette = m_script->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_script->setPalette(palette);

    for (int i = 0; i < dlg::kScrollSpeedCount; ++i)
        m_speed->AddString(dlg::ScrollSpeedText(i));
    m_speed->SetCurSel(0);
    m_live = live;
}

CDlgRecorder::~CDlgRecorder()
{
    KillTimer(kTimerId);
    m_session.Close();
}

void CDlgRecorder::Setup(COptions* options, QString* callerText, bool live, double sessionSeconds,
                         QWidget* ownerView, CSegment* effectsSource)
{
    m_options = options;
    m_callerText = callerText;
    m_scriptText = callerText != nullptr ? *callerText : QString();
    m_live = live;
    m_sessionSeconds = sessionSeconds;
    m_ownerView = ownerView;
    m_effectsSource = effectsSource;
}

bool CDlgRecorder::OnInitDialog()
{
    m_speed->SetCurSel(0);
    m_speedIndex = 0;
    m_scrollOn = false;
    m_scrollLength = 0.0;
    m_charsPerLine = kInitialCharsPerLine;
    m_selStart = m_selEnd = 0;
    m_scrollProgress = 0.0;
    m_resumePending = false;
    // A plain recorder opens its session as it opens; the live one waits for the view's Prepare.
    if (!m_live && !Prepare())
        QTimer::singleShot(0, this, [this] { EndDialog(ui::IDCANCEL); });
    return true;
}

bool CDlgRecorder::Prepare()
{
    m_script->setPlainText(m_scriptText);
    m_elapsed = 0.0;
    m_status = dlg::kStatusReady;
    SetTimer(kTimerId, kTimerMs);
    // A recording device stored in an earlier run that is gone gives way to the default one,
    // which is stored, instead of failing every time the recorder opens.
    if (m_options != nullptr &&
        audio::FallBackToDefault(m_options->m_recordingDevice, audio::RecordingDeviceEntries()))
        m_options->Save();
    if (!m_session.Open(m_options, m_sessionSeconds, m_live ? m_effectsSource : nullptr))
    {
        KillTimer(kTimerId);
        return false;
    }
    const bool livePlayback = m_options == nullptr || m_options->m_isLivePlayback;
    m_session.SetMonitor(m_live && livePlayback);
    m_session.SetLive(m_live);
    m_level = m_session.GetLevel();
    setWindowTitle(QString::fromLatin1(kCaption));
    if (m_live)
    {
        hide();
        OnRecord();
        if (m_status != dlg::kStatusRecording)
        {
            // No file: nothing may stay open, for the view will not start the session and only a
            // recording that runs can be stopped.
            KillTimer(kTimerId);
            m_session.Close();
            return false;
        }
    }
    return true;
}

bool CDlgRecorder::OnCommand(int id, ui::Notify code, QWidget*)
{
    switch (id)
    {
    case ID_TRANSPORT_RECORD:
        OnRecord();
        return true;
    case ID_TRANSPORT_STOP:
        Stop();
        return true;
    case ID_TRANSPORT_PAUSE:
        OnPause();
        return true;
    case kIdPasteText:
        m_script->Paste();
        return true;
    case kIdSelectFont:
        OnSelectFont();
        return true;
    case kIdSpeed:
        if (code == ui::Notify::SelChange)
        {
            m_speedIndex = m_speed->GetCurSel();
            m_scrollOn = m_speedIndex != 0;
            UpdateHighlight();
            Invalidate();
        }
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

void CDlgRecorder::OnRecord()
{
    if (m_status == dlg::kStatusRecording)
        return;
    if (!m_live)
    {
        CDlgCountdown countdown(this);
        if (countdown.DoModal() != ui::IDOK)
            return;
    }
    m_status = dlg::kStatusRecording;
    UpdateHighlight();
    m_lastTick = ui::CurrentBehaviour().TickCount();
    if (m_resumePending)
    {
        m_resumePending = false;
        m_session.Resume();
    }
    else
    {
        const int format =
            m_options != nullptr ? m_options->m_exportFormatType : COptions().m_exportFormatType;
        // One reading of the clock gives all six fields of the name.
        m_folder = dlg::RecordingFolder();
        m_fileName = dlg::RecordingFileName(ui::CurrentBehaviour().Now(), format);
        if (!m_session.CreateFile(m_folder + QLatin1Char('/') + m_fileName))
        {
            ui::MessageBox(this, CreateFailedMessage(m_folder));
            m_status = dlg::kStatusReady;
        }
        else if (auto* view = dynamic_cast<ui::ViewMessages*>(m_ownerView.data()); m_live && view != nullptr)
            view->Play(false, this);
    }
    Invalidate();
}

void CDlgRecorder::OnPause()
{
    if (m_status == dlg::kStatusReady)
        return;
    m_status = dlg::kStatusPaused;
    m_resumePending = true;
    m_session.Pause();
    Invalidate();
}

void CDlgRecorder::Stop(const QString& reason)
{
    if (m_status == dlg::kStatusReady)
    {
        if (!reason.isEmpty())
            ui::MessageBox(this, reason);
        return;
    }
    m_status = dlg::kStatusReady;
    m_elapsed = 0.0;
    m_selStart = m_selEnd = 0;
    m_scrollProgress = 0.0;
    m_resumePending = false;
    Invalidate();
    const bool finished = m_session.StopRecording();
    if (!reason.isEmpty())
        ui::MessageBox(this, reason);
    ShowLost();
    // A file that is not there is offered to nobody. When the encoder could not finish it, it
    // has said so; otherwise the folder is named, as when the file cannot be made at all.
    const bool there = QFileInfo(m_folder + QLatin1Char('/') + m_fileName).isFile();
    if (!there && finished)
        ui::MessageBox(this, CreateFailedMessage(m_folder));
    if (m_live)
    {
        const int burner = m_options != nullptr ? m_options->m_burningDevice : 0;
        if (there)
            TheEndDialogs().live(QString::fromLatin1(kLiveEndCaption), m_folder, m_fileName, burner,
                                 reason.isEmpty() ? QString() : QString::fromLatin1(kMsgStoppedEarly));
    }
    else
    {
        OnCancel();
        if (there)
            TheEndDialogs().plain(m_ownerView, m_folder, m_fileName);
    }
    OnCancel();
}

void CDlgRecorder::ShowLost()
{
    const double lost = m_session.GetLostSeconds();
    if (lost <= 0.0)
        return;
    ui::MessageBox(this,
                   QStringLiteral("Part of the recording was lost: %1 seconds of sound could not be written "
                                  "to the file in time.")
                       .arg(std::max(lost, 0.1), 0, 'f', 1));
}

void CDlgRecorder::OnCancel()
{
    if (m_status == dlg::kStatusRecording)
        return;
    KillTimer(kTimerId);
    m_session.Close();
    m_status = dlg::kStatusReady;
    m_resumePending = false;
    m_level = -1.0;
    if (!m_live && m_callerText != nullptr)
        *m_callerText = m_script->toPlainText();
    EndDialog(ui::IDCANCEL);
}

void CDlgRecorder::ReleaseSource()
{
    m_effectsSource = nullptr;
    m_session.ReleaseSource();
}

void CDlgRecorder::OnSelectFont()
{
    const std::optional<QFont> chosen =
        ui::CurrentBehaviour().ChooseFont(this, m_scriptFont, kMinFontPoints, kMaxFontPoints);
    if (!chosen)
        return;
    QFont font = *chosen;
    // The font dialog cannot hold its sizes to the range; the choice is held to it here.
    const double points = font.pointSizeF() > 0.0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    font.setPointSizeF(std::clamp(points, double(kMinFontPoints), double(kMaxFontPoints)));
    m_scriptFont = font;
    m_script->setFont(m_scriptFont);
    UpdateCharsPerLine();
    Invalidate();
}

// ---- Timer and highlight ----------------------------------------------------------------------

void CDlgRecorder::OnTimer(int id)
{
    if (id != kTimerId)
        return;
    if (m_session.TakeWriteFailure())
    {
        // The callback has stopped; the file so far is finished and offered as any other.
        ui::MessageBox(this, QString::fromLatin1(kMsgWriteFailed));
        Stop();
        return;
    }
    if (m_status == dlg::kStatusRecording)
    {
        const std::uint32_t tick = ui::CurrentBehaviour().TickCount();
        m_elapsed += static_cast<std::uint32_t>(tick - m_lastTick) / 1000.0;
        m_lastTick = tick;
    }
    UpdateHighlight();
    m_level = m_session.GetLevel();
    if (!m_live && m_status == dlg::kStatusRecording && m_scrollOn && m_scrollLength <= m_elapsed)
    {
        Stop();
        return;
    }
    Invalidate();
}

void CDlgRecorder::UpdateCharsPerLine()
{
    const int dot = std::max(1, QFontMetrics(m_scriptFont).horizontalAdvance(QLatin1Char('.')));
    m_charsPerLine = (width() - StripRect().left() - 40) / dot + 1;
}

void CDlgRecorder::UpdateHighlight()
{
    m_scriptText = m_script->toPlainText();
    m_scrollLength =
        m_scrollOn ? dlg::ScrollLength(static_cast<int>(m_scriptText.size()), m_speedIndex) : 0.0;
    UpdateCharsPerLine();
    const dlg::ScriptHighlight h = dlg::ComputeHighlight(static_cast<int>(m_scriptText.size()), m_scrollOn,
                                                         m_status, m_elapsed, m_scrollLength, m_charsPerLine);
    m_scrollProgress = h.progress;
    m_selStart = h.selStart;
    m_selEnd = h.selEnd;
    if (h.select)
    {
        QTextCursor cursor = m_script->textCursor();
        cursor.setPosition(m_selStart);
        cursor.setPosition(m_selEnd, QTextCursor::KeepAnchor);
        m_script->setTextCursor(cursor);
        m_script->ensureCursorVisible();
    }
}

// ---- Geometry and painting ----------------------------------------------------------------------

QRect CDlgRecorder::TimePanel() const
{
    return ui::Ltrb(150, 16, 380, 56);
}

QRect CDlgRecorder::LevelPanel() const
{
    return ui::Ltrb(386, 16, width() - 6, 56);
}

QRect CDlgRecorder::MeterRect() const
{
    const QRect panel = LevelPanel();
    const int left =
        panel.left() + QFontMetrics(m_labelFont).horizontalAdvance(QString::fromLatin1(kLevelLabel));
    const int right = panel.left() + panel.width() - 14;
    const int h = panel.height() / 2 - 9;
    const int top = panel.top() + (panel.height() - h) / 2;
    return ui::Ltrb(left, top, right, top + h);
}

QRect CDlgRecorder::StripRect() const
{
    return MapDialogRect(7, 75, 438, 21);
}

QRect CDlgRecorder::ProgressRect() const
{
    return MapDialogRect(220, 52, 74, 13);
}

void CDlgRecorder::OnPaint(QPainter& painter)
{
    ui::Dc dc(painter);
    dc.FillSolidRect(GetClientRect(), palette().color(QPalette::Window));
    PaintTopBar(painter);
    PaintStrip(painter);
    PaintProgress(painter);
}

void CDlgRecorder::PaintTopBar(QPainter& painter)
{
    ui::Dc dc(painter);
    const QRect bar(0, 0, width(), kTopBarHeight);
    if (!m_topBar.isNull())
        TileBitmap(painter, bar, m_topBar);
    else
        dc.FillSolidRect(bar, QColor(40, 40, 40));

    const QRect time = TimePanel();
    DrawBitmapThreeSlice(painter, time.topLeft(), m_panel, kPanelCap, kPanelCap, time.width(), time.height());
    if (m_status != dlg::kStatusReady)
    {
        dc.SetFont(m_timeFont);
        dc.SetTextColor(kLightGrey);
        const QString text = dlg::FormatMinutesSeconds(m_elapsed);
        const QSize size = dc.GetTextExtent(text);
        dc.TextOut(time.left() + 90 + (time.width() - size.width() - 95) / 2,
                   time.top() + time.height() / 2 - size.height() / 2 - 2, text);
    }
    if (dlg::StatusWordVisible(m_status, ui::CurrentBehaviour().TickCount()))
    {
        dc.SetFont(m_labelFont);
        dc.SetTextColor(m_status == dlg::kStatusReady ? kLightGrey : kRed);
        const QString word = dlg::StatusWord(m_status);
        const QSize size = dc.GetTextExtent(word);
        dc.TextOut(time.left() + 21 + (80 - size.width()) / 2,
                   time.top() + time.height() / 2 - size.height() / 2 - 2, word);
    }

    const QRect level = LevelPanel();
    DrawBitmapThreeSlice(painter, level.topLeft(), m_panel, kPanelCap, kPanelCap, level.width(),
                         level.height());
    const QRect meter = MeterRect();
    dc.FrameRect(meter, kLightGrey);
    if (m_level >= 0.0)
    {
        const QRect inner = meter.adjusted(1, 1, -1, -1);
        painter.drawPixmap(inner, m_meterFill);
        const int empty = static_cast<int>(inner.width() * (1.0 - std::clamp(m_level, 0.0, 1.0)));
        dc.FillSolidRect(ui::Ltrb(inner.left() + inner.width() - empty, inner.top(),
                                  inner.left() + inner.width(), inner.top() + inner.height()),
                         QColor(80, 80, 80));
    }
    dc.SetFont(m_smallFont);
    dc.SetTextColor(kLightGrey);
    dc.TextOut(level.left() + 13, meter.top() - 2, QString::fromLatin1(kLevelLabel));
}

void CDlgRecorder::PaintStrip(QPainter& painter)
{
    ui::Dc dc(painter);
    const QRect strip = StripRect();
    dc.Rectangle(strip, QPen(QColor(120, 120, 120)), QBrush(Qt::white));
    if (!m_scrollOn || m_status != dlg::kStatusRecording)
        return;
    QString line = m_scriptText.mid(m_selStart, m_charsPerLine);
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    painter.setFont(m_scriptFont);
    painter.setPen(Qt::black);
    const QRect box = ui::Ltrb(strip.left() + 10, strip.top(), width() - 30, strip.top() + 30);
    painter.save();
    painter.setClipRect(strip.adjusted(1, 1, -1, -1));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
    painter.restore();
}

void CDlgRecorder::PaintProgress(QPainter& painter)
{
    ui::Dc dc(painter);
    const QRect box = ProgressRect();
    if (!m_scrollOn)
    {
        dc.FillSolidRect(box, palette().color(QPalette::Window));
        return;
    }
    dc.Rectangle(box, QPen(QColor(120, 120, 120)), QBrush(Qt::white));
    const int done = static_cast<int>((box.width() - 2) * std::clamp(m_scrollProgress, 0.0, 1.0));
    dc.FillSolidRect(QRect(box.left() + 1, box.top() + 1, done, box.height() - 2), QColor(200, 200, 200));
    painter.setFont(m_smallFont);
    painter.setPen(QColor(50, 50, 50));
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine,
                     dlg::ScrollProgressText(m_scrollProgress, m_scrollLength));
}

QString CDlgRecorder::CreateFailedMessage(const QString& folder)
{
    return QStringLiteral(
               "Failed to create the recorded sound file.\n\nPlease make sure that the folder:\n%1\n"
               "was not removed or renamed by mistake.")
        .arg(folder);
}

int RunRecorder(QWidget* parent, QWidget* ownerView, COptions* options, QString* script)
{
    CDlgRecorder recorder(parent);
    recorder.Setup(options, script, false, 0.0, ownerView, nullptr);
    return recorder.DoModal();
}

// ---- The engine's level window ----------------------------------------------------------------

void CDlgRecorder::OnMixerBlock(const float* interleaved, std::uint32_t frames) noexcept
{
    m_session.OnMixerBlock(interleaved, frames);
}

void CDlgRecorder::OnMixerBlockAt(const float* interleaved, std::uint32_t frames,
                                  std::uint64_t sessionFrame) noexcept
{
    m_session.OnMixerBlockAt(interleaved, frames, sessionFrame);
}

void CDlgRecorder::OnMixerClock(const rt::HeardClock* clock) noexcept
{
    m_session.OnMixerClock(clock);
}
