// The loop tool over real files, the real grain engine, the memory player and the encoder; the file
// dialogs and message boxes answered by FakeUi.
#include "dialogs/looptool/CDlgAmbientGrains.h"
#include "dialogs/looptool/CDlgTrim.h"
#include "dialogs/looptool/SourceLoader.h"
#include "dialogs/panels/SoundFileList.h"

#include "GraphEditorRig.h"
#include "audio/AudioMessage.h"
#include "audio/CSoundFile.h"
#include "controls/Controls.h"
#include "controls/Style.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <set>

namespace
{

/** A 16-bit stereo WAV of @p frames frames at 44100 Hz: a 220 Hz sine, or silence; with @p swell
 *  the sine's loudness rises and falls every few seconds, as a recorded sound would. */
QString WriteWav(const QString& path, std::uint32_t frames, bool silent = false, bool swell = false)
{
    QByteArray data;
    auto u32 = [&](std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data.append(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](std::uint16_t v)
    {
        data.append(char(v & 0xFF));
        data.append(char(v >> 8));
    };
    data.append("RIFF");
    u32(36 + frames * 4);
    data.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(2); // stereo
    u32(44100);
    u32(44100 * 4); // bytes a second
    u16(4);         // bytes a frame
    u16(16);
    data.append("data");
    u32(frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const double t = i / 44100.0;
        const double level =
            swell ? 0.15 + 0.85 * std::pow(std::sin(M_PI * t / 7.3) * std::sin(M_PI * t / 3.1), 2) : 1.0;
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
    static void Click(CDlgAmbientGrains& d, int id)
    {
        QTest::mouseClick(ui::FindControl(&d, id), Qt::LeftButton);
    }
    /** Chooses @p path with Select source and lets the window run until the load has ended. */
    void Load(CDlgAmbientGrains& d, const QString& path)
    {
        fake.fileAnswers.push_back(QStringList{path});
        Click(d, CDlgAmbientGrains::kIdSelectSource);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !d.IsLoading(); }, 30000)) << "the load never ended";
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
            // The decode runs beside the window: the click returns with the load still running,
            // Select source as its Cancel and Save to file disabled.
            fake.fileAnswers.push_back(QStringList{path});
            Click(d, CDlgAmbientGrains::kIdSelectSource);
            EXPECT_TRUE(d.IsLoading());
            auto* select = static_cast<QPushButton*>(ui::FindControl(&d, CDlgAmbientGrains::kIdSelectSource));
            EXPECT_EQ(select->text(), QStringLiteral("Cancel"));
            EXPECT_FALSE(ui::FindControl(&d, CDlgAmbientGrains::kIdSave)->isEnabled());
            ASSERT_TRUE(QTest::qWaitFor([&] { return !d.IsLoading(); }, 30000));
            EXPECT_TRUE(fake.boxes.empty());
            EXPECT_EQ(d.GetSourceFrames(), 88200u);
            ASSERT_TRUE(d.GetTrim()->HasSource());
            EXPECT_EQ(d.GetTrim()->GetSelStart(), 0.05);
            EXPECT_EQ(d.GetTrim()->GetSelEnd(), 0.95);
            EXPECT_EQ(static_cast<QLabel*>(ui::FindControl(&d, CDlgAmbientGrains::kIdSourcePath))->text(),
                      path);
            EXPECT_EQ(
                static_cast<QWidget*>(ui::FindControl(&d, CDlgAmbientGrains::kIdSelectSource))->isEnabled(),
                true);
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

namespace
{
/** Clicks a control of the tool as the first queued call reaches the tool: the source loader's
 *  first report, before the tool has acted on any of them. */
struct ClickAtFirstQueuedCall : QObject
{
    ClickAtFirstQueuedCall(CDlgAmbientGrains& tool, int id) : tool(tool), id(id)
    {
        tool.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall && !clicked)
        {
            clicked = true;
            QTest::mouseClick(ui::FindControl(&tool, id), Qt::LeftButton);
        }
        return false;
    }
    CDlgAmbientGrains& tool;
    int id;
    bool clicked = false;
};
} // namespace

// Cancel during the load (the Select source button, pressed while the decode runs) leaves no source,
// opens no second file dialog, and Play source and Create music then ask for a source. The same file
// then loads whole.
TEST_F(AmbientToolTest, CancelDuringLoadingLeavesNoSource)
{
    const QString path = WriteWav(dir.filePath("long.wav"), 44100 * 20);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            {
                ClickAtFirstQueuedCall cancel(d, CDlgAmbientGrains::kIdSelectSource);
                Load(d, path);
                EXPECT_TRUE(cancel.clicked);
            }
            EXPECT_EQ(fake.fileRequests.size(), 1u);
            EXPECT_EQ(d.GetSourceFrames(), 0u);
            EXPECT_FALSE(d.GetTrim()->HasSource());
            EXPECT_EQ(static_cast<QLabel*>(ui::FindControl(&d, CDlgAmbientGrains::kIdSourcePath))->text(),
                      QStringLiteral("Music source file"));
            Click(d, CDlgAmbientGrains::kIdPlaySource);
            Click(d, CDlgAmbientGrains::kIdCreate);
            EXPECT_EQ(BoxTexts(), (std::vector<QString>{QStringLiteral("Please select a source file."),
                                                        QStringLiteral("Please select a source file.")}));
            // Nothing of the cancelled decode arrives later.
            QTest::qWait(50);
            EXPECT_EQ(d.GetSourceFrames(), 0u);

            Load(d, path);
            EXPECT_EQ(d.GetSourceFrames(), 44100u * 20u);
            EXPECT_TRUE(d.GetTrim()->HasSource());
        });
}

