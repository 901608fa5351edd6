#pragma once
/** @brief Stand-ins for the windows above the property rows, panels and panes in widget tests:
 *  an active view that records the calls it gets and answers the tracks-pane question, a tracks
 *  pane's selection, and graph editors that record how they were opened. */

#include "controls/GraphEditors.h"
#include "controls/Window.h"
#include "messages/AppMessage.h"
#include "messages/ViewMessages.h"

#include <QString>

#include <algorithm>
#include <vector>

class CAutoGraph;

namespace vtest
{

/** A tracks pane's selection: a segment's range and a track, or none. */
class FakeSelection : public ui::SelectionSource
{
public:
    double begin = 0.0;
    double end = 1.0;
    int track = -1;

    void GetSelectedRange(double& b, double& e) const override
    {
        b = begin;
        e = end;
    }
    int GetSelectedTrack() const override { return track; }
};

/** A view whose calls do nothing (AddRecording refuses): a fake view overrides what it watches. */
class IdleView : public ui::Window, public ui::ViewMessages
{
public:
    void SelectSegment(CSegment*) override {}
    void SegmentChanged() override {}
    void DeleteTemporarySegment() override {}
    void PropertyChanged() override {}
    void ShowGlobals() override {}
    void ShowHelpTopic(const QString&, ui::HelpFollow) override {}
    void Play(bool, QObject*) override {}
    void Stop() override {}
    void RestartPlayback() override {}
    void SessionLengthChanged() override {}
    bool AddRecording(ui::RecordingTarget, const QString&) override { return false; }
    double OutputLevel() const override { return 0.0; }
    ui::SelectionSource* TracksPane() const override { return nullptr; }
};

/** The active view for a test's scope: records every call by the message it stands for, with
 *  what the call carried; TracksPane answers its selection, or none when hasTracksPane is false.
 *  The message ids the bars send (SendMessage) are recorded too. */
class RecordingView : public IdleView
{
public:
    struct Message
    {
        explicit Message(unsigned message) : id(message) {}
        unsigned id;
        QString topic;                                  ///< WM_APP_HELP_TOPIC
        ui::HelpFollow follow = ui::HelpFollow::Always; ///< WM_APP_HELP_TOPIC
        bool preview = false;                           ///< WM_APP_PLAY
        QObject* levelWindow = nullptr;                 ///< WM_APP_PLAY
        CSegment* segment = nullptr;                    ///< WM_APP_SELECT_SEGMENT
    };

    RecordingView() { ui::SetActiveView(this); }
    ~RecordingView() override { ui::SetActiveView(nullptr); }

    FakeSelection selection;
    bool hasTracksPane = true;
    std::vector<Message> messages;

    int Count(unsigned id) const
    {
        return int(
            std::count_if(messages.begin(), messages.end(), [id](const Message& m) { return m.id == id; }));
    }
    std::vector<Message> Of(unsigned id) const
    {
        std::vector<Message> out;
        std::copy_if(messages.begin(), messages.end(), std::back_inserter(out),
                     [id](const Message& m) { return m.id == id; });
        return out;
    }
    void Clear() { messages.clear(); }

    void SelectSegment(CSegment* segment) override
    {
        Message m{WM_APP_SELECT_SEGMENT};
        m.segment = segment;
        messages.push_back(m);
    }
    void SegmentChanged() override { messages.emplace_back(WM_APP_SEGMENT_CHANGED); }
    void DeleteTemporarySegment() override { messages.emplace_back(WM_APP_DELETE_SEGMENT); }
    void PropertyChanged() override { messages.emplace_back(WM_APP_PROPERTY_CHANGED); }
    void ShowGlobals() override { messages.emplace_back(WM_APP_SHOW_GLOBALS); }
    void ShowHelpTopic(const QString& topic, ui::HelpFollow follow) override
    {
        Message m{WM_APP_HELP_TOPIC};
        m.topic = topic;
        m.follow = follow;
        messages.push_back(m);
    }
    void Play(bool preview, QObject* levelWindow) override
    {
        Message m{WM_APP_PLAY};
        m.preview = preview;
        m.levelWindow = levelWindow;
        messages.push_back(m);
    }
    void Stop() override { messages.emplace_back(WM_APP_STOP); }
    void RestartPlayback() override { messages.emplace_back(WM_APP_RESTART_PLAYBACK); }
    void SessionLengthChanged() override { messages.emplace_back(WM_APP_SESSION_LENGTH_CHANGED); }
    ui::SelectionSource* TracksPane() const override
    {
        return hasTracksPane ? const_cast<FakeSelection*>(&selection) : nullptr;
    }

protected:
    ui::LResult OnAppMessage(ui::MessageEvent& m) override
    {
        messages.emplace_back(m.Message());
        return 0;
    }
};

/** Graph editors that record their inputs; installed for the scope's life. */
class RecordingGraphEditors : public ui::GraphEditors
{
public:
    RecordingGraphEditors() { ui::SetGraphEditors(this); }
    ~RecordingGraphEditors() override { ui::SetGraphEditors(nullptr); }

    std::vector<ui::GraphEditorInputs> graphRuns;
    struct AutoRun
    {
        CAutoGraph* graph;
        QString name;
        QString unit;
    };
    std::vector<AutoRun> autoRuns;

    int RunGraphEditor(QWidget*, const ui::GraphEditorInputs& inputs) override
    {
        graphRuns.push_back(inputs);
        return ui::IDOK;
    }
    int RunAutoGraphEditor(QWidget*, CAutoGraph* graph, const QString& name, const QString& unit) override
    {
        autoRuns.push_back({graph, name, unit});
        return ui::IDOK;
    }
};

} // namespace vtest
