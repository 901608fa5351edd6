#include "platform/audio/DecodedCopy.h"

#include "platform/audio/SoundDecoder.h"

#include <QFile>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace plat
{
namespace
{

constexpr char kMagic[8] = {'F', 'R', 'A', 'M', 'E', 'S', '0', '1'};
constexpr std::uint32_t kByteOrder = 0x01020304u; // a copy made on a machine of the other order fails
constexpr int kChannels = 2;
// A copy larger than this (about ten minutes at 44.1 kHz) is not worth the disk it takes.
constexpr std::uint64_t kMostFrames = std::uint64_t{1} << 25;

struct Header
{
    char magic[8];
    std::uint32_t byteOrder;
    std::uint32_t rate;
    std::uint32_t channels;
    std::uint32_t frames;
    std::uint64_t sourceBytes;
    std::uint64_t sourceHash;
    char unused[24];
};
static_assert(sizeof(Header) == 64, "the frames start 64 bytes in, aligned for vector loads");

// FNV-1a over the file's 64-bit words (the tail's bytes as one word), with its length mixed
// in: enough to tell a replaced file from the one the copy was made from. Fed piece by piece,
// every piece but the last a whole number of words.
class FileHash
{
public:
    explicit FileHash(std::uint64_t length) noexcept : m_hash(kBasis ^ length) {}

    void Add(const unsigned char* p, std::size_t n) noexcept
    {
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8)
        {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            m_hash = (m_hash ^ word) * kPrime;
        }
        if (n > i)
        {
            std::uint64_t tail = 0;
            std::memcpy(&tail, p + i, n - i);
            m_tail = tail;
        }
    }
    std::uint64_t Value() const noexcept { return (m_hash ^ m_tail) * kPrime; }

private:
    static constexpr std::uint64_t kPrime = 0x100000001b3ull;
    static constexpr std::uint64_t kBasis = 0xcbf29ce484222325ull;
    std::uint64_t m_hash;
    std::uint64_t m_tail = 0;
};

// The size and hash of the file at @p fd; false when it cannot be read through. Read through
// one small buffer: a fresh buffer the size of the file costs a page fault for every 4 KiB,
// more than the hash itself.
bool HashFile(int fd, std::uint64_t& bytes, std::uint64_t& hash)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0)
        return false;
    bytes = static_cast<std::uint64_t>(st.st_size);
    FileHash fileHash(bytes);
    constexpr std::size_t kPiece = 64 * 1024; // a whole number of words
    unsigned char piece[kPiece];
    std::uint64_t got = 0;
    while (got < bytes)
    {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, bytes - got));
        std::size_t have = 0;
        while (have < want)
        {
            const ssize_t n = ::pread(fd, piece + have, want - have, static_cast<off_t>(got + have));
            if (n <= 0)
                return false; // cut short while read, or unreadable
            have += static_cast<std::size_t>(n);
        }
        fileHash.Add(piece, have);
        got += have;
    }
    hash = fileHash.Value();
    return true;
}

bool HashPath(const QString& path, std::uint64_t& bytes, std::uint64_t& hash)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = HashFile(fd, bytes, hash);
    ::close(fd);
    return ok;
}

} // namespace

QString DecodedCopy::PathFor(const QString& source)
{
    return source + QStringLiteral(".f32");
}

bool DecodedCopy::Write(const QString& source, const QString& out)
{
    SoundDecoder::Info info;
    if (!SoundDecoder::ReadInfo(source, info) || info.rate == 0)
        return false;
    SoundDecoder decoder;
    // Looping, as a shared loop is decoded: one pass of it.
    if (!decoder.Open(source, info.rate, true))
        return false;
    const std::uint64_t frames = decoder.Length();
    if (frames == 0 || frames > kMostFrames)
        return false;
    std::vector<float> samples(static_cast<std::size_t>(frames) * kChannels);
    if (decoder.Read(samples.data(), static_cast<std::uint32_t>(frames)) != frames)
        return false;
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.byteOrder = kByteOrder;
    header.rate = info.rate;
    header.channels = kChannels;
    header.frames = static_cast<std::uint32_t>(frames);
    if (!HashPath(source, header.sourceBytes, header.sourceHash))
        return false;
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto payload = static_cast<qint64>(samples.size() * sizeof(float));
    if (file.write(reinterpret_cast<const char*>(&header), sizeof header) != qint64{sizeof header} ||
        file.write(reinterpret_cast<const char*>(samples.data()), payload) != payload)
        return false;
    return file.commit();
}

DecodedCopy DecodedCopy::Map(const QString& source, unsigned rate)
{
    DecodedCopy copy;
    const int fd = ::open(QFile::encodeName(PathFor(source)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return copy;
    Header header{};
    struct stat st;
    const bool fits = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      ::pread(fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
                      std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 &&
                      header.byteOrder == kByteOrder && header.rate == rate && header.channels == kChannels &&
                      header.frames > 0 && header.frames <= kMostFrames &&
                      static_cast<std::uint64_t>(st.st_size) ==
                          sizeof header + std::uint64_t{header.frames} * kChannels * sizeof(float);
    std::uint64_t bytes = 0, hash = 0;
    if (!fits || !HashPath(source, bytes, hash) || bytes != header.sourceBytes || hash != header.sourceHash)
    {
        ::close(fd);
        return copy;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    // Read in now: a block that renders never waits for the disk.
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ::close(fd);
    if (mapping == MAP_FAILED)
        return copy;
    copy.m_mapping = mapping;
    copy.m_bytes = size;
    copy.m_frames = reinterpret_cast<const float*>(static_cast<const char*>(mapping) + sizeof header);
    copy.m_count = header.frames;
    return copy;
}

DecodedCopy::~DecodedCopy()
{
    if (m_mapping != nullptr)
        ::munmap(m_mapping, m_bytes);
}

DecodedCopy& DecodedCopy::operator=(DecodedCopy&& other) noexcept
{
    if (this != &other)
    {
        if (m_mapping != nullptr)
            ::munmap(m_mapping, m_bytes);
        m_mapping = std::exchange(other.m_mapping, nullptr);
        m_bytes = std::exchange(other.m_bytes, 0);
        m_frames = std::exchange(other.m_frames, nullptr);
        m_count = std::exchange(other.m_count, 0);
    }
    return *this;
}

} // namespace plat
