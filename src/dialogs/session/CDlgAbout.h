#pragma once
/** @brief The about box: the program's picture across the top, then the version line naming
 *  VORNA and its version, the legal notice and OK. UI thread. */

#include "controls/Window.h"

#include <QPixmap>

namespace ui
{
class Static;
}

class CDlgAbout : public ui::Dialog
{
public:
    static constexpr int kIdVersion = 1138;
    static constexpr int kPictureBitmap = 434;
    static constexpr int kVersionMajor = 4;
    static constexpr int kVersionMinor = 1;
    static constexpr int kVersionPatch = 0;
    /** The colour behind the picture, where the window is wider than it. */
    static constexpr QRgb kPictureBackground = 0x404040;

    explicit CDlgAbout(QWidget* parent = nullptr);

    /** False when the picture could not be loaded: the box cannot be shown. */
    bool IsCreated() const { return !m_picture.isNull(); }
    /** "VORNA version 4.1.0". */
    static QString VersionLine();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    void OnPaint(QPainter& painter) override;

private:
    QPixmap m_picture;
    ui::Static* m_version = nullptr;
};
