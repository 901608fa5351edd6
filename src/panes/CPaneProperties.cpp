#include "panes/CPaneProperties.h"

#include "controls/GraphEditors.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "dialogs/panels/CDlgPropertiesBilateral.h"
#include "dialogs/panels/CDlgPropertiesBrainwaves.h"
#include "dialogs/panels/CDlgPropertiesEffects.h"
#include "dialogs/panels/CDlgPropertiesTop.h"
#include "dialogs/panels/SegmentPanels.h"
#include "dialogs/panels/SoundFileList.h"
#include "messages/ViewMessages.h"
#include "model/CSegment.h"
#include "model/CVornaDoc.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

#include <QPainter>

CPaneProperties::CPaneProperties(QWidget* parent) : CAppPane(parent), m_segmentFactory(&CreateSegmentPanel)
{
    SetOpaquePaint(true);
}

CPaneProperties::~CPaneProperties() = default;

std::array<CDlgPropertiesBase*, CPaneProperties::kKindCount + 3> CPaneProperties::Pages() const
{
    std::array<CDlgPropertiesBase*, kKindCount + 3> pages{};
    for (int k = 0; k < kKindCount; ++k)
        pages[static_cast<std::size_t>(k)] = m_segmentPages[static_cast<std::size_t>(k)].get();
    pages[kKindCount] = m_effects.get();
    pages[kKindCount + 1] = m_brainwaves.get();
    pages[kKindCount + 2] = m_bilateral.get();
    return pages;
}

CDlgPropertiesBase* CPaneProperties::SegmentPage(int kind) const
{
    return CSegment::IsValidKind(kind) ? m_segmentPages[static_cast<std::size_t>(kind)].get() : nullptr;
}

CDlgPropertiesBase* CPaneProperties::CurrentPage() const
{
    switch (m_tab)
    {
    case kTabSound:
        return SegmentPage(m_kind);
    case kTabEffects:
        return m_effects.get();
    case kTabBrainwaves:
        return m_brainwaves.get();
    case kTabBilateral:
        return m_bilateral.get();
    default:
        return nullptr;
    }
}

int CPaneProperties::OnCreate()
{
    // The base forgets the document; the panels are made with it.
    CVornaDoc* doc = m_pDoc;
    CAppPane::OnCreate();
    m_pDoc = doc;
    m_background = ui::LoadBitmap(kBackgroundBitmap);
    if (m_background.isNull())
        return -1;

    m_top = std::make_unique<CDlgPropertiesTop>();
    m_top->SetHost(this);
    for (int k = 0; k < kKindCount; ++k)
    {
        std::unique_ptr<CDlgPropertiesBase> page = m_segmentFactory ? m_segmentFactory(k) : nullptr;
        m_segmentPages[static_cast<std::size_t>(k)] = page ? std::move(page) : CreateEmptyPanel();
    }
    m_effects = std::make_unique<CDlgPropertiesEffects>();
    m_brainwaves = std::make_unique<CDlgPropertiesBrainwaves>();
    m_bilateral = std::make_unique<CDlgPropertiesBilateral>();

    auto make = [this](CDlgPropertiesBase& panel)
    {
        panel.SetDocument(m_pDoc);
        panel.Create(this, true);
        panel.hide();
    };
    make(*m_top);
    for (CDlgPropertiesBase* page : Pages())
        make(*page);
    m_segment = nullptr;
    DoLayout();
    return 0;
}

void CPaneProperties::SetDocument(CVornaDoc* doc)
{
    CAppPane::SetDocument(doc);
    if (m_top)
        m_top->SetDocument(doc);
    for (CDlgPropertiesBase* page : Pages())
        if (page != nullptr)
            page->SetDocument(doc);
}

int CPaneProperties::GetWidth() const
{
    return m_top ? m_top->GetWidth() : 0;
}

void CPaneProperties::OnSize(int, int)
{
    DoLayout();
}

void CPaneProperties::DoLayout()
{
    if (!m_top)
        return;
    const int w = width();
    const int h = m_top->PanelSize().height();
    m_top->setGeometry(0, 0, w, h);
    // Pages keep their own height: they are never stretched.
    for (CDlgPropertiesBase* page : Pages())
        page->setGeometry(0, h, w, page->PanelSize().height());
}

void CPaneProperties::OnPaint(QPainter& painter)
{
    TileBitmap(painter, rect(), m_background);
}

void CPaneProperties::UpdateTop()
{
    if (m_top)
        m_top->UpdateTimes();
}

void CPaneProperties::UpdatePages()
{
    if (!m_top)
        return;
    m_top->UpdateControls();
    if (m_segment == nullptr)
        return;
    for (CDlgPropertiesBase* page :
         {SegmentPage(m_kind), m_effects.get(), m_brainwaves.get(), m_bilateral.get()})
        if (page != nullptr)
            page->UpdateControls();
}

void CPaneProperties::ShowProperties(CSegment* segment, int kind)
{
    m_segment = segment;
    m_kind = kind;
    if (!m_top)
        return;
    for (CDlgPropertiesBase* page : Pages())
        page->hide();
    if (segment == nullptr)
    {
        // The segment may be about to go: nothing keeps a row on it.
        m_top->hide();
        m_top->SetObject(nullptr);
        for (CDlgPropertiesBase* page : Pages())
            if (page->GetObject() != nullptr)
                page->SetObject(nullptr);
        return;
    }
    m_top->SetObject(segment);
    m_top->show();

    CDlgPropertiesBase* shown = CurrentPage();
    // A page that is not shown keeps no segment: it could be deleted while the page is hidden.
    for (CDlgPropertiesBase* page : Pages())
        if (page != shown && page->GetObject() != nullptr)
            page->SetObject(nullptr);
    if (shown == nullptr)
        return;
    shown->SetObject(segment);
    shown->show();

    int track = -1;
    if (m_tab == kTabSound)
    {
        const ui::SelectionSource* tracks = ActiveTracksPane();
        track = tracks != nullptr ? tracks->GetSelectedTrack() : -1;
    }
    const QString topic =
        m_pDoc != nullptr ? CDlgPropertiesTop::HelpTopic(m_tab, m_pDoc->m_tracks, track) : QString();
    ui::ViewMessages* view = ActiveView();
    if (!topic.isEmpty() && view != nullptr)
        view->ShowHelpTopic(topic, ui::HelpFollow::WhileOpenOnly);
}

void CPaneProperties::ResetSoundFolder()
{
    const char* value = nullptr;
    const char* folder = nullptr;
    switch (m_kind)
    {
    case CSegment::kKindVoice:
        value = filelist::kFolderVoice;
        folder = "Suggestions/VORNA Voice";
        break;
    case CSegment::kKindAmbientMusic:
        value = filelist::kFolderAmbientMusic;
        folder = "Ambient Music";
        break;
    case CSegment::kKindNature:
        value = filelist::kFolderNature;
        folder = "Nature";
        break;
    default:
        return;
    }
    SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(value),
                 GetDocumentsFolder() + QStringLiteral("/Sound Library/") + QString::fromLatin1(folder));
}

void CPaneProperties::ShowPropertyTab(int tab)
{
    m_tab = tab;
    if (m_top)
        m_top->SelectTab(m_tab);
    ShowProperties(m_segment, m_kind);
}
