#include "audio/SharedLoops.h"

#include "platform/audio/DenormalGuard.h"
#include "platform/audio/SoundDecoder.h"

#include <QFile>
#include <QFileInfo>

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>

namespace audio
{
namespace
{

// Frames at the start of a resampled stream kept as they come: the resampler's filter has
// heard only silence before the file there, so those frames differ from the ones the stream
// repeats. The high-quality filter settles within a few hundred frames; a tenth of a second
// leaves room for any rate pair.
std::uint32_t IntroFrames(unsigned rate)
{
    return rate / 10;
}

struct Key
{
    QString path; // canonical
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    unsigned rate = 0;

    bool operator==(const Key&) const = default;
};

// One file at one rate. The build mutex makes a second Acquire of the same key wait for the
// first one's decode instead of decoding it again; other keys do not wait.
struct Slot
{
    Key key;
    std::mutex build;
    std::weak_ptr<const SharedLoop> loop; // guarded by build
};

struct Cache
{
    std::mutex mutex;
    std::vector<std::shared_ptr<Slot>> entries; // guarded by mutex
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

std::atomic<std::uint64_t> g_decodes{0};

// The size of a huge page on x86-64 and arm64 (4 KiB base pages). A loop of at least one
// such page is aligned to it and asked to lie on them; smaller ones are not worth the rounding.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool MakeKey(const QString& path, unsigned rate, Key& key)
{
    if (path.isEmpty() || rate == 0)
        return false;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    struct stat st;
    if (::stat(QFile::encodeName(canonical).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    key.path = canonical;
    key.device = st.st_dev;
    key.inode = st.st_ino;
    key.size = static_cast<std::int64_t>(st.st_size);
    key.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    key.rate = rate;
    return true;
}

std::shared_ptr<const SharedLoop> Decode(const QString& path, unsigned rate, std::uint32_t maxFrames)
{
    // A copy at the file's own rate is what the decoder would give here, one pass without an
    // intro: no resampler runs.
    if (plat::DecodedCopy copy = plat::DecodedCopy::Map(path, rate); copy && copy.Frames() <= maxFrames)
    {
        const std::uint32_t period = copy.Frames();
        return std::make_shared<const SharedLoop>(LoopFrames(std::move(copy)), 0u, period);
    }
    // Decoded on the loop's own thread, a chunk at a time, without a second thread reading
    // ahead: the decode runs beside the rendering threads and allocates nothing once open.
    auto decoder = std::make_unique<plat::SoundDecoder>();
    if (!decoder->Open(path, rate, true))
        return nullptr;
    const plat::SoundDecoder::Info& source = decoder->Source();
    const std::uint64_t period = decoder->Length();
    // Only a pass of a whole number of frames makes the stream repeat frame for frame.
    if (period == 0 || source.frames % source.rate * rate % source.rate != 0)
        return nullptr;
    const std::uint64_t intro = source.rate == rate ? 0 : IntroFrames(rate);
    if (period + intro > maxFrames)
        return nullptr;
    const auto size = static_cast<std::uint32_t>(period + intro);
    LoopFrames frames(size);
    ++g_decodes;
    // A looping decoder gives fewer frames only when the file fails part-way: the readers meet
    // that failure where the stream would.
    try
    {
        return std::make_shared<const SharedLoop>(std::move(frames), static_cast<std::uint32_t>(intro),
                                                  static_cast<std::uint32_t>(period), std::move(decoder));
    }
    catch (const std::system_error&)
    {
        return nullptr; // no thread to decode on: the caller streams the file
    }
}

} // namespace

LoopFrames::LoopFrames(std::uint32_t size)
{
    const std::size_t bytes = std::max<std::size_t>(std::size_t{size} * sizeof(CStereoFrame), 1);
    void* p = nullptr;
    if (bytes >= kHugePage)
    {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, rounded);
        // Only advice: without huge pages the frames lie on ordinary ones.
        if (p != nullptr)
            (void)::madvise(p, rounded, MADV_HUGEPAGE);
    }
    else
    {
        p = std::malloc(bytes);
    }
    if (p == nullptr)
        throw std::bad_alloc();
    // Frames are an implicit-lifetime type: the allocation holds them, the decoder sets them.
    m_frames = static_cast<CStereoFrame*>(p);
    m_size = size;
}

LoopFrames::LoopFrames(plat::DecodedCopy copy) noexcept
    : m_frames(reinterpret_cast<CStereoFrame*>(const_cast<float*>(copy.Data()))), m_size(copy.Frames()),
      m_copy(std::move(copy))
{
}

LoopFrames::~LoopFrames()
{
    if (!m_copy)
        std::free(m_frames);
}

SharedLoop::SharedLoop(LoopFrames frames, std::uint32_t loopStart, std::uint32_t period,
                       std::unique_ptr<plat::SoundDecoder> decoder)
    : m_frames(std::move(frames)), m_loopStart(loopStart), m_period(period), m_ready(0),
      m_decoder(std::move(decoder))
{
    m_thread = std::thread([this] { DecodeProc(); });
}

SharedLoop::~SharedLoop()
{
    m_cancel.store(true, std::memory_order_relaxed);
    if (m_thread.joinable())
        m_thread.join();
}

void SharedLoop::DecodeProc() noexcept
{
    // Decoded as the engine's threads would decode it, under their flush-to-zero mode.
    plat::DenormalGuard denormals;
    const std::uint32_t size = m_frames.size();
    std::uint32_t done = 0;
    while (done < size && !m_cancel.load(std::memory_order_relaxed))
    {
        const std::uint32_t n = std::min(kChunkFrames, size - done);
        if (m_decoder->Read(&m_frames.data()[done].left, n) != n)
        {
            m_ready.store(done | kFailed, std::memory_order_release);
            m_ready.notify_all();
            break;
        }
        done += n;
        m_ready.store(done, std::memory_order_release);
        m_ready.notify_all();
    }
    m_decoder.reset();
}

std::shared_ptr<const SharedLoop> SharedLoops::Acquire(const QString& path, unsigned rate,
                                                       std::uint32_t maxFrames)
{
    Key key;
    if (!MakeKey(path, rate, key))
        return nullptr;
    std::shared_ptr<Slot> slot;
    {
        Cache& cache = TheCache();
        const std::lock_guard lock(cache.mutex);
        // Slots whose loop nobody holds or builds any more go.
        std::erase_if(cache.entries,
                      [](const std::shared_ptr<Slot>& s)
                      {
                          if (s.use_count() > 1)
                              return false;
                          const std::lock_guard building(s->build);
                          return s->loop.expired();
                      });
        for (const std::shared_ptr<Slot>& s : cache.entries)
            if (s->key == key)
                slot = s;
        if (!slot)
        {
            slot = std::make_shared<Slot>();
            slot->key = key;
            cache.entries.push_back(slot);
        }
    }
    const std::lock_guard building(slot->build);
    if (std::shared_ptr<const SharedLoop> held = slot->loop.lock())
        return held;
    std::shared_ptr<const SharedLoop> loop = Decode(key.path, rate, std::min(maxFrames, kMaxFrames));
    slot->loop = loop;
    return loop;
}

std::uint64_t SharedLoops::DecodeCount() noexcept
{
    return g_decodes.load();
}

LoopKeeper::~LoopKeeper()
{
    m_cancel.store(true, std::memory_order_relaxed);
    Join();
}

void LoopKeeper::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void LoopKeeper::Keep(std::vector<QString> paths, unsigned rate, std::uint32_t maxFrames,
                      std::uint64_t budgetFrames)
{
    // A Keep still acquiring stops where it is; what it has stays held until this one is done.
    m_cancel.store(true, std::memory_order_relaxed);
    Join();
    m_cancel.store(false, std::memory_order_relaxed);
    if (paths.empty() || rate == 0)
    {
        std::vector<std::shared_ptr<const SharedLoop>> released;
        {
            const std::lock_guard lock(m_mutex);
            released.swap(m_loops);
        }
        return; // released outside the lock: a decode under way is joined there
    }
    auto acquire = [this, paths = std::move(paths), rate, maxFrames, budgetFrames]
    {
        std::vector<std::shared_ptr<const SharedLoop>> fresh;
        std::uint64_t held = 0;
        for (const QString& path : paths)
        {
            if (m_cancel.load(std::memory_order_relaxed))
                break;
            std::shared_ptr<const SharedLoop> loop = SharedLoops::Acquire(path, rate, maxFrames);
            // The same file twice (two tracks' playlists) is one loop.
            if (!loop || std::find(fresh.begin(), fresh.end(), loop) != fresh.end())
                continue;
            if (held + loop->Size() > budgetFrames)
                continue; // let go of at once; a smaller one further on may still fit
            held += loop->Size();
            fresh.push_back(std::move(loop));
        }
        {
            const std::lock_guard lock(m_mutex);
            if (m_cancel.load(std::memory_order_relaxed))
                m_loops.insert(m_loops.end(), fresh.begin(), fresh.end()); // the next Keep decides
            else
                m_loops.swap(fresh);
        }
        // The loops let go of (in fresh now) are freed here, off the caller's thread.
    };
    try
    {
        m_thread = std::thread(std::move(acquire));
    }
    catch (const std::system_error&)
    {
        // No thread: nothing is held ahead, and a playback decodes as it starts.
    }
}

void LoopKeeper::Wait()
{
    Join();
    std::vector<std::shared_ptr<const SharedLoop>> loops;
    {
        const std::lock_guard lock(m_mutex);
        loops = m_loops;
    }
    for (const std::shared_ptr<const SharedLoop>& loop : loops)
        (void)loop->Await(loop->Size());
}

std::size_t LoopKeeper::Count() const
{
    const std::lock_guard lock(m_mutex);
    return m_loops.size();
}

} // namespace audio
