#pragma once
/** @brief A desktop that answers from a script and records what was asked, for widget tests.
 *
 * Install it for a test's scope (it installs itself on construction and restores the previous
 * behaviour when destroyed). Unscripted questions get the first button's answer (IDOK / IDYES),
 * a cancelled file or folder dialog, and no menu item. */

#include "controls/Behaviour.h"
#include "controls/Window.h"

#include <deque>
#include <functional>
#include <vector>

namespace vtest
{

class FakeUi : public ui::Behaviour
{
public:
    struct Box
    {
        QString text;
        ui::MessageButtons buttons;
        ui::MessageIcon icon;
    };

    FakeUi();
    ~FakeUi() override;
    FakeUi(const FakeUi&) = delete;
    FakeUi& operator=(const FakeUi&) = delete;

    // Scripted answers, used in order.
    std::deque<int> boxAnswers;                            ///< IDOK, IDCANCEL, IDYES, IDNO
    std::deque<std::function<int(ui::Dialog&)>> modalRuns; ///< each gets the dialog, returns its result
    std::deque<int> menuChoices;                           ///< command ids (0: none chosen)
    std::deque<std::optional<QStringList>> fileAnswers;    ///< nullopt: cancelled
    std::deque<std::optional<QString>> folderAnswers;      ///< nullopt: cancelled
    std::deque<std::optional<QFont>> fontAnswers;          ///< nullopt: cancelled
    std::uint32_t tickCount = 0;                           ///< what TickCount returns
    bool urlsOpen = true; ///< false: no browser or file manager to open a URL with
    QDateTime now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));

    // Records.
    std::vector<Box> boxes;
    std::vector<QString> modalTitles;
    std::vector<ui::FileDialogRequest> fileRequests;
    std::vector<QString> folderTitles;
    std::vector<QString> folderStarts; ///< the folder each folder picker opened at
    std::vector<QUrl> openedUrls;
    int beeps = 0;

    int MessageBox(QWidget* owner, const QString& text, ui::MessageButtons buttons,
                   ui::MessageIcon icon) override;
    int RunModal(ui::Dialog& dialog) override;
    int TrackPopupMenu(QMenu& menu, const QPoint& at) override;
    std::optional<QStringList> GetFileNames(QWidget* owner, const ui::FileDialogRequest& request) override;
    std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title,
                                           const QString& start) override;
    std::optional<QFont> ChooseFont(QWidget* owner, const QFont& start, int minPoints,
                                    int maxPoints) override;
    bool OpenUrl(const QUrl& url) override;
    std::uint32_t TickCount() override { return tickCount; }
    QDateTime Now() override { return now; }
    void Beep() override { ++beeps; }

private:
    ui::ScopedBehaviour m_installed;
};

/** Runs the event loop until @p done holds or @p ms milliseconds have passed; returns done(). */
bool WaitFor(const std::function<bool()>& done, int ms = 3000);

} // namespace vtest
