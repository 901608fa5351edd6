#pragma once
/** @brief The help pages' browser: local HTML files with Back and Forward.
 *
 * A page that does not exist shows a small page of our own that names the missing file, and it
 * takes its place in the history like any other. Links to web pages open in the desktop's browser
 * (through ui::Behaviour) and leave the help page where it is. */

#include <QTextBrowser>

class CWebBrowser2 : public QTextBrowser
{
public:
    explicit CWebBrowser2(QWidget* parent = nullptr);

    /** Makes the browser a child of @p parent with @p id over @p rect and shows it. */
    bool Create(const QString& windowName, const QRect& rect, QWidget* parent, int id);

    void GoBack() { backward(); }
    void GoForward() { forward(); }
    /** Shows the page at @p pathOrUrl: a file path (backslashes are read as folder separators) or a
     *  file: URL. */
    void Navigate(const QString& pathOrUrl);

    /** The page a missing file shows. */
    static QString MissingPageHtml(const QString& path);

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
};
