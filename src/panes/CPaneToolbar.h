#pragma once
/** @brief The strip at the top of the workspace: fifteen icon buttons and the Tracks, Tools and
 *  Support drop-down menus. Every button and item only sends its application message to the view;
 *  while the session plays the toolbar is disabled and sends nothing.
 *
 * UI thread only. */

#include "panes/CAppPane.h"
#include "panes/CIconButton.h"
#include "panes/CMenuPopup.h"

#include <QPixmap>

#include <array>
#include <span>

class CPaneToolbar : public CAppPane
{
public:
    static constexpr int kBackgroundBitmap = 338;
    /** The strip's height in the workspace; the buttons are as high. */
    static constexpr int kHeight = 73;
    static constexpr int kButtonCount = 15;
    static constexpr int kIconSize = 32;
    /** Our icon for "Check for Updates" (the other icons are the tables'). */
    static constexpr int kCheckUpdatesIcon = 461;

    struct ButtonSpec
    {
        const char* caption;
        int id;
        int icon;
        int left;
        int right;
        unsigned message; ///< 0: the button opens a menu
    };
    struct MenuItemSpec
    {
        const char* text;
        int id;
        int icon;
        unsigned message;
    };

    static const std::array<ButtonSpec, kButtonCount>& ButtonTable();
    static std::span<const MenuItemSpec> TracksTable();
    static std::span<const MenuItemSpec> ToolsTable();
    static std::span<const MenuItemSpec> SupportTable();

    explicit CPaneToolbar(QWidget* parent = nullptr);

    CIconButton* Button(int index) const { return m_buttons[std::size_t(index)]; }
    CMenuPopup& TracksMenu() { return m_tracks; }
    CMenuPopup& ToolsMenu() { return m_tools; }
    CMenuPopup& SupportMenu() { return m_support; }

    /** Enables the toolbar when it has a document that is not playing, else disables it (its
     *  buttons follow). Run by every paint; the view may call it when playback starts or stops. */
    void RefreshEnabled();

protected:
    int OnCreate() override;
    void OnPaint(QPainter& painter) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    bool CanAct() const;
    void OpenMenu(CMenuPopup& menu);

    QPixmap m_background;
    std::array<CIconButton*, kButtonCount> m_buttons{};
    CMenuPopup m_tracks;
    CMenuPopup m_tools;
    CMenuPopup m_support;
};
