#include "support/FakeUi.h"

#include <QElapsedTimer>
#include <QTest>

namespace vtest
{

namespace
{
/** The next queued answer of a file, folder or font dialog; nullopt (cancelled) once none is left. */
template <typename T> std::optional<T> TakeAnswer(std::deque<std::optional<T>>& answers)
{
    if (answers.empty() || !answers.front().has_value())
    {
        if (!answers.empty())
            answers.pop_front();
        return std::nullopt;
    }
    T answer = std::move(*answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

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
    return TakeAnswer(fileAnswers);
}

std::optional<QString> FakeUi::BrowseForFolder(QWidget*, const QString& title, const QString& start)
{
    folderTitles.push_back(title);
    folderStarts.push_back(start);
    return TakeAnswer(folderAnswers);
}

std::optional<QFont> FakeUi::ChooseFont(QWidget*, const QFont&, int, int)
{
    return TakeAnswer(fontAnswers);
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
