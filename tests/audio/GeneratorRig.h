#pragma once
/** @brief A track as the mixer sets it up around one generator, and tone measurements, for
 *  the tests of the synthetic sounds. */

#include "audio/CEffectsProcessor.h"
#include "audio/CSound.h"
#include "model/CBilateralGlobal.h"
#include "model/CBrainwavesGlobal.h"

#include <QString>

#include <cstddef>
#include <vector>

class CSegment;

namespace vtest
{

/** The effects processor and the two session clocks of one track, and the playback fields
 *  the mixer gives a sound whose segment fills a whole session of @p seconds. */
class GeneratorRig
{
public:
    GeneratorRig(unsigned rate, unsigned seconds);

    /** The fields PrepareSound sets for a segment from 0 to 1 played from its start. */
    void Prepare(CSound& sound, CSegment& segment);

    unsigned m_rate;
    unsigned m_seconds;
    CEffectsProcessor m_effects;
    CBrainwavesGlobal m_brainwaves;
    CBilateralGlobal m_bilateral;
};

/** @p frames frames of GetSample, stepping the position and absolute frame after each as the
 *  mixer does; a failing GetSample fails the test and ends the render. */
std::vector<CStereoFrame> Render(CSound& sound, std::size_t frames);

/** One channel of @p frames as doubles, from frame @p from on. */
std::vector<double> Channel(const std::vector<CStereoFrame>& frames, bool right, std::size_t from = 0);

/** Amplitude of the component at @p hz in @p x (Hann window, so a sine of amplitude a reads
 *  about a when it sits on @p hz). */
double AmplitudeAt(const std::vector<double>& x, unsigned rate, double hz);

/** The frequency of the strongest component between @p lo and @p hi Hz, to 0.01 Hz. */
double PeakHz(const std::vector<double>& x, unsigned rate, double lo, double hi);

/** Makes "<home>/<name>/Internals" and names it the installation folder (InstallPath). */
QString MakeInstallFolder(const QString& name);

} // namespace vtest
