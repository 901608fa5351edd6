#pragma once
/** @brief One property row: a label, the value edit, a spin button, a slider and an optional mode
 *  button, editing one CSmartProperty that the row never owns.
 *
 * Every change the user makes is written into the bound property at once and reported to the
 * active view with WM_APP_PROPERTY_CHANGED. Showing a value (SetProperty) changes nothing and
 * reports nothing. The mode button's menu switches the property between its constant, a drawn
 * graph and an automatic graph and opens the graph editors (ui::GetGraphEditors).
 *
 * A typed number is stored limited to the range, the edit keeping what was typed (on the warning
 * colour while it lies outside the range). A typed text that is no plain number ("", "-5", "1e9")
 * is refused: the warning colour, and the property keeps the value it had when the edit took the
 * focus; leaving the edit then shows that value again.
 *
 * A row without a bound property (before the first SetProperty, or after SetProperty(nullptr)
 * when its segment went away) shows no value and never reads one. UI thread only. */

#include "controls/CPropertyInfo.h"
#include "controls/Controls.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <memory>

class CSmartProperty;
class CUiPropertyEdit;

class CUiProperty : public ui::Window
{
public:
    static constexpr int kIdLabel = 100;
    static constexpr int kIdEdit = 101;
    static constexpr int kIdSpin = 102;
    static constexpr int kIdSlider = 103;
    static constexpr int kIdModeButton = 104;
    static constexpr int kIdSetValue = 105;
    static constexpr int kIdSetGraph = 106;
    static constexpr int kIdSetAutoGraph = 107;
    /** The edit's background while the typed value lies outside the range. */
    static inline const QColor kWarningColour{255, 200, 200};

    /** Where the children of a row of width w and height h go; f is the text height + 6. */
    struct Layout
    {
        QRect label, edit, spin, slider, modeButton;
    };
    static Layout ComputeLayout(int w, int h, int f, double labelFraction, double editFraction,
                                bool modeButton);

    CUiProperty();
    ~CUiProperty() override;

    /** Builds the row over the descriptor's placeholder as a child of its parent; false when the
     *  descriptor has no parent. */
    bool Create(const CPropertyInfo& info);

    /** Binds @p property (null unbinds) and shows its constant, range and mode. */
    void SetProperty(CSmartProperty* property);
    CSmartProperty* GetProperty() const { return m_property; }

    /** 0: editable (value controls only in constant mode); 1: all disabled; 2: while playing, the
     *  mode button disabled and the value editable only in constant mode; any other value leaves
     *  the children as they are. The row itself stays enabled. Nothing while unbound. */
    void EnableControls(int state);

    /** The name and unit the graph editors give the row's value in their title and read-outs,
     *  for a row that shows neither itself (its label stands beside it); by default the row's
     *  own label and unit. */
    void SetEditorNames(const QString& name, const QString& unit);

    /** Whether the last typed value lay within the range (true after SetProperty); false too while
     *  the edit holds a text that is no number. */
    bool IsInRange() const { return m_inRange; }

    // The children, for the panels and for tests.
    ui::Static& LabelCtrl() { return *m_label; }
    CUiPropertyEdit& EditCtrl() { return *m_edit; }
    ui::SpinButton& SpinCtrl() { return *m_spin; }
    ui::Slider& SliderCtrl() { return *m_slider; }
    ui::Button& ModeButton() { return *m_modeButton; }
    ui::PopupMenu& ModeMenu() { return m_menu; }

protected:
    int OnCreate() override;
    void OnSize(int width, int height) override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    void OnHScroll(ui::ScrollCode code, int pos, QWidget* from) override;
    void OnVScroll(ui::ScrollCode code, int pos, QWidget* from) override;

private:
    void DoLayout();
    QString Format(double v) const;
    /** What follows a change of the edit's text by the user (or by the slider and the spin). */
    void OnEditChange();
    void OnModeButton();
    void OnSetValue();
    void OnSetGraph();
    void OnSetAutoGraph();
    void SendChanged() const;
    void SetModeText(int mode);

    ui::Static* m_label = nullptr;
    CUiPropertyEdit* m_edit = nullptr;
    ui::SpinButton* m_spin = nullptr;
    ui::Slider* m_slider = nullptr;
    ui::Button* m_modeButton = nullptr;
    ui::PopupMenu m_menu;

    CSmartProperty* m_property = nullptr;
    QRect m_rowRect;
    QString m_labelText;
    QString m_unit;
    QString m_editorName; // what the graph editors call the value: the label unless set
    QString m_editorUnit;
    QString m_format = QStringLiteral("%.0f");
    double m_min = 0.0;
    double m_max = 0.0;
    bool m_hasModeButton = false;
    bool m_autoGraphAllowed = false;
    double m_labelFraction = 0.0;
    double m_editFraction = 0.0;
    CPropertyInfo m_info; // the document references, for the graph editor
    bool m_inRange = true;
    bool m_refused = false;    // the edit holds a text that is no number
    double m_entryValue = 0.0; // the constant when the edit took the focus
};
