#pragma once
/** @brief Test-only writers for segment records, including the old (before version 400) forms,
 *  which no current code writes: every old record in the tests is built here field by field. */

#include "RecordBytes.h"
#include "model/CSegment.h"
#include "platform/Archive.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace vtest
{

inline constexpr std::int32_t kCurrentVersion = 410;
inline constexpr std::int32_t kOldVersion = 399;

/** The bytes @p write puts into a storing archive. */
inline std::vector<std::uint8_t> Bytes(const std::function<void(plat::Archive&)>& write)
{
    plat::Archive ar = plat::Archive::ForStoring(kCurrentVersion);
    write(ar);
    return ar.GetBytes();
}

inline std::vector<std::uint8_t> StoredSegment(CSegment& s)
{
    return Bytes([&](plat::Archive& ar) { s.Serialize(ar); });
}

/** An 8-bit string record (short form), as files of the 8-bit program hold them. */
inline void WriteAnsiString(plat::Archive& ar, const char* text)
{
    const std::string s(text);
    ar.WriteByte(static_cast<std::uint8_t>(s.size()));
    for (const char c : s)
        ar.WriteByte(static_cast<std::uint8_t>(c));
}

/** The old property form with an int32 number: int32, int32 has-graph 0, a graph. */
inline void WriteOldIntProperty(plat::Archive& ar, std::int32_t value)
{
    ar.WriteInt32(value);
    ar.WriteInt32(0);
    PutGraph(ar, 0.5, 0.5);
}

/** The numbers of an old base record as the file holds them: volume, balance and both depths as
 *  fractions (x 100 on reading), the delay in units ten times the current ones. */
struct OldBaseNumbers
{
    double volume = 0.5;
    double balance = 0.5;
    double beatDepth = 0.4;
    double beatHz = 4.0;
    double swingDepth = 1.0;
    double swingDelay = 0.0;
    double swingRate = 60.0;
};

/** The old base record of a segment; the entrainment and bilateral parts are disabled. */
inline void WriteOldSegmentBase(plat::Archive& ar, double begin, double end, const OldBaseNumbers& n)
{
    ar.WriteDouble(begin);
    ar.WriteDouble(end);
    PutOldDoubleProperty(ar, n.volume, false);
    PutOldDoubleProperty(ar, n.balance, false);
    // Fields the current format dropped: a double, an int32, a graph, two doubles.
    ar.WriteDouble(1.5);
    ar.WriteInt32(3);
    PutGraph(ar, 0.25, 0.25);
    ar.WriteDouble(2.5);
    ar.WriteDouble(3.5);
    // Entrainment: enabled, method, depth (fraction), own frequency, frequency.
    ar.WriteByte(0);
    ar.WriteInt32(0);
    PutOldDoubleProperty(ar, n.beatDepth, false);
    ar.WriteByte(0);
    PutOldDoubleProperty(ar, n.beatHz, false);
    // Bilateral: enabled, depth (fraction), delay, invert, cubic, own rate, rate.
    ar.WriteByte(0);
    PutOldDoubleProperty(ar, n.swingDepth, false);
    ar.WriteDouble(n.swingDelay);
    ar.WriteByte(0);
    ar.WriteByte(0);
    ar.WriteByte(0);
    PutOldDoubleProperty(ar, n.swingRate, false);
}

/** The same with the default numbers but for volume and balance (fractions). */
inline void WriteOldSegmentBase(plat::Archive& ar, double begin, double end, double volume, double balance)
{
    WriteOldSegmentBase(ar, begin, end, OldBaseNumbers{.volume = volume, .balance = balance});
}

/** A loading archive over @p bytes at @p version. */
inline plat::Archive Loading(const std::vector<std::uint8_t>& bytes, std::int32_t version)
{
    return plat::Archive::ForLoading(bytes, version);
}

/** A duration function over a table of paths; any other path is unreadable (0). */
inline CSegment::DurationFunction DurationsOf(std::map<QString, double> seconds)
{
    return [seconds = std::move(seconds)](const QString& path)
    {
        const auto it = seconds.find(path);
        return it == seconds.end() ? 0.0 : it->second;
    };
}

/** Installs a duration function for the life of the object. */
class ScopedDurationFunction
{
public:
    explicit ScopedDurationFunction(CSegment::DurationFunction duration)
    {
        CSegment::SetDurationFunction(std::move(duration));
    }
    ~ScopedDurationFunction() { CSegment::SetDurationFunction({}); }
    ScopedDurationFunction(const ScopedDurationFunction&) = delete;
    ScopedDurationFunction& operator=(const ScopedDurationFunction&) = delete;
};

} // namespace vtest
