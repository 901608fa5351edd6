#pragma once
/** @brief The base of the property panels inside the properties pane: the document and the bound
 *  segment, the enable states by the playing flag, the sound-file preview, and the helpers every
 *  panel builds on.
 *
 * A panel is a modeless child dialog of the pane, laid out in dialog units (MapDialogRect) and
 * sized from its template (PanelSize). The pane hands it the document (SetDocument) before it
 * creates it as its child (Create(pane, true)), which runs OnInitDialog; a panel's OnInitDialog
 * calls the base's first, then makes its controls and its rows (CreateRow).
 *
 * Binding: SetObject(segment) stores the segment and runs UpdateControls. SetObject(nullptr) means
 * the segment went away (deleted, or nothing selected): the base unbinds every row made with
 * CreateRow before anything can repaint or refresh them, so no row reads a freed segment. An
 * override calls the base first and returns when the segment is null.
 *
 * Enter and Esc do nothing in a panel; the workspace's keys work from it (the window layer offers
 * every key to the main frame's accelerators), except Delete while a text field has the focus,
 * which edits the text. UI thread only. */

#include "controls/Window.h"

#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class CSegment;
class CUiProperty;
class CVornaDoc;
class PreviewPlayer;
class QAbstractButton;

class CDlgPropertiesBase : public ui::Dialog
{
public:
    /** The preview's timers: the file's end, and the poll for the session starting to play. */
    static constexpr int kTimerPreviewEnd = 0;
    static constexpr int kTimerSessionPoll = 1;
    static constexpr int kSessionPollMs = 100;
    static constexpr const char* kMsgPlayFailed = "Failed to play the sound file.";
    static constexpr const char* kTextPlay = "Play";
    static constexpr const char* kTextStop = "Stop";

    /** A panel of @p widthDlu x @p heightDlu dialog units (its template's size). */
    CDlgPropertiesBase(int widthDlu, int heightDlu);
    ~CDlgPropertiesBase() override;

    /** Stores the document (not owned). */
    virtual void SetDocument(CVornaDoc* doc) { m_pDoc = doc; }
    CVornaDoc* GetDocument() const { return m_pDoc; }

    /** Binds the panel to @p segment (null: unbinds every row) and runs UpdateControls. */
    virtual void SetObject(CSegment* segment);
    CSegment* GetObject() const { return m_pObject; }

    /** Enables every child while the session is not playing and disables every one while it
     *  plays. Overrides call the base first, then adjust single controls. */
    virtual void UpdateControls();

    /** The template's size in pixels. */
    QSize PanelSize() const;

    /** The Play button of a sound-file list: previews @p path, or stops the running preview (the
     *  press on any Play button while one runs only stops it). Nothing while the session plays.
     *  A file that cannot be played shows kMsgPlayFailed. The preview ends by itself at the
     *  file's end or when the session starts playing, and @p button reads "Stop" while it runs. */
    void PlayFile(const QString& path, QAbstractButton* button);
    bool IsPreviewing() const { return m_previewing; }
    /** Ends a running preview (nothing when none runs). */
    void StopPreview();
    /** Replaces the preview player (tests); the default plays on the output device. */
    void SetPreviewPlayer(std::unique_ptr<PreviewPlayer> player);

    /** Enables or disables every direct child window of @p parent. */
    static void EnableChildWindows(QWidget* parent, bool enable);

    ui::Translate PreTranslateMessage(QKeyEvent* key) override;

protected:
    /** Object null, previewing off. Panels call it first. */
    bool OnInitDialog() override;
    // A panel is never closed or hidden by Enter or Esc.
    void OnOK() override {}
    void OnCancel() override {}
    void OnTimer(int id) override;

    /** The document's playing flag (false without a document). */
    bool IsPlaying() const;
    /** Marks the session modified: every edit a panel makes goes through here. */
    void SetModified();

    /** A hidden frame at @p x, @p y of @p width x @p height dialog units with control id @p id: the
     *  placeholder a row is built over. */
    QWidget* CreatePlaceholder(int id, int x, int y, int width, int height);
    /** Builds row @p id of the row table (PropertyRows.h) over @p placeholder, with this panel as
     *  its parent and the document's references; SetObject(nullptr) unbinds it. */
    bool CreateRow(CUiProperty& row, int id, QWidget* placeholder);

    CVornaDoc* m_pDoc = nullptr;
    CSegment* m_pObject = nullptr;

private:
    /** Whether the engine plays (the document's flag, or the engine itself). */
    bool EnginePlays() const;

    int m_widthDlu;
    int m_heightDlu;
    std::unique_ptr<PreviewPlayer> m_player;
    bool m_previewing = false;
    QPointer<QAbstractButton> m_previewButton;
    std::vector<CUiProperty*> m_rows;
};
