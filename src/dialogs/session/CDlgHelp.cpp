#include "dialogs/session/CDlgHelp.h"

#include "controls/Accelerators.h"
#include "controls/CWebBrowser2.h"
#include "controls/CWndToolbarHelp.h"
#include "controls/CommandIds.h"
#include "platform/Registry.h"

namespace
{

/** The size the window first opens at: tall enough for a page without scrolling much. */
constexpr int kStartWidth = 560;
constexpr int kStartHeight = 700;

} // namespace

CDlgHelp::CDlgHelp(QWidget* parent)
    : ui::Dialog(parent), m_toolbar(new CWndToolbarHelp(this)), m_browser(new CWebBrowser2(this))
{
    setWindowTitle(QStringLiteral("VORNA Help"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setModal(false);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kStartWidth, kStartHeight);
}

bool CDlgHelp::Create(QWidget*)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    return ui::Dialog::Create(nullptr);
}

QString CDlgHelp::PagePath(const QString& topic)
{
    return GetInstallPath() + QStringLiteral("/Help/help_files/") + topic + QStringLiteral(".html");
}

bool CDlgHelp::OnInitDialog()
{
    m_toolbar->Create(this, ID_HELP_TOOLBAR, QRect(0, 0, width(), kToolbarHeight));
    m_toolbar->Invalidate();
    m_browser->Create(QStringLiteral("help"), QRect(0, kToolbarHeight, width(), height() - kToolbarHeight),
                      this, kIdBrowser);
    return true;
}

void CDlgHelp::Layout()
{
    m_toolbar->setGeometry(0, 0, width(), kToolbarHeight);
    m_browser->setGeometry(0, kToolbarHeight, width(), std::max(0, height() - kToolbarHeight));
    m_toolbar->Invalidate();
}

void CDlgHelp::OnSize(int, int)
{
    Layout();
}

void CDlgHelp::ShowTopic(const QString& topic)
{
    show();
    raise();
    m_browser->Navigate(PagePath(topic));
}

ui::LResult CDlgHelp::OnAppMessage(ui::MessageEvent& message)
{
    // Back and Forward without a page to go to do nothing.
    switch (message.Message())
    {
    case WM_APP_HELP_BACK:
        m_browser->GoBack();
        return 0;
    case WM_APP_HELP_FORWARD:
        m_browser->GoForward();
        return 0;
    case WM_APP_HELP_HOME:
        m_browser->Navigate(PagePath(QString::fromLatin1(kHomeTopic)));
        return 0;
    default:
        return ui::kNotHandled;
    }
}

ui::Translate CDlgHelp::PreTranslateMessage(QKeyEvent* key)
{
    if (ui::MainFrameHasAccelerators() && ui::TranslateAccelerator(key))
        return ui::Translate::Consume;
    return ui::Translate::Continue;
}
