#pragma once
/** @brief The session archive: little-endian records over an in-memory buffer.
 *
 * A loading archive checks every read against the bytes left and raises
 * ArchiveError(EndOfFile) past the end; a declared length or count that cannot fit
 * into what is left is refused the same way before anything is allocated. A storing
 * archive appends to its own buffer, which the caller writes out in one piece.
 * The archive carries the version of the file being read so that every record can
 * ask for it. The fixed-size reads are inline: a session file holds some hundred and fifty
 * of them a segment. UI thread only. */

#include "platform/Errors.h"

#include <QString>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace plat
{

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
    /** A loading archive that reads @p bytes where they are, without a copy: they must stay
     *  unchanged while the archive lives. */
    static Archive ForLoadingInPlace(std::span<const std::uint8_t> bytes, std::int32_t fileVersion = 0);
    /** An empty storing archive. */
    static Archive ForStoring(std::int32_t fileVersion = 0);

    // A loading archive may point into its own copy: it moves, it is not copied.
    Archive(Archive&&) noexcept = default;
    Archive& operator=(Archive&&) noexcept = default;
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool IsLoading() const noexcept { return m_mode == Mode::Load; }
    bool IsStoring() const noexcept { return m_mode == Mode::Store; }

    /** The version of the session file being read or written (see CVornaDoc). */
    std::int32_t GetFileVersion() const noexcept { return m_fileVersion; }
    void SetFileVersion(std::int32_t version) noexcept { m_fileVersion = version; }

    std::size_t GetPosition() const noexcept { return IsLoading() ? m_pos : m_bytes.size(); }
    /** Bytes left to read; 0 when storing. */
    std::size_t GetRemaining() const noexcept { return m_size - m_pos; }
    /** The bytes stored so far (storing) or the copy of the input (ForLoading); empty for
     *  ForLoadingInPlace. */
    const std::vector<std::uint8_t>& GetBytes() const noexcept { return m_bytes; }

    std::uint8_t ReadByte() { return Read<std::uint8_t>(); }
    bool ReadFlag() { return ReadByte() != 0; } ///< one byte, any non-zero value is true
    std::uint16_t ReadUInt16() { return Read<std::uint16_t>(); }
    std::int32_t ReadInt32() { return static_cast<std::int32_t>(Read<std::uint32_t>()); }
    std::uint32_t ReadUInt32() { return Read<std::uint32_t>(); }
    std::uint64_t ReadUInt64() { return Read<std::uint64_t>(); }
    double ReadDouble() { return std::bit_cast<double>(Read<std::uint64_t>()); }
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

    /** A running count over the whole file being read that readers of lists add their entries
     *  to, so that a limit can bind the file as well as one list (a file could split its entries
     *  over many lists). Returns the total with @p n. */
    std::uint64_t CountListEntries(std::uint64_t n) noexcept { return m_listEntries += n; }

    /** Raises ArchiveError(BadFormat) with @p what. */
    [[noreturn]] static void ThrowBadFormat(const char* what);

private:
    Archive(Mode mode, std::int32_t version) : m_mode(mode), m_fileVersion(version) {}

    template <class T> T Read()
    {
        Need(sizeof(T));
        T v;
        std::memcpy(&v, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return v;
    }
    // A storing archive has nothing to read (m_size 0), so one comparison checks both the mode
    // and the bytes left.
    void Need(std::size_t n) const
    {
        if (n > m_size - m_pos) [[unlikely]]
            RefuseRead();
    }
    [[noreturn]] void RefuseRead() const;
    void RequireLoading() const;
    void RequireStoring() const;
    void WriteRaw(const void* p, std::size_t n);

    Mode m_mode;
    std::int32_t m_fileVersion = 0;
    std::vector<std::uint8_t> m_bytes;    // storing: the output; ForLoading: the copy read
    const std::uint8_t* m_data = nullptr; // loading: the bytes read
    std::size_t m_size = 0;               // loading: how many there are
    std::size_t m_pos = 0;                // loading: the next byte to read
    std::uint64_t m_listEntries = 0;      // loading: see CountListEntries
};

/** Windows-1252 (the code page of the old 8-bit records) to UTF-16. */
QString DecodeWindows1252(std::span<const std::uint8_t> bytes);

} // namespace plat
