#include "model/CEffectsLocal.h"

#include "platform/Archive.h"

CEffectsLocal::CEffectsLocal()
{
    for (CSmartProperty& level : m_level)
        level.Init(CSmartProperty::kModeConstant, 0.0, 100.0);
    SetDefaults();
}

CEffectsLocal::CEffectsLocal(const CEffectsLocal& other) : CEffectsLocal()
{
    CopyFrom(other);
}

CEffectsLocal& CEffectsLocal::operator=(const CEffectsLocal& other)
{
    CopyFrom(other);
    return *this;
}

void CEffectsLocal::SetDefaults()
{
    for (std::size_t i = 0; i < kEffectCount; ++i)
    {
        m_switch[i] = false;
        m_level[i].SetValue(0.0);
    }
}

void CEffectsLocal::CopyFrom(const CEffectsLocal& other)
{
    if (this == &other)
        return;
    for (std::size_t i = 0; i < kEffectCount; ++i)
    {
        m_switch[i] = other.m_switch[i].load();
        m_level[i] = other.m_level[i];
    }
}

void CEffectsLocal::Serialize(plat::Archive& ar)
{
    for (std::atomic<bool>& on : m_switch)
    {
        if (ar.IsStoring())
            ar.WriteFlag(on);
        else
            on = ar.ReadFlag();
    }
    for (CSmartProperty& level : m_level)
        level.Serialize(ar);
}
