#pragma once
// What the graph editors' tests share: a document (clipboard, remembered editor placement, stages),
// a frame window the editors open over, a view that records help requests, and a modal run that
// shows the dialog and hands it to the test's script.

#include "controls/AppMessage.h"
#include "controls/Window.h"
#include "model/CVornaDoc.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QTest>

#include <functional>
#include <vector>

namespace vtest
{

/** The active view: records the topics of WM_APP_HELP_TOPIC. */
class HelpView : public ui::Window
{
public:
    HelpView() { ui::SetActiveView(this); }
    ~HelpView() override { ui::SetActiveView(nullptr); }
    std::vector<QString> topics;

protected:
    ui::LResult OnAppMessage(ui::MessageEvent& message) override
    {
        if (message.Message() == WM_APP_HELP_TOPIC)
            topics.push_back(*reinterpret_cast<const QString*>(message.GetWParam()));
        return 0;
    }
};

/** Queues a modal run that shows the dialog, waits until it is active, runs @p script on it and
 *  closes it. */
template <class DialogT>
void ScriptModalRun(FakeUi& fake, std::function<void(DialogT&)> script)
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
