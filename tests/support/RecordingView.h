#pragma once
/** @brief Stand-ins for the windows above the property rows, panels and panes in widget tests:
 *  an active view that records the application messages it gets and answers the tracks-pane
 *  question, a tracks pane's selection, and graph editors that record how they were opened. */

#include "controls/AppMessage.h"
#include "controls/GraphEditors.h"
#include "controls/Window.h"

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

/** The active view for a test's scope: records every message (and the topic of each help
 *  message); answers WM_APP_GET_TRACKS_PANE with its selection, or none when that is null. */
class RecordingView : public ui::Window
{
public:
    struct Message
    {
        unsigned id;
        ui::WParam wParam;
        ui::LParam lParam;
        QString topic; ///< for WM_APP_HELP_TOPIC
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

protected:
    ui::LResult OnAppMessage(ui::MessageEvent& m) override
    {
        if (m.Message() == WM_APP_GET_TRACKS_PANE)
        {
            *reinterpret_cast<ui::SelectionSource**>(m.GetWParam()) = hasTracksPane ? &selection : nullptr;
            return 0;
        }
        Message r{m.Message(), m.GetWParam(), m.GetLParam(), {}};
        if (m.Message() == WM_APP_HELP_TOPIC && m.GetWParam() != 0)
            r.topic = *reinterpret_cast<const QString*>(m.GetWParam());
        messages.push_back(r);
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
