#include "panes/CPaneToolbar.h"

#include "controls/CommandIds.h"
#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "model/CVornaDoc.h"

#include <QPainter>

namespace
{
using ButtonSpec = CPaneToolbar::ButtonSpec;
using MenuItemSpec = CPaneToolbar::MenuItemSpec;

const std::array<ButtonSpec, CPaneToolbar::kButtonCount> kButtons = {{
    {"New\nSession", ID_TOOLBAR_NEW_SESSION, 382, 0, 50, WM_APP_NEW_SESSION},
    {"Open\nSession", ID_TOOLBAR_OPEN_SESSION, 384, 50, 100, WM_APP_OPEN_SESSION},
    {"Save\nSession", ID_TOOLBAR_SAVE_SESSION, 386, 100, 150, WM_APP_SAVE_SESSION},
    {"Save As\nSession", ID_TOOLBAR_SAVE_SESSION_AS, 387, 150, 200, WM_APP_SAVE_SESSION_AS},
    {"Record\nVoice", ID_TOOLBAR_RECORD_VOICE, 437, 232, 274, WM_APP_RECORD_VOICE},
    {"Live\nRecording", ID_TOOLBAR_LIVE_RECORDING, 459, 274, 332, WM_APP_LIVE_RECORDING},
    {"Export\nSession", ID_TOOLBAR_EXPORT_SESSION, 378, 332, 380, WM_APP_EXPORT_SESSION},
    {"Delete\nSegment", ID_TOOLBAR_DELETE_SEGMENT, 377, 412, 462, WM_APP_DELETE_SEGMENT},
    {"Copy\nSegment", ID_TOOLBAR_COPY_SEGMENT, 414, 462, 512, WM_APP_COPY_SEGMENT},
    {"Paste\nSegment", ID_TOOLBAR_PASTE_SEGMENT, 415, 512, 562, WM_APP_PASTE_SEGMENT},
    {"Tracks", ID_TOOLBAR_TRACKS, 407, 594, 636, 0},
    {"Tools", ID_TOOLBAR_TOOLS, 438, 636, 678, 0},
    {"Options", ID_TOOLBAR_OPTIONS, 385, 678, 726, WM_APP_OPTIONS},
    {"Help", ID_TOOLBAR_HELP, 379, 758, 798, WM_APP_HELP_INDEX},
    {"Support", ID_TOOLBAR_SUPPORT, 391, 798, 846, 0},
}};

const MenuItemSpec kTracks[] = {
    {"Add Track\t+", ID_TRACKS_ADD, 451, WM_APP_ADD_TRACK},
    {"Duplicate Track\tD", ID_TRACKS_DUPLICATE, 453, WM_APP_DUPLICATE_TRACK},
    {"Remove Track\tR", ID_TRACKS_REMOVE, 456, WM_APP_REMOVE_TRACK},
    {"Clean Empty Tracks\tC", ID_TRACKS_CLEAN_EMPTY, 452, WM_APP_CLEAN_EMPTY_TRACKS},
    {"Mute Track\tM", ID_TRACKS_MUTE, 454, WM_APP_MUTE_TRACK},
    {"Activate Track\tA", ID_TRACKS_ACTIVATE, 449, WM_APP_ACTIVATE_TRACK},
    {"Mute All Tracks", ID_TRACKS_MUTE_ALL, 455, WM_APP_MUTE_ALL_TRACKS},
    {"Activate All Tracks", ID_TRACKS_ACTIVATE_ALL, 450, WM_APP_ACTIVATE_ALL_TRACKS},
};

const MenuItemSpec kTools[] = {
    {"Create Ambient Music Loops", ID_TOOLS_AMBIENT_MUSIC, 436, WM_APP_AMBIENT_MUSIC_TOOL},
    {"Edit Stages", ID_TOOLS_EDIT_STAGES, 441, WM_APP_EDIT_STAGES},
    {"Edit Notes", ID_TOOLS_EDIT_NOTES, 440, WM_APP_EDIT_NOTES},
    {"Global Entrainment & Bilateral", ID_TOOLS_GLOBALS, 439, WM_APP_SHOW_GLOBALS},
    {"Transcript", ID_TOOLS_TRANSCRIPT, 442, WM_APP_TRANSCRIPT},
};

// "Check for Updates" is the menu's way to the manual update check, which nothing else reaches.
const MenuItemSpec kSupport[] = {
    {"VORNA Web Site", ID_SUPPORT_WEB_SITE, 447, WM_APP_OPEN_WEB_SITE},
    {"VORNA Videos", ID_SUPPORT_VIDEOS, 460, WM_APP_OPEN_VIDEOS},
    {"Contact Us", ID_SUPPORT_CONTACT, 444, WM_APP_OPEN_CONTACT},
    {"Check for Updates", ID_SUPPORT_CHECK_UPDATES, CPaneToolbar::kCheckUpdatesIcon, WM_APP_CHECK_UPDATES},
    {"About VORNA", ID_SUPPORT_ABOUT, 443, WM_APP_ABOUT},
};

void Fill(CMenuPopup& menu, std::span<const MenuItemSpec> items)
{
    menu.Init();
    for (const MenuItemSpec& item : items)
        menu.AppendItem(item.id, QString::fromUtf8(item.text), item.icon);
}

const MenuItemSpec* FindItem(int id)
{
    for (std::span<const MenuItemSpec> table :
         {CPaneToolbar::TracksTable(), CPaneToolbar::ToolsTable(), CPaneToolbar::SupportTable()})
        for (const MenuItemSpec& item : table)
            if (item.id == id)
                return &item;
    return nullptr;
}
} // namespace

