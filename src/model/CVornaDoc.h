#pragma once
/** @brief The one session document: the session being edited, the editing state the panes and
 *  the engine share, the graph clipboard, and the session file (.vrx).
 *
 * The document lives from start-up to exit; a new or opened session replaces its content in
 * place. It links no window or engine code: the application attaches the options record, the
 * engine and a DocumentHost (message boxes, the views). Opening is all or nothing: the file is
 * read into a fresh session that replaces the current one only when the whole file was read.
 * Saving writes a temporary file next to the target and renames it over the target, so a
 * failed save keeps the previous file.
 *
 * UI thread. The engine's worker reads the tracks and the session-wide settings while a
 * session plays. */

#include "model/CBilateralGlobal.h"
#include "model/CBrainwavesGlobal.h"
#include "model/CGraph.h"
#include "model/CStages.h"
#include "model/CTracks.h"
#include "platform/Errors.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <limits>
#include <span>

class CMixer;
class COptions;
class CVornaView;

namespace plat
{
class Archive;
}

namespace model
{
class DocumentHost;
}

class CVornaDoc
{
public:
    static constexpr std::int32_t kFileMagic = 0x0440C766;
    static constexpr std::int32_t kFileVersion = 410;           ///< written, and the newest read
    static constexpr std::int32_t kOldestFileVersion = 300;     ///< older files are refused
    static constexpr std::int32_t kFirstCurrentFormat = 400;    ///< below: old records, converted
    static constexpr std::int32_t kFirstVersionWithNotes = 340; ///< below: no notes in the file
    static constexpr std::int32_t kDefaultSessionSeconds = 300;
    /** The longest session whose frame count fits the engine's 32-bit frame positions at the
     *  highest sample rate (96 kHz). */
    static constexpr std::int32_t kMaxSessionSeconds =
        static_cast<std::int32_t>(std::numeric_limits<std::uint32_t>::max() / 96000u);

    static constexpr const char* kMsgInvalidFile = "Invalid VORNA file.";
    static constexpr const char* kMsgTooOld =
        "The version of the session file is too old.\nYou can still use "
        "this session file with the compatible VORNA software version.";
    static constexpr const char* kMsgTooNew = "VORNA software is older than the VORNA session file.";
    static constexpr const char* kMsgConverted =
        "The VORNA 3 session was converted to the VORNA 4 session format.\n\nWe recommend that you use voice "
        "segments instead of external audio segments for your recording scripts.";
    static constexpr const char* kMsgUnexpectedFormat = "Unexpected file format.";
    static constexpr const char* kMsgFailedToOpen = "Failed to open document.";
    static constexpr const char* kMsgFailedToSave = "Failed to save document.";
    static constexpr const char* kTitleUntitled = "Untitled";
    /** The settings value that remembers that the conversion notice was shown ("1"). */
    static constexpr const char* kRegMsgConvert = "MsgConvert";

    /** A file the program refuses to read (bad magic, a version outside 300..410); what() is the
     *  message shown for it. */
    class RefusedError : public plat::Error
    {
    public:
        using plat::Error::Error;
    };

    /** Points STK's raw-wave folder at the installation's "Internals/" and makes a new session. */
    CVornaDoc();
    CVornaDoc(const CVornaDoc&) = delete;
    CVornaDoc& operator=(const CVornaDoc&) = delete;

    /** The application's side; none (the default) shows no messages. */
    void SetHost(model::DocumentHost* host) noexcept { m_host = host; }
    /** The options record, loaded from the settings by the application before it attaches it. */
    void SetOptions(COptions* options) noexcept { m_options = options; }
    COptions* GetOptions() const noexcept { return m_options; }
    /** The playback engine. */
    void SetMixer(CMixer* mixer) noexcept { m_mixer = mixer; }
    CMixer* GetMixer() const noexcept { return m_mixer; }
    /** The document's first view, through the host; null without one. */
    CVornaView* GetView() const;

    /** The new-session reset: default length, stages, tracks, settings and notes, the editing
     *  state cleared, the clipboard flat at 0, title "Untitled", tied to no file, not modified.
     *  The version, the graph-editor placement, the options and the engine stay. */
    bool OnNewDocument();
    /** Resets, then reads the session file at @p path. On success the document is tied to the
     *  file and not modified; on failure one message is shown and the document stays the new
     *  session. A file of 0 bytes opens as the new session, tied to that file. */
    bool OnOpenDocument(const QString& path);
    /** Writes the session to @p path (a temporary file renamed over it). On success the document
     *  is tied to the file and not modified; on failure a message is shown, the previous file is
     *  kept and false is returned. */
    bool OnSaveDocument(const QString& path);
    /** Reads a whole session file held in memory into the document, which the caller has reset;
     *  a file it cannot read is reported as OnOpenDocument reports it (one message) and false is
     *  returned, with the document as it was. */
    bool LoadFromBytes(std::span<const std::uint8_t> bytes);
    /** Reads or writes the session file. Reading fills a fresh session and takes it over only
     *  when the whole record was read; it raises RefusedError, plat::ArchiveError or
     *  plat::InvalidArgumentError for a file it cannot read. Writing records version 410 and then
     *  lets the segments end with their content. */
    void Serialize(plat::Archive& ar);

    void SetSessionModified() noexcept { m_isSessionModified = true; }
    bool IsSessionModified() const noexcept { return m_isSessionModified; }
    const QString& GetPathName() const noexcept { return m_pathName; }
    const QString& GetTitle() const noexcept { return m_title; }

    // The session.
    std::int32_t m_version = kFileVersion; ///< of the file last read, or 410 after a save
    QString m_notes;
    std::int32_t m_sessionLength = kDefaultSessionSeconds; ///< seconds
    CStages m_stages;
    CTracks m_tracks;
    CBrainwavesGlobal m_brainwaves; ///< session-wide beat frequency
    CBilateralGlobal m_bilateral;   ///< session-wide bilateral rate

    // The editing state shared by the panes, the view and the engine.
    bool m_isPlaying = false;
    bool m_isLive = false; ///< a live recording plays the session
    bool m_isPaused = false;
    double m_cursorPosition = 0.0; ///< session fraction
    double m_pausePosition = 0.0;  ///< session fraction where Play resumes
    double m_hoverPosition = -1.0; ///< session fraction under the mouse, -1 when none

    /** The graph the graph editor copies and pastes; kept across sessions. */
    CGraph m_graphClipboard;
    /** The graph editor's last window position and size; kept across sessions. */
    QPoint m_graphEditorPos;
    QSize m_graphEditorSize;

private:
    void Report(const QString& text) const;
    void ShowConversionNoticeOnce() const;
    void TieToFile(const QString& path);

    model::DocumentHost* m_host = nullptr;
    COptions* m_options = nullptr;
    CMixer* m_mixer = nullptr;
    QString m_pathName;
    QString m_title;
    bool m_isSessionModified = false;
};
