#include "audio/CSoundBells.h"

#include "audio/StkSetup.h"
#include "model/CSegmentBells.h"
#include "platform/Random.h"

#include <stk/BandedWG.h>
#include <stk/ModalBar.h>
#include <stk/SineWave.h>
#include <stk/Stk.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace
{

// STK presets by bell type: the four banded-waveguide types, then the eight modal bars.
constexpr std::array<int, CBell::kFirstModalBarType> kWaveguidePresets = {3, 0, 1, 2};
constexpr std::array<int, CBell::kTypeCount - CBell::kFirstModalBarType> kModalBarPresets = {0, 1, 2, 3,
                                                                                             5, 6, 7, 8};
// At density 0 a bell waits up to this many more seconds for every instrument of the list.
constexpr double kSparseSecondsPerInstrument = 15.0;

// A modal bar that can rest. A strike keeps what is left in its resonators, which a rest
// clears (that residue is under the rest level); but the vibraphone's vibrato runs on
// whatever sounds, and a rest must move it on by the frames it was not ticked, or the bell
// wakes at another phase of its tremolo.
class RestingModalBar final : public stk::ModalBar
{
public:
    // STK's own default rate for the modal vibrato, set here so that the rest knows it.
    static constexpr double kVibratoHz = 6.0;

    RestingModalBar()
    {
        vibrato_.setFrequency(kVibratoHz);
        m_vibratoStep = double(::TABLE_SIZE) * kVibratoHz / stk::Stk::sampleRate();
    }

    // Not virtual, so the modal filters are inlined into the bells' loop.
    stk::StkFloat Tick() { return stk::Modal::tick(); }

    void SkipFrames(std::uint32_t frames)
    {
        if (vibratoGain_ != 0.0)
            vibrato_.addTime(std::fmod(double(frames) * m_vibratoStep, double(::TABLE_SIZE)));
    }

private:
    double m_vibratoStep = 0.0; // table samples per frame
};

RestingModalBar& AsModalBar(CBell& bell) noexcept
{
    return static_cast<RestingModalBar&>(*bell.m_instrument);
}

bool IsModalBar(const CBell& bell) noexcept
{
    return bell.m_type >= CBell::kFirstModalBarType;
}

const QString& BellInitError()
{
    static const QString text = QStringLiteral("Failed to initialize a bell sound.");
    return text;
}

// A percentage held to 0..100 (NaN as 0), so a damaged value cannot make a negative wait or a
// step past the note table.
double Percent(double v) noexcept
{
    return v > 0.0 ? std::min(v, 100.0) : 0.0;
}

} // namespace

std::unique_ptr<stk::Instrmnt> CSoundBells::CreateInstrument(int type)
{
    try
    {
        if (type >= 0 && type < CBell::kFirstModalBarType)
        {
            auto bell = std::make_unique<stk::BandedWG>();
            bell->setPreset(kWaveguidePresets[static_cast<std::size_t>(type)]);
            return bell;
        }
        if (type >= CBell::kFirstModalBarType && type < CBell::kTypeCount)
        {
            // Reads marmstk1.raw from STK's raw-wave folder; throws StkError without it.
            auto bar = std::make_unique<RestingModalBar>();
            bar->setPreset(kModalBarPresets[static_cast<std::size_t>(type - CBell::kFirstModalBarType)]);
            return bar;
        }
    }
    catch (const stk::StkError&)
    {
    }
    catch (const std::bad_alloc&)
    {
    }
    return nullptr;
}

double CSoundBells::DrawUnit() noexcept
{
    return RandomUnit();
}

double CSoundBells::SegmentFraction() const noexcept
{
    if (m_segmentLength == 0)
        return 0.0;
    return std::min(1.0, double(m_position) / double(m_segmentLength));
}

bool CSoundBells::Init()
{
    m_bells.clear();
    m_bellsSegment = dynamic_cast<CSegmentBells*>(m_segment);
    if (m_bellsSegment == nullptr)
    {
        m_errorText = BellInitError();
        return false;
    }
    if (!CSound::Init())
        return false;
    CSegmentBells& s = *m_bellsSegment;
    // Both may follow an automatic graph; "Range" was left unstarted once and then walked
    // at a fixed 44.1 kHz pace whatever the rate.
    s.m_density.StartAutoGraph(m_rate);
    s.m_range.StartAutoGraph(m_rate);
    m_restFrames = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(kRestSeconds * double(m_rate)));

    try
    {
        // Before any instrument is made: STK tunes its delay lines and filters by its own
        // sample rate, not by ours.
        audio::PrepareStk(m_rate);
        m_bells.reserve(s.m_instruments.size());
        for (std::size_t i = 0; i < s.m_instruments.size(); ++i)
        {
            CBell bell;
            bell.m_type = s.GetInstrument(static_cast<std::int32_t>(i));
            bell.m_instrument = CreateInstrument(bell.m_type);
            if (!bell.m_instrument)
            {
                m_bells.clear();
                m_errorText = BellInitError();
                return false;
            }
            bell.m_note = -1;
            ScheduleStrike(bell);
            m_bells.push_back(std::move(bell));
        }
    }
    catch (const std::bad_alloc&)
    {
        m_bells.clear();
        m_errorText = BellInitError();
        return false;
    }
    return true;
}

bool CSoundBells::Terminate()
{
    m_bells.clear();
    return CSound::Terminate();
}

