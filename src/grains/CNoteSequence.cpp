#include "grains/CNoteSequence.h"

#include "grains/CFractalCurve.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cmath>
#include <numbers>

void CNoteSequence::Build(double scanFactor, std::uint32_t sourceStart, std::uint32_t sourceLength,
                          std::uint32_t outputCount, double grainSeconds, std::uint32_t rate,
                          plat::Random15& random)
{
    if (rate == 0 || !(scanFactor > 0.0))
        throw plat::InvalidArgumentError("The note plan needs a sample rate and a scan factor above 0.");
    m_notes.clear();
    m_sourceStart = sourceStart;
    m_sourceLength = sourceLength;
    m_outputCount = outputCount;
    m_scanFactor = scanFactor;
    m_grainSeconds = grainSeconds;
    m_rate = rate;

    // Whole seconds of output (integer division), then a real division by the scan factor.
    m_noteCount = static_cast<int>(std::max(2.0, (outputCount / rate) / scanFactor));
    m_noteLength = static_cast<double>(outputCount / static_cast<std::uint32_t>(m_noteCount));
    const int length = static_cast<int>(m_noteLength);
    CNote note;
    note.firstPart = static_cast<int>(length * 0.25);
    note.secondPart = length - note.firstPart;
    m_notes.assign(static_cast<std::size_t>(m_noteCount), note);

    const float v = static_cast<float>(random.Unit());
    CFractalCurve curve;
    curve.Generate(m_noteCount, v, v, 1.0, random);
    for (int i = 0; i < m_noteCount; ++i)
    {
        const double x = static_cast<double>(i) / (m_noteCount - 1);
        m_notes[static_cast<std::size_t>(i)].sourceStart =
            static_cast<int>(curve.GetValue(x) * static_cast<double>(sourceLength) + sourceStart);
    }

    m_noteBegin = 0;
    m_current = 0;
    m_next = 1;
    m_currentLength = m_notes[0].firstPart + m_notes[0].secondPart;
}

int CNoteSequence::GetSourcePosition(std::uint32_t a, plat::Random15& random) noexcept
{
    if (m_notes.empty())
        return static_cast<int>(m_sourceStart);
    if (a >= m_outputCount)
        return m_notes.back().sourceStart;

    if (static_cast<std::int64_t>(a) > static_cast<std::int64_t>(m_noteBegin) + m_currentLength)
    {
        m_current = m_next;
        if (m_next < m_noteCount - 1)
            ++m_next;
        m_noteBegin += static_cast<std::uint32_t>(m_currentLength);
        const CNote& now = m_notes[static_cast<std::size_t>(m_current)];
        m_currentLength = now.firstPart + now.secondPart;
    }

    const CNote& current = m_notes[static_cast<std::size_t>(m_current)];
    const std::int64_t intoNote = static_cast<std::int64_t>(a) - m_noteBegin;
    if (intoNote < current.firstPart)
        return current.sourceStart;

    // A note of one frame has a crossfade of one frame: it is at its end at once.
    double d = 1.0;
    if (current.secondPart > 1)
        d = std::clamp(static_cast<double>(intoNote - current.firstPart) / (current.secondPart - 1), 0.0,
                       1.0);
    const double w = (std::sin(d * std::numbers::pi + 3.0 * std::numbers::pi / 2.0) + 1.0) * 0.5;
    const double r = random.Unit();
    if ((w + r) * 0.5 < 0.5)
        return current.sourceStart;
    return m_notes[static_cast<std::size_t>(m_next)].sourceStart;
}
