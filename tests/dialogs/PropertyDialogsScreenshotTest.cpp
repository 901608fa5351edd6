// The session-wide settings and the segment-times dialogs as a user sees them: every label, field
// and button shows its text.
#include "dialogs/session/CDlgGlobals.h"
#include "dialogs/session/CDlgSegmentDimensions.h"

#include "controls/Style.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"
#include "support/ShotChecks.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

namespace
{

QString OutputPath(const char* name)
{
    const QString folder = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder + QLatin1Char('/') + QString::fromLatin1(name);
}

} // namespace

TEST(Screenshot, GlobalsAndSegmentDimensionsDialogs)
{
    const QPalette previousPalette = QApplication::palette();
    const QFont previousFont = QApplication::font();
    ui::ApplyWorkspaceStyle(*qApp);
    {
        vtest::FakeUi fake;
        vtest::RecordingView view;
        CVornaDoc doc;
        doc.m_sessionLength = 1800;
        doc.m_brainwaves.m_property.SetConstant(7.5);
        doc.m_bilateral.m_property.SetValue(40);
        doc.m_bilateral.m_property.SetMode(CSmartProperty::kModeGraph);

        CDlgGlobals globals;
        globals.m_doc = &doc;
        fake.modalRuns.push_back(
            [](ui::Dialog& d)
            {
                d.show();
                const QImage shot = d.grab().toImage();
                EXPECT_TRUE(shot.save(OutputPath("dialog-global-properties.png")));
                EXPECT_EQ(vtest::BlankTexts(&d, shot).join(" | ").toStdString(), "");
                return int(ui::IDOK);
            });
        globals.DoModal();

        auto segment = CSegments::CreateSegment(CSegment::kKindVoice);
        segment->m_begin = 0.2;
        segment->m_end = 0.45;
        CDlgSegmentDimensions dims;
        dims.m_doc = &doc;
        dims.m_segment = segment.get();
        dims.m_rangeFrom = 0.1;
        dims.m_rangeTo = 0.7;
        fake.modalRuns.push_back(
            [](ui::Dialog& d)
            {
                d.show();
                const QImage shot = d.grab().toImage();
                EXPECT_TRUE(shot.save(OutputPath("dialog-segment-dimensions.png")));
                EXPECT_EQ(vtest::BlankTexts(&d, shot).join(" | ").toStdString(), "");
                return int(ui::IDOK);
            });
        dims.DoModal();
        std::printf("dialogs: %s\n", qPrintable(OutputPath("dialog-*.png")));
    }
    QApplication::setPalette(previousPalette);
    QApplication::setFont(previousFont);
}
