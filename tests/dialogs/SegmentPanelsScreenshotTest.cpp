// Pictures of the eight "Sound" panels with realistic content, for a reviewer to look at; each
// shows its texts and every file of its list.
#include "dialogs/panels/CDlgSegmentAmbientMusic.h"
#include "dialogs/panels/CDlgSegmentBells.h"
#include "dialogs/panels/CDlgSegmentBreathwork.h"
#include "dialogs/panels/CDlgSegmentMusicExt.h"
#include "dialogs/panels/CDlgSegmentNatureBG.h"
#include "dialogs/panels/CDlgSegmentNoise.h"
#include "dialogs/panels/CDlgSegmentSuggestions.h"
#include "dialogs/panels/CDlgSegmentTone.h"

#include "dialogs/panels/SegmentPanels.h"

#include "SegmentPanelRig.h"
#include "support/ShotChecks.h"

#include "controls/Style.h"
#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentBreathwork.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"

#include <QListWidget>

#include <functional>

namespace
{

std::vector<CFileListEntry> Library(const char* folder, std::initializer_list<const char*> names)
{
    std::vector<CFileListEntry> files;
    for (const char* name : names)
        files.push_back({QString::fromLatin1(folder) + '/' + name, 1});
    return files;
}

template <class Panel> void Shoot(vtest::PanelRig& rig, CSegment& segment, const char* file)
{
    auto& panel = rig.Make<Panel>();
    panel.SetObject(&segment);
    QApplication::processEvents();
    const QImage shot = panel.grab().toImage();
    EXPECT_TRUE(shot.save(vtest::ShotPath(QString::fromLatin1(file))));
    EXPECT_EQ(vtest::BlankTexts(&panel, shot).join(" | ").toStdString(), "") << file;
    for (QListWidget* list : panel.template findChildren<QListWidget*>())
    {
        if (!list->isVisibleTo(&panel))
            continue;
        for (int row = 0; row < list->count(); ++row)
        {
            const QRect item = list->visualItemRect(list->item(row));
            if (!list->viewport()->rect().contains(item))
                continue;
            const QRect inPanel(list->viewport()->mapTo(&panel, item.topLeft()), item.size());
            EXPECT_TRUE(vtest::HasMarks(shot, inPanel))
                << file << ": " << list->item(row)->text().toStdString();
        }
    }
}

// The properties pane makes its pages by kind: each kind gets its own panel, in kind order.
TEST(SegmentPanels, FactoryGivesEachKindItsPanel)
{
    const std::vector<std::function<bool(CDlgPropertiesBase*)>> isKind = {
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentSuggestions*>(p) != nullptr; },
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentAmbientMusic*>(p) != nullptr; },
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentNatureBG*>(p) != nullptr; },
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentBells*>(p) != nullptr; },
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentTone*>(p) != nullptr; },
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentNoise*>(p) != nullptr; },
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentBreathwork*>(p) != nullptr; },
        [](CDlgPropertiesBase* p) { return dynamic_cast<CDlgSegmentMusicExt*>(p) != nullptr; },
    };
    for (std::int32_t kind = 0; kind < CSegment::kKindCount; ++kind)
    {
        const std::unique_ptr<CDlgPropertiesBase> panel = CreateSegmentPanel(kind);
        ASSERT_NE(panel, nullptr) << kind;
        for (std::int32_t other = 0; other < CSegment::kKindCount; ++other)
            EXPECT_EQ(isKind[std::size_t(other)](panel.get()), other == kind) << kind << " " << other;
    }
    const std::unique_ptr<CDlgPropertiesBase> outside = CreateSegmentPanel(CSegment::kKindCount);
    ASSERT_NE(outside, nullptr);
    for (const auto& is : isKind)
        EXPECT_FALSE(is(outside.get()));
}

TEST(SegmentPanels, Screenshots)
{
    ui::ApplyWorkspaceStyle(*qApp);
    {
        vtest::PanelRig rig;
        CSegmentSuggestions voice;
        voice.SetDefaults();
        voice.m_files = Library("Voice", {"Welcome and Relaxation.mp3", "Deepening Countdown.ogg",
                                          "Return to Waking Awareness.wav"});
        voice.m_interval.SetValue(3.0);
        Shoot<CDlgSegmentSuggestions>(rig, voice, "panel-voice.png");
    }
    {
        vtest::PanelRig rig;
        CSegmentAmbientMusic ambient;
        ambient.SetDefaults();
        ambient.m_files = Library("Ambient Music", {"Warm Pad Drift.ogg", "Evening Strings.ogg"});
        Shoot<CDlgSegmentAmbientMusic>(rig, ambient, "panel-ambient-music.png");
    }
    {
        vtest::PanelRig rig;
        CSegmentNatureBG nature;
        nature.SetDefaults();
        nature.m_files =
            Library("Nature", {"Forest Rain.ogg", "Ocean Waves at Dusk.ogg", "Mountain Stream.ogg"});
        Shoot<CDlgSegmentNatureBG>(rig, nature, "panel-nature.png");
    }
    {
        vtest::PanelRig rig;
        CSegmentBells bells;
        bells.SetDefaults();
        bells.m_instruments = {0, 4, 3};
        bells.m_toneRange = CSegmentBells::kToneRangeLowMedium;
        Shoot<CDlgSegmentBells>(rig, bells, "panel-bells.png");
    }
    {
        vtest::PanelRig rig;
        CSegmentTone tone;
        tone.SetDefaults();
        Shoot<CDlgSegmentTone>(rig, tone, "panel-tone.png");
    }
    {
        vtest::PanelRig rig;
        CSegmentNoise noise;
        noise.SetDefaults();
        Shoot<CDlgSegmentNoise>(rig, noise, "panel-noise.png");
    }
    {
        vtest::PanelRig rig;
        CSegmentBreathwork breath;
        breath.SetDefaults();
        breath.m_pattern = 6;
        Shoot<CDlgSegmentBreathwork>(rig, breath, "panel-breathwork.png");
    }
    {
        vtest::PanelRig rig;
        const QString path = GetSoundLibraryFolder() + "Music/Long Walk on the Beach.wav";
        ASSERT_TRUE(vtest::WriteQuietWav(path, 187.0));
        CSegmentMusicExt external;
        external.SetDefaults();
        external.m_path = path;
        external.m_loop = true;
        Shoot<CDlgSegmentMusicExt>(rig, external, "panel-external-audio.png");
    }
}

} // namespace
