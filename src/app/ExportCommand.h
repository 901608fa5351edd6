#pragma once
/** @brief The parts of the view's export command that need no window: the save dialog's request,
 *  the format a chosen file name gets, and what the engine is asked to render. */

#include "audio/CPlaybackParams.h"
#include "controls/Behaviour.h"

#include <QString>

class COptions;
class CVornaDoc;

namespace shell
{

inline constexpr const char* kTitleExport = "Export the session to an audio file";
inline constexpr const char* kMsgExported = "The session was exported to:\n%1";

/** The file extension of export format @p format (0 WAV, 1 MP3, 2 OGG): "wav", "mp3" or "ogg". */
QString ExportExtension(int format);

/** The save dialog of the export: the three file types with @p format's first and its extension as
 *  the default, starting at the session's own name beside @p sessionPath, or as "Session" in
 *  @p folder for a session that has no file yet. */
ui::FileDialogRequest ExportFileRequest(const QString& sessionPath, const QString& folder, int format);

/** The export format of the file chosen as @p path: that of its extension (wav, mp3 or ogg, in any
 *  case); a name with none of them keeps @p format and gets its extension appended. */
int ExportFormatForPath(QString& path, int format);

/** The session from its start, as a playback plays it: the document's tracks, length and
 *  session-wide clocks with the options' rate and fades. */
CPlaybackParams SessionPlaybackParams(CVornaDoc& doc, const COptions& options);

} // namespace shell
