#include "platform/Archive.h"

#include <array>
#include <bit>
#include <cstring>

namespace plat
{

namespace
{

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five unassigned bytes map to
// the C1 control of the same value, as the system converter does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length forms of the string record.
constexpr std::uint8_t kLongLength8 = 0xFF;
constexpr std::uint16_t kUnicodeMarker = 0xFFFE;
constexpr std::uint16_t kLongLength16 = 0xFFFF;
constexpr std::uint32_t kLongLength32 = 0xFFFFFFFF;

static_assert(std::endian::native == std::endian::little, "the archive assumes a little-endian host");

} // namespace

QString DecodeWindows1252(std::span<const std::uint8_t> bytes)
{
    QString out;
    out.resize(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        const std::uint8_t b = bytes[i];
        out[static_cast<qsizetype>(i)] = QChar(b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

Archive Archive::ForLoading(std::span<const std::uint8_t> bytes, std::int32_t fileVersion)
{
    Archive ar(Mode::Load, fileVersion);
    ar.m_bytes.assign(bytes.begin(), bytes.end());
    ar.m_data = ar.m_bytes.data();
    ar.m_size = ar.m_bytes.size();
    return ar;
}

Archive Archive::ForLoadingInPlace(std::span<const std::uint8_t> bytes, std::int32_t fileVersion)
{
    Archive ar(Mode::Load, fileVersion);
    ar.m_data = bytes.data();
    ar.m_size = bytes.size();
    return ar;
}

Archive Archive::ForStoring(std::int32_t fileVersion)
{
    return Archive(Mode::Store, fileVersion);
}

void Archive::ThrowBadFormat(const char* what)
{
    throw ArchiveError(ArchiveError::Cause::BadFormat, what);
}

void Archive::RequireLoading() const
{
    if (m_mode != Mode::Load)
        throw ArchiveError(ArchiveError::Cause::WrongMode,
                           "Attempted to read from an archive opened for writing.");
}

void Archive::RequireStoring() const
{
    if (m_mode != Mode::Store)
        throw ArchiveError(ArchiveError::Cause::WrongMode,
                           "Attempted to write to an archive opened for reading.");
}

void Archive::RefuseRead() const
{
    RequireLoading();
    throw ArchiveError(ArchiveError::Cause::EndOfFile, "Attempted to read past the end of the file.");
}

void Archive::CheckFits(std::uint64_t count, std::size_t minBytesPerItem) const
{
    const std::uint64_t left = GetRemaining();
    // A length the rest of the file cannot hold is a read past its end, found before any
    // buffer is allocated for it.
    if (minBytesPerItem == 0 ? count > left : count > left / minBytesPerItem)
        throw ArchiveError(ArchiveError::Cause::EndOfFile, "Attempted to read past the end of the file.");
}

std::int32_t Archive::ReadCount(std::size_t minBytesPerItem)
{
    const std::int32_t n = ReadInt32();
    if (n < 0)
        ThrowBadFormat("The file is damaged: a stored count is negative.");
    CheckFits(static_cast<std::uint64_t>(n), minBytesPerItem);
    return n;
}

QString Archive::ReadString()
{
    // byte len8 | 0xFF uint16 len16 | 0xFF 0xFFFF uint32 len32 | ... 0xFFFFFFFF uint64 len64,
    // with an optional 0xFF 0xFFFE prefix that marks UTF-16 code units.
    bool unicode = false;
    std::uint64_t length = ReadByte();
    if (length == kLongLength8)
    {
        length = ReadUInt16();
        if (length == kUnicodeMarker)
        {
            unicode = true;
            length = ReadByte();
            if (length == kLongLength8)
                length = ReadUInt16();
        }
        if (length == kLongLength16)
        {
            length = ReadUInt32();
            if (length == kLongLength32)
                length = ReadUInt64();
        }
        else if (length == kUnicodeMarker)
            ThrowBadFormat("The file is damaged: a text record is not valid.");
    }

    CheckFits(length, unicode ? 2 : 1);
    const std::size_t n = static_cast<std::size_t>(length);
    const std::uint8_t* p = m_data + m_pos;
    QString out;
    if (unicode)
    {
        out.resize(static_cast<qsizetype>(n));
        std::memcpy(out.data(), p, n * 2);
        m_pos += n * 2;
    }
    else
    {
        out = DecodeWindows1252({p, n});
        m_pos += n;
    }
    return out;
}

void Archive::WriteRaw(const void* p, std::size_t n)
{
    RequireStoring();
    const auto* b = static_cast<const std::uint8_t*>(p);
    m_bytes.insert(m_bytes.end(), b, b + n);
}

void Archive::WriteByte(std::uint8_t v)
{
    WriteRaw(&v, 1);
}

void Archive::WriteFlag(bool v)
{
    WriteByte(v ? 1 : 0);
}

void Archive::WriteUInt16(std::uint16_t v)
{
    WriteRaw(&v, 2);
}

void Archive::WriteInt32(std::int32_t v)
{
    WriteRaw(&v, 4);
}

void Archive::WriteUInt32(std::uint32_t v)
{
    WriteRaw(&v, 4);
}

void Archive::WriteUInt64(std::uint64_t v)
{
    WriteRaw(&v, 8);
}

void Archive::WriteDouble(double v)
{
    WriteRaw(&v, 8);
}

void Archive::WriteString(const QString& s)
{
    WriteByte(kLongLength8);
    WriteUInt16(kUnicodeMarker);
    const auto n = static_cast<std::uint64_t>(s.size());
    if (n < kLongLength8)
        WriteByte(static_cast<std::uint8_t>(n));
    else
    {
        WriteByte(kLongLength8);
        if (n < kUnicodeMarker)
            WriteUInt16(static_cast<std::uint16_t>(n));
        else
        {
            WriteUInt16(kLongLength16);
            if (n < kLongLength32)
                WriteUInt32(static_cast<std::uint32_t>(n));
            else
            {
                WriteUInt32(kLongLength32);
                WriteUInt64(n);
            }
        }
    }
    WriteRaw(s.utf16(), static_cast<std::size_t>(n) * 2);
}

} // namespace plat
