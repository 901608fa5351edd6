#pragma once
/** @brief A breathwork segment: spoken breathing prompts in one of ten phase patterns. */

#include "model/CSegment.h"

class CSegmentBreathwork : public CSegment
{
public:
    /** Patterns of the four breathing phases (in, pause, out, pause), 0..9. */
    static constexpr std::int32_t kPatternCount = 10;

    CSegmentBreathwork();

    void Serialize(plat::Archive& ar) override;
    void SetDefaults() override;
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindBreathwork; }
    QString GetName() const override { return QStringLiteral("Breathwork"); }

    /** The pattern, with a stored code outside the table acting as pattern 0. */
    std::int32_t GetPattern() const noexcept
    {
        return m_pattern >= 0 && m_pattern < kPatternCount ? m_pattern : 0;
    }

    std::int32_t m_pattern = 0; ///< as stored; read through GetPattern
    CSmartProperty m_cycle;     ///< seconds per breath, 8..60
    CSmartProperty m_breathing; ///< percent, 0..100
};
