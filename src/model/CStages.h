#pragma once
/** @brief The session's stages: named, contiguous stretches that together cover the session.
 *
 * The editing operations keep the stages contiguous (each ends where the next starts) and
 * covering 0..1. The stages dialog, the stages and timeline panes and the graph editor use
 * them on the UI thread; dragging a stage boundary edits a stage in place through GetStage. */

#include "model/CStage.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace plat
{
class Archive;
}

class CStages
{
public:
    std::int32_t GetCount() const noexcept { return static_cast<std::int32_t>(m_stages.size()); }
    /** The stage at @p i, for reading or editing in place; InvalidArgumentError outside the list. */
    CStage& GetStage(std::int32_t i);
    const CStage& GetStage(std::int32_t i) const;
    /** Index of the first stage with start <= t < end; -1 when t is outside [0, 1] or no stage
     *  holds it (so 1.0 gives -1: the last stage's end belongs to no stage). */
    std::int32_t FindStage(double t) const noexcept;
    /** Inserts a stage named @p name before stage @p i over the first half of stage i, which then
     *  starts at its old middle. InvalidArgumentError outside the list. */
    void InsertStage(const QString& name, std::int32_t i);
    /** Removes stage @p i; the next stage takes over its start, or, when the last stage goes, the
     *  new last stage ends at 1. InvalidArgumentError outside the list, and for the only stage
     *  (the list is left as it was). */
    void RemoveStage(std::int32_t i);
    /** Swaps adjacent stages @p a and @p b = a + 1: slot a takes b's name and length from a's
     *  start, slot b takes a's name and the rest up to its end. Nothing happens when an index is
     *  at or past the count or the stages are not adjacent; InvalidArgumentError for a negative
     *  index. */
    void SwapStages(std::int32_t a, std::int32_t b);
    /** The nine stages of a new session. */
    void SetDefault();

    /** int32 n, then n times (string name, double start, double end); the same in every file
     *  version. Reading refuses a bound that is not a finite number, as a damaged file. */
    void Serialize(plat::Archive& ar);

private:
    void CheckIndex(std::int32_t i) const;

    std::vector<CStage> m_stages;
};