// The tool closed while it decodes: it cancels the decode and waits for its thread, and nothing of
// the decode reaches the window after it is gone.
TEST_F(AmbientToolTest, ClosedWhileDecoding)
{
    const QString path = WriteWav(dir.filePath("long.wav"), 44100 * 60);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            fake.fileAnswers.push_back(QStringList{path});
            Click(d, CDlgAmbientGrains::kIdSelectSource);
            ASSERT_TRUE(d.IsLoading());
        });
    QTest::qWait(50);
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
            EXPECT_EQ(
                static_cast<QLabel*>(ui::FindControl(&d, CDlgAmbientGrains::kIdLoopLengthLabel))->text(),
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

            // Both bounds dragged onto the middle column: the selection the tool hears holds no frame.
            CDlgTrim* trim = d.GetTrim();
            const QRect wave = trim->WaveRect();
            const auto at = [&](double f)
            { return QPoint(wave.x() + int(wave.width() * f), wave.center().y()); };
            for (const double bound : {0.05, 0.95})
            {
                QTest::mousePress(trim, Qt::LeftButton, Qt::NoModifier, at(bound));
                QTest::mouseMove(trim, at(0.5));
                QTest::mouseRelease(trim, Qt::LeftButton, Qt::NoModifier, at(0.5));
            }
            EXPECT_NEAR(d.GetSettings().selectionStart, 0.5, 0.01);
            EXPECT_EQ(d.GetSettings().selectionStart, d.GetSettings().selectionEnd);
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
// back with the loop's frames. The save dialog opens in the sound library's Ambient Music folder
// (not the process's working folder) and next time where the last loop went, which is also where
// the ambient-music panel then adds files from.
TEST_F(AmbientToolTest, PreviewsAndSaving)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 3);
    const QString saved = dir.filePath("loop.wav");
    const QString library = GetSoundLibraryFolder() + "Ambient Music";
    ASSERT_TRUE(QDir().mkpath(library));
    const QString panelFolder = QString::fromLatin1(filelist::kFolderAmbientMusic);
    SetRegString(plat::RegRoot::CurrentUser, panelFolder, QString());
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Click(d, CDlgAmbientGrains::kIdPlayMusic);
            EXPECT_EQ(BoxTexts().back(),
                      QStringLiteral("Please press \"Create music\" to create ambient music."));
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
            ASSERT_FALSE(fake.fileRequests.empty());
            EXPECT_EQ(fake.fileRequests.back().folder, library);
            fake.fileAnswers.push_back(std::nullopt);
            Click(d, CDlgAmbientGrains::kIdSave);
            EXPECT_EQ(QDir(fake.fileRequests.back().folder), QDir(dir.path()));
        });
    QString stored;
    GetRegString(plat::RegRoot::CurrentUser, panelFolder, stored);
    EXPECT_EQ(QDir(stored), QDir(dir.path()));
    SetRegString(plat::RegRoot::CurrentUser, panelFolder, QString());
    CSoundFile file;
    ASSERT_TRUE(file.Open(saved, 44100, false));
    EXPECT_EQ(file.GetLength(), 20u * 44100u);
}

