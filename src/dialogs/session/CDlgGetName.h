#pragma once
/** @brief The one-line name entry of the stage editor: "Enter name", an edit and OK, in a window
 *  without a caption bar.
 *
 * The edit shows the name when the dialog opens; OK takes the edit's text into the name, Esc
 * leaves the name as it was. UI thread. */

#include "controls/Window.h"

namespace ui
{
class Edit;
}

class CDlgGetName : public ui::Dialog
{
public:
    static constexpr int kIdName = 1006;

    explicit CDlgGetName(QWidget* parent = nullptr);

    /** In: the name shown; out: the name typed, after OK. */
    QString m_name;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    void OnPaint(QPainter& painter) override;

private:
    ui::Edit* m_edit = nullptr;
};
