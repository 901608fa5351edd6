#pragma once
/** @brief What the panes, property panels and dialogs ask of the view: one call per application
 *  message that carries something or answers something.
 *
 * The view implements it; a window below the view holds it as a pointer (its owner view, or the
 * active view that ActiveView returns) and calls it directly, so that every such call is checked
 * by the compiler and cannot go unanswered. The buttons of the tool and control bars still send
 * their message ids (SendMessage), which the view dispatches as commands. UI thread only. */

#include "messages/AppMessage.h"

#include <QObject>
#include <QString>

class CSegment;

namespace ui
{

class SelectionSource;

/** Where a finished voice recording goes (WM_APP_ADD_RECORDING). */
enum class RecordingTarget
{
    SelectedSegment, ///< the file of the selected voice segment
    NewSegment,      ///< a new voice segment
};

/** When a help topic is shown (WM_APP_HELP_TOPIC). */
enum class HelpFollow
{
    Always,        ///< opens the help window when it is closed
    WhileOpenOnly, ///< only while the help window is open: it follows the selection
};

class ViewMessages
{
public:
    virtual ~ViewMessages() = default;

    /** WM_APP_SELECT_SEGMENT: @p segment (null for none) is now selected; the properties follow. */
    virtual void SelectSegment(CSegment* segment) = 0;
    /** WM_APP_SEGMENT_CHANGED: the selected segment's times or content length changed. */
    virtual void SegmentChanged() = 0;
    /** WM_APP_DELETE_SEGMENT from the tracks pane: removes the selected segment, which a click on
     *  an empty row made for a moment; removed like any other, but it was never an edit of the
     *  session. */
    virtual void DeleteTemporarySegment() = 0;
    /** WM_APP_PROPERTY_CHANGED: a property row changed a value of the session. */
    virtual void PropertyChanged() = 0;
    /** WM_APP_SHOW_GLOBALS: opens the global entrainment and bilateral dialog. */
    virtual void ShowGlobals() = 0;
    /** WM_APP_HELP_TOPIC: the help window shows @p topic. */
    virtual void ShowHelpTopic(const QString& topic, HelpFollow follow) = 0;
    /** WM_APP_PLAY: plays the session (@p preview: only the selected segment) from the cursor;
     *  @p levelWindow, when it is a mixer block sink, gets every block played. */
    virtual void Play(bool preview, QObject* levelWindow) = 0;
    /** WM_APP_STOP: stops playing (a pause is forgotten). */
    virtual void Stop() = 0;
    /** WM_APP_RESTART_PLAYBACK: the cursor moved; a playing session plays on from there. */
    virtual void RestartPlayback() = 0;
    /** WM_APP_SESSION_LENGTH_CHANGED: the user set the session's length; playing stops and the
     *  segments' times follow. */
    virtual void SessionLengthChanged() = 0;
    /** WM_APP_ADD_RECORDING: places the recorded file @p path; false when it could not be placed. */
    virtual bool AddRecording(RecordingTarget target, const QString& path) = 0;
    /** WM_APP_GET_OUTPUT_LEVEL: the louder channel's output level now, 0 when not playing. */
    virtual double OutputLevel() const = 0;
    /** WM_APP_GET_TRACKS_PANE: the tracks pane's selection, or null without a tracks pane. */
    virtual SelectionSource* TracksPane() const = 0;
};

} // namespace ui

/** The active view (GetActiveView) as the view's messages; null when there is none. */
inline ui::ViewMessages* ActiveView()
{
    return dynamic_cast<ui::ViewMessages*>(GetActiveView());
}

/** The active view's tracks pane selection; null without a view or a tracks pane. */
inline ui::SelectionSource* ActiveTracksPane()
{
    const ui::ViewMessages* view = ActiveView();
    return view != nullptr ? view->TracksPane() : nullptr;
}
