// The session notes and the transcript, driven through their real keys and buttons.
#include "dialogs/session/CDlgNotes.h"
#include "dialogs/session/CDlgVoiceTexts.h"

#include "GraphEditorRig.h"
#include "controls/Controls.h"
#include "controls/Style.h"

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace
{

QPlainTextEdit* Text(ui::Dialog& d, int id)
{
    return static_cast<QPlainTextEdit*>(ui::FindControl(&d, id));
}

/** Runs @p dialog modally with @p script, after showing it and waiting until it is active. */
int RunDialog(vtest::FakeUi& fake, ui::Dialog& dialog, std::function<void(ui::Dialog&)> script)
{
    fake.modalRuns.push_back(
        [script](ui::Dialog& d)
        {
            d.show();
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            script(d);
            return d.result();
        });
    return dialog.DoModal();
}

// The dialog has no OK, and no way of closing may lose what was typed: Cancel, Esc and the close
// box each store the text.
TEST(CDlgNotes, EveryWayOfClosingKeepsTheTypedText)
{
    struct Case
    {
        const char* name;
        std::function<void(ui::Dialog&)> close;
    };
    const Case cases[] = {
        {"Esc", [](ui::Dialog& d) { QTest::keyClick(Text(d, CDlgNotes::kIdText), Qt::Key_Escape); }},
        {"Cancel",
         [](ui::Dialog& d) {
             QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&d, ui::IDCANCEL)), Qt::LeftButton);
         }},
        {"close box", [](ui::Dialog& d) { d.close(); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::FakeUi fake;
        vtest::HelpView view;
        QWidget frame;
        QString notes = QStringLiteral("Client prefers the ocean sounds.");
        CDlgNotes d(&frame);
        d.m_notes = &notes;
        RunDialog(fake, d,
                  [&](ui::Dialog& dialog)
                  {
                      QPlainTextEdit* edit = Text(dialog, CDlgNotes::kIdText);
                      EXPECT_TRUE(edit->hasFocus());
                      EXPECT_EQ(edit->toPlainText(), notes);
                      // Focus leaves no selection: the first key typed adds to the text.
                      EXPECT_FALSE(edit->textCursor().hasSelection());
                      edit->moveCursor(QTextCursor::End);
                      QTest::keyClick(edit, Qt::Key_Return); // a line break, not the end of the dialog
                      QTest::keyClicks(edit, "Second visit: longer induction.");
                      c.close(dialog);
                      EXPECT_FALSE(dialog.isVisible());
                  });
        EXPECT_EQ(notes, QStringLiteral("Client prefers the ocean sounds.\nSecond visit: longer induction."));
    }
}

TEST(CDlgNotes, CaptionFontAndHelp)
{
    vtest::FakeUi fake;
    vtest::HelpView view;
    QWidget frame;
    QString notes;
    CDlgNotes d(&frame);
    d.m_notes = &notes;
    RunDialog(fake, d,
              [&](ui::Dialog& dialog)
              {
                  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Session Notes"));
                  EXPECT_EQ(Text(dialog, CDlgNotes::kIdText)->font().pointSize(), 12);
                  QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&dialog, CDlgNotes::kIdHelp)),
                                    Qt::LeftButton);
                  EXPECT_TRUE(dialog.isVisible());
                  dialog.close();
              });
    EXPECT_EQ(view.topics, std::vector<QString>{QStringLiteral("EditingSessionNotes")});
}

