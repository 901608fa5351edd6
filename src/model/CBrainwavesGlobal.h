#pragma once
/** @brief The session-wide beat frequency and its cycle clock.
 *
 * m_property is the beat in Hz, 0..40, default 4. See model::SessionClockSetting for the
 * clock operations and which thread calls them. */

#include "model/SessionClockSetting.h"

class CBrainwavesGlobal : public model::SessionClockSetting
{
public:
    static constexpr double kMinHz = 0.0;
    static constexpr double kMaxHz = 40.0;
    static constexpr double kDefaultHz = 4.0;

    CBrainwavesGlobal() : SessionClockSetting(kMinHz, kMaxHz, kDefaultHz, 1.0) {}
};
