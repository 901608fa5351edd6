#pragma once
/** @brief The main frame's accelerator table: keys that run workspace commands from anywhere in
 *  the main window (panes, panels) and from windows that pass keys on (the help window).
 *
 * A table entry is a key with its exact modifiers, or a typed character ("+" is a character: the
 * key that types it differs between keyboards). TranslateAccelerator looks a key press up and, on a
 * match, sends the command to the main frame as a CommandEvent with Notify::Accelerator. UI thread. */

#include <QChar>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <vector>

class QKeyEvent;

namespace ui
{

class AcceleratorTable
{
public:
    /** Binds @p key with exactly @p modifiers (keypad state ignored) to @p command. */
    void AddKey(int key, Qt::KeyboardModifiers modifiers, int command);
    /** Binds the typed character @p character, whatever keys type it, to @p command. */
    void AddChar(QChar character, int command);
    /** The command of @p key, or nullopt. Character entries are tried first. */
    std::optional<int> Find(const QKeyEvent& key) const;
    bool IsEmpty() const { return m_entries.empty(); }

private:
    struct Entry
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        QChar character;
        int command;
    };
    std::vector<Entry> m_entries;
};

/** Makes @p frame the main frame with @p table; key presses inside it then reach the table after
 *  the windows' own PreTranslateMessage. A null frame removes both. */
void SetMainFrame(QWidget* frame, AcceleratorTable table);
/** The main frame set by SetMainFrame, or null. */
QWidget* GetMainFrame();
/** True when the main frame has a table. */
bool MainFrameHasAccelerators();

/** Looks @p key up in the main frame's table; on a match sends the command to the main frame and
 *  returns true (the key is then consumed). */
bool TranslateAccelerator(QKeyEvent* key);

/** The accelerator table of the main frame: the workspace's copy, paste, file, segment, track and
 *  transport keys. */
AcceleratorTable MainFrameAccelerators();

} // namespace ui
