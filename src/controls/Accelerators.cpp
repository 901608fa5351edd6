#include "controls/Accelerators.h"

#include "controls/CommandIds.h"
#include "controls/Window.h"

#include <QKeyEvent>

namespace ui
{

void AcceleratorTable::AddKey(int key, Qt::KeyboardModifiers modifiers, int command)
{
    m_entries.push_back({key, modifiers & ~Qt::KeypadModifier, QChar(), command});
}

void AcceleratorTable::AddChar(QChar character, int command)
{
    m_entries.push_back({0, {}, character, command});
}

std::optional<int> AcceleratorTable::Find(const QKeyEvent& key) const
{
    const QString text = key.text();
    if (text.size() == 1)
        for (const Entry& e : m_entries)
            if (!e.character.isNull() && e.character == text.front())
                return e.command;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    for (const Entry& e : m_entries)
        if (e.character.isNull() && e.key == key.key() && e.modifiers == modifiers)
            return e.command;
    return std::nullopt;
}

namespace
{
struct MainFrame
{
    QPointer<QWidget> frame;
    AcceleratorTable table;
};
MainFrame& Main()
{
    static MainFrame main;
    return main;
}
} // namespace

void SetMainFrame(QWidget* frame, AcceleratorTable table)
{
    Main().frame = frame;
    Main().table = frame != nullptr ? std::move(table) : AcceleratorTable();
}

QWidget* GetMainFrame()
{
    return Main().frame.data();
}

bool MainFrameHasAccelerators()
{
    return Main().frame != nullptr && !Main().table.IsEmpty();
}

bool TranslateAccelerator(QKeyEvent* key)
{
    if (key == nullptr || Main().frame == nullptr)
        return false;
    const std::optional<int> command = Main().table.Find(*key);
    if (!command)
        return false;
    SendCommand(Main().frame, *command, Notify::Accelerator, nullptr);
    return true;
}

AcceleratorTable MainFrameAccelerators()
{
    AcceleratorTable t;
    t.AddKey(Qt::Key_C, Qt::ControlModifier, ID_EDIT_COPY);
    t.AddKey(Qt::Key_Insert, Qt::ControlModifier, ID_EDIT_COPY);
    t.AddKey(Qt::Key_V, Qt::ControlModifier, ID_EDIT_PASTE);
    t.AddKey(Qt::Key_Insert, Qt::ShiftModifier, ID_EDIT_PASTE);
    t.AddKey(Qt::Key_N, Qt::ControlModifier, ID_FILE_NEW);
    t.AddKey(Qt::Key_O, Qt::ControlModifier, ID_FILE_OPEN);
    t.AddKey(Qt::Key_S, Qt::ControlModifier, ID_FILE_SAVE);
    t.AddKey(Qt::Key_Delete, Qt::NoModifier, ID_ACCEL_DELETE_SEGMENT);
    // "+" is bound as the character, so it works from the main keys and from the keypad alike.
    t.AddChar(QChar('+'), ID_ACCEL_ADD_TRACK);
    t.AddKey(Qt::Key_M, Qt::NoModifier, ID_ACCEL_MUTE_TRACK);
    t.AddKey(Qt::Key_D, Qt::NoModifier, ID_ACCEL_DUPLICATE_TRACK);
    t.AddKey(Qt::Key_R, Qt::NoModifier, ID_ACCEL_REMOVE_TRACK);
    t.AddKey(Qt::Key_C, Qt::NoModifier, ID_ACCEL_CLEAN_EMPTY_TRACKS);
    t.AddKey(Qt::Key_A, Qt::NoModifier, ID_ACCEL_ACTIVATE_TRACK);
    t.AddKey(Qt::Key_P, Qt::NoModifier, ID_ACCEL_PLAY);
    t.AddKey(Qt::Key_S, Qt::NoModifier, ID_ACCEL_STOP);
    t.AddKey(Qt::Key_Space, Qt::NoModifier, ID_ACCEL_PAUSE);
    // Bound, but no window handles them: they are taken so that they do nothing.
    t.AddKey(Qt::Key_Delete, Qt::ShiftModifier, ID_EDIT_CUT);
    t.AddKey(Qt::Key_X, Qt::ControlModifier, ID_EDIT_CUT);
    t.AddKey(Qt::Key_Backspace, Qt::AltModifier, ID_EDIT_UNDO);
    t.AddKey(Qt::Key_Z, Qt::ControlModifier, ID_EDIT_UNDO);
    t.AddKey(Qt::Key_W, Qt::ControlModifier, ID_WINDOW_CLOSE);
    t.AddKey(Qt::Key_F6, Qt::NoModifier, ID_NEXT_PANE);
    t.AddKey(Qt::Key_F6, Qt::ShiftModifier, ID_PREV_PANE);
    return t;
}

} // namespace ui