namespace
{
/** The encoders' and the file writer's message boxes reach the tool's message boxes, as in the
 *  program, for the scope's life. */
struct AudioMessagesAsBoxes
{
    AudioMessagesAsBoxes()
    {
        audio::SetMessageSink([](const QString& text) { ui::MessageBox(nullptr, text); });
    }
    ~AudioMessagesAsBoxes() { audio::SetMessageSink({}); }
};

/** PATH without the encoder programs, for the scope's life. */
struct NoEncoderPrograms
{
    NoEncoderPrograms() : saved(qgetenv("PATH")) { qputenv("PATH", empty.path().toLocal8Bit()); }
    ~NoEncoderPrograms() { qputenv("PATH", saved); }
    QTemporaryDir empty;
    QByteArray saved;
};

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SetToEnd(CDlgAmbientGrains& d, int sliderId, bool high)
{
    auto* slider = static_cast<QSlider*>(ui::FindControl(&d, sliderId));
    slider->setFocus();
    QTest::keyClick(slider, high ? Qt::Key_End : Qt::Key_Home);
}

/** The largest absolute sample of @p samples; NaN when one of them is not finite. */
float FinitePeak(const std::vector<float>& samples)
{
    float peak = 0;
    for (float v : samples)
    {
        if (!std::isfinite(v))
            return std::nanf("");
        peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

QString LabelText(CDlgAmbientGrains& d, int labelId)
{
    return static_cast<QLabel*>(ui::FindControl(&d, labelId))->text();
}
} // namespace

// The loop saved with the real encoders reads back at its length: WAV to the frame, MP3 and OGG
// within their encoders' padding. Saving over a file replaces it.
TEST_F(AmbientToolTest, SavingAsWavMp3AndOgg)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 3);
    struct Case
    {
        const char* name;
        std::int64_t tolerance; // frames
    };
    const Case cases[] = {{"loop.wav", 0}, {"loop.mp3", 2 * 1152}, {"loop.ogg", 1024}, {"loop.wav", 0}};
    AudioMessagesAsBoxes messages;
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Load(d, path);
            SetToEnd(d, CDlgAmbientGrains::kIdLoopLength, false);
            Click(d, CDlgAmbientGrains::kIdCreate);
            ASSERT_EQ(d.GetOutputFrames(), 20u * 44100u);
            for (const Case& c : cases)
            {
                fake.fileAnswers.push_back(QStringList{dir.filePath(QString::fromLatin1(c.name))});
                Click(d, CDlgAmbientGrains::kIdSave);
            }
        });
    EXPECT_TRUE(fake.boxes.empty()) << fake.boxes.size() << " boxes, the first: "
                                    << (fake.boxes.empty() ? std::string()
                                                           : fake.boxes.front().text.toStdString());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CSoundFile file;
        ASSERT_TRUE(file.Open(dir.filePath(QString::fromLatin1(c.name)), 44100, false));
        EXPECT_LE(std::llabs(std::int64_t{file.GetLength()} - 20 * 44100), c.tolerance) << file.GetLength();
        CStereoFrame frame;
        float peak = 0;
        for (std::uint32_t i = 0; i < 44100 && file.ReadFrame(frame); ++i)
            peak = std::max(peak, std::fabs(frame.left));
        EXPECT_GT(peak, 0.1f) << "the loop is in the file";
    }
    EXPECT_EQ(QDir(dir.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden), QStringList{});
}

