#pragma once
/** @brief The stage editor: the session's stages in a list, with Add, Delete, Name, Up and Down.
 *
 * Every change goes straight into the document's stages (and marks the session modified), the
 * list follows it, and the window behind the dialog is repainted so that the stage display
 * shows it at once. Add asks for a name and inserts the new stage before the selected one, over
 * the first half of its range; the name box's Esc still inserts the offered "New Stage Name".
 * The last stage cannot be deleted; Up on the first and Down on the last do nothing. UI thread. */

#include "controls/Window.h"

class CVornaDoc;

namespace ui
{
class Button;
class ListBox;
} // namespace ui

class CDlgStages : public ui::Dialog
{
public:
    static constexpr int kIdList = 1000;
    static constexpr int kIdAdd = 1001;
    static constexpr int kIdDelete = 1002;
    static constexpr int kIdName = 1003;
    static constexpr int kIdUp = 1004;
    static constexpr int kIdDown = 1005;
    static constexpr int kIdHelp = 9;

    static constexpr const char* kHelpTopic = "EditingSessionStages";
    static constexpr const char* kNewStageName = "New Stage Name";

    explicit CDlgStages(QWidget* parent = nullptr);

    /** The document whose stages are edited; set before DoModal. */
    CVornaDoc* m_pDoc = nullptr;

    void OnAddStage();
    void OnDeleteStage();
    void OnRenameStage();
    void OnStageUp();
    void OnStageDown();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    /** Runs the name entry over @p name; the name it holds when it closes, however it closes. */
    QString AskName(const QString& name);
    /** After a change: the session is modified and the window behind shows the stages anew. */
    void Changed();

    ui::ListBox* m_list = nullptr;
};
