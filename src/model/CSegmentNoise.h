#pragma once
/** @brief A noise segment: pink or white noise, smoothed and filtered. */

#include "model/CSegment.h"

class CSegmentNoise : public CSegment
{
public:
    enum Color : std::int32_t
    {
        kColorPink = 0,
        kColorWhite = 1,
        kColorCount = 2,
    };

    CSegmentNoise();

    void Serialize(plat::Archive& ar) override;
    void SetDefaults() override;
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindNoise; }
    QString GetName() const override { return QStringLiteral("Noise"); }

    /** The colour, with a stored code outside the table acting as pink. */
    std::int32_t GetColor() const noexcept
    {
        return m_color >= 0 && m_color < kColorCount ? m_color : kColorPink;
    }

    std::int32_t m_color = kColorPink; ///< as stored; read through GetColor
    CSmartProperty m_smoothness;       ///< percent, 0..100
    CSmartProperty m_filter;           ///< percent, 0..100
    CSmartProperty m_frequency;        ///< Hz, 100..3000
    CSmartProperty m_sharpness;        ///< percent, 0..100
};
