#pragma once
/** @brief "End of Recording": what happens to the file of a plain voice recording. Besides the
 *  shared actions (RecordingEndDialog) it puts the file into the selected voice segment or into a
 *  new one, through the owner view (WM_APP_ADD_RECORDING); the dialog closes only when the view
 *  took the file, so a refusal leaves every other choice open. UI thread. */

#include "dialogs/recorder/RecordingEndDialog.h"
#include "messages/ViewMessages.h"

#include <QPointer>

class CDlgRecorderStop : public dlg::RecordingEndDialog
{
public:
    static constexpr int kIdName = 1098;
    static constexpr int kIdMove = 1102;
    static constexpr int kIdAddToSelected = 1140;
    static constexpr int kIdAddToNew = 1142;

    explicit CDlgRecorderStop(QWidget* parent = nullptr);

    /** The view that places the recording (its ui::ViewMessages::AddRecording); set before DoModal. */
    void SetOwnerView(QObject* view) { m_ownerView = view; }

protected:
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    void OnAdd(ui::RecordingTarget target);

    QPointer<QObject> m_ownerView;
};

/** Shows "End of Recording" modally for @p folder + "/" + @p fileName and returns when it closes
 *  (the dialog's result). @p ownerView places the recording. @p folder has no trailing
 *  '/'; @p fileName includes its extension. @p parent null: the owner view's top-level window.
 *  UI thread. */
int RunRecorderStop(QWidget* ownerView, const QString& folder, const QString& fileName,
                    QWidget* parent = nullptr);