// The edit holds plain line breaks, so notes written with CRLF came back with LF after any visit.
// Untouched notes must come back byte for byte, edited ones with the line breaks they had.
TEST(CDlgNotes, NotesKeepTheirLineBreaks)
{
    struct Case
    {
        const char* name;
        const char* stored;
        const char* typed; // at the end, a line break first; nullptr: nothing typed
        const char* saved;
    };
    const Case cases[] = {
        {"CRLF untouched", "Intro\r\nDeepener\r\n", nullptr, "Intro\r\nDeepener\r\n"},
        {"mixed untouched", "Intro\r\nDeepener\nEnd\r", nullptr, "Intro\r\nDeepener\nEnd\r"},
        {"CRLF edited", "Intro\r\nDeepener", "Wake up", "Intro\r\nDeepener\r\nWake up"},
        {"CR edited", "Intro\rDeepener", "Wake up", "Intro\rDeepener\rWake up"},
        {"LF edited", "Intro\nDeepener", "Wake up", "Intro\nDeepener\nWake up"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::FakeUi fake;
        vtest::HelpView view;
        QWidget frame;
        QString notes = QString::fromLatin1(c.stored);
        CDlgNotes d(&frame);
        d.m_notes = &notes;
        RunDialog(fake, d,
                  [&](ui::Dialog& dialog)
                  {
                      QPlainTextEdit* edit = Text(dialog, CDlgNotes::kIdText);
                      if (c.typed != nullptr)
                      {
                          edit->moveCursor(QTextCursor::End);
                          QTest::keyClick(edit, Qt::Key_Return);
                          QTest::keyClicks(edit, c.typed);
                      }
                      QTest::keyClick(edit, Qt::Key_Escape);
                  });
        EXPECT_EQ(notes, QString::fromLatin1(c.saved));
    }
}

// Qt 6.4 reads the first format of pasted data without looking: Ctrl+V with an empty clipboard
// crashed the notes and the transcript (and so every multi-line text of the program).
TEST(SessionTextDialogs, CtrlVWithAnEmptyClipboardPastesNothing)
{
    struct Case
    {
        const char* name;
        std::function<std::unique_ptr<ui::Dialog>(QWidget*, QString*)> make;
        int textId;
    };
    const Case cases[] = {
        {"notes",
         [](QWidget* frame, QString* text)
         {
             auto d = std::make_unique<CDlgNotes>(frame);
             d->m_notes = text;
             return std::unique_ptr<ui::Dialog>(std::move(d));
         },
         CDlgNotes::kIdText},
        {"transcript",
         [](QWidget* frame, QString* text)
         {
             auto d = std::make_unique<CDlgVoiceTexts>(frame);
             d->m_text = *text;
             return std::unique_ptr<ui::Dialog>(std::move(d));
         },
         CDlgVoiceTexts::kIdText},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        vtest::FakeUi fake;
        vtest::HelpView view;
        QWidget frame;
        QString text = QStringLiteral("Deepener");
        std::unique_ptr<ui::Dialog> d = c.make(&frame, &text);
        // What the X clipboard hands out when nobody owns it: data with no format at all.
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
        RunDialog(fake, *d,
                  [&](ui::Dialog& dialog)
                  {
                      QPlainTextEdit* edit = Text(dialog, c.textId);
                      edit->setFocus();
                      edit->moveCursor(QTextCursor::End);
                      QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
                      EXPECT_EQ(edit->toPlainText(), QStringLiteral("Deepener"));
                      // What is on the clipboard is still pasted.
                      QGuiApplication::clipboard()->setText(QStringLiteral(" and relax"));
                      QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
                      EXPECT_EQ(edit->toPlainText(), edit->isReadOnly()
                                                         ? QStringLiteral("Deepener")
                                                         : QStringLiteral("Deepener and relax"));
                      dialog.close();
                  });
    }
}

const char* const kTranscript = "Scripts and Suggestions\r\n=======================\r\n\r\n"
                                "Intro\r\nYou are safe and comfortable.\r\n\r\n"
                                "Deepener\r\nWith every breath you go deeper.\r\n\r\n";

TEST(CDlgVoiceTexts, CopyTextPutsTheWholeTextOnTheClipboard)
{
    vtest::FakeUi fake;
    vtest::HelpView view;
    QWidget frame;
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    CDlgVoiceTexts d(&frame);
    d.m_text = QString::fromLatin1(kTranscript);
    RunDialog(
        fake, d,
        [&](ui::Dialog& dialog)
        {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Session Transcript"));
            QPlainTextEdit* edit = Text(dialog, CDlgVoiceTexts::kIdText);
            EXPECT_TRUE(edit->isReadOnly());
            QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&dialog, CDlgVoiceTexts::kIdCopy)),
                              Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible());
            QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&dialog, CDlgVoiceTexts::kIdHelp)),
                              Qt::LeftButton);
            QTest::mouseClick(static_cast<QPushButton*>(ui::FindControl(&dialog, ui::IDOK)), Qt::LeftButton);
            EXPECT_FALSE(dialog.isVisible());
        });
    // The lines as the desktop writes them: no carriage returns left in the copied text.
    QString expected = QString::fromLatin1(kTranscript);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    EXPECT_EQ(view.topics, std::vector<QString>{QStringLiteral("DisplayingAllScriptTexts")});
}

TEST(SessionTextDialogs, Screenshots)
{
    ui::ApplyWorkspaceStyle(*qApp);
    vtest::FakeUi fake;
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);

    QString notes = QStringLiteral("Session for evening relaxation.\n\n"
                                   "- Voice track: induction recorded on 3 March, re-record the deepener.\n"
                                   "- Keep the ocean loop low under the voice.\n"
                                   "- Alpha (10 Hz) for the first stages, theta (6 Hz) from \"Deeper\" on.");
    CDlgNotes n;
    n.m_notes = &notes;
    RunDialog(fake, n, [&](ui::Dialog& d) { EXPECT_TRUE(d.grab().save(dir + "/session-notes.png")); });

    CDlgVoiceTexts t;
    t.m_text = QString::fromLatin1(kTranscript);
    RunDialog(fake, t, [&](ui::Dialog& d) { EXPECT_TRUE(d.grab().save(dir + "/session-transcript.png")); });
}

} // namespace
