#include "model/CStages.h"

#include "platform/Archive.h"
#include "platform/Errors.h"

#include <cmath>
#include <utility>

namespace
{

struct DefaultStage
{
    const char* name;
    double start;
    double end;
};

constexpr DefaultStage kDefaultStages[] = {
    {"Start", 0.0, 0.07},           {"Relaxation", 0.07, 0.25}, {"Steady", 0.25, 0.33},
    {"Light Hypnosis", 0.33, 0.52}, {"Deeper", 0.52, 0.6},      {"Deep Hypnosis", 0.6, 0.83},
    {"Anchor", 0.83, 0.9},          {"Out", 0.9, 0.95},         {"End", 0.95, 1.0},
};

// Smallest stage record: a one-byte empty 8-bit string and two doubles.
constexpr std::size_t kMinStageRecordBytes = 1 + 8 + 8;

double ReadBound(plat::Archive& ar)
{
    const double v = ar.ReadDouble();
    // The panes turn bounds into pixels; a NaN or an infinity there is undefined behaviour.
    if (!std::isfinite(v))
        plat::Archive::ThrowBadFormat("The file is damaged: a stage bound is not a number.");
    return v;
}

} // namespace

void CStages::CheckIndex(std::int32_t i) const
{
    if (i < 0 || i >= GetCount())
        throw plat::InvalidArgumentError("Stage index out of range.");
}

CStage& CStages::GetStage(std::int32_t i)
{
    CheckIndex(i);
    return m_stages[static_cast<std::size_t>(i)];
}

const CStage& CStages::GetStage(std::int32_t i) const
{
    CheckIndex(i);
    return m_stages[static_cast<std::size_t>(i)];
}

std::int32_t CStages::FindStage(double t) const noexcept
{
    if (!(t >= 0.0 && t <= 1.0))
        return -1;
    for (std::size_t i = 0; i < m_stages.size(); ++i)
    {
        if (m_stages[i].m_start <= t && t < m_stages[i].m_end)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

void CStages::InsertStage(const QString& name, std::int32_t i)
{
    CheckIndex(i);
    CStage& old = m_stages[static_cast<std::size_t>(i)];
    const double middle = (old.m_start + old.m_end) / 2.0;
    CStage added{name, old.m_start, middle};
    old.m_start = middle;
    m_stages.insert(m_stages.begin() + i, std::move(added));
}

void CStages::RemoveStage(std::int32_t i)
{
    CheckIndex(i);
    // Refused before anything changes: a session always keeps at least one stage.
    if (m_stages.size() == 1)
        throw plat::InvalidArgumentError("The only stage cannot be removed.");
    const auto index = static_cast<std::size_t>(i);
    const double start = m_stages[index].m_start;
    m_stages.erase(m_stages.begin() + i);
    if (index < m_stages.size())
        m_stages[index].m_start = start;
    else
        m_stages.back().m_end = 1.0;
}

void CStages::SwapStages(std::int32_t a, std::int32_t b)
{
    if (a < 0 || b < 0)
        throw plat::InvalidArgumentError("Stage index out of range.");
    if (a >= GetCount() || b >= GetCount())
        return;
    // Only neighbours can trade places without leaving a gap or an overlap in the timeline.
    if (b != a + 1)
        return;
    CStage& first = m_stages[static_cast<std::size_t>(a)];
    CStage& second = m_stages[static_cast<std::size_t>(b)];
    const double secondLength = second.m_end - second.m_start;
    std::swap(first.m_name, second.m_name);
    first.m_end = first.m_start + secondLength;
    second.m_start = first.m_end;
}

void CStages::SetDefault()
{
    m_stages.clear();
    for (const DefaultStage& s : kDefaultStages)
        m_stages.push_back(CStage{QString::fromLatin1(s.name), s.start, s.end});
}

void CStages::Serialize(plat::Archive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteInt32(GetCount());
        for (const CStage& s : m_stages)
        {
            ar.WriteString(s.m_name);
            ar.WriteDouble(s.m_start);
            ar.WriteDouble(s.m_end);
        }
        return;
    }
    const std::int32_t n = ar.ReadCount(kMinStageRecordBytes);
    std::vector<CStage> read;
    read.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
    {
        CStage s;
        s.m_name = ar.ReadString();
        s.m_start = ReadBound(ar);
        s.m_end = ReadBound(ar);
        read.push_back(std::move(s));
    }
    m_stages = std::move(read);
}