void CSoundBells::StrikeIfDue(CBell& bell) noexcept
{
    if (m_position < bell.m_nextStrike)
        return;
    if (bell.m_resting && IsModalBar(bell))
        AsModalBar(bell).SkipFrames(m_position - bell.m_restStart);
    bell.m_resting = false;
    bell.m_quietFrames = 0;
    bell.m_instrument->noteOn(bell.m_frequency, 1.0);
    ScheduleStrike(bell);
}

double CSoundBells::TickBell(CBell& bell) noexcept
{
    const double s = IsModalBar(bell) ? AsModalBar(bell).Tick() : bell.m_instrument->tick();
    // A NaN never counts as quiet.
    if (std::abs(s) * bell.m_gain < m_restLevel)
    {
        if (++bell.m_quietFrames >= m_restFrames)
        {
            // What is left rings on under the rest level; cleared, a woken bell sounds as
            // a fresh one (whose leftovers would have decayed further meanwhile).
            bell.m_instrument->clear();
            bell.m_resting = true;
            bell.m_restStart = m_position + 1;
        }
    }
    else
    {
        bell.m_quietFrames = 0;
    }
    return s;
}

bool CSoundBells::GetSample(CStereoFrame& frame)
{
    double left = 0.0;
    double right = 0.0;
    for (CBell& bell : m_bells)
    {
        StrikeIfDue(bell);
        if (bell.m_resting)
            continue;
        const double s = TickBell(bell);
        double l = s;
        double r = s;
        ApplyPanGain(bell, l, r);
        left += l;
        right += r;
    }
    frame.left = static_cast<float>(left);
    frame.right = static_cast<float>(right);
    return true;
}

bool CSoundBells::GetSamples(CStereoFrame* out, std::uint32_t n)
{
    double left[kChunkFrames];
    double right[kChunkFrames];
    n = std::min(n, kChunkFrames);
    std::fill_n(left, n, 0.0);
    std::fill_n(right, n, 0.0);
    const std::uint32_t start = m_position;
    for (std::uint32_t i = 0; i < n;)
    {
        // The strikes of this frame in the order of the list (they draw from one random
        // stream), then every bell over the frames up to the next strike of any. The sums
        // take the bells in the same order as GetSample, so they are the same.
        m_position = start + i;
        std::uint32_t next = n;
        for (CBell& bell : m_bells)
        {
            StrikeIfDue(bell);
            // A strike still due (a wait past the position's range) is met again next frame.
            const std::uint64_t due = bell.m_nextStrike > m_position ? bell.m_nextStrike - start : i + 1;
            next = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, due));
        }
        for (CBell& bell : m_bells)
        {
            // The pan and gain in the order ApplyPanGain multiplies them (by 1 is exact).
            const double panLeft = bell.m_pan >= 0.5 ? 2.0 * (1.0 - bell.m_pan) : 1.0;
            const double panRight = bell.m_pan <= 0.5 ? 2.0 * bell.m_pan : 1.0;
            for (std::uint32_t k = i; k < next && !bell.m_resting; ++k)
            {
                m_position = start + k;
                const double s = TickBell(bell);
                left[k] += s * panLeft * bell.m_gain;
                right[k] += s * panRight * bell.m_gain;
            }
        }
        i = next;
    }
    m_position = start;
    for (std::uint32_t k = 0; k < n; ++k)
    {
        out[k].left = static_cast<float>(left[k]);
        out[k].right = static_cast<float>(right[k]);
    }
    return true;
}

void CSoundBells::ScheduleStrike(CBell& bell) noexcept
{
    CSegmentBells& s = *m_bellsSegment;
    const double t = SegmentFraction();
    const double instruments = double(s.m_instruments.size());
    const double density = Percent(s.m_density.GetValueAt(t));
    // The first draw scales the sparse part, the second is the extra up to one second.
    const double spread = DrawUnit();
    const double extra = DrawUnit();
    const double w =
        extra + 1.0 + spread * (instruments * kSparseSecondsPerInstrument) * (1.0 - density / 100.0);
    // The first strike comes sooner, so a segment does not open with a long silence.
    const double wait = bell.m_note < 0 ? w / 3.0 : w;
    bell.m_nextStrike = m_position + static_cast<std::uint32_t>(wait * double(m_rate));

    bell.m_frequency = NextNote(bell.m_note, s.GetToneRange(), Percent(s.m_range.GetValueAt(t)) / 100.0);
    bell.m_pan = DrawUnit();
    bell.m_gain = CBell::GainOfType(bell.m_type);
}

double CSoundBells::NextNote(int& index, int scale, double width) noexcept
{
    const NoteRange range = kScales[static_cast<std::size_t>(scale)];
    const int b = range.hi - range.lo + 1;
    if (index < 0)
        index = range.lo + static_cast<int>(DrawUnit() * b);
    index = std::min(index, kNoteCount - 1);

    const double d = DrawUnit();
    const double e = DrawUnit();
    const int direction = e > 0.5 ? 1 : -1;
    const int step = 1 + static_cast<int>(d * width * b * 0.5);
    int k = index + direction * step;
    if (k <= range.lo)
        k = range.lo;
    index = k < range.hi ? k : range.hi;
    return kNotes[static_cast<std::size_t>(index)];
}

void CSoundBells::ApplyPanGain(const CBell& bell, double& left, double& right) noexcept
{
    // The centre keeps both channels whole; towards a side the other channel fades out.
    if (bell.m_pan >= 0.5)
        left *= 2.0 * (1.0 - bell.m_pan);
    if (bell.m_pan <= 0.5)
        right *= 2.0 * bell.m_pan;
    left *= bell.m_gain;
    right *= bell.m_gain;
}
