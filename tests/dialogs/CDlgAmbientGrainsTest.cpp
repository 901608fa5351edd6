// The loop tool over real files, the real grain engine, the memory player and the encoder; the file
// dialogs and message boxes answered by FakeUi.
#include "dialogs/CDlgAmbientGrains.h"
#include "dialogs/CDlgTrim.h"

#include "GraphEditorRig.h"
#include "audio/CSoundFile.h"
#include "controls/Style.h"
#include "platform/Registry.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace
{

/** A 16-bit stereo WAV of @p frames frames at 44100 Hz: a 220 Hz sine, or silence; with @p swell
 *  the sine's loudness rises and falls every few seconds, as a recorded sound would. */
QString WriteWav(const QString& path, std::uint32_t frames, bool silent = false, bool swell = false)
{
    QByteArray data;
    auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) data.append(char((v >> (8 * i)) & 0xFF)); };
    auto u16 = [&](std::uint16_t v) { data.append(char(v & 0xFF)); data.append(char(v >> 8)); };
    data.append("RIFF");
    u32(36 + frames * 4);
    data.append("WAVEfmt ");
    u32(16);
    u16(1);         // PCM
    u16(2);         // stereo
    u32(44100);
    u32(44100 * 4); // bytes a second
    u16(4);         // bytes a frame
    u16(16);
    data.append("data");
    u32(frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const double t = i / 44100.0;
        const double level = swell ? 0.15 + 0.85 * std::pow(std::sin(M_PI * t / 7.3) * std::sin(M_PI * t / 3.1), 2) : 1.0;
        const auto v = silent ? std::int16_t(0) : std::int16_t(12000 * level * std::sin(2 * M_PI * 220 * t));
        u16(std::uint16_t(v));
        u16(std::uint16_t(v));
    }
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    return path;
}

class AmbientToolTest : public ::testing::Test
{
protected:
    /** Runs the tool modally with @p script while it is shown. */
    void Run(std::function<void(CDlgAmbientGrains&)> script)
    {
        vtest::ScriptModalRun<CDlgAmbientGrains>(fake, std::move(script));
        CDlgAmbientGrains tool(&frame);
        tool.SetWaitMs(0);
        tool.DoModal();
    }
    static void Click(CDlgAmbientGrains& d, int id) { QTest::mouseClick(ui::FindControl(&d, id), Qt::LeftButton); }
    void Load(CDlgAmbientGrains& d, const QString& path)
    {
        fake.fileAnswers.push_back(QStringList{path});
        Click(d, CDlgAmbientGrains::kIdSelectSource);
    }
    std::vector<QString> BoxTexts() const
    {
        std::vector<QString> texts;
        for (const auto& b : fake.boxes)
            texts.push_back(b.text);
        return texts;
    }

    QTemporaryDir dir;
    vtest::FakeUi fake;
    vtest::HelpView view;
    QWidget frame;
};

} // namespace

// A loaded source shows in the selector with the selection 0.05 .. 0.95; its folder is remembered.
TEST_F(AmbientToolTest, LoadingShowsTheSourceSelected)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 88200);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Load(d, path);
            EXPECT_TRUE(fake.boxes.empty());
            EXPECT_EQ(d.GetSourceFrames(), 88200u);
            ASSERT_TRUE(d.GetTrim()->HasSource());
            EXPECT_EQ(d.GetTrim()->GetSelStart(), 0.05);
            EXPECT_EQ(d.GetTrim()->GetSelEnd(), 0.95);
            EXPECT_EQ(static_cast<QLabel*>(ui::FindControl(&d, CDlgAmbientGrains::kIdSourcePath))->text(), path);
            EXPECT_EQ(static_cast<QWidget*>(ui::FindControl(&d, CDlgAmbientGrains::kIdSelectSource))->isEnabled(), true);
        });
    QString folder;
    EXPECT_TRUE(GetRegString(plat::RegRoot::CurrentUser, QStringLiteral("FolderMusicSource"), folder));
    EXPECT_EQ(QDir(folder), QDir(dir.path()));
}

// A file that cannot be read is said so and leaves no source (not the previous one under a new
// name); a one-frame file loads without dividing by zero.
TEST_F(AmbientToolTest, UnreadableAndTinySources)
{
    const QString good = WriteWav(dir.filePath("sine.wav"), 44100);
    const QString bad = dir.filePath("notes.wav");
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a sound file at all");
    }
    const QString tiny = WriteWav(dir.filePath("one.wav"), 1);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Load(d, good);
            ASSERT_EQ(d.GetSourceFrames(), 44100u);
            Load(d, bad);
            EXPECT_EQ(BoxTexts(), std::vector<QString>{QStringLiteral("Failed to load the source file.")});
            EXPECT_EQ(d.GetSourceFrames(), 0u);
            EXPECT_FALSE(d.GetTrim()->HasSource());
            Click(d, CDlgAmbientGrains::kIdCreate);
            EXPECT_EQ(BoxTexts().back(), QStringLiteral("Please select a source file."));

            Load(d, tiny);
            EXPECT_LE(d.GetSourceFrames(), 1u);
            (void)d.grab();
        });
}

// Cancel during the load (the Select source button, pressed while the load pumps) leaves no source,
// opens no second file dialog, and Play source and Create music then ask for a source.
TEST_F(AmbientToolTest, CancelDuringLoadingLeavesNoSource)
{
    const QString path = WriteWav(dir.filePath("long.wav"), 44100 * 20);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            QTimer::singleShot(0, &d, [&] { Click(d, CDlgAmbientGrains::kIdSelectSource); });
            Load(d, path);
            EXPECT_EQ(fake.fileRequests.size(), 1u);
            EXPECT_EQ(d.GetSourceFrames(), 0u);
            EXPECT_FALSE(d.GetTrim()->HasSource());
            Click(d, CDlgAmbientGrains::kIdPlaySource);
            Click(d, CDlgAmbientGrains::kIdCreate);
            EXPECT_EQ(BoxTexts(), (std::vector<QString>{QStringLiteral("Please select a source file."),
                                                         QStringLiteral("Please select a source file.")}));
        });
}

