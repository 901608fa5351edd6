#include "dialogs/session/CDlgAbout.h"

#include "controls/Controls.h"
#include "controls/Resources.h"

#include <QPainter>

namespace
{

constexpr int kMargin = 12;
constexpr int kLineHeight = 20;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
/** The width when the picture cannot say it. */
constexpr int kDefaultWidth = 460;

} // namespace

CDlgAbout::CDlgAbout(QWidget* parent) : ui::Dialog(parent), m_picture(ui::LoadBitmap(kPictureBitmap))
{
    setWindowTitle(QStringLiteral("About VORNA"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    const int width = m_picture.isNull() ? kDefaultWidth : m_picture.width();
    const int top = m_picture.isNull() ? 0 : m_picture.height();

    m_version = new ui::Static(this, kIdVersion);
    m_version->setGeometry(kMargin, top + kMargin, width - 2 * kMargin, kLineHeight);
    auto* legal = new ui::Static(this, -1, QStringLiteral("Copyright \u00A9 Kestrune. All rights reserved."));
    legal->setGeometry(kMargin, top + kMargin + kLineHeight, width - 2 * kMargin, kLineHeight);
    auto* ok = new ui::Button(this, ui::IDOK, QStringLiteral("OK"));
    const int buttonTop = top + kMargin + 2 * kLineHeight + kMargin / 2;
    ok->setGeometry(width - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    ok->setDefault(true);
    setFixedSize(width, buttonTop + kButtonHeight + kMargin);
}

QString CDlgAbout::VersionLine()
{
    return QStringLiteral("VORNA version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

bool CDlgAbout::OnInitDialog()
{
    m_version->SetWindowText(VersionLine());
    return true;
}

bool CDlgAbout::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (id != ui::IDOK || code != ui::Notify::Clicked)
        return false;
    OnOK();
    return true;
}

void CDlgAbout::OnPaint(QPainter& painter)
{
    if (m_picture.isNull())
        return;
    // The picture at its own size from the top left; a wider window shows the grey beside it.
    painter.fillRect(QRect(0, 0, width(), m_picture.height()), QColor::fromRgb(kPictureBackground));
    painter.drawPixmap(QPoint(0, 0), m_picture,
                       QRect(0, 0, std::min(width(), m_picture.width()), m_picture.height()));
}
