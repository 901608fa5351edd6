#include "panes/CPaneVSplitter.h"

#include "controls/Resources.h"
#include "controls/SkinDraw.h"

#include <QPainter>

CPaneVSplitter::CPaneVSplitter(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneVSplitter::OnCreate()
{
    CAppPane::OnCreate();
    m_bar = ui::LoadBitmap(kBarBitmap);
    return m_bar.isNull() ? -1 : 0;
}

void CPaneVSplitter::OnPaint(QPainter& painter)
{
    if (!m_bar.isNull() && width() > 0 && height() > 0)
        TileBitmap(painter, GetClientRect(), m_bar);
}
