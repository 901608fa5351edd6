#pragma once
/** @brief A segment's four effect settings: a switch and a level in percent for each of
 *  Enhance, reverb, echo and chorus, in that order.
 *
 * Public data: the effects panel writes it on the UI thread; the switches are read when a
 * segment's sound starts (they choose the effects the processor is built with) and the
 * levels once per frame on the audio worker, so the switches are relaxed atomics. */

#include "model/CSmartProperty.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace plat
{
class Archive;
}

class CEffectsLocal
{
public:
    enum Effect : std::size_t
    {
        kEnhance = 0,
        kReverb = 1,
        kEcho = 2,
        kChorus = 3,
    };
    static constexpr std::size_t kEffectCount = 4;

    /** Every level 0..100, then the defaults. */
    CEffectsLocal();
    CEffectsLocal(const CEffectsLocal& other);
    /** Copies through CopyFrom. */
    CEffectsLocal& operator=(const CEffectsLocal& other);
    virtual ~CEffectsLocal() = default;

    std::array<std::atomic<bool>, kEffectCount> m_switch{}; ///< indexed by Effect
    std::array<CSmartProperty, kEffectCount> m_level;       ///< percent, indexed by Effect

    /** All switches off, all levels the constant 0. UI thread. */
    void SetDefaults();
    /** Copies the four switches and the four levels. UI thread. */
    virtual void CopyFrom(const CEffectsLocal& other);
    /** Four switch bytes, then the four level records. There is no older form: segments
     *  of files before version 400 keep the defaults. UI thread. */
    virtual void Serialize(plat::Archive& ar);
};
