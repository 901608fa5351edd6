#include "controls/Style.h"

#include "controls/Dc.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace ui
{

QPalette WorkspacePalette()
{
    QPalette p;
    const QColor window(66, 66, 66), text(200, 200, 200), base(46, 46, 46), button(82, 82, 82);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(56, 56, 56));
    p.setColor(QPalette::Text, QColor(224, 224, 224));
    p.setColor(QPalette::PlaceholderText, QColor(130, 130, 130));
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, QColor(214, 214, 214));
    p.setColor(QPalette::BrightText, QColor(255, 110, 100));
    p.setColor(QPalette::Light, QColor(110, 110, 110));
    p.setColor(QPalette::Midlight, QColor(94, 94, 94));
    p.setColor(QPalette::Mid, QColor(56, 56, 56));
    p.setColor(QPalette::Dark, QColor(40, 40, 40));
    p.setColor(QPalette::Shadow, QColor(20, 20, 20));
    p.setColor(QPalette::Highlight, QColor(52, 132, 146));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Link, QColor(110, 200, 215));
    p.setColor(QPalette::LinkVisited, QColor(150, 170, 215));
    p.setColor(QPalette::ToolTipBase, QColor(40, 40, 40));
    p.setColor(QPalette::ToolTipText, QColor(220, 220, 220));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::Base, QColor(58, 58, 58));
    return p;
}

void ApplyWorkspaceStyle(QApplication& app)
{
    InstallFontSubstitutes();
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QApplication::setPalette(WorkspacePalette());
    QFont font(QString::fromLatin1(kPaneFace));
    font.setPixelSize(12);
    app.setFont(font);
}

} // namespace ui
