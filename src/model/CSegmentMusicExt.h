#pragma once
/** @brief An external-audio segment: one sound file from anywhere, played once or looped. */

#include "model/CSegment.h"

class CSegmentMusicExt : public CSegment
{
public:
    void Serialize(plat::Archive& ar) override;
    void SetDefaults() override;
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindExternalAudio; }
    QString GetName() const override { return QStringLiteral("External Audio"); }
    /** The file's duration; 0 when looped, without a path or when the file cannot be read. */
    void UpdateDuration(const DurationFunction& duration) override;

    QString m_path; ///< a full path, used as stored
    bool m_loop = false;
};
