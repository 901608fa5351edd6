#include "panes/CPaneProperties.h"

#include "controls/CUiProperty.h"
#include "controls/Resources.h"
#include "dialogs/panels/CDlgPropertiesTop.h"
#include "dialogs/panels/PropertyRows.h"
#include "model/CSegments.h"
#include "model/CVornaDoc.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

#include "support/FakeUi.h"
#include "support/RecordingView.h"

#include <gtest/gtest.h>

namespace
{

/** A small segment page: one row bound to the segment's volume, and counts of its refreshes. */
class StandInPanel : public CDlgPropertiesBase
{
public:
    explicit StandInPanel(int kind) : CDlgPropertiesBase(170, 30 + kind), kind(kind) {}

    const int kind;
    CUiProperty row;
    int updates = 0;

protected:
    bool OnInitDialog() override
    {
        CDlgPropertiesBase::OnInitDialog();
        CreateRow(row, props::kRowToneCarrier, CreatePlaceholder(1000, 7, 0, 155, 21));
        return true;
    }

public:
    void SetObject(CSegment* segment) override
    {
        CDlgPropertiesBase::SetObject(segment);
        if (segment != nullptr)
            row.SetProperty(&segment->m_volume);
    }
    void UpdateControls() override
    {
        CDlgPropertiesBase::UpdateControls();
        ++updates;
    }
};

/** The pane over a recording view, with stand-in segment pages and a tone segment on track 4. */
struct PaneRig
{
    vtest::FakeUi ui;
    vtest::RecordingView view;
    CVornaDoc doc;
    CPaneProperties* pane = nullptr;

    PaneRig()
    {
        view.resize(400, 700);
        pane = new CPaneProperties();
        pane->SetSegmentPanelFactory([](std::int32_t kind) { return std::make_unique<StandInPanel>(kind); });
        pane->SetDocument(&doc);
        EXPECT_TRUE(pane->Create(&view, 20005, QRect(0, 0, 253, 600)));
        view.show();
    }

    StandInPanel& Page(int kind) { return static_cast<StandInPanel&>(*pane->SegmentPage(kind)); }

    std::vector<QString> Topics() const
    {
        std::vector<QString> topics;
        for (const auto& m : view.Of(WM_APP_HELP_TOPIC))
        {
            EXPECT_EQ(m.follow, ui::HelpFollow::WhileOpenOnly)
                << "the pane's topics follow only a visible help window";
            topics.push_back(m.topic);
        }
        return topics;
    }

