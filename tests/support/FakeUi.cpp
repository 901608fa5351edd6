#include "support/FakeUi.h"

#include <QElapsedTimer>
#include <QTest>

namespace vtest
{

FakeUi::FakeUi() : m_installed(*this) {}

FakeUi::~FakeUi() = default;

int FakeUi::MessageBox(QWidget*, const QString& text, ui::MessageButtons buttons, ui::MessageIcon icon)
{
    boxes.push_back({text, buttons, icon});
    if (!boxAnswers.empty())
    {
        const int answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    return buttons == ui::MessageButtons::YesNo || buttons == ui::MessageButtons::YesNoCancel ? ui::IDYES
                                                                                              : ui::IDOK;
}

int FakeUi::RunModal(ui::Dialog& dialog)
{
    modalTitles.push_back(dialog.windowTitle());
    if (modalRuns.empty())
        return ui::IDCANCEL;
    auto run = std::move(modalRuns.front());
    modalRuns.pop_front();
    return run(dialog);
}

int FakeUi::TrackPopupMenu(QMenu&, const QPoint&)
{
    if (menuChoices.empty())
        return 0;
    const int id = menuChoices.front();
    menuChoices.pop_front();
    return id;
}

std::optional<QStringList> FakeUi::GetFileNames(QWidget*, const ui::FileDialogRequest& request)
{
    fileRequests.push_back(request);
    if (fileAnswers.empty())
        return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<QString> FakeUi::BrowseForFolder(QWidget*, const QString& title, const QString& start)
{
    folderTitles.push_back(title);
    folderStarts.push_back(start);
    if (folderAnswers.empty())
        return std::nullopt;
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

std::optional<QFont> FakeUi::ChooseFont(QWidget*, const QFont&, int, int)
{
    if (fontAnswers.empty())
        return std::nullopt;
    auto answer = fontAnswers.front();
    fontAnswers.pop_front();
    return answer;
}

bool FakeUi::OpenUrl(const QUrl& url)
{
    openedUrls.push_back(url);
    return urlsOpen;
}

bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QTest::qWait(5);
    return done();
}

} // namespace vtest
