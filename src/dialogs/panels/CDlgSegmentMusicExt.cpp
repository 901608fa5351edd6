#include "dialogs/panels/CDlgSegmentMusicExt.h"

#include "audio/CSoundFile.h"
#include "dialogs/panels/SegmentPanelWidgets.h"
#include "dialogs/panels/SoundFileList.h"
#include "messages/ViewMessages.h"
#include "model/CSegmentMusicExt.h"
#include "platform/Folders.h"

#include <algorithm>

using namespace segpanel;

CDlgSegmentMusicExt::CDlgSegmentMusicExt() : CDlgPropertiesBase(kExternalPanelSize.w, kExternalPanelSize.h)
{
    for (const ControlSpec& spec : kExternalControls)
    {
        const QString text = QString::fromLatin1(spec.text);
        QWidget* control = nullptr;
        switch (spec.id)
        {
        case kIdFileName:
            control = m_name = new ui::Static(this, spec.id, text);
            break;
        case kIdFileLength:
            control = m_length = new ui::Static(this, spec.id, text);
            break;
        case kIdRepeat:
            control = m_repeat = new ui::CheckBox(this, spec.id, text);
            break;
        default:
            control = MakeButton(this, spec);
            break;
        }
        control->setGeometry(Px(spec.rect));
    }
    // Nothing stands right of the box: it takes the width its caption needs in the workspace's face.
    m_repeat->resize(std::max(m_repeat->width(), m_repeat->sizeHint().width()), m_repeat->height());
    // A long name is cut at the panel's edge rather than widening it.
    m_name->setTextFormat(Qt::PlainText);
    m_length->setTextFormat(Qt::PlainText);
}

CSegmentMusicExt* CDlgSegmentMusicExt::External() const
{
    return dynamic_cast<CSegmentMusicExt*>(m_pObject);
}

void CDlgSegmentMusicExt::SetObject(CSegment* segment)
{
    CDlgPropertiesBase::SetObject(segment);
    CSegmentMusicExt* external = External();
    if (external == nullptr)
    {
        m_name->SetWindowText({});
        m_length->SetWindowText({});
        m_repeat->SetCheck(false);
        return;
    }
    m_name->SetWindowText(GetFileNameOfPath(external->m_path));
    m_length->SetWindowText(CSoundFile::FormatFileLength(external->m_path));
    m_repeat->SetCheck(external->m_loop);
}

bool CDlgSegmentMusicExt::OnCommand(int id, ui::Notify code, QWidget* from)
{
    if (External() == nullptr || code != ui::Notify::Clicked)
        return CDlgPropertiesBase::OnCommand(id, code, from);
    switch (id)
    {
    case kIdSelectFile:
        OnSelectFile();
        return true;
    case kIdRepeat:
        OnRepeat();
        return true;
    default:
        return CDlgPropertiesBase::OnCommand(id, code, from);
    }
}

void CDlgSegmentMusicExt::OnSelectFile()
{
    const std::optional<QString> path = filelist::ChooseSoundFile(this, filelist::kFolderExternalMusic);
    if (!path)
        return;
    // The file may lie anywhere, the sound library included: its full path is kept.
    External()->m_path = *path;
    SetObject(m_pObject);
    UpdateDuration();
    SetModified();
}

void CDlgSegmentMusicExt::OnRepeat()
{
    External()->m_loop = m_repeat->GetCheck();
    UpdateDuration();
    SetObject(m_pObject);
    SetModified();
}

void CDlgSegmentMusicExt::UpdateDuration()
{
    CSegmentMusicExt* external = External();
    if (external->m_path.isEmpty())
        return;
    external->UpdateDuration(CSegment::GetDurationFunction());
    if (ui::ViewMessages* view = ActiveView())
        view->SegmentChanged();
    ui::InvalidateWindow(qobject_cast<QWidget*>(GetActiveView()));
}