    void ShowTab(int tab) { pane->ShowPropertyTab(tab); }
};

TEST(CPaneProperties, LaysTheTopPanelOverThePagesAtTheirOwnHeights)
{
    PaneRig rig;
    CDlgPropertiesTop& top = *rig.pane->Top();
    // 169 dialog units at 6 pixels per 4 units.
    EXPECT_EQ(rig.pane->GetWidth(), 253);
    EXPECT_EQ(top.geometry(), QRect(0, 0, 253, 195));
    for (int kind = 0; kind < CPaneProperties::kKindCount; ++kind)
    {
        SCOPED_TRACE(kind);
        EXPECT_EQ(rig.Page(kind).geometry(), QRect(0, 195, 253, rig.Page(kind).PanelSize().height()));
    }
    rig.pane->MoveWindow(QRect(0, 0, 300, 650));
    EXPECT_EQ(top.geometry(), QRect(0, 0, 300, 195));
    EXPECT_EQ(rig.pane->EffectsPage()->geometry().top(), 195);
    EXPECT_EQ(rig.pane->EffectsPage()->width(), 300);
}

TEST(CPaneProperties, IsNotCreatedWithoutItsBackground)
{
    vtest::FakeUi ui;
    ui::ScopedResourceFailure missing(ui::ResourceKind::Bitmap, CPaneProperties::kBackgroundBitmap);
    ui::Window parent;
    CPaneProperties pane;
    EXPECT_FALSE(pane.Create(&parent, 20005, QRect(0, 0, 253, 600)));
}

// Each tab shows the top panel and one page bound to the segment; a tab outside 0..3 shows the
// top panel alone; no segment hides everything.
TEST(CPaneProperties, ShowsTheTopPanelAndThePageOfTheTab)
{
    PaneRig rig;
    auto tone = CSegments::CreateSegment(CSegment::kKindTone);
    rig.view.selection.track = CSegment::kKindTone;
    rig.pane->ShowProperties(tone.get(), CSegment::kKindTone);

    struct Case
    {
        int tab;
        CDlgPropertiesBase* page;
    };
    const Case cases[] = {
        {0, rig.pane->SegmentPage(CSegment::kKindTone)},
        {1, rig.pane->EffectsPage()},
        {2, rig.pane->BrainwavesPage()},
        {3, rig.pane->BilateralPage()},
        {4, nullptr},
        {-1, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.tab);
        rig.ShowTab(c.tab);
        EXPECT_TRUE(rig.pane->Top()->isVisible());
        EXPECT_EQ(rig.pane->Top()->GetObject(), tone.get());
        EXPECT_EQ(rig.pane->CurrentPage(), c.page);
        for (int kind = 0; kind < CPaneProperties::kKindCount; ++kind)
        {
            CDlgPropertiesBase* page = rig.pane->SegmentPage(kind);
            EXPECT_EQ(page->isVisible(), page == c.page) << "kind " << kind;
        }
        for (CDlgPropertiesBase* page :
             {rig.pane->EffectsPage(), rig.pane->BrainwavesPage(), rig.pane->BilateralPage()})
        {
            EXPECT_EQ(page->isVisible(), page == c.page);
            // Only the shown page holds the segment.
            EXPECT_EQ(page->GetObject(), page == c.page ? tone.get() : nullptr);
        }
    }

    rig.pane->ShowProperties(nullptr, 0);
    EXPECT_FALSE(rig.pane->Top()->isVisible());
    EXPECT_EQ(rig.pane->CurrentPage(), nullptr);
    EXPECT_EQ(rig.pane->Top()->GetObject(), nullptr);
}

TEST(CPaneProperties, SendsTheHelpTopicOfTheTabAndKindToAVisibleHelpOnly)
{
    PaneRig rig;
    auto music = CSegments::CreateSegment(CSegment::kKindAmbientMusic);
    rig.view.selection.track = CSegment::kKindAmbientMusic;
    rig.pane->ShowProperties(music.get(), CSegment::kKindAmbientMusic);
    for (int tab : {1, 2, 3, 0, 7})
        rig.ShowTab(tab);
    EXPECT_EQ(rig.Topics(), (std::vector<QString>{"AmbientMusic", "Effects", "BrainwaveEntrainment",
                                                  "BilateralSound", "AmbientMusic"}));

    // The external-audio track's name loses its blank too; without a selected track the Sound tab
    // has no topic.
    auto external = CSegments::CreateSegment(CSegment::kKindExternalAudio);
    rig.view.selection.track = CSegment::kKindExternalAudio;
    rig.ShowTab(0);
    rig.view.Clear();
    rig.pane->ShowProperties(external.get(), CSegment::kKindExternalAudio);
    rig.view.selection.track = -1;
    rig.pane->ShowProperties(external.get(), CSegment::kKindExternalAudio);
    EXPECT_EQ(rig.Topics(), (std::vector<QString>{"ExternalAudio"}));
}

TEST(CPaneProperties, ATabSelectedByTheViewNeitherMarksNorNotifies)
{
    PaneRig rig;
    auto tone = CSegments::CreateSegment(CSegment::kKindTone);
    rig.pane->ShowProperties(tone.get(), CSegment::kKindTone);
    rig.ShowTab(2);
    EXPECT_EQ(rig.pane->Top()->GetTab(), 2);
    EXPECT_FALSE(rig.doc.IsSessionModified());
}

// The reset writes the default folder of the shown kind: documents + "/Sound Library/" + folder.
TEST(CPaneProperties, ResetWritesTheDefaultSoundFolderOfTheKind)
{
    struct Case
    {
        int kind;
        const char* value;
        const char* folder; ///< null: nothing is written
    };
    const Case cases[] = {
        {CSegment::kKindVoice, "FolderVoice", "Suggestions/VORNA Voice"},
        {CSegment::kKindAmbientMusic, "FolderAmbientMusic", "Ambient Music"},
        {CSegment::kKindNature, "FolderNature", "Nature"},
        {CSegment::kKindTone, "FolderVoice", nullptr},
        {CSegment::kKindTone, "FolderAmbientMusic", nullptr},
        {CSegment::kKindTone, "FolderNature", nullptr},
    };
    PaneRig rig;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.value);
        SetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(c.value), QStringLiteral("/elsewhere"));
        auto segment = CSegments::CreateSegment(c.kind);
        rig.pane->ShowProperties(segment.get(), c.kind);
        rig.pane->ResetSoundFolder();
        QString stored;
        ASSERT_TRUE(GetRegString(plat::RegRoot::CurrentUser, QString::fromLatin1(c.value), stored));
        const QString expected =
            c.folder != nullptr ? GetDocumentsFolder() + "/Sound Library/" + QString::fromLatin1(c.folder)
                                : QStringLiteral("/elsewhere");
        EXPECT_EQ(stored, expected);
        rig.pane->ShowProperties(nullptr, 0);
    }
}

