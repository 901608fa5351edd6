#pragma once
/** @brief A bells segment: struck instruments from a list, in a tone range, at a density. */

#include "model/CSegment.h"

#include <vector>

class CSegmentBells : public CSegment
{
public:
    static constexpr std::int32_t kInstrumentCount = 12;

    enum ToneRange : std::int32_t
    {
        kToneRangeLow = 0,
        kToneRangeMedium = 1,
        kToneRangeHigh = 2,
        kToneRangeLowMedium = 3,
        kToneRangeMediumHigh = 4,
        kToneRangeAll = 5,
        kToneRangeCount = 6,
    };

    CSegmentBells();

    void Serialize(plat::Archive& ar) override;
    /** Also switches the reverb on at 50. */
    void SetDefaults() override;
    /** Appends the source's instruments after the target's own (as paste needs). */
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindBells; }
    QString GetName() const override { return QStringLiteral("Bells"); }

    /** The display name of instrument @p index; empty outside 0..11. */
    static QString GetInstrumentName(std::int32_t index);
    static constexpr bool IsKnownInstrument(std::int32_t index) noexcept
    {
        return index >= 0 && index < kInstrumentCount;
    }
    /** Instrument @p i of the list, with a stored code outside the table acting as instrument 0;
     *  InvalidArgumentError outside the list. */
    std::int32_t GetInstrument(std::int32_t i) const;
    /** The tone range, with a stored code outside the table acting as medium. */
    std::int32_t GetToneRange() const noexcept
    {
        return m_toneRange >= 0 && m_toneRange < kToneRangeCount ? m_toneRange : kToneRangeMedium;
    }

    std::vector<std::int32_t> m_instruments;     ///< instrument codes as stored
    std::int32_t m_toneRange = kToneRangeMedium; ///< as stored; read through GetToneRange
    CSmartProperty m_range;                      ///< percent, 1..100
    CSmartProperty m_density;                    ///< percent, 1..100

private:
    void LoadOldKind(plat::Archive& ar);
};
