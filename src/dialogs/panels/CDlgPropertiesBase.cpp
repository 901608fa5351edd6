#include "dialogs/panels/CDlgPropertiesBase.h"
#include "dialogs/panels/EnableChildWindows.h"

#include "audio/CMixer.h"
#include "controls/Behaviour.h"
#include "controls/CUiProperty.h"
#include "dialogs/panels/PreviewPlayer.h"
#include "dialogs/panels/PropertyRows.h"
#include "model/CVornaDoc.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>

#include <cmath>

CDlgPropertiesBase::CDlgPropertiesBase(int widthDlu, int heightDlu)
    : m_widthDlu(widthDlu), m_heightDlu(heightDlu), m_player(MakeStreamPreviewPlayer())
{
    setFont(props::PanelFont());
    resize(PanelSize());
}

CDlgPropertiesBase::~CDlgPropertiesBase()
{
    StopPreview();
}

QSize CDlgPropertiesBase::PanelSize() const
{
    return MapDialogRect(0, 0, m_widthDlu, m_heightDlu).size();
}

bool CDlgPropertiesBase::OnInitDialog()
{
    m_pObject = nullptr;
    m_previewing = false;
    return true;
}

void CDlgPropertiesBase::SetObject(CSegment* segment)
{
    m_pObject = segment;
    if (segment == nullptr)
        for (CUiProperty* row : m_rows)
            row->SetProperty(nullptr);
    UpdateControls();
}

void CDlgPropertiesBase::UpdateControls()
{
    EnableChildWindows(this, !IsPlaying());
}

void CDlgPropertiesBase::EnableChildWindows(QWidget* parent, bool enable)
{
    ::EnableChildWindows(parent, enable);
}

bool CDlgPropertiesBase::IsPlaying() const
{
    return m_pDoc != nullptr && m_pDoc->m_isPlaying;
}

bool CDlgPropertiesBase::EnginePlays() const
{
    if (m_pDoc == nullptr)
        return false;
    return m_pDoc->m_isPlaying || (m_pDoc->GetMixer() != nullptr && m_pDoc->GetMixer()->IsPlaying());
}

void CDlgPropertiesBase::SetModified()
{
    if (m_pDoc != nullptr)
        m_pDoc->SetSessionModified();
}

QWidget* CDlgPropertiesBase::CreatePlaceholder(int id, int x, int y, int width, int height)
{
    auto* frame = new QFrame(this);
    ui::SetControlId(frame, id);
    frame->setGeometry(MapDialogRect(x, y, width, height));
    frame->hide();
    return frame;
}

bool CDlgPropertiesBase::CreateRow(CUiProperty& row, int id, QWidget* placeholder)
{
    if (!props::CreatePropertyRow(row, id, placeholder, this, m_pDoc))
        return false;
    m_rows.push_back(&row);
    return true;
}

// ---- Sound-file preview ---------------------------------------------------------------------

void CDlgPropertiesBase::SetPreviewPlayer(std::unique_ptr<PreviewPlayer> player)
{
    StopPreview();
    m_player = std::move(player);
}

void CDlgPropertiesBase::PlayFile(const QString& path, QAbstractButton* button)
{
    if (EnginePlays() || !m_player)
        return;
    if (m_previewing)
    {
        StopPreview();
        return;
    }
    if (!m_player->OpenFile(path))
    {
        ui::MessageBox(this, QString::fromLatin1(kMsgPlayFailed));
        return;
    }
    // A file of unknown length has no end timer: the poll sees the end of its stream instead.
    const double length = m_player->GetLength();
    if (std::isfinite(length) && length > 0.0)
        SetTimer(kTimerPreviewEnd, static_cast<int>(std::min(length * 1000.0, 2147483647.0)));
    SetTimer(kTimerSessionPoll, kSessionPollMs);
    m_player->Play();
    if (button != nullptr)
        button->setText(QString::fromLatin1(kTextStop));
    m_previewButton = button;
    m_previewing = true;
}

void CDlgPropertiesBase::StopPreview()
{
    KillTimer(kTimerPreviewEnd);
    KillTimer(kTimerSessionPoll);
    if (!m_previewing)
        return;
    if (m_player)
        m_player->Close();
    if (m_previewButton)
        m_previewButton->setText(QString::fromLatin1(kTextPlay));
    m_previewButton = nullptr;
    m_previewing = false;
}

void CDlgPropertiesBase::OnTimer(int id)
{
    const bool fileEnded =
        id == kTimerPreviewEnd || (id == kTimerSessionPoll && m_player && !m_player->IsPlaying());
    const bool sessionStarted = id == kTimerSessionPoll && IsPlaying();
    if (fileEnded || sessionStarted)
        StopPreview();
}

ui::Translate CDlgPropertiesBase::PreTranslateMessage(QKeyEvent* key)
{
    // Delete edits the text of a focused edit; anywhere else it is the workspace's key.
    QWidget* focus = QApplication::focusWidget();
    if (key->key() == Qt::Key_Delete && focus != nullptr &&
        ui::WindowClassName(focus) == QLatin1String("Edit"))
        return ui::Translate::Deliver;
    return ui::Translate::Continue;
}
