#pragma once
/** @brief Test-only writers for segment records, including the old (before version 400) forms,
 *  which no current code writes: every old record in the tests is built here field by field. */

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

/** A graph record of two points at height @p y. */
inline void WriteFlatGraph(plat::Archive& ar, double y)
{
    ar.WriteInt32(0);
    ar.WriteInt32(2);
    ar.WriteDouble(0.0);
    ar.WriteDouble(y);
    ar.WriteDouble(1.0);
    ar.WriteDouble(y);
}

/** The old property form: the number (double or int32), int32 has-graph 0, a graph. */
inline void WriteOldProperty(plat::Archive& ar, double value)
{
    ar.WriteDouble(value);
    ar.WriteInt32(0);
    WriteFlatGraph(ar, 0.5);
}
inline void WriteOldIntProperty(plat::Archive& ar, std::int32_t value)
{
    ar.WriteInt32(value);
    ar.WriteInt32(0);
    WriteFlatGraph(ar, 0.5);
}

/** The old base record of a segment. Volume and balance are stored as fractions (x 100 on
 *  reading); the entrainment and bilateral parts are disabled with their old default values. */
inline void WriteOldSegmentBase(plat::Archive& ar, double begin, double end, double volume, double balance)
{
    ar.WriteDouble(begin);
    ar.WriteDouble(end);
    WriteOldProperty(ar, volume);
    WriteOldProperty(ar, balance);
    // Fields the current format dropped: a double, an int32, a graph, two doubles.
    ar.WriteDouble(1.5);
    ar.WriteInt32(3);
    WriteFlatGraph(ar, 0.25);
    ar.WriteDouble(2.5);
    ar.WriteDouble(3.5);
    // Entrainment: enabled, method, depth (fraction), own frequency, frequency.
    ar.WriteByte(0);
    ar.WriteInt32(0);
    WriteOldProperty(ar, 0.4);
    ar.WriteByte(0);
    WriteOldProperty(ar, 4.0);
    // Bilateral: enabled, depth (fraction), delay, invert, cubic, own rate, rate.
    ar.WriteByte(0);
    WriteOldProperty(ar, 1.0);
    ar.WriteDouble(0.0);
    ar.WriteByte(0);
    ar.WriteByte(0);
    ar.WriteByte(0);
    WriteOldProperty(ar, 60.0);
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
