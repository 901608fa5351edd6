#pragma once
/** @brief The "Global Properties" dialog: the session-wide beat frequency and bilateral rate that the
 *  "Global" choices of the brainwave and bilateral pages follow.
 *
 * The rows write into the document at once; Close only ends the dialog. Their graphs run over the
 * whole session, so the graph editor's time axis is the whole session whatever segment is
 * selected. UI thread only. */

#include "controls/CUiProperty.h"
#include "controls/Window.h"

class CVornaDoc;

class CDlgGlobals : public ui::Dialog
{
public:
    static constexpr int kIdBrainwavesPlaceholder = 1084;
    static constexpr int kIdBilateralPlaceholder = 1102;
    static constexpr int kIdHelp = 9;
    static constexpr const char* kHelpTopic = "BrainwaveEntrainment";

    explicit CDlgGlobals(QWidget* parent = nullptr);
    ~CDlgGlobals() override;

    /** Set before DoModal. */
    CVornaDoc* m_doc = nullptr;

    CUiProperty& BrainwavesRow() { return m_brainwaves; }
    CUiProperty& BilateralRow() { return m_bilateral; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    CUiProperty m_brainwaves;
    CUiProperty m_bilateral;
    QWidget* m_brainwavesPlace = nullptr;
    QWidget* m_bilateralPlace = nullptr;
};