// A save that fails leaves an older file of the name as it was and no temporary file: the encoder
// program missing (its own message says which), a folder that refuses new files.
TEST_F(AmbientToolTest, FailedSavesKeepTheOlderFile)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 3);
    const QString older = dir.filePath("loop.mp3");
    {
        QFile file(older);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("an older loop");
    }
    AudioMessagesAsBoxes messages;
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Load(d, path);
            SetToEnd(d, CDlgAmbientGrains::kIdLoopLength, false);
            Click(d, CDlgAmbientGrains::kIdCreate);
            ASSERT_EQ(d.GetOutputFrames(), 20u * 44100u);
            {
                NoEncoderPrograms missing;
                fake.fileAnswers.push_back(QStringList{older});
                Click(d, CDlgAmbientGrains::kIdSave);
            }
            // Not even root may make files in /proc.
            fake.fileAnswers.push_back(QStringList{QStringLiteral("/proc/loop.wav")});
            Click(d, CDlgAmbientGrains::kIdSave);
        });
    EXPECT_EQ(BoxTexts(),
              (std::vector<QString>{
                  QStringLiteral("Failed to start the encoder stream (compression).\n\nThe program "
                                 "lame was not found. It comes with the Debian package lame."),
                  QStringLiteral("The loop cannot be saved to the folder:\n/proc\n\nThe folder does "
                                 "not exist or cannot be written to. Please choose another "
                                 "folder.")}));
    EXPECT_EQ(ReadBytes(older), QByteArray("an older loop"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"loop.mp3", "sine.wav"}));
}

// Each slider's ends reach the settings the engine gets, with their labels; the Filter slider at 0
// (no filtering) and at 99 (the strongest pole the filter takes) both make a loop.
TEST_F(AmbientToolTest, SliderEndsReachTheSettings)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 3);
    using Field = double dlg::AmbientLoopSettings::*;
    struct Case
    {
        int slider;
        int label;
        Field field;
        bool high;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {CDlgAmbientGrains::kIdQuality, CDlgAmbientGrains::kIdQualityLabel,
         &dlg::AmbientLoopSettings::quality, false, 0.01, "1%"},
        {CDlgAmbientGrains::kIdQuality, CDlgAmbientGrains::kIdQualityLabel,
         &dlg::AmbientLoopSettings::quality, true, 1.0, "100%"},
        {CDlgAmbientGrains::kIdScan, CDlgAmbientGrains::kIdScanLabel, &dlg::AmbientLoopSettings::scan, false,
         0.0, "0%"},
        {CDlgAmbientGrains::kIdScan, CDlgAmbientGrains::kIdScanLabel, &dlg::AmbientLoopSettings::scan, true,
         1.0, "100%"},
        {CDlgAmbientGrains::kIdTexture, CDlgAmbientGrains::kIdTextureLabel,
         &dlg::AmbientLoopSettings::texture, true, 1.0, "100%"},
        {CDlgAmbientGrains::kIdSharpness, CDlgAmbientGrains::kIdSharpnessLabel,
         &dlg::AmbientLoopSettings::sharpness, true, 1.0, "100%"},
        {CDlgAmbientGrains::kIdFilter, CDlgAmbientGrains::kIdFilterLabel, &dlg::AmbientLoopSettings::filter,
         true, 0.99, "99%"},
        {CDlgAmbientGrains::kIdFilter, CDlgAmbientGrains::kIdFilterLabel, &dlg::AmbientLoopSettings::filter,
         false, 0.0, "0%"},
    };
    Run(
        [&](CDlgAmbientGrains& d)
        {
            for (const Case& c : cases)
            {
                SCOPED_TRACE(c.text);
                SetToEnd(d, c.slider, c.high);
                EXPECT_EQ(LabelText(d, c.label), QString::fromLatin1(c.text));
                EXPECT_DOUBLE_EQ(d.GetSettings().*c.field, c.value);
            }
            SetToEnd(d, CDlgAmbientGrains::kIdLoopLength, true);
            EXPECT_EQ(LabelText(d, CDlgAmbientGrains::kIdLoopLengthLabel), QStringLiteral("180 seconds"));
            EXPECT_EQ(d.GetSettings().loopSeconds, 180);
            SetToEnd(d, CDlgAmbientGrains::kIdLoopLength, false);
            EXPECT_EQ(d.GetSettings().loopSeconds, 20);

            // The quickest loop at both ends of the Filter slider (quality 1 %, 0.05 s grains).
            SetToEnd(d, CDlgAmbientGrains::kIdQuality, false);
            Load(d, path);
            for (const bool high : {false, true})
            {
                SCOPED_TRACE(high ? "filter 99" : "filter 0");
                SetToEnd(d, CDlgAmbientGrains::kIdFilter, high);
                Click(d, CDlgAmbientGrains::kIdCreate);
                EXPECT_TRUE(fake.boxes.empty());
                ASSERT_EQ(d.GetOutputFrames(), 20u * 44100u);
                EXPECT_NEAR(FinitePeak(d.GetOutput()), 0.5f, 1e-3);
            }
        });
}

