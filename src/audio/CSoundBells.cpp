#include "audio/CSoundBells.h"

#include "audio/StkSetup.h"
#include "model/CSegmentBells.h"
#include "platform/Random.h"

#include <stk/BandedWG.h>
#include <stk/ModalBar.h>
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
            auto bar = std::make_unique<stk::ModalBar>();
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

bool CSoundBells::GetSample(CStereoFrame& frame)
{
    double left = 0.0;
    double right = 0.0;
    for (CBell& bell : m_bells)
    {
        if (m_position >= bell.m_nextStrike)
        {
            bell.m_instrument->noteOn(bell.m_frequency, 1.0);
            ScheduleStrike(bell);
        }
        const double s = bell.m_instrument->tick();
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
