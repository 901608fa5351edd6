#include "app/StandIns.h"

#include "controls/AppMessages.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell
{

PlaceholderPane::PlaceholderPane(const QString& name, QWidget* parent) : CAppPane(parent), m_name(name)
{
    SetOpaquePaint(true);
    setFocusPolicy(Qt::NoFocus);
}

void PlaceholderPane::OnPaint(QPainter& painter)
{
    const QRect r = rect();
    painter.fillRect(r, QColor(58, 58, 58));
    painter.setPen(QColor(40, 40, 40));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(150, 150, 150));
    painter.drawText(r, Qt::AlignCenter, m_name);
}

RecorderStandIn::RecorderStandIn(QWidget* parent) : ui::Dialog(parent)
{
    setModal(false);
    hide();
}

void RecorderStandIn::Setup(COptions*, const QString&, bool, double, QWidget* owner, CSegment* effectsSource)
{
    m_owner = owner;
    m_source = effectsSource;
}

bool RecorderStandIn::Prepare()
{
    if (m_owner == nullptr)
        return false;
    // The recorder starts the session with itself as the level window, as the real one does.
    ui::SendMessage(m_owner, WM_APP_PLAY, 0, reinterpret_cast<ui::LParam>(static_cast<QObject*>(this)));
    return true;
}

CountdownStandIn::CountdownStandIn(QWidget* parent) : ui::Dialog(parent), m_label(new QLabel(this))
{
    setWindowTitle(QStringLiteral("VORNA"));
    auto* layout = new QVBoxLayout(this);
    m_label->setAlignment(Qt::AlignCenter);
    QFont f = m_label->font();
    f.setPointSize(28);
    f.setBold(true);
    m_label->setFont(f);
    layout->addWidget(m_label);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    resize(220, 160);
}

bool CountdownStandIn::OnInitDialog()
{
    m_left = 3;
    m_label->setText(QString::number(m_left));
    SetTimer(1, 1000);
    return true;
}

void CountdownStandIn::OnTimer(int id)
{
    if (--m_left <= 0)
    {
        KillTimer(1);
        EndDialog(ui::IDOK);
        return;
    }
    m_label->setText(QString::number(m_left));
}

} // namespace shell
