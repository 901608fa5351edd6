#include "dialogs/recorder/CDlgRecorderStop.h"

namespace
{

using Item = dlg::RecordingEndDialog::Item;

constexpr dlg::RecordingEndDialog::Variant kVariant{
    322,
    284,
    Item{1082, {7, 7, 135, 8}, "The sound file was successfully recorded"},
    Item{1078, {7, 29, 123, 8}, "Enter a name for the recorded file"},
    Item{1080, {7, 70, 123, 8}, "Folder location of the recorded file"},
    Item{1081, {7, 116, 166, 8}, "What would you like to do with the recorded file?"},
    Item{CDlgRecorderStop::kIdName, {7, 43, 237, 14}, ""},
    Item{CDlgRecorderStop::kIdPlay, {252, 41, 63, 17}, "Play file"},
    Item{CDlgRecorderStop::kIdFolderLabel, {7, 85, 236, 14}, " Location (folder)"},
    Item{CDlgRecorderStop::kIdMove, {252, 83, 63, 17}, "Move to folder"},
    Item{CDlgRecorderStop::kIdOpenFolder, {7, 190, 308, 27}, "Open the containing folder"},
    Item{CDlgRecorderStop::kIdDelete, {7, 220, 308, 27}, "Delete the recorded file and finish"},
    Item{CDlgRecorderStop::kIdFinish, {7, 250, 308, 27}, "Finish - I'll handle the recorded file later"},
    " ",
    "The file already exists.\nDo you want to override the existing file?",
    "The file was moved successfully.",
    "Recoreded file was deleted.",
    "Failed to delete the recorded file.",
};

} // namespace

CDlgRecorderStop::CDlgRecorderStop(QWidget* parent) : dlg::RecordingEndDialog(kVariant, parent)
{
    setWindowTitle(QStringLiteral("End of Recording"));
    AddActionButton(Item{
        kIdAddToSelected, {7, 130, 308, 27}, "Add the recording to the currently selected voice segment"});
    QWidget* toNew =
        AddActionButton(Item{kIdAddToNew, {7, 160, 308, 27}, "Add the recording to an empty voice track"});
    // The voice-segment buttons come before the shared ones in the tab order, as on the screen.
    QWidget::setTabOrder(GetDlgItem(kIdMove), GetDlgItem(kIdAddToSelected));
    QWidget::setTabOrder(GetDlgItem(kIdAddToSelected), toNew);
    QWidget::setTabOrder(toNew, GetDlgItem(kIdOpenFolder));
}

bool CDlgRecorderStop::OnCommand(int id, ui::Notify code, QWidget* from)
{
    if (code == ui::Notify::Clicked && (id == kIdAddToSelected || id == kIdAddToNew))
    {
        OnAdd(id == kIdAddToNew ? ui::RecordingTarget::NewSegment : ui::RecordingTarget::SelectedSegment);
        return true;
    }
    return dlg::RecordingEndDialog::OnCommand(id, code, from);
}

void CDlgRecorderStop::OnAdd(ui::RecordingTarget target)
{
    if (IsPlaying())
        StopPreview();
    auto* view = dynamic_cast<ui::ViewMessages*>(m_ownerView.data());
    if (view == nullptr)
        return;
    // The view says itself why it refused (no voice segment selected, no room for a new one);
    // the file and the other choices for it stay then.
    if (view->AddRecording(target, FullPath()))
        Finish(ui::IDOK);
}

int RunRecorderStop(QWidget* ownerView, const QString& folder, const QString& fileName, QWidget* parent)
{
    if (parent == nullptr && ownerView != nullptr)
        parent = ownerView->window();
    CDlgRecorderStop dialog(parent);
    dialog.SetOwnerView(ownerView);
    dialog.SetFile(folder, fileName);
    return dialog.DoModal();
}
