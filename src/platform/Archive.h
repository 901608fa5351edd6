#pragma once
/** @brief The session archive: little-endian records over an in-memory buffer.
 *
 * A loading archive checks every read against the bytes left and raises
 * ArchiveError(EndOfFile) past the end; a declared length or count that cannot fit
 * into what is left is refused the same way before anything is allocated. A storing
 * archive appends to its own buffer, which the caller writes out in one piece.
 * The archive carries the version of the file being read so that every record can
 * ask for it. UI thread only. */

#include "platform/Errors.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace plat {

class Archive
{
public:
    enum class Mode
    {
        Load,
        Store
    };

    /** A loading archive over a copy of @p bytes. */
    static Archive ForLoading(std::span<const std::uint8_t> bytes, std::int32_t fileVersion = 0);
    /** An empty storing archive. */
    static Archive ForStoring(std::int32_t fileVersion = 0);

    bool IsLoading() const noexcept { return m_mode == Mode::Load; }
    bool IsStoring() const noexcept { return m_mode == Mode::Store; }

    /** The version of the session file being read or written (see CVornaDoc). */
    std::int32_t GetFileVersion() const noexcept { return m_fileVersion; }
    void SetFileVersion(std::int32_t version) noexcept { m_fileVersion = version; }

    std::size_t GetPosition() const noexcept { return m_pos; }
    std::size_t GetRemaining() const noexcept { return m_bytes.size() - m_pos; }
    /** The bytes stored so far (storing) or the whole input (loading). */
    const std::vector<std::uint8_t>& GetBytes() const noexcept { return m_bytes; }

    std::uint8_t ReadByte();
    bool ReadFlag(); ///< one byte, any non-zero value is true
    std::uint16_t ReadUInt16();
    std::int32_t ReadInt32();
    std::uint32_t ReadUInt32();
    std::uint64_t ReadUInt64();
    double ReadDouble();
    QString ReadString();

    void WriteByte(std::uint8_t v);
    void WriteFlag(bool v); ///< written 0 or 1
    void WriteUInt16(std::uint16_t v);
    void WriteInt32(std::int32_t v);
    void WriteUInt32(std::uint32_t v);
    void WriteUInt64(std::uint64_t v);
    void WriteDouble(double v);
    void WriteString(const QString& s);

    /** Reads an int32 element count; refuses a negative one (BadFormat) and one whose
     *  @p count x @p minBytesPerItem exceeds the bytes left (EndOfFile), so no caller
     *  allocates for a count the file cannot hold. */
    std::int32_t ReadCount(std::size_t minBytesPerItem);
    /** Refuses (EndOfFile) when @p count items of @p minBytesPerItem cannot fit into what is left. */
    void CheckFits(std::uint64_t count, std::size_t minBytesPerItem) const;

    /** Raises ArchiveError(BadFormat) with @p what. */
    [[noreturn]] static void ThrowBadFormat(const char* what);

private:
    Archive(Mode mode, std::int32_t version) : m_mode(mode), m_fileVersion(version) {}

    void Need(std::size_t n) const;
    void RequireLoading() const;
    void RequireStoring() const;
    void WriteRaw(const void* p, std::size_t n);

    Mode m_mode;
    std::int32_t m_fileVersion = 0;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

/** Windows-1252 (the code page of the old 8-bit records) to UTF-16. */
QString DecodeWindows1252(std::span<const std::uint8_t> bytes);

} // namespace plat