// Create gives loop length x rate frames; a selection of no frame is refused; a new source drops
// the music of the old one; Cancel during the creation leaves no music.
TEST_F(AmbientToolTest, CreatingTheLoop)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 3);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Load(d, path);
            auto* length = static_cast<QSlider*>(ui::FindControl(&d, CDlgAmbientGrains::kIdLoopLength));
            length->setFocus();
            QTest::keyClick(length, Qt::Key_Home); // 20 seconds
            EXPECT_EQ(static_cast<QLabel*>(ui::FindControl(&d, CDlgAmbientGrains::kIdLoopLengthLabel))->text(),
                      QStringLiteral("20 seconds"));
            Click(d, CDlgAmbientGrains::kIdCreate);
            EXPECT_TRUE(fake.boxes.empty());
            EXPECT_EQ(d.GetOutputFrames(), 20u * 44100u);
            EXPECT_EQ(d.GetOutput().size(), 2u * 20u * 44100u);
            float peak = 0;
            for (float v : d.GetOutput())
            {
                ASSERT_TRUE(std::isfinite(v));
                peak = std::max(peak, std::fabs(v));
            }
            EXPECT_NEAR(peak, 0.5f, 1e-3);

            double same[2] = {0.5, 0.5};
            ui::SendMessage(&d, WM_APP_TRIM_SELECTION, reinterpret_cast<ui::WParam>(same), 0);
            Click(d, CDlgAmbientGrains::kIdCreate);
            EXPECT_EQ(BoxTexts().back(),
                      QStringLiteral("The selection holds no sound. Please select a part of the source."));

            Load(d, path);
            EXPECT_EQ(d.GetOutputFrames(), 0u);

            QTimer::singleShot(0, &d, [&] { Click(d, CDlgAmbientGrains::kIdCreate); });
            Click(d, CDlgAmbientGrains::kIdCreate);
            EXPECT_EQ(d.GetOutputFrames(), 0u);
            EXPECT_TRUE(d.GetOutput().empty());
        });
}

// At most one preview plays: Play music stops the source first. Saving writes a WAV that reads
// back with the loop's frames.
TEST_F(AmbientToolTest, PreviewsAndSaving)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 3);
    const QString saved = dir.filePath("loop.wav");
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Click(d, CDlgAmbientGrains::kIdPlayMusic);
            EXPECT_EQ(BoxTexts().back(), QStringLiteral("Please press \"Create music\" to create ambient music."));
            Load(d, path);
            auto* length = static_cast<QSlider*>(ui::FindControl(&d, CDlgAmbientGrains::kIdLoopLength));
            length->setFocus();
            QTest::keyClick(length, Qt::Key_Home);
            Click(d, CDlgAmbientGrains::kIdCreate);
            ASSERT_EQ(d.GetOutputFrames(), 20u * 44100u);

            Click(d, CDlgAmbientGrains::kIdPlaySource);
            EXPECT_TRUE(d.IsSourcePlaying());
            Click(d, CDlgAmbientGrains::kIdPlayMusic);
            EXPECT_FALSE(d.IsSourcePlaying());
            EXPECT_TRUE(d.IsMusicPlaying());
            Click(d, CDlgAmbientGrains::kIdPlayMusic);
            EXPECT_FALSE(d.IsMusicPlaying());

            fake.fileAnswers.push_back(QStringList{saved});
            Click(d, CDlgAmbientGrains::kIdSave);
        });
    CSoundFile file;
    ASSERT_TRUE(file.Open(saved, 44100, false));
    EXPECT_EQ(file.GetLength(), 20u * 44100u);
}

// For a reviewer: the tool with a loaded source, a selection and a created loop playing.
TEST_F(AmbientToolTest, Screenshot)
{
    ui::ApplyWorkspaceStyle(*qApp);
    const QString path = WriteWav(dir.filePath("Rain on the roof.wav"), 44100 * 50, false, true);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Load(d, path);
            // The start bound dragged from 5 % to 20 % of the source.
            const QRect wave = d.GetTrim()->WaveRect();
            const QPoint from(wave.x() + int(wave.width() * 0.05), wave.center().y());
            QTest::mousePress(d.GetTrim(), Qt::LeftButton, Qt::NoModifier, from);
            QTest::mouseMove(d.GetTrim(), QPoint(wave.x() + int(wave.width() * 0.2), wave.center().y()));
            QTest::mouseRelease(d.GetTrim(), Qt::LeftButton, Qt::NoModifier,
                                QPoint(wave.x() + int(wave.width() * 0.2), wave.center().y()));
            auto* length = static_cast<QSlider*>(ui::FindControl(&d, CDlgAmbientGrains::kIdLoopLength));
            length->setFocus();
            QTest::keyClick(length, Qt::Key_Home);
            Click(d, CDlgAmbientGrains::kIdCreate);
            Click(d, CDlgAmbientGrains::kIdPlayMusic);
            QApplication::processEvents();
            QDir().mkpath(QStringLiteral(VORNA_TEST_OUTPUT_DIR));
            EXPECT_TRUE(d.grab().save(QStringLiteral(VORNA_TEST_OUTPUT_DIR "/ambient-loop-tool.png")));
            Click(d, CDlgAmbientGrains::kIdPlayMusic);
        });
}
