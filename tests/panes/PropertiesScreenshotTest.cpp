// The properties pane as a user sees it: a tone segment on each of the four tabs, idle and while
// the session plays. Each tab shows its own page with its texts, and playing dims the pages.
#include "panes/CPaneProperties.h"

#include "controls/Style.h"
#include "dialogs/panels/CDlgPropertiesTop.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"
#include "support/ShotChecks.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>

#include <vector>

namespace
{

QString OutputPath(const char* name)
{
    const QString folder = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder + QLatin1Char('/') + QString::fromLatin1(name);
}

} // namespace

TEST(Screenshot, PropertiesPaneOfAToneSegmentOnEachTab)
{
    const QPalette previousPalette = QApplication::palette();
    const QFont previousFont = QApplication::font();
    ui::ApplyWorkspaceStyle(*qApp);
    {
        vtest::FakeUi fake;
        vtest::RecordingView view;
        CVornaDoc doc;
        doc.m_sessionLength = 1200;
        auto tone = CSegments::CreateSegment(CSegment::kKindTone);
        tone->m_begin = 0.25;
        tone->m_end = 0.6;
        tone->m_volume.SetConstant(72);
        tone->m_brainwaves.m_enabled = true;
        tone->m_brainwaves.m_ownFrequency = true;
        tone->m_brainwaves.m_frequency.SetConstant(6.5);
        tone->m_bilateral.m_enabled = true;
        tone->m_bilateral.m_rate.SetValue(45);
        tone->m_bilateral.m_rate.SetMode(CSmartProperty::kModeGraph);
        tone->m_effects.m_switch[CEffectsLocal::kReverb] = true;
        tone->m_effects.m_level[CEffectsLocal::kReverb].SetConstant(35);
        tone->m_effects.m_switch[CEffectsLocal::kChorus] = true;
        tone->m_effects.m_level[CEffectsLocal::kChorus].SetConstant(20);
        doc.m_tracks.GetTrack(CSegment::kKindTone).m_segments.AddSegment(tone);
        view.selection.track = CSegment::kKindTone;

        constexpr int kW = 253;
        constexpr int kH = 420;
        view.resize(kW, kH);
        auto* pane = new CPaneProperties();
        pane->SetDocument(&doc);
        ASSERT_TRUE(pane->Create(&view, 20005, QRect(0, 0, kW, kH)));
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        pane->ShowProperties(tone.get(), CSegment::kKindTone);

        std::vector<QImage> tabs[2];
        for (bool playing : {false, true})
        {
            doc.m_isPlaying = playing;
            pane->UpdatePages();
            QImage sheet(4 * (kW + 6) - 6, kH, QImage::Format_RGB32);
            sheet.fill(QColor(20, 20, 20));
            QPainter p(&sheet);
            for (int tab = 0; tab < 4; ++tab)
            {
                pane->ShowPropertyTab(tab);
                pane->UpdatePages();
                const QImage shot = view.grab().toImage();
                p.drawImage(tab * (kW + 6), 0, shot);
                tabs[playing ? 1 : 0].push_back(shot);
                if (!playing)
                {
                    EXPECT_EQ(vtest::BlankTexts(&view, shot).join(" | ").toStdString(), "") << "tab " << tab;
                }
            }
            p.end();
            const char* name = playing ? "properties-tone-playing.png" : "properties-tone-idle.png";
            ASSERT_TRUE(sheet.save(OutputPath(name)));
        }
        for (int tab = 0; tab < 4; ++tab)
        {
            for (int other = tab + 1; other < 4; ++other)
            {
                EXPECT_GT(vtest::DifferentPixels(tabs[0][tab], tabs[0][other]), 500) << tab << " " << other;
            }
            EXPECT_GT(vtest::DifferentPixels(tabs[0][tab], tabs[1][tab]), 50)
                << "tab " << tab << " dims while playing";
        }
        std::printf("properties pane: %s\n", qPrintable(OutputPath("properties-tone-*.png")));
        pane->ShowProperties(nullptr, 0);
    }
    QApplication::setPalette(previousPalette);
    QApplication::setFont(previousFont);
}
