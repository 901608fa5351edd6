#include "app/CommandDialogs.h"

#include "controls/Window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace shell
{

namespace
{

/** STAND-IN for a dialog that is not built yet: its title, a line saying what it is about and,
 *  where it has one, a text (read-only unless @p editable). OK and Cancel end it. */
class StandInDialog : public ui::Dialog
{
public:
    StandInDialog(QWidget* owner, const char* title, const QString& about, const QString* text = nullptr,
                  bool editable = false)
        : ui::Dialog(owner)
    {
        setWindowTitle(QString::fromLatin1(title));
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(about, this);
        label->setWordWrap(true);
        layout->addWidget(label);
        if (text != nullptr)
        {
            m_text = new QPlainTextEdit(*text, this);
            m_text->setReadOnly(!editable);
            layout->addWidget(m_text);
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        layout->addWidget(buttons);
        QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
        QObject::connect(buttons, &QDialogButtonBox::rejected, this, [this] { OnCancel(); });
        resize(text != nullptr ? 480 : 360, text != nullptr ? 420 : 140);
    }
    QString Text() const { return m_text != nullptr ? m_text->toPlainText() : QString(); }

private:
    QPlainTextEdit* m_text = nullptr;
};

} // namespace

int RunEditStages(QWidget* owner, CVornaDoc&)
{
    StandInDialog dialog(owner, kTitleEditStages,
                         QStringLiteral("The stage editor comes with a later version."));
    return dialog.DoModal();
}

int RunEditNotes(QWidget* owner, QString& notes)
{
    StandInDialog dialog(owner, kTitleEditNotes, QStringLiteral("Notes about this session:"), &notes, true);
    const int result = dialog.DoModal();
    if (result == ui::IDOK)
        notes = dialog.Text();
    return result;
}

int RunGlobals(QWidget* owner, CVornaDoc&)
{
    StandInDialog dialog(owner, kTitleGlobals,
                         QStringLiteral("The session-wide settings editor comes with a later version."));
    return dialog.DoModal();
}

int RunOptions(QWidget* owner, COptions*)
{
    StandInDialog dialog(owner, kTitleOptions,
                         QStringLiteral("The options editor comes with a later version."));
    return dialog.DoModal();
}

int RunAmbientTool(QWidget* owner, COptions*)
{
    StandInDialog dialog(owner, kTitleAmbientTool,
                         QStringLiteral("The ambient music tool comes with a later version."));
    return dialog.DoModal();
}

int RunAbout(QWidget* owner)
{
    StandInDialog dialog(owner, kTitleAbout, QStringLiteral("VORNA 4.1.0"));
    return dialog.DoModal();
}

int RunTranscript(QWidget* owner, const QString& text)
{
    StandInDialog dialog(owner, kTitleTranscript,
                         QStringLiteral("The scripts of the session's voice segments:"), &text);
    return dialog.DoModal();
}

int RunRecordVoice(QWidget* owner, COptions*, const QString& script)
{
    StandInDialog dialog(owner, kTitleRecordVoice,
                         QStringLiteral("The voice recorder comes with a later version."), &script);
    return dialog.DoModal();
}

int RunNewVersion(QWidget* owner, const QString& own, const QString& published)
{
    StandInDialog dialog(owner, kTitleNewVersion,
                         QStringLiteral("VORNA %1 is available (you have %2).").arg(published, own));
    return dialog.DoModal();
}

} // namespace shell
