#pragma once
/** @brief The parts of the view's editing commands that need no window: the track limit, where a
 *  finished recording goes and how long it is, whether a copied segment still belongs to the
 *  session, the script report, and the web addresses the support commands open. */

#include <QString>

#include <cstdint>

class CSegment;
class CTracks;

namespace shell
{

/** A session holds at most this many tracks: adding stops once 600 / count is no longer above 11. */
inline constexpr int kMaxTracks = 51;
/** True while one more track may be added to a session of @p trackCount tracks. */
bool CanAddTrack(int trackCount);

/** True when @p segment is a segment of one of @p tracks (by identity, not by equal settings). */
bool IsSegmentInTracks(const CTracks& tracks, const CSegment* segment);
/** Track and index of @p segment in @p tracks; false when it is in none. */
bool FindSegmentInTracks(const CTracks& tracks, const CSegment* segment, int& track, int& index);

/** The voice track a new recording goes to: the first voice track without segments, or a new
 *  empty voice track put in front of the first track of another kind, or, when every track is a
 *  voice track holding segments (or there is none), a new voice track at the end. */
int PrepareRecordingTrack(CTracks& tracks);

/** Begin and end of a recording of @p contentSeconds in a session of @p sessionSeconds: centred
 *  on the middle of the session and as long as the recording, cut at the session's ends. A
 *  recording of unknown length (0) or a session of no length spans the whole session. */
void CentreRecording(double contentSeconds, double sessionSeconds, double& begin, double& end);

/** The script report: a header, then for every voice segment (the live placeholder skipped) the
 *  names of its files and its script text, each line ending "\r\n". */
QString BuildScriptReport(const CTracks& tracks);

/** The pages the support commands open. */
inline constexpr const char* kWebSiteUrl = "https://www.kestrune.com/";
inline constexpr const char* kVideosUrl = "https://www.kestrune.com/videos/";
inline constexpr const char* kContactUrl = "https://www.kestrune.com/contact/";

} // namespace shell
