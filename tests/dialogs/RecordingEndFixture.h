#pragma once
// What the end-of-recording dialogs' tests share: a folder with a generated recording, the desktop
// answered by FakeUi, a modal run that hands the shown dialog to the test's script, a fake disc
// writer on the search path and a fake drive list.

#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <functional>

namespace vtest
{

/** A 16-bit WAV of @p frames frames of a quiet 330 Hz sine at @p rate with @p channels. */
inline QString WriteTone(const QString& path, std::uint32_t frames, std::uint32_t rate = 44100,
                         int channels = 2)
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
    const std::uint32_t frameBytes = 2u * std::uint32_t(channels);
    data.append("RIFF");
    u32(36 + frames * frameBytes);
    data.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(std::uint16_t(channels));
    u32(rate);
    u32(rate * frameBytes);
    u16(std::uint16_t(frameBytes));
    u16(16);
    data.append("data");
    u32(frames * frameBytes);
    for (std::uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            u16(std::uint16_t(std::int16_t(3000 * std::sin(2 * M_PI * 330 * i / rate))));
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    return path;
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteText(const QString& path, const QByteArray& text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

/** The search path for the scope's life. */
class ScopedPath
{
public:
    explicit ScopedPath(const QString& path) : m_old(qgetenv("PATH")) { qputenv("PATH", path.toLocal8Bit()); }
    ~ScopedPath() { qputenv("PATH", m_old); }

private:
    QByteArray m_old;
};

/** What a dialog's modal run returns when the script left it open. */
constexpr int kStillOpen = -1;

/** Queues a modal run that shows the dialog, waits until it is active and runs @p script on it;
 *  the run returns the dialog's result when the script closed it, else kStillOpen. */
template <class DialogT> void ScriptRun(FakeUi& fake, std::function<void(DialogT&)> script)
{
    fake.modalRuns.push_back(
        [script](ui::Dialog& d)
        {
            auto& dialog = static_cast<DialogT&>(d);
            dialog.show();
            dialog.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            script(dialog);
            const bool open = dialog.isVisible();
            dialog.hide();
            return open ? kStillOpen : dialog.result();
        });
}

/** Types @p text into the name box and takes the focus away from it, as a click elsewhere does. */
inline void EnterName(ui::Dialog& dialog, int editId, const QString& text)
{
    auto* edit = qobject_cast<QLineEdit*>(ui::FindControl(&dialog, editId));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    edit->setText(text);
    ui::FindControl(&dialog, 1211)->setFocus(); // the Play button
}

inline void Click(ui::Dialog& dialog, int id)
{
    QWidget* control = ui::FindControl(&dialog, id);
    ASSERT_NE(control, nullptr) << id;
    QTest::mouseClick(control, Qt::LeftButton);
}

inline QString EditText(const ui::Dialog& dialog, int editId)
{
    auto* edit = qobject_cast<QLineEdit*>(ui::FindControl(&dialog, editId));
    return edit != nullptr ? edit->text() : QStringLiteral("<no edit>");
}

inline std::vector<QString> BoxTexts(const FakeUi& fake)
{
    std::vector<QString> texts;
    for (const auto& b : fake.boxes)
        texts.push_back(b.text);
    return texts;
}

/** A drive list under @p root whose only drive, sr0, writes CDs. */
inline QString FakeDriveRoot(const QString& root)
{
    WriteText(root + "/proc/sys/dev/cdrom/info",
              "drive name:\t\tsr0\nCan write CD-R:\t\t1\nCan write CD-RW:\t\t1\n");
    WriteText(root + "/sys/class/block/sr0/device/vendor", "ASUS    \n");
    WriteText(root + "/sys/class/block/sr0/device/model", "DRW-24D5MT      \n");
    return root;
}

/** A disc-writing program named wodim in @p folder: it keeps its arguments and a copy of the
 *  track file it was given in @p folder, prints wodim's progress lines and ends with @p exitCode,
 *  saying @p failure first when it fails. */
inline QString FakeWodim(const QString& folder, int exitCode = 0, const QByteArray& failure = {})
{
    const QByteArray dir = QFile::encodeName(folder);
    QByteArray script =
        "#!/bin/sh\nPATH=/usr/bin:/bin\n"
        "printf '%s\\n' \"$@\" > '" +
        dir +
        "/args.txt'\n"
        "for last; do :; done\n"
        "cp \"$last\" '" +
        dir +
        "/written.wav'\n"
        "i=0\n"
        "while [ $i -le 4 ]; do\n"
        "  printf 'Track 01:    %d of    4 MB written (fifo 100%%) [buf  99%%]   4.0x.\\r' $i\n"
        "  sleep 0.15\n"
        "  i=$((i+1))\n"
        "done\n"
        "printf '\\n'\n";
    if (exitCode != 0)
        script += "echo '" + failure + "' >&2\n";
    script += "exit " + QByteArray::number(exitCode) + "\n";
    WriteText(folder + "/wodim", script, true);
    return folder;
}

} // namespace vtest
