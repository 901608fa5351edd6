#include "app/CommandDialogs.h"

#include "app/UpdateCheck.h"
#include "controls/Window.h"
#include "dialogs/looptool/CDlgAmbientGrains.h"
#include "dialogs/recorder/CDlgRecorder.h"
#include "dialogs/session/CDlgAbout.h"
#include "dialogs/session/CDlgCheckUpdates.h"
#include "dialogs/session/CDlgGlobals.h"
#include "dialogs/session/CDlgNotes.h"
#include "dialogs/session/CDlgOptions.h"
#include "dialogs/session/CDlgStages.h"
#include "dialogs/session/CDlgVoiceTexts.h"

namespace shell
{

int RunEditStages(QWidget* owner, CVornaDoc& doc)
{
    CDlgStages dialog(owner);
    dialog.m_pDoc = &doc;
    return dialog.DoModal();
}

int RunEditNotes(QWidget* owner, QString& notes)
{
    CDlgNotes dialog(owner);
    dialog.m_notes = &notes;
    return dialog.DoModal();
}

int RunGlobals(QWidget* owner, CVornaDoc& doc)
{
    CDlgGlobals dialog(owner);
    dialog.m_doc = &doc;
    return dialog.DoModal();
}

int RunOptions(QWidget* owner, COptions* options)
{
    CDlgOptions dialog(owner);
    dialog.m_options = options;
    return dialog.DoModal();
}

int RunAmbientTool(QWidget* owner, COptions* options)
{
    CDlgAmbientGrains dialog(owner);
    dialog.SetOptions(options);
    return dialog.DoModal();
}

int RunAbout(QWidget* owner)
{
    CDlgAbout dialog(owner);
    if (!dialog.IsCreated())
        return -1;
    return dialog.DoModal();
}

int RunTranscript(QWidget* owner, const QString& text)
{
    CDlgVoiceTexts dialog(owner);
    dialog.m_text = text;
    return dialog.DoModal();
}

int RunRecordVoice(QWidget* owner, QWidget* view, COptions* options, QString* script)
{
    return RunRecorder(owner, view, options, script);
}

int RunNewVersion(QWidget* owner, const QString&, const QString&)
{
    CDlgCheckUpdates dialog(owner);
    dialog.m_releaseNotesUrl = QUrl(QString::fromLatin1(kReleaseNotesUrl));
    dialog.m_updateUrl = UpdatePageUrl();
    return dialog.DoModal();
}

} // namespace shell
