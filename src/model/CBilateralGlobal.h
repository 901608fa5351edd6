#pragma once
/** @brief The session-wide bilateral rate and its cycle clock.
 *
 * m_property is the rate in cycles per minute, 1..1200, default 60; the clock runs at
 * rate / 60 cycles per second, and GetFrequency answers in cycles per second. See
 * model::SessionClockSetting for the clock operations and which thread calls them. */

#include "model/SessionClockSetting.h"

class CBilateralGlobal : public model::SessionClockSetting
{
public:
    static constexpr double kMinPerMinute = 1.0;
    static constexpr double kMaxPerMinute = 1200.0;
    static constexpr double kDefaultPerMinute = 60.0;

    CBilateralGlobal() : SessionClockSetting(kMinPerMinute, kMaxPerMinute, kDefaultPerMinute, 60.0) {}
};
