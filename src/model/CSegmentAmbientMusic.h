#pragma once
/** @brief An ambient-music segment: a playlist of music loops, sliced by default. */

#include "model/PlaylistSegment.h"

class CSegmentAmbientMusic : public model::PlaylistSegment
{
public:
    CSegmentAmbientMusic() : PlaylistSegment(kPlayStyleSlicing) {}

    void Serialize(plat::Archive& ar) override;
    /** Appends the source's files after the target's own (as paste needs). */
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindAmbientMusic; }
    QString GetName() const override { return QStringLiteral("Ambient Music"); }
};
