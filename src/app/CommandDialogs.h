#pragma once
/** @brief The modal dialogs the view's tool, help and support commands open, one function each.
 *
 * Each runs its dialog modally through the modal seam (ui::Dialog::DoModal) over @p owner and
 * returns the dialog's result. UI thread. */

#include <QString>

class COptions;
class CVornaDoc;
class QWidget;

namespace shell
{

/** The dialogs' titles (tests find the run dialog by them). */
inline constexpr const char* kTitleEditStages = "Edit Stages";
inline constexpr const char* kTitleEditNotes = "Session Notes";
inline constexpr const char* kTitleGlobals = "Global Properties";
inline constexpr const char* kTitleOptions = "Options";
inline constexpr const char* kTitleAmbientTool = "Create Ambient Music Loops";
inline constexpr const char* kTitleAbout = "About VORNA";
inline constexpr const char* kTitleTranscript = "Session Transcript";
inline constexpr const char* kTitleRecordVoice = "Sound Recorder";
inline constexpr const char* kTitleNewVersion = "Check for Updates";

int RunEditStages(QWidget* owner, CVornaDoc& doc);
/** Edits @p notes in place; however the dialog closes, the typed text is kept. */
int RunEditNotes(QWidget* owner, QString& notes);
int RunGlobals(QWidget* owner, CVornaDoc& doc);
int RunOptions(QWidget* owner, COptions* options);
int RunAmbientTool(QWidget* owner, COptions* options);
int RunAbout(QWidget* owner);
/** Shows the script report @p text, with "Copy text". */
int RunTranscript(QWidget* owner, const QString& text);
/** The recorder for a new recording, showing @p script (the selected voice segment's text, or
 *  null), which gets the edited text back when the recorder closes; the recording can then be
 *  added to the session through @p view. */
int RunRecordVoice(QWidget* owner, QWidget* view, COptions* options, QString* script);
/** Announces that @p published is out while @p own runs: the new-version dialog (it names no
 *  version); 1 after the update page was opened, 2 for later. */
int RunNewVersion(QWidget* owner, const QString& own, const QString& published);

} // namespace shell
