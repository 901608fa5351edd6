#pragma once
/** @brief A voice segment: a list of spoken files played in order, shuffled or picked by hand. */

#include "model/CFileListEntry.h"
#include "model/CSegment.h"

#include <atomic>
#include <vector>

class CSegmentSuggestions : public CSegment
{
public:
    enum PlayMode : std::int32_t
    {
        kPlayModeSequential = 0,
        kPlayModeShuffle = 1,
        kPlayModePrerecorded = 2,
        kPlayModeLivePlaceholder = 3, ///< only the live-recording placeholder segment
        kPlayModeCount = 4,
    };

    CSegmentSuggestions();

    void Serialize(plat::Archive& ar) override;
    void SetDefaults() override;
    /** Appends the source's files after the target's own (as paste needs). */
    void CopyFrom(const CSegment& other) override;
    std::int32_t GetKind() const override { return kKindVoice; }
    QString GetName() const override { return QStringLiteral("Voice"); }
    /** Play mode 0 only: the files' durations plus the whole seconds of the gaps plus 0.001;
     *  0 in any other mode, without files, or when no file can be read. */
    void UpdateDuration(const DurationFunction& duration) override;

    /** The play mode, with a stored code outside the table acting as sequential. */
    std::int32_t GetPlayMode() const noexcept
    {
        return m_playMode >= 0 && m_playMode < kPlayModeCount ? m_playMode : kPlayModeSequential;
    }

    /** UI thread: asks the playing voice generator to play file @p index next. */
    void RequestFile(std::int32_t index) noexcept
    {
        m_requestedIndex.store(index, std::memory_order_relaxed);
        m_playRequest.store(true, std::memory_order_release);
    }
    /** Worker thread: takes a pending request (clearing it) and gives its file index. */
    bool TakeFileRequest(std::int32_t& index) noexcept
    {
        if (!m_playRequest.exchange(false, std::memory_order_acquire))
            return false;
        index = m_requestedIndex.load(std::memory_order_relaxed);
        return true;
    }

    std::vector<CFileListEntry> m_files;
    std::int32_t m_playMode = kPlayModeSequential; ///< as stored; read through GetPlayMode
    CSmartProperty m_interval;                     ///< seconds between files, 0..30
    QString m_scriptText;

    // Run-time request from the voice panel to the generator; not stored, not copied.
    std::atomic<bool> m_playRequest{false};
    std::atomic<std::int32_t> m_requestedIndex{0};

private:
    void LoadOldKind(plat::Archive& ar);
};