// Sources far shorter than a grain (2.5 s at the default texture): every grain reads the little
// there is, and the loop is as long as asked, finite and not silent.
TEST_F(AmbientToolTest, SourcesShorterThanASecond)
{
    for (const std::uint32_t frames : {44100u * 2 / 5, 40u})
    {
        SCOPED_TRACE(frames);
        const QString path = WriteWav(dir.filePath(QStringLiteral("short%1.wav").arg(frames)), frames);
        Run(
            [&](CDlgAmbientGrains& d)
            {
                Load(d, path);
                ASSERT_EQ(d.GetSourceFrames(), frames);
                SetToEnd(d, CDlgAmbientGrains::kIdLoopLength, false);
                Click(d, CDlgAmbientGrains::kIdCreate);
                EXPECT_TRUE(fake.boxes.empty());
                ASSERT_EQ(d.GetOutputFrames(), 20u * 44100u);
                EXPECT_NEAR(FinitePeak(d.GetOutput()), 0.5f, 1e-3);
            });
    }
}

// The default loop (40 s, quality 50 %): while the grains are rendered the window's events keep
// running, the progress bar climbs step by step, and Cancel, pressed from inside that pumping,
// stops the render at once: no further progress, and no loop.
TEST_F(AmbientToolTest, CreatingKeepsTheWindowResponsive)
{
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 10, false, true);
    Run(
        [&](CDlgAmbientGrains& d)
        {
            Load(d, path);
            auto* bar =
                static_cast<ui::ProgressBar*>(ui::FindControl(&d, CDlgAmbientGrains::kIdMusicProgress));
            std::vector<int> seen;
            QTimer pump; // fires once in every dispatch of the window's events
            pump.setInterval(0);
            QObject::connect(&pump, &QTimer::timeout, [&] { seen.push_back(bar->GetPos()); });
            pump.start();
            Click(d, CDlgAmbientGrains::kIdCreate);
            pump.stop();
            ASSERT_EQ(d.GetOutputFrames(), 40u * 44100u);
            EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
            EXPECT_GE(std::set<int>(seen.begin(), seen.end()).size(), 20u)
                << "the events ran at (nearly) every percent of the render";

            seen.clear();
            int cancelledAt = -1;
            QObject::connect(&pump, &QTimer::timeout,
                             [&]
                             {
                                 if (cancelledAt < 0 && bar->GetPos() >= 30)
                                 {
                                     cancelledAt = bar->GetPos();
                                     Click(d, CDlgAmbientGrains::kIdCreate);
                                 }
                             });
            pump.start();
            Click(d, CDlgAmbientGrains::kIdCreate);
            pump.stop();
            ASSERT_GE(cancelledAt, 30);
            const auto after = std::find(seen.begin(), seen.end(), cancelledAt);
            ASSERT_NE(after, seen.end());
            for (auto it = after; it != seen.end(); ++it)
                EXPECT_LE(*it, cancelledAt) << "the render went on after Cancel";
            EXPECT_EQ(d.GetOutputFrames(), 0u);
            EXPECT_TRUE(d.GetOutput().empty());
        });
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

namespace
{
/** What a source loader handed back, on the test's thread. */
struct LoaderRecord
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> progress; // read, length
    int done = 0;
    dlg::SourceLoader::Result result;

    dlg::SourceLoader::Progress OnProgress()
    {
        return [this](std::uint32_t read, std::uint32_t length) { progress.emplace_back(read, length); };
    }
    dlg::SourceLoader::Done OnDone()
    {
        return [this](dlg::SourceLoader::Result& r)
        {
            ++done;
            result = std::move(r);
        };
    }
};

/** The file read frame by frame, the slow way that needs no block logic. */
std::vector<CStereoFrame> ReadWhole(const QString& path, unsigned rate)
{
    CSoundFile file;
    EXPECT_TRUE(file.Open(path, rate, false));
    std::vector<CStereoFrame> frames;
    CStereoFrame frame;
    while (frames.size() < file.GetLength() && file.ReadFrame(frame))
        frames.push_back(frame);
    return frames;
}

