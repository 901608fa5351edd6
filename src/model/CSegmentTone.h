#pragma once
/** @brief A tone segment: a carrier tone with overtones; the factory sets its entrainment
 *  settings to true binaural, so the generator builds the beat from two carriers. */

#include "model/CSegment.h"

class CSegmentTone : public CSegment
{
public:
    CSegmentTone();

    void Serialize(plat::Archive& ar) override;
    void SetDefaults() override;
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindTone; }
    QString GetName() const override { return QStringLiteral("Tone"); }

    CSmartProperty m_carrier;   ///< Hz, 30..1000
    CSmartProperty m_overtones; ///< 0..9
};
