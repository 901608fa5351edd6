#pragma once
/** @brief The voice recorder's arithmetic and texts, apart from its window: scrolling speeds and
 *  length, the highlighted stretch of the script, the time and progress texts, the blinking of
 *  the status word, and the name and folder of a new recording. */

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace dlg
{

/** Entries of the scrolling-speed list, index 0 first ("No Auto Scrolling"). */
inline constexpr int kScrollSpeedCount = 8;
/** The text of speed entry @p index. */
QString ScrollSpeedText(int index);
/** Characters per second of speed entry @p index: 4 to 16 for 1 to 7, 0 for 0 (off), 8.5 for any other. */
double ScrollCharsPerSecond(int index);
/** Seconds the scrolling takes over @p chars characters at speed @p index; 0 when it is off. */
double ScrollLength(int chars, int index);

/** The status of the recorder. */
enum RecorderStatus
{
    kStatusReady = 0,
    kStatusRecording = 1,
    kStatusPaused = 2,
};

/** Where the scrolling stands and which part of the script is highlighted. */
struct ScriptHighlight
{
    double progress = 0.0; ///< 0..1 of the scrolling
    int selStart = 0;
    int selEnd = 0;
    bool select = false; ///< the edit box shows selStart..selEnd (else it is left as it is)
};
/** The highlight of a script of @p chars characters after @p elapsed recorded seconds, with the
 *  current-line strip @p charsPerLine characters wide. Only while scrolling and not Ready does
 *  the scrolling advance and does the edit box get a selection: a Ready recorder leaves the
 *  script to be edited. */
ScriptHighlight ComputeHighlight(int chars, bool scrollOn, int status, double elapsed, double scrollLength,
                                 int charsPerLine);

/** Whole seconds as "mm:ss" (minutes grow past 99). */
QString FormatMinutesSeconds(double seconds);
/** The text of the scrolling progress: "NN %   mm:ss", the percentage done and the time left. */
QString ScrollProgressText(double progress, double scrollLength);
/** Whether the status word shows at tick @p tick (ms): Recording hides it the first 250 ms of
 *  each second, Paused the first 125 ms of each 250 ms; Ready always shows it. */
bool StatusWordVisible(int status, std::uint32_t tick);
/** "Ready", "Recording" or "Pause". */
QString StatusWord(int status);

/** "Recording YYYY-MM-DD hh-mm-ss.ext" for @p now, with "mp3" for export format 1, "ogg" for 2
 *  and "wav" otherwise. */
QString RecordingFileName(const QDateTime& now, int exportFormat);
/** The folder recordings go to: the stored FolderRecording as it is, or, when none is stored, the
 *  documents folder's "My Recordings", which is then created and stored. Never ends with '/'. */
QString RecordingFolder();

} // namespace dlg
