#include "model/CEffectsLocal.h"

#include "RecordBytes.h"
#include "platform/Archive.h"

#include <gtest/gtest.h>

TEST(CEffectsLocal, RecordIsFourSwitchesThenFourLevels)
{
    CEffectsLocal effects;
    plat::Archive out = plat::Archive::ForStoring(400);
    effects.Serialize(out);
    ASSERT_EQ(out.GetBytes().size(), 420u);
    plat::Archive expected = plat::Archive::ForStoring();
    for (int i = 0; i < 4; ++i)
        expected.WriteFlag(false);
    for (int i = 0; i < 4; ++i)
        vtest::PutConstantProperty(expected, 0, 100, 0);
    EXPECT_EQ(out.GetBytes(), expected.GetBytes());

    effects.m_switch[CEffectsLocal::kReverb] = true;
    effects.m_level[CEffectsLocal::kReverb].SetValue(50);
    effects.m_switch[CEffectsLocal::kChorus] = true;
    effects.m_level[CEffectsLocal::kEcho].SetValue(20);
    plat::Archive changed = plat::Archive::ForStoring(400);
    effects.Serialize(changed);
    const std::vector<std::uint8_t>& bytes = changed.GetBytes();
    EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4)),
              (std::vector<std::uint8_t>{0, 1, 0, 1}));

    plat::Archive in = plat::Archive::ForLoading(bytes, 400);
    CEffectsLocal loaded;
    loaded.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_TRUE(loaded.m_switch[CEffectsLocal::kReverb]);
    EXPECT_FALSE(loaded.m_switch[CEffectsLocal::kEcho]);
    EXPECT_EQ(loaded.m_level[CEffectsLocal::kReverb].GetValue(), 50);
    EXPECT_EQ(loaded.m_level[CEffectsLocal::kEcho].GetValue(), 20);
}

TEST(CEffectsLocal, CopiesAreDeepAndDefaultsSwitchEverythingOff)
{
    CEffectsLocal source;
    source.m_switch[CEffectsLocal::kEnhance] = true;
    source.m_level[CEffectsLocal::kEnhance].SetValue(65);
    CEffectsLocal assigned;
    assigned = source;
    const CEffectsLocal constructed(source);
    source.m_level[CEffectsLocal::kEnhance].SetValue(10); // copies keep their own level
    for (const CEffectsLocal* copy : {static_cast<const CEffectsLocal*>(&assigned), &constructed})
    {
        EXPECT_TRUE(copy->m_switch[CEffectsLocal::kEnhance]);
        EXPECT_EQ(copy->m_level[CEffectsLocal::kEnhance].GetValue(), 65);
    }
    source.SetDefaults();
    for (std::size_t i = 0; i < CEffectsLocal::kEffectCount; ++i)
    {
        EXPECT_FALSE(source.m_switch[i]);
        EXPECT_EQ(source.m_level[i].GetMode(), 0);
        EXPECT_EQ(source.m_level[i].GetValue(), 0);
        EXPECT_EQ(source.m_level[i].GetRange(), (std::pair<double, double>(0, 100)));
    }
}
