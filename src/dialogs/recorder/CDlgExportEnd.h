#pragma once
/** @brief The end of a live recording (or of an export): the shared actions of RecordingEndDialog,
 *  and writing the sound file to an audio CD on the disc writer chosen in the options.
 *
 * Writing runs in the background (AudioCdWriter.h) while the status line and the progress bar
 * follow it; meanwhile every other control is disabled and the dialog refuses to close (Finish,
 * Esc, the close box). The end of the writing arrives as WM_APP_DISC_WRITTEN: the temporary file
 * goes, the controls come back, and a failure is shown with what the writing program said.
 * Without a disc writer, or without a writing program, the CD button is disabled and the status
 * line says why. UI thread. */

#include "dialogs/recorder/RecordingEndDialog.h"

#include <memory>

namespace disc
{
class AudioCdJob;
class CdWriter;
} // namespace disc

namespace ui
{
class ProgressBar;
}

class CDlgExportEnd : public dlg::RecordingEndDialog
{
public:
    static constexpr int kIdName = 1126;
    static constexpr int kIdMove = 1215;
    static constexpr int kIdWriteCd = 1141;
    static constexpr int kIdCdHint = 1079;
    static constexpr int kIdWriteStatus = 1123;
    static constexpr int kIdWriteProgress = 1117;

    static constexpr const char* kMsgReady = "Ready...";
    static constexpr const char* kMsgNoBurner = "No CD writer was found on this computer.";
    static constexpr const char* kMsgBurnerGone = "The CD writer chosen in the options is not connected.";
    static constexpr const char* kMsgWritten = "The Audio-CD was written.";
    static constexpr const char* kMsgWriteFailed = "Failed to write the Audio-CD.";

    explicit CDlgExportEnd(QWidget* parent = nullptr);
    ~CDlgExportEnd() override;

    /** Set before DoModal: the caption, and the disc writer's index in the options' list. */
    void SetCaption(const QString& caption) { m_caption = caption; }
    void SetBurningDevice(int index) { m_burningDevice = index; }
    /** In place of the heading "The sound file was successfully created" (empty: that one), for a
     *  file whose recording did not end as asked; before DoModal. */
    void SetHeading(const QString& heading) { m_heading = heading; }
    int GetBurningDevice() const { return m_burningDevice; }
    bool IsWriting() const { return m_writing; }
    /** The temporary CD file of a running writing; empty when none. */
    QString GetTemporaryFile() const { return m_temporaryFile; }

    /** Where /proc and /sys are looked for (tests give a folder of their own); before DoModal. */
    void SetDeviceRoot(const QString& root) { m_deviceRoot = root; }
    /** The program that writes the disc (by default wodim or cdrskin); before DoModal. */
    void SetCdWriter(std::unique_ptr<disc::CdWriter> writer);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;
    ui::LResult OnAppMessage(ui::MessageEvent& message) override;
    bool MayClose() const override { return !m_writing; }

private:
    void OnWriteCd();
    void OnDiscWritten();
    void EnableChildren(bool enable);
    /** The drive to write to, or empty with @p why set. */
    QString Drive(QString& why) const;

    QString m_caption;
    QString m_heading;
    int m_burningDevice = 0;
    bool m_writing = false;
    QString m_temporaryFile;
    QString m_deviceRoot = QStringLiteral("/");
    bool m_writtenOk = false;
    QString m_writeMessage;

    // The job refers to the writer: declared after it, so that it goes first.
    std::unique_ptr<disc::CdWriter> m_writer;
    std::unique_ptr<disc::AudioCdJob> m_job;

    ui::Button* m_writeCd = nullptr;
    ui::Static* m_status = nullptr;
    ui::ProgressBar* m_progress = nullptr;
};

/** Shows the end-of-export dialog modally with @p caption ("End of Live Recording" after a live
 *  recording) for @p folder + "/" + @p fileName, offering disc writer @p burningDevice (the options'
 *  index into the burner list). Returns the dialog's result when it closes. @p parent null: the
 *  active view's top-level window. @p heading, when given, replaces the success heading.
 *  UI thread. */
int RunExportEnd(const QString& caption, const QString& folder, const QString& fileName, int burningDevice,
                 QWidget* parent = nullptr, const QString& heading = QString());