const std::array<ButtonSpec, CPaneToolbar::kButtonCount>& CPaneToolbar::ButtonTable()
{
    return kButtons;
}

std::span<const MenuItemSpec> CPaneToolbar::TracksTable()
{
    return kTracks;
}

std::span<const MenuItemSpec> CPaneToolbar::ToolsTable()
{
    return kTools;
}

std::span<const MenuItemSpec> CPaneToolbar::SupportTable()
{
    return kSupport;
}

CPaneToolbar::CPaneToolbar(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneToolbar::OnCreate()
{
    CAppPane::OnCreate();
    m_background = ui::LoadBitmap(kBackgroundBitmap);
    if (m_background.isNull())
        return -1;
    // One caption size for the whole strip: the largest at which every caption fits its button,
    // so that a caption shrunk to fit does not stand out beside its neighbours.
    QFont captionFont = CIconButton::CaptionFont(QString(), kButtons[0].right - kButtons[0].left);
    for (const ButtonSpec& spec : kButtons)
    {
        const QFont fitting =
            CIconButton::CaptionFont(QString::fromUtf8(spec.caption), spec.right - spec.left);
        if (fitting.pixelSize() < captionFont.pixelSize())
            captionFont = fitting;
    }
    for (std::size_t i = 0; i < kButtons.size(); ++i)
    {
        const ButtonSpec& spec = kButtons[i];
        delete m_buttons[i];
        m_buttons[i] = new CIconButton;
        m_buttons[i]->Create(spec.icon, ui::Ltrb(spec.left, 0, spec.right, kHeight), this, spec.id,
                             m_background, QString::fromUtf8(spec.caption), kIconSize, captionFont);
    }
    Fill(m_tracks, kTracks);
    Fill(m_tools, kTools);
    Fill(m_support, kSupport);
    RefreshEnabled();
    return 0;
}

bool CPaneToolbar::CanAct() const
{
    return m_pDoc != nullptr && !m_pDoc->m_isPlaying;
}

void CPaneToolbar::RefreshEnabled()
{
    EnableWindow(CanAct());
}

void CPaneToolbar::OnPaint(QPainter& painter)
{
    if (width() > 0 && height() > 0)
        TileBitmap(painter, GetClientRect(), m_background);
    RefreshEnabled();
}

void CPaneToolbar::OpenMenu(CMenuPopup& menu)
{
    const QPoint at(ui::CursorPos().x(), mapToGlobal(QPoint(0, height())).y());
    menu.Track(at, this);
}

bool CPaneToolbar::OnCommand(int id, ui::Notify code, QWidget*)
{
    // Checked here as well as by the disabled window: a click can arrive between the start of
    // playback and the next repaint.
    if (code == ui::Notify::Menu)
    {
        const MenuItemSpec* item = FindItem(id);
        if (item == nullptr)
            return false;
        if (CanAct())
            SendToParent(item->message);
        return true;
    }
    for (const ButtonSpec& spec : kButtons)
    {
        if (spec.id != id)
            continue;
        if (!CanAct())
            return true;
        if (spec.message != 0)
            SendToParent(spec.message);
        else if (id == ID_TOOLBAR_TRACKS)
            OpenMenu(m_tracks);
        else if (id == ID_TOOLBAR_TOOLS)
            OpenMenu(m_tools);
        else
            OpenMenu(m_support);
        return true;
    }
    return false;
}
