#include "controls/CWebBrowser2.h"

#include "controls/Behaviour.h"
#include "controls/Window.h"

#include <QFileInfo>

CWebBrowser2::CWebBrowser2(QWidget* parent) : QTextBrowser(parent)
{
    setOpenExternalLinks(false);
    setOpenLinks(true);
}

bool CWebBrowser2::Create(const QString& windowName, const QRect& rect, QWidget* parent, int id)
{
    setParent(parent);
    setObjectName(windowName);
    ui::SetControlId(this, id);
    setGeometry(rect);
    show();
    return true;
}

void CWebBrowser2::Navigate(const QString& pathOrUrl)
{
    QUrl url(pathOrUrl);
    if (!url.isValid() || url.scheme().size() <= 1) // no scheme, or a drive letter
    {
        QString path = pathOrUrl;
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        url = QUrl::fromLocalFile(path);
    }
    setSource(url, QTextDocument::HtmlResource);
}

QString CWebBrowser2::MissingPageHtml(const QString& path)
{
    return QStringLiteral("<html><body style=\"font-family: Verdana, sans-serif;\">"
                          "<h2>This help page is missing</h2>"
                          "<p>The page <b>%1</b> is not installed.</p>"
                          "<p>Use <i>Home</i> to go back to the index of the help.</p>"
                          "</body></html>")
        .arg(path.toHtmlEscaped());
}

QVariant CWebBrowser2::loadResource(int type, const QUrl& name)
{
    if (type == QTextDocument::HtmlResource && name.isLocalFile() && !QFileInfo::exists(name.toLocalFile()))
        return MissingPageHtml(name.toLocalFile());
    return QTextBrowser::loadResource(type, name);
}

void CWebBrowser2::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    const QString scheme = name.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("mailto"))
    {
        ui::OpenUrl(window(), name);
        return;
    }
    QTextBrowser::doSetSource(name, type);
}