// Playback changes refresh the top panel and the pages of the shown segment.
TEST(CPaneProperties, PlaybackChangesRefreshTheShownPages)
{
    PaneRig rig;
    auto tone = CSegments::CreateSegment(CSegment::kKindTone);
    rig.pane->ShowProperties(tone.get(), CSegment::kKindTone);
    const int before = rig.Page(CSegment::kKindTone).updates;
    rig.doc.m_isPlaying = true;
    rig.pane->UpdatePages();
    EXPECT_EQ(rig.Page(CSegment::kKindTone).updates, before + 1);
    EXPECT_EQ(rig.pane->Top()->TestButton().text(), "Stop");
    EXPECT_EQ(rig.Page(CSegment::kKindNoise).updates, 0) << "only the shown kind's page";
}

// The regression: a row left bound to a deleted segment read freed memory at the next Play or
// Stop (ASan in CI). Both the Sound page and a page of another tab shown earlier must let go.
TEST(CPaneProperties, ADeletedSegmentIsNeverReadByTheNextRefresh)
{
    PaneRig rig;
    {
        auto earlier = CSegments::CreateSegment(CSegment::kKindTone);
        rig.ShowTab(1);
        rig.pane->ShowProperties(earlier.get(), CSegment::kKindTone);
        auto selected = CSegments::CreateSegment(CSegment::kKindNoise);
        rig.ShowTab(0);
        rig.pane->ShowProperties(selected.get(), CSegment::kKindNoise);
        // The view lets the pane go first, then deletes the segment (also the temporary one a
        // click on an empty row makes).
        rig.pane->ShowProperties(nullptr, 0);
    }
    EXPECT_EQ(rig.pane->Top()->VolumeRow().GetProperty(), nullptr);
    EXPECT_EQ(rig.pane->Top()->StereoRow().GetProperty(), nullptr);
    EXPECT_EQ(rig.Page(CSegment::kKindNoise).row.GetProperty(), nullptr);
    rig.doc.m_isPlaying = true;
    rig.pane->UpdatePages();
    rig.pane->UpdateTop();
    rig.doc.m_isPlaying = false;
    rig.pane->UpdatePages();
    rig.pane->Top()->grab();
}

} // namespace
