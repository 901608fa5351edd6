#include "messages/AppMessage.h"
#include "controls/Window.h"

#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <set>
#include <thread>
#include <vector>

namespace
{

using vtest::WaitFor;

/** Keeps what arrives: the message, the thread it arrived on and its parameters. */
class Receiver : public ui::Window
{
public:
    struct Arrival
    {
        unsigned message;
        QThread* thread;
        ui::WParam wParam;
        ui::LParam lParam;
    };
    std::vector<Arrival> arrivals;
    ui::LResult answer = 0;

protected:
    ui::LResult OnAppMessage(ui::MessageEvent& m) override
    {
        if (m.Message() == WM_APP_GET_OUTPUT_LEVEL)
            *reinterpret_cast<double*>(m.GetWParam()) = 0.75;
        arrivals.push_back({m.Message(), QThread::currentThread(), m.GetWParam(), m.GetLParam()});
        return answer;
    }
};

} // namespace

// A message posted from a worker is handled later on the receiver's thread with the parameters it
// was posted with; a null receiver takes nothing.
TEST(AppMessage, PostedFromAWorkerThreadArrivesOnTheUiThread)
{
    Receiver receiver;
    std::thread worker([&] { EXPECT_TRUE(ui::PostMessage(&receiver, WM_APP_DISC_WRITTEN, 3, 7)); });
    worker.join();
    EXPECT_TRUE(receiver.arrivals.empty()) << "handled only when the UI thread gets to it";
    ASSERT_TRUE(WaitFor([&] { return receiver.arrivals.size() == 1; }, 5000));
    EXPECT_EQ(receiver.arrivals[0].message, WM_APP_DISC_WRITTEN);
    EXPECT_EQ(receiver.arrivals[0].thread, QCoreApplication::instance()->thread());
    EXPECT_EQ(receiver.arrivals[0].wParam, ui::WParam(3));
    EXPECT_EQ(receiver.arrivals[0].lParam, ui::LParam(7));
    EXPECT_FALSE(ui::PostMessage(nullptr, WM_APP_STOP));
}

TEST(AppMessage, SendMessageRunsTheHandlerAtOnceAndReturnsItsResult)
{
    Receiver receiver;
    receiver.answer = 0x80004005;
    double level = 0;
    EXPECT_EQ(ui::SendMessage(&receiver, WM_APP_GET_OUTPUT_LEVEL, reinterpret_cast<ui::WParam>(&level)),
              0x80004005);
    ASSERT_EQ(receiver.arrivals.size(), 1u); // handled before SendMessage returned
    EXPECT_EQ(level, 0.75);
}

// A sender that reads the result must tell "nobody handled it" from every answer, 0 (success)
// included: no receiver, a window that does not know the message, and an object that is no window
// of the layer all give kNotHandled, while a handler's 0 stays 0.
TEST(AppMessage, NobodyHandlingIsNotAnAnswer)
{
    ui::Window unknowing;
    QObject notAWindow;
    EXPECT_EQ(ui::SendMessage(nullptr, WM_APP_ADD_RECORDING), ui::kNotHandled);
    EXPECT_EQ(ui::SendMessage(&unknowing, WM_APP_ADD_RECORDING), ui::kNotHandled);
    EXPECT_EQ(ui::SendMessage(&notAWindow, WM_APP_ADD_RECORDING), ui::kNotHandled);
    Receiver receiver;
    EXPECT_EQ(ui::SendMessage(&receiver, WM_APP_ADD_RECORDING), 0);
}

