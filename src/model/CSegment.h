#pragma once
/** @brief One stretch of a track's timeline: its times, name, volume, balance and its own
 *  effects, entrainment and bilateral settings. The eight kinds derive from it.
 *
 * Segments are held by std::shared_ptr (see CSegments): copies of a segment list share their
 * segments, so a segment lives as long as any list or holder still refers to it.
 * Editing runs on the UI thread; during playback the engine's worker reads the settings. */

#include "model/CBilateralLocal.h"
#include "model/CBrainwavesLocal.h"
#include "model/CEffectsLocal.h"
#include "model/CSmartProperty.h"
#include "platform/Errors.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

namespace plat
{
class Archive;
}

namespace model
{

/** A session fraction that the UI thread may write while the engine's worker reads it: the view
 *  grows the live recording's placeholder every tick while the session plays. Each read and write
 *  is one whole value (a relaxed atomic); nothing else is published through it, and the UI thread
 *  is its only writer. It reads and assigns like a double. */
class SharedFraction
{
public:
    SharedFraction(double value = 0.0) noexcept : m_value(value) {}
    SharedFraction(const SharedFraction& other) noexcept : m_value(other.Load()) {}
    SharedFraction& operator=(const SharedFraction& other) noexcept
    {
        Store(other.Load());
        return *this;
    }
    SharedFraction& operator=(double value) noexcept
    {
        Store(value);
        return *this;
    }
    operator double() const noexcept { return Load(); }

    double Load() const noexcept { return m_value.load(std::memory_order_relaxed); }
    void Store(double value) noexcept { m_value.store(value, std::memory_order_relaxed); }

private:
    // The worker reads the times while rendering, where it must never wait on a lock.
    static_assert(std::atomic<double>::is_always_lock_free);
    std::atomic<double> m_value;
};

} // namespace model

class CSegment
{
public:
    /** Segment kinds, as stored in the session file. */
    enum Kind : std::int32_t
    {
        kKindVoice = 0,
        kKindAmbientMusic = 1,
        kKindNature = 2,
        kKindBells = 3,
        kKindTone = 4,
        kKindNoise = 5,
        kKindBreathwork = 6,
        kKindExternalAudio = 7,
        kKindCount = 8,
    };
    static constexpr bool IsValidKind(std::int32_t kind) noexcept { return kind >= 0 && kind < kKindCount; }

    /** Seconds of sound in the file at a path; 0 when the file cannot be read. */
    using DurationFunction = std::function<double(const QString& path)>;
    /** Installs the function that reading a session and the panels use to measure content
     *  (the program passes the sound-file reader's; without one every duration is 0).
     *  UI thread, before any session is read. */
    static void SetDurationFunction(DurationFunction duration);
    static const DurationFunction& GetDurationFunction() noexcept;

    CSegment();
    virtual ~CSegment() = default;
    CSegment(const CSegment&) = delete;
    CSegment& operator=(const CSegment&) = delete;

    /** The current record; reading a file below version 400 takes the old record instead. */
    virtual void Serialize(plat::Archive& ar);
    /** Volume and balance 50 and the three settings groups reset; times and texts are kept.
     *  Kinds also set the name to GetName() and their own defaults. */
    virtual void SetDefaults();
    /** Copies times, volume, balance, the settings groups and the content duration; not the
     *  name or the second text. Kinds throw InvalidArgumentError for a source of another kind;
     *  copying a segment onto itself changes nothing. */
    virtual void CopyFrom(const CSegment& other);
    /** Called for every segment when its list empties itself. */
    virtual void OnListCleared() {}
    virtual std::int32_t GetKind() const { return kKindVoice; }
    /** The kind's display name ("Voice", ...); empty for the bare base. */
    virtual QString GetName() const { return {}; }
    /** Recomputes m_contentDuration from the content (voice and external audio only). */
    virtual void UpdateDuration(const DurationFunction& duration) {}
    /** Moves the end to where the content ends, at least 0.5 % of the session after the begin,
     *  never after @p nextBegin and never before the begin. Nothing happens without a content
     *  duration or with a session length <= 0. */
    virtual void LimitEnd(double nextBegin, std::int32_t sessionSeconds);

    /** The record of files before version 400 (base part only); InvalidArgumentError on an
     *  archive of a newer file. */
    void LoadOld(plat::Archive& ar);

    model::SharedFraction m_begin = 0.0; ///< session fraction
    model::SharedFraction m_end = 0.0;   ///< session fraction
    QString m_name;
    QString m_secondText;
    CSmartProperty m_volume;  ///< percent, 0..100
    CSmartProperty m_balance; ///< 0..100, 50 is the centre
    CEffectsLocal m_effects;
    CBrainwavesLocal m_brainwaves;
    CBilateralLocal m_bilateral;
    double m_contentDuration = 0.0; ///< seconds; 0 when unknown; not stored

protected:
    /** True when @p ar reads a file older than version 400. */
    static bool IsOldFile(const plat::Archive& ar);
    /** Duration of one file through @p duration, 0 when there is none or it gives no finite
     *  positive number. */
    static double MeasureFile(const DurationFunction& duration, const QString& path);
    /** A double that must be finite, or a damaged-file error. */
    static double ReadFiniteDouble(plat::Archive& ar);

    /** The source of a kind's CopyFrom as that kind @p T; InvalidArgumentError for any other
     *  class, since every member the kind copies would be read from the wrong object. */
    template <class T> static const T& CopySource(const CSegment& other)
    {
        const T* source = dynamic_cast<const T*>(&other);
        if (source == nullptr)
            throw plat::InvalidArgumentError("A segment can only be copied from a segment of its own kind.");
        return *source;
    }
};
