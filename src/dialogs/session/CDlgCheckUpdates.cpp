#include "dialogs/session/CDlgCheckUpdates.h"

#include "controls/Behaviour.h"
#include "controls/Controls.h"

#include <QVBoxLayout>

CDlgCheckUpdates::CDlgCheckUpdates(QWidget* parent) : ui::Dialog(parent)
{
    setWindowTitle(QStringLiteral("Check for Updates"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(8);
    auto* text = new ui::Static(this, kIdText, QStringLiteral("New software version is available!"));
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    layout->addWidget(text);
    layout->addSpacing(6);
    struct Spec
    {
        int id;
        const char* text;
    };
    const Spec specs[] = {
        {kIdReleaseNotes, "Read what's new in the latest software release"},
        {kIdUpdate, "Visit our website to update your VORNA software"},
        {kIdLater, "I will update the software later"},
    };
    for (const Spec& s : specs)
    {
        // Plain push buttons: none of them is the default that Enter would press.
        auto* button = new ui::Button(this, s.id, QString::fromLatin1(s.text));
        button->setDefault(false);
        button->setMinimumHeight(28);
        layout->addWidget(button);
    }
    setFixedSize(sizeHint().expandedTo(QSize(380, 0)));
}

bool CDlgCheckUpdates::OnCommand(int id, ui::Notify code, QWidget*)
{
    if (code != ui::Notify::Clicked)
        return false;
    switch (id)
    {
    case kIdReleaseNotes:
        ui::OpenUrl(this, m_releaseNotesUrl);
        return true;
    case kIdUpdate:
        ui::OpenUrl(this, m_updateUrl);
        EndDialog(kResultUpdate);
        return true;
    case kIdLater:
        EndDialog(kResultLater);
        return true;
    default:
        return false;
    }
}
