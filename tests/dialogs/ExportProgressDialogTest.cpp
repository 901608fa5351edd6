// The export's progress window over a real export (the real engine and file writer): it follows
// the export, ends by itself, and cancels it; its time read-outs as a table.
#include "dialogs/session/ExportProgressDialog.h"

#include "GraphEditorRig.h"
#include "audio/SessionExport.h"
#include "controls/Controls.h"
#include "controls/Style.h"
#include "model/CSegmentTone.h"
#include "model/CSegments.h"
#include "model/CTracks.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace
{

/** A session of @p seconds with one tone track over its whole length. */
struct ToneSession
{
    explicit ToneSession(std::uint32_t seconds, std::uint32_t rate = 22050)
    {
        tracks.InsertTrack(0, CSegment::kKindTone);
        auto segment = CSegments::CreateSegment(CSegment::kKindTone);
        segment->m_begin = 0.0;
        segment->m_end = 1.0;
        static_cast<CSegmentTone&>(*segment).m_carrier.SetValue(200.0);
        tracks.GetTrack(0).m_segments.AddSegment(segment);
        params.m_tracks = &tracks;
        params.m_rate = rate;
        params.m_sessionSeconds = seconds;
        params.m_brainwavesGlobal = &brainwaves;
        params.m_bilateralGlobal = &bilateral;
    }
    CTracks tracks;
    CBrainwavesGlobal brainwaves;
    CBilateralGlobal bilateral;
    CPlaybackParams params;
};

QString Text(ui::Dialog& d, int id)
{
    return static_cast<QLabel*>(ui::FindControl(&d, id))->text();
}

} // namespace

TEST(ExportProgressDialog, TimesText)
{
    struct Case
    {
        double progress;
        std::uint32_t elapsedMs;
        const char* text;
    };
    const Case cases[] = {
        {0.0, 0, "Elapsed 0:00    Remaining --:--"},
        {0.0, 5000, "Elapsed 0:05    Remaining --:--"}, // nothing done yet: no speed to go by
        {0.1, 0, "Elapsed 0:00    Remaining --:--"},
        {0.25, 10000, "Elapsed 0:10    Remaining 0:30"},
        {0.5, 61500, "Elapsed 1:01    Remaining 1:02"}, // the remaining time rounds up
        {0.1, 400000, "Elapsed 6:40    Remaining 1:00:00"},
        {1.0, 8000, "Elapsed 0:08    Remaining 0:00"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(dlg::ExportProgressDialog::TimesText(c.progress, c.elapsedMs), QString::fromLatin1(c.text));
    }
}

// A short export: the window shows the target, ends by itself with OK once the file is finished,
// and the export then puts the file in place.
TEST(ExportProgressDialog, EndsByItselfWhenTheExportIsDone)
{
    vtest::FakeUi fake;
    QTemporaryDir dir;
    ToneSession session(5);
    rt::SessionExport job;
    const QString target = dir.filePath("Evening.wav");
    ASSERT_TRUE(job.Start(session.params, target, 0, 3, 0));
    fake.modalRuns.push_back([](ui::Dialog& d) { return d.exec(); });
    dlg::ExportProgressDialog dialog(nullptr, job);
    EXPECT_EQ(dialog.DoModal(), ui::IDOK);
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(static_cast<ui::ProgressBar*>(ui::FindControl(&dialog, dlg::ExportProgressDialog::kIdProgress))
                  ->GetPos(),
              100);
    EXPECT_EQ(Text(dialog, dlg::ExportProgressDialog::kIdPercent), QStringLiteral("100%"));
    EXPECT_EQ(Text(dialog, dlg::ExportProgressDialog::kIdFile), target);
    EXPECT_EQ(job.Finish(), rt::SessionExport::Outcome::Exported);
    EXPECT_TRUE(QFile::exists(target));
}

// For a reviewer: the window a third of the way through a long export, 14 s in; then its Cancel
// button stops the export, and the window ends with Cancel.
TEST(ExportProgressDialog, ScreenshotAndCancel)
{
    ui::ApplyWorkspaceStyle(*qApp);
    vtest::FakeUi fake;
    QTemporaryDir dir;
    ToneSession session(15 * 60);
    rt::SessionExport job;
    ASSERT_TRUE(job.Start(session.params, dir.filePath("Deep relaxation before sleep.wav"), 0, 3, 0));
    int result = -1;
    fake.modalRuns.push_back(
        [&](ui::Dialog& d)
        {
            QTimer::singleShot(
                0, &d,
                [&]
                {
                    EXPECT_TRUE(vtest::WaitFor([&] { return job.Progress() >= 0.33; }, 120000));
                    fake.tickCount = 14000;
                    QTest::qWait(2 * dlg::ExportProgressDialog::kPollMs);
                    EXPECT_TRUE(Text(d, dlg::ExportProgressDialog::kIdTimes).startsWith("Elapsed 0:14"));
                    QDir().mkpath(QStringLiteral(VORNA_TEST_OUTPUT_DIR));
                    EXPECT_TRUE(d.grab().save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/export-progress.png")));
                    QTest::mouseClick(ui::FindControl(&d, ui::IDCANCEL), Qt::LeftButton);
                });
            result = d.exec();
            return result;
        });
    dlg::ExportProgressDialog dialog(nullptr, job);
    EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
    EXPECT_TRUE(job.IsCancelled());
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(job.Finish(), rt::SessionExport::Outcome::Cancelled);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}
