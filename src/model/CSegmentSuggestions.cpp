#include "model/CSegmentSuggestions.h"

#include "platform/Archive.h"

#include <cmath>

namespace
{

constexpr double kDefaultInterval = 8.0;
// Old sessions name the voice folder that the library now calls "VORNA Voice".
const QString kOldVoiceFolder = QStringLiteral("Suggestions\\English male voice");
const QString kVoiceFolder = QStringLiteral("Suggestions\\VORNA Voice");

} // namespace

CSegmentSuggestions::CSegmentSuggestions()
{
    m_interval.Init(CSmartProperty::kModeConstant, 0.0, 30.0);
}

void CSegmentSuggestions::SetDefaults()
{
    CSegment::SetDefaults();
    m_name = GetName();
    m_files.clear();
    m_playMode = kPlayModeSequential;
    m_interval.SetValue(kDefaultInterval);
    m_scriptText.clear();
}

void CSegmentSuggestions::CopyFrom(const CSegment& other)
{
    if (&other == this)
        return;
    const auto& source = CopySource<CSegmentSuggestions>(other);
    CSegment::CopyFrom(other);
    m_files.insert(m_files.end(), source.m_files.begin(), source.m_files.end());
    m_playMode = source.m_playMode;
    m_interval = source.m_interval;
    m_scriptText = source.m_scriptText;
}

void CSegmentSuggestions::UpdateDuration(const DurationFunction& duration)
{
    m_contentDuration = 0.0;
    if (GetPlayMode() != kPlayModeSequential || m_files.empty())
        return;
    double sum = 0.0;
    for (const CFileListEntry& file : m_files)
        sum += MeasureFile(duration, file.GetResolvedPath());
    if (sum == 0.0)
        return;
    // The gaps count in whole seconds, and with the constant even when the gap follows a graph.
    const double gaps = std::trunc(m_interval.GetValue() * static_cast<double>(m_files.size() - 1));
    m_contentDuration = sum + gaps + 0.001;
}

void CSegmentSuggestions::Serialize(plat::Archive& ar)
{
    CSegment::Serialize(ar);
    if (ar.IsStoring())
    {
        CFileListEntry::SerializeList(ar, m_files);
        ar.WriteInt32(m_playMode);
        m_interval.Serialize(ar);
        ar.WriteString(m_scriptText);
        return;
    }
    if (IsOldFile(ar))
        LoadOldKind(ar);
    else
    {
        CFileListEntry::SerializeList(ar, m_files);
        m_playMode = ar.ReadInt32();
        m_interval.Serialize(ar);
        m_scriptText = ar.ReadString();
    }
    UpdateDuration(GetDurationFunction());
}

void CSegmentSuggestions::LoadOldKind(plat::Archive& ar)
{
    CFileListEntry::SerializeList(ar, m_files);
    for (CFileListEntry& file : m_files)
    {
        if (file.IsLibraryRelative() && file.m_path.startsWith(kOldVoiceFolder))
            file.m_path.replace(0, kOldVoiceFolder.size(), kVoiceFolder);
    }
    m_playMode = ar.ReadFlag() ? kPlayModeShuffle : kPlayModeSequential;
    m_interval.SetValue(m_interval.ValueFromFile(ar.ReadDouble()));
    m_scriptText.clear();
}