bool SameFrames(const std::vector<CStereoFrame>& a, const std::vector<CStereoFrame>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](const CStereoFrame& x, const CStereoFrame& y)
                                              { return x.left == y.left && x.right == y.right; });
}
} // namespace

// The decode on the loader's thread gives the frames a plain read gives, at the file's own rate and
// resampled (where the length is an estimate the file may fall short of), with its progress climbing
// block by block on the receiver's thread up to all that was read, and its end reported once.
TEST(SourceLoader, DecodesTheFramesAPlainReadGives)
{
    QTemporaryDir dir;
    const QString path = WriteWav(dir.filePath("sine.wav"), 44100 * 3 + 123, false, true);
    for (const unsigned rate : {44100u, 48000u, 22050u})
    {
        SCOPED_TRACE(rate);
        QObject receiver;
        LoaderRecord record;
        dlg::SourceLoader loader;
        loader.Start(path, rate, &receiver, record.OnProgress(), record.OnDone());
        ASSERT_TRUE(QTest::qWaitFor([&] { return record.done > 0; }, 30000));
        QTest::qWait(20);
        EXPECT_EQ(record.done, 1);
        EXPECT_FALSE(record.result.failed);
        const std::vector<CStereoFrame> plain = ReadWhole(path, rate);
        EXPECT_GT(plain.size(), rate * 3 - rate / 100);
        EXPECT_TRUE(SameFrames(record.result.frames, plain))
            << record.result.frames.size() << " " << plain.size();
        ASSERT_GE(record.progress.size(), plain.size() / dlg::SourceLoader::kBlockFrames);
        // Whole blocks, the last one what was left.
        for (std::size_t i = 1; i + 1 < record.progress.size(); ++i)
            EXPECT_EQ(record.progress[i].first - record.progress[i - 1].first,
                      dlg::SourceLoader::kBlockFrames);
        EXPECT_EQ(record.progress.front().first, dlg::SourceLoader::kBlockFrames);
        EXPECT_EQ(record.progress.back().first, plain.size());
    }
}

// A file that cannot be decoded ends as failed, with no frames; an empty path too.
TEST(SourceLoader, UnreadableFilesFail)
{
    QTemporaryDir dir;
    const QString bad = dir.filePath("notes.wav");
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a sound file at all");
    }
    for (const QString& path : {bad, dir.filePath("missing.wav"), QString()})
    {
        SCOPED_TRACE(path.toStdString());
        QObject receiver;
        LoaderRecord record;
        dlg::SourceLoader loader;
        loader.Start(path, 44100, &receiver, record.OnProgress(), record.OnDone());
        ASSERT_TRUE(QTest::qWaitFor([&] { return record.done > 0; }, 30000));
        EXPECT_TRUE(record.result.failed);
        EXPECT_TRUE(record.result.frames.empty());
        EXPECT_TRUE(record.progress.empty());
    }
}

// Cancel, a new Start and the loader's end each stop the decode that runs and wait for it: nothing of
// it arrives afterwards, not even what it had already queued, and the loader decodes the next file
// whole.
TEST(SourceLoader, CancelStopsTheDecodeAndLosesNothingAfter)
{
    QTemporaryDir dir;
    const QString longer = WriteWav(dir.filePath("long.wav"), 44100 * 60);
    const QString shorter = WriteWav(dir.filePath("short.wav"), 44100 * 2);
    QObject receiver;
    LoaderRecord cancelled;
    LoaderRecord next;
    {
        dlg::SourceLoader loader;
        loader.Start(longer, 44100, &receiver, cancelled.OnProgress(), cancelled.OnDone());
        loader.Cancel();
        loader.Cancel(); // a second one finds nothing to do
        loader.Start(longer, 44100, &receiver, cancelled.OnProgress(), cancelled.OnDone());
        loader.Start(shorter, 44100, &receiver, next.OnProgress(), next.OnDone());
        ASSERT_TRUE(QTest::qWaitFor([&] { return next.done > 0; }, 30000));
        EXPECT_TRUE(SameFrames(next.result.frames, ReadWhole(shorter, 44100)));

        loader.Start(longer, 44100, &receiver, cancelled.OnProgress(), cancelled.OnDone());
    } // the loader's end
    QTest::qWait(50);
    EXPECT_TRUE(cancelled.progress.empty());
    EXPECT_EQ(cancelled.done, 0);
    EXPECT_EQ(next.done, 1);
}
