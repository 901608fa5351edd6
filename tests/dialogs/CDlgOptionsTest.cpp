// The options dialog over a fake audio side (devices, output, meter recorder): what each control
// writes into the record, what reaches the audio side, and that every way of closing saves.
#include "dialogs/session/CDlgOptions.h"
#include "dialogs/looptool/CDlgAmbientGrains.h"
#include "dialogs/panels/PreviewStreams.h"

#include "GraphEditorRig.h"
#include "audio/COptions.h"
#include "controls/Controls.h"
#include "controls/Resources.h"
#include "controls/Style.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace
{

struct FakeDevice
{
    const char* name;
    bool enabled;
};

audio::DeviceInfoSource Source(std::vector<FakeDevice> devices, int first)
{
    return [devices, first](int index, QString& name, bool& isDefault, bool& enabled)
    {
        const int at = index - first;
        if (at < 0 || at >= static_cast<int>(devices.size()))
            return false;
        name = QString::fromLatin1(devices[static_cast<std::size_t>(at)].name);
        isDefault = false;
        enabled = devices[static_cast<std::size_t>(at)].enabled;
        return true;
    };
}

/** Devices with a disabled one between two listed ones, a recorder that records what it is asked
 *  and reports a level of the test's choice. */
class FakeAudio : public OptionsAudio
{
public:
    std::vector<FakeDevice> outputs{{"Headset", true}, {"HDMI", false}, {"Speakers", true}};
    std::vector<FakeDevice> inputs{{"Webcam", false}, {"USB microphone", true}, {"Line in", true}};

    audio::DeviceEntries PlaybackDevices() override
    {
        return audio::PlaybackDeviceEntries(Source(outputs, 1));
    }
    audio::DeviceEntries RecordingDevices() override
    {
        return audio::RecordingDeviceEntries(Source(inputs, 0));
    }
    QStringList BurningDevices() override { return {"DVD-RW GH24NSD1 [HL-DT-ST]"}; }
    bool ReopenOutput(int device, unsigned rate) override
    {
        reopened.push_back({device, rate});
        return reopenSucceeds;
    }
    bool StartMeter(int device, unsigned) override
    {
        started.push_back(device);
        // As the recorder: a device number past the list does not open.
        recording = startSucceeds && device < static_cast<int>(inputs.size());
        return recording;
    }
    void FreeMeter() override
    {
        ++frees;
        recording = false;
    }
    bool IsMeterRecording() const override { return recording; }
    double GetMeterLevel() const override { return level; }
    void SetInputLevel(double l) override { inputLevels.push_back(l); }

    std::vector<std::pair<int, unsigned>> reopened;
    std::vector<int> started;
    std::vector<double> inputLevels;
    int frees = 0;
    bool recording = false;
    bool reopenSucceeds = true;
    bool startSucceeds = true;
    double level = 0.0;
};

class OptionsTest : public ::testing::Test
{
protected:
    OptionsTest() { options.m_fadePlaylistSeconds = 12.0; }

    /** Runs the dialog with @p script; the script's last step closes it (or the run hides it). */
    int Run(std::function<void(CDlgOptions&)> script)
    {
        fake.modalRuns.push_back(
            [script](ui::Dialog& d)
            {
                d.show();
                d.activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
                script(static_cast<CDlgOptions&>(d));
                if (d.isVisible())
                    d.hide();
                return d.result();
            });
        CDlgOptions dialog(&frame, &audio);
        dialog.m_options = &options;
        return dialog.DoModal();
    }

    template <class T> static T* Control(ui::Dialog& d, int id)
    {
        return static_cast<T*>(ui::FindControl(&d, id));
    }
    static QString Text(ui::Dialog& d, int id) { return Control<QLabel>(d, id)->text(); }
    /** The user picks entry @p index of combo @p id. */
    static void Choose(ui::Dialog& d, int id, int index)
    {
        auto* box = Control<QComboBox>(d, id);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    /** The user drags slider @p id's handle to @p value. */
    static void Slide(ui::Dialog& d, int id, int value)
    {
        auto* slider = Control<QSlider>(d, id);
        slider->setFocus();
        while (slider->value() != value)
            QTest::keyClick(slider, slider->value() < value ? Qt::Key_Right : Qt::Key_Left);
    }

    vtest::FakeUi fake;
    vtest::HelpView view;
    QWidget frame;
    FakeAudio audio;
    COptions options;
};

// WAV shows "Uncompress" where the compression choice is; MP3 and OGG show the choice in that
// same place.
TEST_F(OptionsTest, WavHidesTheCompressionBehindUncompress)
{
    options.m_exportFormatType = COptions::kFormatMp3;
    Run(
        [&](CDlgOptions& d)
        {
            auto* compression = Control<QComboBox>(d, CDlgOptions::kIdCompression);
            auto* uncompress = Control<QLabel>(d, CDlgOptions::kIdUncompress);
            EXPECT_EQ(uncompress->text(), QStringLiteral("Uncompress"));
            EXPECT_EQ(compression->geometry(), uncompress->geometry());
            struct Case
            {
                int format;
                bool compressed;
            };
            for (const Case c : {Case{0, false}, Case{1, true}, Case{0, false}, Case{2, true}})
            {
                SCOPED_TRACE(c.format);
                Choose(d, CDlgOptions::kIdExportFormat, c.format);
                EXPECT_EQ(options.m_exportFormatType, c.format);
                EXPECT_EQ(compression->isVisible(), c.compressed);
                EXPECT_EQ(uncompress->isVisible(), !c.compressed);
            }
            Choose(d, CDlgOptions::kIdCompression, 6);
            EXPECT_EQ(options.m_exportCompress, 6);
        });
}

TEST_F(OptionsTest, CombosShowTheRecordAndWriteTheChoiceAtOnce)
{
    options.m_qualityType = 3;
    options.m_exportSampleType = COptions::kSampleFloat;
    options.m_isLivePlayback = true;
    Run(
        [&](CDlgOptions& d)
        {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Options"));
            EXPECT_EQ(Control<QComboBox>(d, CDlgOptions::kIdQuality)->currentText(),
                      QStringLiteral("DVD quality 48000 Hz"));
            EXPECT_EQ(Control<QComboBox>(d, CDlgOptions::kIdSampleFormat)->currentText(),
                      QStringLiteral("Floating-point samples"));
            EXPECT_EQ(Control<QComboBox>(d, CDlgOptions::kIdLivePlayback)->currentText(),
                      QStringLiteral("Using Headphones - add voice playback"));
            EXPECT_EQ(Control<QComboBox>(d, CDlgOptions::kIdBurningDevice)->currentText(),
                      QStringLiteral("DVD-RW GH24NSD1 [HL-DT-ST]"));

            Choose(d, CDlgOptions::kIdLivePlayback, 1);
            EXPECT_EQ(Control<QComboBox>(d, CDlgOptions::kIdLivePlayback)->currentText(),
                      QStringLiteral("Using speakers - don't add voice playback"));
            EXPECT_FALSE(options.m_isLivePlayback);
            Choose(d, CDlgOptions::kIdSampleFormat, 1);
            EXPECT_EQ(options.m_exportSampleType, 1);

            // A new quality re-opens the output at its rate.
            Choose(d, CDlgOptions::kIdQuality, 5);
            EXPECT_EQ(options.m_qualityType, 5);
            ASSERT_EQ(audio.reopened.size(), 1u);
            EXPECT_EQ(audio.reopened.back(), (std::pair<int, unsigned>{-1, 96000}));
        });
}

// The lists leave the disabled devices out; each entry still stands for its own device, in the
// record and in what the audio side is asked to open.
TEST_F(OptionsTest, DeviceEntriesStandForTheirDevicesAcrossADisabledOne)
{
    options.m_playbackDevice = 2;  // Speakers, output number 3
    options.m_recordingDevice = 1; // USB microphone
    Run(
        [&](CDlgOptions& d)
        {
            auto* playback = Control<QComboBox>(d, CDlgOptions::kIdPlaybackDevice);
            auto* recording = Control<QComboBox>(d, CDlgOptions::kIdRecordingDevice);
            EXPECT_EQ(playback->itemText(0), QStringLiteral("Default playback device"));
            EXPECT_EQ(playback->count(), 3);
            EXPECT_EQ(playback->currentText(), QStringLiteral("Speakers"));
            EXPECT_EQ(recording->itemText(0), QStringLiteral("Default recording device"));
            EXPECT_EQ(recording->currentText(), QStringLiteral("USB microphone"));
            EXPECT_EQ(audio.started, std::vector<int>{1});

            Choose(d, CDlgOptions::kIdPlaybackDevice, 0);
            EXPECT_EQ(options.m_playbackDevice, -1);
            Choose(d, CDlgOptions::kIdPlaybackDevice, 1);
            EXPECT_EQ(options.m_playbackDevice, 0);
            Choose(d, CDlgOptions::kIdPlaybackDevice, 2);
            EXPECT_EQ(options.m_playbackDevice, 2);
            EXPECT_EQ(audio.reopened,
                      (std::vector<std::pair<int, unsigned>>{{-1, 44100}, {1, 44100}, {3, 44100}}));

            const int freesBefore = audio.frees;
            Choose(d, CDlgOptions::kIdRecordingDevice, 2);
            EXPECT_EQ(options.m_recordingDevice, 2);
            Choose(d, CDlgOptions::kIdRecordingDevice, 0);
            EXPECT_EQ(options.m_recordingDevice, -1);
            EXPECT_EQ(audio.started, (std::vector<int>{1, 2, -1}));
            EXPECT_EQ(audio.frees, freesBefore + 2); // each restart frees the device before
        });
    EXPECT_TRUE(fake.boxes.empty());
}

// Devices stored in an earlier run that are gone now (unplugged, renumbered): the dialog opens on
// the default devices, the meter records from the default one (it used to fail at every opening
// while the combo showed the default), and the defaults are stored.
TEST_F(OptionsTest, DevicesThatAreGoneFallBackToTheDefaultAndAreStored)
{
    options.m_playbackDevice = 7;
    options.m_recordingDevice = 5;
    options.Save();
    Run(
        [&](CDlgOptions& d)
        {
            EXPECT_EQ(Control<QComboBox>(d, CDlgOptions::kIdPlaybackDevice)->currentIndex(), 0);
            EXPECT_EQ(Control<QComboBox>(d, CDlgOptions::kIdRecordingDevice)->currentIndex(), 0);
            EXPECT_TRUE(audio.IsMeterRecording());
        });
    EXPECT_EQ(audio.started, std::vector<int>{-1});
    COptions stored;
    stored.Load();
    EXPECT_EQ(stored.m_playbackDevice, -1);
    EXPECT_EQ(stored.m_recordingDevice, -1);

    // A device that is still there stays chosen.
    options.m_recordingDevice = 2;
    audio.started.clear();
    Run([](CDlgOptions&) {});
    EXPECT_EQ(audio.started, std::vector<int>{2});
    EXPECT_EQ(options.m_recordingDevice, 2);
}

TEST_F(OptionsTest, DeviceFailuresAreSaidAndTheChoiceIsKept)
{
    Run(
        [&](CDlgOptions& d)
        {
            audio.reopenSucceeds = false;
            Choose(d, CDlgOptions::kIdPlaybackDevice, 1);
            audio.startSucceeds = false;
            Choose(d, CDlgOptions::kIdRecordingDevice, 1);
            EXPECT_TRUE(d.isVisible());
        });
    ASSERT_EQ(fake.boxes.size(), 2u);
    EXPECT_EQ(fake.boxes[0].text,
              QStringLiteral("Failed to initialize the playback device.\n"
                             "Please check the system's sound settings for errors in this device."));
    EXPECT_EQ(fake.boxes[1].text,
              QStringLiteral("Failed to open the recording device.\n"
                             "Please check the system's sound settings for errors in this device."));
    EXPECT_EQ(options.m_playbackDevice, 0);
    EXPECT_EQ(options.m_recordingDevice, 1);
}

// The level and the fades as the record holds them, and what a slider writes back. A level
// saved as 29 % reads back as 0.29 and must show 29, not 28.
TEST_F(OptionsTest, SlidersShowAndWriteLevelAndFades)
{
    struct Case
    {
        double level;
        int percent;
    };
    for (const Case c : {Case{0.75, 75}, Case{0.29, 29}, Case{0.0, 0}, Case{1.0, 100}})
    {
        SCOPED_TRACE(c.level);
        options.m_recordingLevel = c.level;
        options.m_fadeSegmentSeconds = 5.0;
        Run(
            [&](CDlgOptions& d)
            {
                EXPECT_EQ(Control<QSlider>(d, CDlgOptions::kIdLevel)->value(), c.percent);
                EXPECT_EQ(Text(d, CDlgOptions::kIdLevelLabel), QStringLiteral("%1%").arg(c.percent));
                EXPECT_EQ(Control<QSlider>(d, CDlgOptions::kIdSegmentFade)->value(), 5);
                EXPECT_EQ(Text(d, CDlgOptions::kIdSegmentFadeLabel), QStringLiteral("5 seconds"));
                EXPECT_EQ(Text(d, CDlgOptions::kIdPlaylistFadeLabel), QStringLiteral("12 seconds"));
            });
    }
    audio.inputLevels.clear();
    Run(
        [&](CDlgOptions& d)
        {
            Slide(d, CDlgOptions::kIdLevel, 97);
            EXPECT_EQ(options.m_recordingLevel, 0.97);
            EXPECT_EQ(audio.inputLevels.back(), 0.97);
            EXPECT_EQ(Text(d, CDlgOptions::kIdLevelLabel), QStringLiteral("97%"));
            Slide(d, CDlgOptions::kIdSegmentFade, 1);
            EXPECT_EQ(options.m_fadeSegmentSeconds, 1.0);
            EXPECT_EQ(Text(d, CDlgOptions::kIdSegmentFadeLabel), QStringLiteral("1 seconds"));
            Slide(d, CDlgOptions::kIdPlaylistFade, 30);
            EXPECT_EQ(options.m_fadePlaylistSeconds, 30.0);
            EXPECT_EQ(Text(d, CDlgOptions::kIdPlaylistFadeLabel), QStringLiteral("30 seconds"));
        });
}

// Close, Esc, the close box and Enter all free the meter's device, stop its timer and save the
// record; none of them may leave the device open or the change unsaved.
TEST_F(OptionsTest, EveryWayOfClosingFreesStopsAndSaves)
{
    struct Case
    {
        const char* name;
        std::function<void(CDlgOptions&)> close;
    };
    const Case cases[] = {
        {"Close", [](CDlgOptions& d)
         { QTest::mouseClick(Control<QPushButton>(d, CDlgOptions::kIdClose), Qt::LeftButton); }},
        {"Esc", [](CDlgOptions& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](CDlgOptions& d) { d.close(); }},
        {"Enter",
         [](CDlgOptions& d)
         {
             Control<QComboBox>(d, CDlgOptions::kIdQuality)->setFocus();
             QTest::keyClick(&d, Qt::Key_Return);
         }},
    };
    int fade = 3;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        audio.frees = 0;
        ++fade;
        Run(
            [&](CDlgOptions& d)
            {
                EXPECT_TRUE(d.HasTimer(CDlgOptions::kMeterTimer));
                EXPECT_TRUE(audio.recording);
                Slide(d, CDlgOptions::kIdSegmentFade, fade);
                c.close(d);
                EXPECT_FALSE(d.isVisible());
                EXPECT_FALSE(d.HasTimer(CDlgOptions::kMeterTimer));
                EXPECT_FALSE(audio.recording);
                EXPECT_EQ(audio.frees, 1);
            });
        COptions saved;
        saved.Load();
        EXPECT_EQ(saved.m_fadeSegmentSeconds, fade);
    }
}

// The dialog's timer reads the meter's level; 0.5 lights the left half with the gradient and
// leaves the right half dark.
TEST_F(OptionsTest, MeterLightsFromTheLeftUpToTheLevel)
{
    audio.level = 0.5;
    Run(
        [&](CDlgOptions& d)
        {
            auto* meter = static_cast<OptionsMeter*>(ui::FindControl(&d, CDlgOptions::kIdMeter));
            ASSERT_NE(meter, nullptr);
            EXPECT_TRUE(vtest::WaitFor([&] { return meter->Level() == 0.5; }, 1000));
            const QImage shot = meter->grab().toImage();
            const int y = shot.height() / 2;
            const int w = shot.width();
            for (int x : {2, w / 4, w / 2 - 3})
                EXPECT_NE(shot.pixel(x, y), OptionsMeter::kUnlit | 0xff000000u) << x;
            for (int x : {w / 2 + 3, 3 * w / 4, w - 3})
                EXPECT_EQ(shot.pixel(x, y), OptionsMeter::kUnlit | 0xff000000u) << x;
            // Without a device the meter is dark.
            audio.recording = false;
            EXPECT_TRUE(vtest::WaitFor([&] { return meter->Level() == 0.0; }, 1000));
        });
}

TEST(OptionsMeter, NegativeLevelDrawsOnlyTheFrame)
{
    QImage image(100, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    OptionsMeter::DrawMeter(painter, image.rect(), -1.0, ui::LoadBitmap(OptionsMeter::kBitmap));
    painter.end();
    EXPECT_EQ(image.pixel(50, 5), qRgb(40, 40, 40));
    QImage full(100, 10, QImage::Format_RGB32);
    QPainter p2(&full);
    OptionsMeter::DrawMeter(p2, full.rect(), 1.0, ui::LoadBitmap(OptionsMeter::kBitmap));
    p2.end();
    EXPECT_NE(full.pixel(97, 5), OptionsMeter::kUnlit | 0xff000000u);
}

TEST_F(OptionsTest, HelpAsksForTheOptionsPage)
{
    Run([&](CDlgOptions& d)
        { QTest::mouseClick(Control<QPushButton>(d, CDlgOptions::kIdHelp), Qt::LeftButton); });
    EXPECT_EQ(view.topics, std::vector<QString>{QStringLiteral("Options")});
}

// Re-opening the output stops the previews first; a preview that goes away is not called.
TEST(PreviewStreams, CloseAllStopsEveryRegisteredPreview)
{
    int stopped = 0;
    {
        dlg::PreviewRegistration a([&] { ++stopped; });
        auto b = std::make_unique<dlg::PreviewRegistration>([&] { ++stopped; });
        EXPECT_EQ(dlg::RegisteredPreviews(), 2);
        b.reset();
        dlg::CloseAllPreviews();
        EXPECT_EQ(stopped, 1);
    }
    EXPECT_EQ(dlg::RegisteredPreviews(), 0);
    dlg::CloseAllPreviews();
    EXPECT_EQ(stopped, 1);

    // The loop tool's previews are among them for as long as the tool exists.
    {
        CDlgAmbientGrains tool;
        EXPECT_EQ(dlg::RegisteredPreviews(), 1);
        dlg::CloseAllPreviews();
    }
    EXPECT_EQ(dlg::RegisteredPreviews(), 0);
}

TEST_F(OptionsTest, Screenshot)
{
    ui::ApplyWorkspaceStyle(*qApp);
    audio.level = 0.62;
    options.m_recordingDevice = 1;
    Run(
        [&](CDlgOptions& d)
        {
            auto* meter = static_cast<OptionsMeter*>(ui::FindControl(&d, CDlgOptions::kIdMeter));
            vtest::WaitFor([&] { return meter->Level() > 0.0; }, 1000);
            const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
            QDir().mkpath(dir);
            EXPECT_TRUE(d.grab().save(dir + "/options.png"));
            Choose(d, CDlgOptions::kIdExportFormat, 0);
            EXPECT_TRUE(d.grab().save(dir + "/options-wav.png"));
        });
}

} // namespace
