#pragma once
/** @brief What both end-of-recording dialogs share: the new file's name (renamed when the name box
 *  loses the focus), its folder (moved on request), a play/stop preview that stops by itself at the
 *  file's end, opening the folder, deleting the file and finishing.
 *
 * The two dialogs differ in their texts, their control ids and rows, and in their own actions
 * (a voice segment or an audio CD); each passes a Variant. Every action stops a running preview
 * first, so that the file is closed before it gets a new name or folder, or is deleted.
 *
 * A new name is refused when it is empty or holds '/' or a NUL character (it would name a hidden
 * file or a file in another folder). An existing file of the new name is replaced only after the
 * user's OK, and in one step (rename over it), so that a failure leaves both files as they were.
 * A name that names the recording itself (another spelling on a case-insensitive file system, or a
 * link to it) is renamed without asking and never removes the recording. UI thread only. */

#include "controls/Controls.h"

#include "audio/CStreamPlayer.h"

namespace dlg
{

/** A static that shows a path, shortened in the middle to fit its width. */
class PathLabel : public ui::Static
{
public:
    PathLabel(QWidget* parent, int id);
    /** The full text; what shows is that text elided to the label's width. */
    void SetPath(const QString& path);
    QString GetPath() const { return m_path; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();
    QString m_path;
};

class RecordingEndDialog : public ui::Dialog
{
public:
    static constexpr int kIdPlay = 1211;
    static constexpr int kIdFolderLabel = 1099;
    static constexpr int kIdOpenFolder = 1143;
    static constexpr int kIdDelete = 1145;
    static constexpr int kIdFinish = 1144;
    /** The preview's end timer. */
    static constexpr int kPreviewTimer = 0;

    static constexpr const char* kMsgPlayFailed = "Failed to play the file.";
    static constexpr const char* kMsgMoveFailed =
        "Failed to move the sound file.\nPlease check if a file with the same name already exists in the "
        "target folder.";
    static constexpr const char* kMsgBadName =
        "Please enter a file name that is not empty and holds no \"/\".";
    static constexpr const char* kMoveTitle = "Select destination folder";

    /** A rectangle in dialog units. */
    struct Rect
    {
        int x, y, width, height;
    };
    /** A control of the template: id, rectangle and text. */
    struct Item
    {
        int id;
        Rect rect;
        const char* text;
    };
    /** What one of the twins shows and says. */
    struct Variant
    {
        int widthDlu, heightDlu;
        Item heading, enterName, folderHeading, question;
        Item nameEdit, play, folderLabel, move, openFolder, deleteFile, finish;
        const char* folderPrefix; ///< before the folder in the label at opening
        const char* replaceQuestion;
        const char* moveDone;
        const char* deleteDone;
        const char* deleteFailed;
    };

    RecordingEndDialog(const Variant& variant, QWidget* parent);
    ~RecordingEndDialog() override;

    /** The recording: @p folder without a trailing '/', @p fileName with its extension. Set before
     *  DoModal. */
    void SetFile(const QString& folder, const QString& fileName);
    QString GetFolder() const { return m_folder; }
    QString GetFileName() const { return m_fileName; }
    /** folder + "/" + file name. */
    QString FullPath() const;
    bool IsPlaying() const { return m_playing; }

    /** The error text of a failed file operation @p error (an errno value) on @p path, as the
     *  program words file errors. */
    static QString FileErrorMessage(int error, const QString& path);
    /** Renames @p from to @p to; an existing @p to is replaced in the same step. Two names of one
     *  file (a spelling of a case-insensitive file system, a link) go through a temporary name so
     *  that the new spelling is taken. False with @p error (errno) set on failure, both files then
     *  unchanged. */
    static bool ReplaceFile(const QString& from, const QString& to, int& error);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    void OnTimer(int id) override;
    /** Esc and the close box: Finish. */
    void OnCancel() override;
    /** Enter (in the name box: the dialog has no default button) takes the typed name. */
    void OnOK() override;

    /** Whether Finish, Esc and the close box may end the dialog now. */
    virtual bool MayClose() const { return true; }

    void StopPreview();
    /** Ends the dialog after an action. */
    void Finish(int result);
    /** The action buttons of the twin, styled as the shared ones are. */
    ui::Button* AddActionButton(const Item& item);
    ui::Static* AddStatic(const Item& item);

    const Variant& m_variant;

private:
    void OnPlay();
    void OnRename();
    void OnMove();
    void OnOpenFolder();
    void OnDelete();
    void RestoreName();
    bool AskReplace();

    QString m_folder;
    QString m_fileName;
    bool m_playing = false;
    bool m_renaming = false;
    bool m_closing = false;
    CStreamPlayer m_player;

    ui::Edit* m_name = nullptr;
    ui::Button* m_play = nullptr;
    PathLabel* m_folderLabel = nullptr;
};

} // namespace dlg
