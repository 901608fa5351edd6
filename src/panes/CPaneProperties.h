#pragma once
/** @brief The column at the workspace's right edge where the selected segment's settings are
 *  edited: the top panel, and below it the one page that the segment's kind and the chosen tab
 *  call for (the kind's "Sound" panel, Effects, Brainwaves or Bilateral).
 *
 * Pages that are not shown are unbound from any segment, and ShowProperties(nullptr) unbinds every
 * panel, the top panel included, so that no row is left on a segment that is about to go away. The
 * view calls it before it deletes a segment. UI thread only. */

#include "dialogs/panels/CDlgPropertiesTop.h"
#include "panes/CAppPane.h"

#include <QPixmap>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class CDlgPropertiesBase;
class CSegment;

class CPaneProperties : public CAppPane, public PropertyPaneHost
{
public:
    static constexpr int kBackgroundBitmap = 433;
    static constexpr int kKindCount = 8;
    /** Pages beside the eight segment pages, by tab. */
    static constexpr int kTabSound = 0;
    static constexpr int kTabEffects = 1;
    static constexpr int kTabBrainwaves = 2;
    static constexpr int kTabBilateral = 3;

    /** Makes a page: the segment page of a kind 0..7. Tests give the pane stand-in panels. */
    using PanelFactory = std::function<std::unique_ptr<CDlgPropertiesBase>(std::int32_t kind)>;

    explicit CPaneProperties(QWidget* parent = nullptr);
    ~CPaneProperties() override;

    /** Replaces the segment pages' factory; before the pane's window is created. */
    void SetSegmentPanelFactory(PanelFactory factory) { m_segmentFactory = std::move(factory); }

    /** Stores the document and hands it to every panel. */
    void SetDocument(CVornaDoc* doc) override;
    /** The top panel rewrites its times. */
    void UpdateTop();
    /** The top panel, and with a segment shown the pages bound to it, refresh their enable
     *  states (on playback changes). */
    void UpdatePages();
    /** The top panel's width; the view makes the pane this wide. 0 before the window exists. */
    int GetWidth() const;
    /** Shows the top panel and the page of the current tab for @p segment, whose track has
     *  @p kind; null hides and unbinds everything. */
    void ShowProperties(CSegment* segment, int kind);
    /** Shows the page of @p tab for the shown segment and selects the top panel's tab. */
    void ShowPropertyTab(int tab) override;
    /** Sets the library folder of the shown segment's kind back to the default under the
     *  documents folder. */
    void ResetSoundFolder() override;

    int GetTab() const { return m_tab; }
    int GetKind() const { return m_kind; }

    // The panels (null before the window is created).
    CDlgPropertiesTop* Top() const { return m_top.get(); }
    CDlgPropertiesBase* SegmentPage(int kind) const;
    CDlgPropertiesBase* EffectsPage() const { return m_effects.get(); }
    CDlgPropertiesBase* BrainwavesPage() const { return m_brainwaves.get(); }
    CDlgPropertiesBase* BilateralPage() const { return m_bilateral.get(); }
    /** The page the current tab and kind call for, or null (a tab outside 0..3, a kind outside). */
    CDlgPropertiesBase* CurrentPage() const;

protected:
    int OnCreate() override;
    void OnSize(int width, int height) override;
    void OnPaint(QPainter& painter) override;

private:
    /** Every page but the top panel, in a fixed order. */
    std::array<CDlgPropertiesBase*, kKindCount + 3> Pages() const;
    void DoLayout();

    std::unique_ptr<CDlgPropertiesTop> m_top;
    std::array<std::unique_ptr<CDlgPropertiesBase>, kKindCount> m_segmentPages;
    std::unique_ptr<CDlgPropertiesBase> m_brainwaves;
    std::unique_ptr<CDlgPropertiesBase> m_bilateral;
    std::unique_ptr<CDlgPropertiesBase> m_effects;
    int m_tab = kTabSound;
    CSegment* m_segment = nullptr;
    int m_kind = 0;
    QPixmap m_background;
    PanelFactory m_segmentFactory;
};
