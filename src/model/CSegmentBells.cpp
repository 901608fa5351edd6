#include "model/CSegmentBells.h"

#include "platform/Archive.h"

#include <array>

namespace
{

constexpr std::array<const char*, CSegmentBells::kInstrumentCount> kInstrumentNames = {
    "Tibetan Bowl", "Uniform Bar", "Tuned Bar", "Glass Harmonica", "Marimba",   "Vibraphone",
    "Agogo",        "Wood 1",      "Wood 2",    "Beats",           "Two Fixed", "Clump"};

constexpr double kDefaultPercent = 50.0;
constexpr double kDefaultReverb = 50.0;
// Versions that added fields to the record: the density first, then the tone range and range.
constexpr std::int32_t kDensityVersion = 406;
constexpr std::int32_t kToneRangeVersion = 410;

} // namespace

CSegmentBells::CSegmentBells()
{
    m_range.Init(CSmartProperty::kModeConstant, 1.0, 100.0);
    m_density.Init(CSmartProperty::kModeConstant, 1.0, 100.0);
}

QString CSegmentBells::GetInstrumentName(std::int32_t index)
{
    if (!IsKnownInstrument(index))
        return {};
    return QString::fromLatin1(kInstrumentNames[static_cast<std::size_t>(index)]);
}

std::int32_t CSegmentBells::GetInstrument(std::int32_t i) const
{
    if (i < 0 || static_cast<std::size_t>(i) >= m_instruments.size())
        throw plat::InvalidArgumentError("Instrument index out of range.");
    const std::int32_t code = m_instruments[static_cast<std::size_t>(i)];
    return IsKnownInstrument(code) ? code : 0;
}

void CSegmentBells::SetDefaults()
{
    CSegment::SetDefaults();
    m_name = GetName();
    m_instruments.clear();
    m_toneRange = kToneRangeMedium;
    m_range.SetValue(kDefaultPercent);
    m_density.SetValue(kDefaultPercent);
    m_effects.m_switch[CEffectsLocal::kReverb] = true;
    m_effects.m_level[CEffectsLocal::kReverb].SetValue(kDefaultReverb);
}

void CSegmentBells::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentBells>(other);
    CSegment::CopyFrom(other);
    m_instruments.insert(m_instruments.end(), source.m_instruments.begin(), source.m_instruments.end());
    m_toneRange = source.m_toneRange;
    m_range = source.m_range;
    m_density = source.m_density;
}

void CSegmentBells::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsStoring())
    {
        ar.WriteInt32(static_cast<std::int32_t>(m_instruments.size()));
        for (const std::int32_t code : m_instruments)
            ar.WriteInt32(code);
        ar.WriteInt32(m_toneRange);
        // Density before range: the order in which the fields were added to the record.
        m_density.Serialize(ar);
        m_range.Serialize(ar);
        return;
    }
    if (IsOldFile(ar))
    {
        LoadOldKind(ar);
        return;
    }
    const std::int32_t n = ar.ReadCount(4);
    std::vector<std::int32_t> instruments(static_cast<std::size_t>(n));
    for (std::int32_t& code : instruments)
        code = ar.ReadInt32();
    m_instruments = std::move(instruments);
    const std::int32_t version = ar.GetFileVersion();
    if (version >= kToneRangeVersion)
        m_toneRange = ar.ReadInt32();
    if (version >= kDensityVersion)
        m_density.Serialize(ar);
    if (version >= kToneRangeVersion)
        m_range.Serialize(ar);
}

void CSegmentBells::LoadOldKind(plat::Archive& ar)
{
    ar.ReadInt32();
    m_instruments.assign(1, ar.ReadInt32());
    ar.ReadByte();
    ar.ReadByte();
    ar.ReadByte();
    ar.ReadInt32();
    ar.ReadInt32();
}
