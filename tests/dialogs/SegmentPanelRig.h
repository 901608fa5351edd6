#pragma once
/** @brief A "Sound" panel under test: a host window, a document, a recording active view and
 *  graph editors, a scripted desktop, the program's sound-file measure, and sound files made on
 *  the spot. */

#include "audio/CSoundFile.h"
#include "dialogs/panels/CDlgPropertiesBase.h"
#include "dialogs/panels/SegmentPanelLayout.h"
#include "model/CSegment.h"
#include "model/CVornaDoc.h"
#include "platform/Folders.h"
#include "platform/audio/SoundWriter.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <memory>
#include <vector>

namespace vtest
{

/** Writes @p seconds of quiet mono sound at 8000 Hz as a 16-bit WAV at @p path. */
inline bool WriteQuietWav(const QString& path, double seconds)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    plat::SoundWriter writer;
    if (!writer.Open(path, plat::SoundWriter::Format::Wav16, 8000, 1))
        return false;
    std::vector<float> block(8000, 0.001f);
    auto left = static_cast<std::uint64_t>(seconds * 8000.0);
    while (left > 0)
    {
        const std::uint64_t n = std::min<std::uint64_t>(left, block.size());
        if (!writer.Write(block.data(), n))
            return false;
        left -= n;
    }
    return writer.Close();
}

class PanelRig
{
public:
    FakeUi fake;
    RecordingView view;
    RecordingGraphEditors editors;
    CVornaDoc doc;
    QWidget host;

    PanelRig() : m_previousDuration(CSegment::GetDurationFunction())
    {
        // What the program measures files with: only regular files are opened.
        CSegment::SetDurationFunction(
            [](const QString& path)
            { return QFileInfo(path).isFile() ? CSoundFile::GetFileDuration(path) : 0.0; });
        host.resize(300, 300);
    }
    ~PanelRig() { CSegment::SetDurationFunction(m_previousDuration); }

    /** A panel of type @p T created in the host and shown, with the document attached. */
    template <class T> T& Make()
    {
        auto panel = std::make_unique<T>();
        T& p = *panel;
        p.SetDocument(&doc);
        p.Create(&host, true);
        p.move(0, 0);
        host.show();
        p.show();
        m_panel = std::move(panel);
        return p;
    }

    /** The session was edited since the last call. */
    bool TakeModified()
    {
        const bool modified = doc.IsSessionModified();
        doc.OnNewDocument();
        return modified;
    }

    void SetPlaying(bool playing)
    {
        doc.m_isPlaying = playing;
        m_panel->UpdateControls();
    }

private:
    CSegment::DurationFunction m_previousDuration;
    std::unique_ptr<CDlgPropertiesBase> m_panel;
};

/** Clicks the push button or check box @p id of @p panel. */
inline void ClickControl(QWidget& panel, int id)
{
    auto* button = dynamic_cast<QAbstractButton*>(ui::FindControl(&panel, id));
    ASSERT_NE(button, nullptr) << id;
    ASSERT_TRUE(button->isEnabled()) << id;
    button->click();
}

/** The user picks item @p index of the drop-down list @p id. */
inline void ChooseComboItem(QWidget& panel, int id, int index)
{
    auto* combo = dynamic_cast<QComboBox*>(ui::FindControl(&panel, id));
    ASSERT_NE(combo, nullptr) << id;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

/** The texts of the drop-down list @p id. */
inline QStringList ComboTexts(QWidget& panel, int id)
{
    QStringList texts;
    if (auto* combo = dynamic_cast<QComboBox*>(ui::FindControl(&panel, id)))
        for (int i = 0; i < combo->count(); ++i)
            texts.push_back(combo->itemText(i));
    return texts;
}

/** Where the screenshots go. */
inline QString ShotPath(const QString& name)
{
    const QString dir = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    return dir + '/' + name;
}

} // namespace vtest
