#pragma once
// What the graph editors' tests share: a document (clipboard, remembered editor placement, stages),
// a frame window the editors open over, a view that records help requests, and a modal run that
// shows the dialog and hands it to the test's script.

#include "model/CVornaDoc.h"
#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QTest>

#include <functional>
#include <vector>

namespace vtest
{

/** The active view: records the help topics it is asked to show. */
class HelpView : public IdleView
{
public:
    HelpView() { ui::SetActiveView(this); }
    ~HelpView() override { ui::SetActiveView(nullptr); }
    std::vector<QString> topics;

    void ShowHelpTopic(const QString& topic, ui::HelpFollow) override { topics.push_back(topic); }
};

/** Queues a modal run that shows the dialog, waits until it is active, runs @p script on it and
 *  closes it. */
template <class DialogT> void ScriptModalRun(FakeUi& fake, std::function<void(DialogT&)> script)
{
    fake.modalRuns.push_back(
        [script](ui::Dialog& d)
        {
            auto& dialog = static_cast<DialogT&>(d);
            dialog.show();

            dialog.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            script(dialog);
            dialog.hide();
            return int(ui::IDCANCEL);
        });
}

} // namespace vtest
