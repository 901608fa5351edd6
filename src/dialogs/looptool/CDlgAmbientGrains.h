#pragma once
/** @brief The ambient-music loop tool: a source file shown in the waveform selector, six sliders, the
 *  grain engine's render into a seamless loop, previews of the source and of the loop, and saving
 *  the loop as a sound file.
 *
 * The source is decoded on a thread of its own (dlg::SourceLoader) while the window goes on; the
 * creation runs on the UI thread and pumps messages as it goes, and the grain engine spreads its
 * render over the cores. Their Cancel buttons are the Select source and Create music buttons while
 * they run. While either runs the other buttons are disabled and Close is ignored; destroying the
 * tool during a decode cancels it and waits for its thread. UI thread only. */

#include "controls/Controls.h"
#include "dialogs/looptool/CDlgTrim.h"
#include "dialogs/looptool/SourceLoader.h"
#include "dialogs/panels/PreviewStreams.h"
#include "grains/AmbientLoop.h"
#include "grains/CGrainSynth.h"
#include "grains/WorkProgress.h"

#include "audio/CMemoryPlayer.h"

#include <QTimer>

#include <cstdint>
#include <vector>

class COptions;

namespace ui
{
class ProgressBar;
}

class CDlgAmbientGrains : public ui::Dialog, private dlg::WorkProgress, private dlg::TrimEvents
{
public:
    static constexpr int kIdSelectSource = 1116;
    static constexpr int kIdPlaySource = 1249;
    static constexpr int kIdSourceProgress = 1096;
    static constexpr int kIdSourcePath = 1083;
    static constexpr int kIdWaveArea = 1120;
    static constexpr int kIdQuality = 1049;
    static constexpr int kIdLoopLength = 1045;
    static constexpr int kIdScan = 1046;
    static constexpr int kIdTexture = 1047;
    static constexpr int kIdSharpness = 1048;
    static constexpr int kIdFilter = 1122;
    static constexpr int kIdQualityLabel = 1119;
    static constexpr int kIdLoopLengthLabel = 1112;
    static constexpr int kIdScanLabel = 1113;
    static constexpr int kIdTextureLabel = 1114;
    static constexpr int kIdSharpnessLabel = 1115;
    static constexpr int kIdFilterLabel = 1121;
    static constexpr int kIdCreate = 1250;
    static constexpr int kIdPlayMusic = 1248;
    static constexpr int kIdSave = 1124;
    static constexpr int kIdStatus = 1084;
    static constexpr int kIdMusicProgress = 1117;
    static constexpr int kIdHelp = 9;
    static constexpr int kTimerId = 0;

    static constexpr const char* kMsgLoadFailed = "Failed to load the source file.";
    static constexpr const char* kMsgNoSource = "Please select a source file.";
    static constexpr const char* kMsgNoMusic = "Please press \"Create music\" to create ambient music.";
    static constexpr const char* kMsgNoMemory =
        "Failed to allocate the output music (memory allocation failed).";
    static constexpr const char* kMsgEmptySelection =
        "The selection holds no sound. Please select a part of the source.";
    static constexpr const char* kMsgSaveFolder =
        "The loop cannot be saved to the folder:\n%1\n\nThe folder does not exist or cannot be written to. "
        "Please choose another folder.";
    static constexpr const char* kMsgSaveReplace = "The file:\n%1\ncould not be replaced by the new loop.";
    static constexpr const char* kHelpTopic = "CreatingYourOwnAmbientMusic";
    static constexpr const char* kRegFolder = "FolderMusicSource";

    explicit CDlgAmbientGrains(QWidget* parent = nullptr);
    ~CDlgAmbientGrains() override;

    /** The options record (its sample rate is the tool's); set before DoModal. */
    void SetOptions(const COptions* options) { m_options = options; }
    /** The pause after a finished load, in milliseconds (about one second; tests set 0). */
    void SetWaitMs(int ms) { m_waitMs = ms; }

    /** A source is being decoded (or shown at 100 % for the pause after it). */
    bool IsLoading() const { return m_loading; }
    std::uint32_t GetSourceFrames() const { return m_sourceCount; }
    std::uint32_t GetOutputFrames() const { return m_outputCount; }
    const std::vector<float>& GetOutput() const { return m_output; }
    int GetRate() const { return m_rate; }
    bool IsSourcePlaying() const { return m_sourcePlaying; }
    bool IsMusicPlaying() const { return m_musicPlaying; }
    const dlg::AmbientLoopSettings& GetSettings() const { return m_settings; }
    CDlgTrim* GetTrim() const { return m_trim; }

protected:
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    void OnHScroll(ui::ScrollCode code, int pos, QWidget* from) override;
    void OnTimer(int id) override;

private:
    // WorkProgress: the creation's progress bar, status line and pumping.
    void SetPercent(int percent) override;
    void SetStatus(const QString& text) override;
    void Pump() override;
    void Wait() override;
    void ShowError(const QString& message) override;
    // TrimEvents: the waveform selector's selection and seeks.
    void TrimSelection(double from, double to) override;
    void TrimPosition(float position) override;

    void ResetPlayback();
    void EnableControls(bool on);
    void OnSelectSource();
    void StartLoad();
    void OnSourceDecoded(dlg::SourceLoader::Result& result);
    /** The end of a load: the source shown when @p loaded, else none (and a message when @p failed). */
    void FinishLoad(bool loaded, bool failed);
    void ClearSource();
    void OnPlaySource();
    void OnPlayMusic();
    void StopSource();
    void StopMusic();
    void OnCreate();
    void OnSave();
    /** The folder the Save dialog starts in. */
    static QString SaveFolder();
    void UpdateLabel(int sliderId, int pos);

    const COptions* m_options = nullptr;
    dlg::AmbientLoopSettings m_settings;
    QString m_sourcePath;
    int m_rate = 44100;
    int m_waitMs = 1000;
    std::vector<CStereoFrame> m_source;
    std::uint32_t m_sourceCount = 0;
    std::vector<float> m_output;
    std::uint32_t m_outputCount = 0;
    dlg::SourceLoader m_loader;
    /** The pause at 100 % between the end of the decode and the source shown. */
    QTimer m_loadPause;
    CMemoryPlayer m_player;
    /** Re-opening the output device stops the previews first. */
    dlg::PreviewRegistration m_previews{[this]
                                        {
                                            StopSource();
                                            StopMusic();
                                        }};
    bool m_loading = false;
    bool m_creating = false;
    bool m_sourcePlaying = false;
    bool m_musicPlaying = false;
    CGrainSynth m_synth;

    CDlgTrim* m_trim = nullptr;
    ui::Button* m_selectSource = nullptr;
    ui::Button* m_playSource = nullptr;
    ui::ProgressBar* m_sourceProgress = nullptr;
    ui::Static* m_path = nullptr;
    ui::Button* m_create = nullptr;
    ui::Button* m_playMusic = nullptr;
    ui::Button* m_save = nullptr;
    ui::Static* m_status = nullptr;
    ui::ProgressBar* m_musicProgress = nullptr;
    ui::Button* m_help = nullptr;
};
