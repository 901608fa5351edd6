#pragma once
/** @brief A nature segment: a playlist of nature recordings, looped by default. */

#include "model/PlaylistSegment.h"

class CSegmentNatureBG : public model::PlaylistSegment
{
public:
    CSegmentNatureBG() : PlaylistSegment(kPlayStyleLoop) {}

    void Serialize(plat::Archive& ar) override;
    /** Appends the source's files after the target's own (as paste needs). */
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindNature; }
    QString GetName() const override { return QStringLiteral("Nature"); }
};