// Two messages sharing a number would reach the wrong handler; the free numbers must stay free.
TEST(AppMessage, NumbersAreDistinctAndLeaveTheGapsFree)
{
    const std::vector<unsigned> all = {WM_APP_SELECT_SEGMENT,
                                       WM_APP_SHOW_PROPERTY_TAB,
                                       WM_APP_RESET_SOUND_FOLDER,
                                       WM_APP_SEGMENT_CHANGED,
                                       WM_APP_PROPERTY_CHANGED,
                                       WM_APP_ADD_RECORDING,
                                       WM_APP_HELP_TOPIC,
                                       WM_APP_PLAY,
                                       WM_APP_PAUSE,
                                       WM_APP_STOP,
                                       WM_APP_SESSION_LENGTH_CHANGED,
                                       WM_APP_RESTART_PLAYBACK,
                                       WM_APP_NEW_SESSION,
                                       WM_APP_OPEN_SESSION,
                                       WM_APP_SAVE_SESSION,
                                       WM_APP_SAVE_SESSION_AS,
                                       WM_APP_DELETE_SEGMENT,
                                       WM_APP_RECORD_VOICE,
                                       WM_APP_LIVE_RECORDING,
                                       WM_APP_EXPORT_SESSION,
                                       WM_APP_AMBIENT_MUSIC_TOOL,
                                       WM_APP_OPTIONS,
                                       WM_APP_HELP_INDEX,
                                       WM_APP_COPY_SEGMENT,
                                       WM_APP_PASTE_SEGMENT,
                                       WM_APP_ADD_TRACK,
                                       WM_APP_DUPLICATE_TRACK,
                                       WM_APP_REMOVE_TRACK,
                                       WM_APP_CLEAN_EMPTY_TRACKS,
                                       WM_APP_MUTE_TRACK,
                                       WM_APP_ACTIVATE_TRACK,
                                       WM_APP_MUTE_ALL_TRACKS,
                                       WM_APP_ACTIVATE_ALL_TRACKS,
                                       WM_APP_EDIT_STAGES,
                                       WM_APP_EDIT_NOTES,
                                       WM_APP_SHOW_GLOBALS,
                                       WM_APP_TRANSCRIPT,
                                       WM_APP_OPEN_WEB_SITE,
                                       WM_APP_OPEN_VIDEOS,
                                       WM_APP_OPEN_CONTACT,
                                       WM_APP_CHECK_UPDATES,
                                       WM_APP_ABOUT,
                                       WM_APP_GO_TO_START,
                                       WM_APP_PREVIOUS_STAGE,
                                       WM_APP_HELP_BACK,
                                       WM_APP_HELP_FORWARD,
                                       WM_APP_HELP_HOME,
                                       WM_APP_NEXT_STAGE,
                                       WM_APP_MIXER_BLOCK,
                                       WM_APP_GET_OUTPUT_LEVEL,
                                       WM_APP_TRIM_POSITION,
                                       WM_APP_TRIM_SELECTION,
                                       WM_APP_DISC_WRITTEN,
                                       WM_APP_GET_TRACKS_PANE,
                                       WM_APP_MIXER_ERROR};
    const std::set<unsigned> distinct(all.begin(), all.end());
    EXPECT_EQ(distinct.size(), all.size());
    for (unsigned gap : {0x04u, 0x12u, 0x1Cu, 0x1Du, 0x1Eu})
        EXPECT_EQ(distinct.count(WM_APP + gap), 0u) << std::hex << gap;
    EXPECT_EQ(*distinct.begin(), WM_APP + 0x01);
    EXPECT_EQ(*distinct.rbegin(), WM_APP + 0x3C);
    EXPECT_EQ(distinct.size(), 0x3Cu - 5u);
}

TEST(AppMessage, ActiveViewIsForgottenWhenTheViewGoes)
{
    EXPECT_EQ(GetActiveView(), nullptr);
    {
        Receiver view;
        ui::SetActiveView(&view);
        EXPECT_EQ(GetActiveView(), &view);
        ui::SendMessage(GetActiveView(), WM_APP_PROPERTY_CHANGED);
        EXPECT_EQ(view.arrivals.size(), 1u);
    }
    EXPECT_EQ(GetActiveView(), nullptr);
    EXPECT_EQ(ui::SendMessage(GetActiveView(), WM_APP_PROPERTY_CHANGED), ui::kNotHandled);
}
