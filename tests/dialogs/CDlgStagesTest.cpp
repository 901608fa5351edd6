// The stage editor and its name entry, driven through their real buttons and keys over a real
// document: every change must reach the document's stages and the list together.
#include "dialogs/session/CDlgStages.h"
#include "dialogs/session/CDlgGetName.h"

#include "GraphEditorRig.h"
#include "controls/Controls.h"
#include "controls/Style.h"
#include "model/CVornaDoc.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace
{

/** Three stages: A [0, 0.2), B [0.2, 0.5), C [0.5, 1]. */
void ThreeStages(CStages& stages)
{
    stages.SetDefault();
    while (stages.GetCount() > 3)
        stages.RemoveStage(0);
    const char* names[] = {"A", "B", "C"};
    const double bounds[] = {0.0, 0.2, 0.5, 1.0};
    for (int i = 0; i < 3; ++i)
    {
        CStage& s = stages.GetStage(i);
        s.m_name = QString::fromLatin1(names[i]);
        s.m_start = bounds[i];
        s.m_end = bounds[i + 1];
    }
}

QListWidget* List(ui::Dialog& d)
{
    return static_cast<QListWidget*>(ui::FindControl(&d, CDlgStages::kIdList));
}

void Click(ui::Dialog& d, int id)
{
    auto* button = static_cast<QPushButton*>(ui::FindControl(&d, id));
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

/** The list's entries, and the stages' names, which must be the same. */
QStringList Names(ui::Dialog& d, const CStages& stages)
{
    QStringList list;
    for (int i = 0; i < List(d)->count(); ++i)
        list << List(d)->item(i)->text();
    QStringList model;
    for (int i = 0; i < stages.GetCount(); ++i)
        model << stages.GetStage(i).m_name;
    EXPECT_EQ(list, model);
    return list;
}

/** Stages keep covering 0..1 without a gap. */
void ExpectContiguous(const CStages& stages)
{
    EXPECT_EQ(stages.GetStage(0).m_start, 0.0);
    EXPECT_EQ(stages.GetStage(stages.GetCount() - 1).m_end, 1.0);
    for (int i = 1; i < stages.GetCount(); ++i)
        EXPECT_EQ(stages.GetStage(i).m_start, stages.GetStage(i - 1).m_end) << i;
}

/** Queues the name entry's run: types @p typed over the offered name and closes with @p key. */
void AnswerName(vtest::FakeUi& fake, const QString& typed, Qt::Key key, QString* offered = nullptr)
{
    fake.modalRuns.push_back(
        [typed, key, offered](ui::Dialog& d)
        {
            d.show();
            auto* edit = static_cast<QLineEdit*>(ui::FindControl(&d, CDlgGetName::kIdName));
            if (offered != nullptr)
                *offered = edit->text();
            if (!typed.isEmpty())
            {
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, typed);
            }
            QTest::keyClick(edit, key);
            EXPECT_FALSE(d.isVisible());
            return d.result();
        });
}

class StagesTest : public ::testing::Test
{
protected:
    StagesTest() { ThreeStages(doc.m_stages); }

    /** Runs the editor with @p script on it, selecting @p select first. */
    void Run(int select, std::function<void(CDlgStages&)> script) { Run(doc, select, std::move(script)); }
    void Run(CVornaDoc& edited, int select, std::function<void(CDlgStages&)> script)
    {
        fake.modalRuns.push_front(
            [select, script](ui::Dialog& d)
            {
                d.show();
                List(d)->setCurrentRow(select);
                script(static_cast<CDlgStages&>(d));
                return int(ui::IDOK);
            });
        CDlgStages dialog(&frame);
        dialog.m_pDoc = &edited;
        dialog.DoModal();
    }

    vtest::FakeUi fake;
    vtest::HelpView view;
    QWidget frame;
    CVornaDoc doc;
};

// The table of the editing steps at the list's edges: the selection after each, the list and the
// stages together, the timeline still covered, and the session marked modified by every step that
// changed something.
TEST_F(StagesTest, EditingStepsKeepListAndStagesTogether)
{
    struct Case
    {
        const char* name;
        int select;
        int button;
        QStringList names;
        int selected;
    };
    const Case cases[] = {
        {"delete the last gives a new last", 2, CDlgStages::kIdDelete, {"A", "B"}, 1},
        {"delete the first gives a new first", 0, CDlgStages::kIdDelete, {"B", "C"}, 0},
        {"delete in the middle keeps the place", 1, CDlgStages::kIdDelete, {"A", "C"}, 1},
        {"up on the first does nothing", 0, CDlgStages::kIdUp, {"A", "B", "C"}, 0},
        {"down on the last does nothing", 2, CDlgStages::kIdDown, {"A", "B", "C"}, 2},
        {"up moves and keeps the selection", 2, CDlgStages::kIdUp, {"A", "C", "B"}, 1},
        {"down moves and keeps the selection", 0, CDlgStages::kIdDown, {"B", "A", "C"}, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CVornaDoc edited;
        ThreeStages(edited.m_stages);
        ASSERT_FALSE(edited.IsSessionModified());
        Run(edited, c.select,
            [&](CDlgStages& d)
            {
                Click(d, c.button);
                EXPECT_EQ(Names(d, edited.m_stages), c.names);
                EXPECT_EQ(List(d)->currentRow(), c.selected);
                ExpectContiguous(edited.m_stages);
            });
        EXPECT_EQ(edited.IsSessionModified(), c.names != QStringList({"A", "B", "C"}));
    }
}

TEST_F(StagesTest, DeletedStageGivesItsRangeToItsNeighbour)
{
    Run(1,
        [&](CDlgStages& d)
        {
            Click(d, CDlgStages::kIdDelete);
            EXPECT_EQ(doc.m_stages.GetStage(1).m_start, 0.2); // C starts where B did
            Click(d, CDlgStages::kIdDelete);                  // the last: A ends at 1
            EXPECT_EQ(doc.m_stages.GetStage(0).m_end, 1.0);
            Click(d, CDlgStages::kIdDelete); // refused at one stage, without a message
            EXPECT_EQ(Names(d, doc.m_stages), QStringList{"A"});
            EXPECT_EQ(List(d)->currentRow(), 0);
        });
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_TRUE(doc.IsSessionModified());
}

// Add with the third selected: the new stage is the third, takes the first half of the old
// third's range, and is selected. Esc in the name entry still inserts the offered name.
TEST_F(StagesTest, AddInsertsBeforeTheSelectedOverItsFirstHalf)
{
    QString offered;
    AnswerName(fake, QStringLiteral("Typed, then Esc"), Qt::Key_Escape, &offered);
    AnswerName(fake, QStringLiteral("Deepening"), Qt::Key_Return);
    ASSERT_FALSE(doc.IsSessionModified());
    Run(2,
        [&](CDlgStages& d)
        {
            Click(d, CDlgStages::kIdAdd);
            EXPECT_EQ(offered, QStringLiteral("New Stage Name"));
            EXPECT_EQ(Names(d, doc.m_stages), (QStringList{"A", "B", "New Stage Name", "C"}));
            EXPECT_EQ(List(d)->currentRow(), 2);
            EXPECT_EQ(doc.m_stages.GetStage(2).m_start, 0.5);
            EXPECT_EQ(doc.m_stages.GetStage(2).m_end, 0.75);
            EXPECT_EQ(doc.m_stages.GetStage(3).m_start, 0.75);

            Click(d, CDlgStages::kIdAdd);
            EXPECT_EQ(Names(d, doc.m_stages), (QStringList{"A", "B", "Deepening", "New Stage Name", "C"}));
            ExpectContiguous(doc.m_stages);
        });
    EXPECT_TRUE(doc.IsSessionModified());
}

// Name offers the selected stage's name; OK takes the typed name, Esc keeps the old one.
TEST_F(StagesTest, NameRenamesOnOkAndKeepsTheNameOnEsc)
{
    QString offered;
    AnswerName(fake, QStringLiteral("Induction"), Qt::Key_Return, &offered);
    AnswerName(fake, QStringLiteral("Dropped"), Qt::Key_Escape);
    Run(1,
        [&](CDlgStages& d)
        {
            Click(d, CDlgStages::kIdName);
            EXPECT_EQ(offered, QStringLiteral("B"));
            EXPECT_EQ(Names(d, doc.m_stages), (QStringList{"A", "Induction", "C"}));
            EXPECT_EQ(List(d)->currentRow(), 1);
            Click(d, CDlgStages::kIdName);
            EXPECT_EQ(Names(d, doc.m_stages), (QStringList{"A", "Induction", "C"}));
        });
    EXPECT_EQ(doc.m_stages.GetStage(1).m_start, 0.2);
    EXPECT_EQ(doc.m_stages.GetStage(1).m_end, 0.5);
}

TEST_F(StagesTest, ButtonsCarryTheirTipsAndHelpAsksForItsTopic)
{
    Run(0,
        [&](CDlgStages& d)
        {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit Stages"));
            EXPECT_EQ(d.windowModality(), Qt::WindowModal);
            const std::pair<int, const char*> tips[] = {
                {CDlgStages::kIdAdd, "Add a new stage"},
                {CDlgStages::kIdDelete, "Delete the selected stage"},
                {CDlgStages::kIdName, "Rename the selected stage"},
                {CDlgStages::kIdUp, "Move the selected stage upward"},
                {CDlgStages::kIdDown, "Move the selected stage downward"},
            };
            for (const auto& [id, tip] : tips)
                EXPECT_EQ(ui::FindControl(&d, id)->toolTip(), QString::fromLatin1(tip));
            Click(d, CDlgStages::kIdHelp);
            EXPECT_TRUE(d.isVisible());
        });
    EXPECT_EQ(view.topics, std::vector<QString>{QStringLiteral("EditingSessionStages")});
}

TEST(CDlgGetName, FramelessAndOkTakesTheTypedName)
{
    vtest::FakeUi fake;
    CDlgGetName d;
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
    d.m_name = QStringLiteral("Steady");
    AnswerName(fake, QStringLiteral("Calm"), Qt::Key_Return);
    EXPECT_EQ(d.DoModal(), ui::IDOK);
    EXPECT_EQ(d.m_name, QStringLiteral("Calm"));
}

TEST_F(StagesTest, Screenshot)
{
    ui::ApplyWorkspaceStyle(*qApp);
    doc.m_stages.SetDefault();
    CDlgStages d;
    d.m_pDoc = &doc;
    fake.modalRuns.push_back(
        [&](ui::Dialog& dialog)
        {
            dialog.show();
            List(dialog)->setCurrentRow(3);
            const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
            QDir().mkpath(dir);
            EXPECT_TRUE(dialog.grab().save(dir + "/edit-stages.png"));
            return int(ui::IDOK);
        });
    d.DoModal();

    CDlgGetName name;
    name.m_name = QStringLiteral("New Stage Name");
    fake.modalRuns.push_back(
        [&](ui::Dialog& dialog)
        {
            dialog.show();
            EXPECT_TRUE(dialog.grab().save(QStringLiteral(VORNA_TEST_OUTPUT_DIR) + "/stage-name.png"));
            return int(ui::IDOK);
        });
    name.DoModal();
}

} // namespace
