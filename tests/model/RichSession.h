#pragma once
/** @brief A session that uses every part of the file: segments of every kind with settings off
 *  their defaults, edited stages, session-wide settings in graph and automatic modes, a muted
 *  track, a second track of a kind and notes outside Latin-1. Each segment costs the readers
 *  most of their time (its delay line), so there is one of each kind. */

#include "model/CSegmentAmbientMusic.h"
#include "model/CSegmentBells.h"
#include "model/CSegmentBreathwork.h"
#include "model/CSegmentMusicExt.h"
#include "model/CSegmentNatureBG.h"
#include "model/CSegmentNoise.h"
#include "model/CSegmentSuggestions.h"
#include "model/CSegmentTone.h"
#include "model/CVornaDoc.h"
#include "platform/Archive.h"

namespace vtest
{

template <class T> T& AddRichSegment(CVornaDoc& doc, std::int32_t track, double begin, double end)
{
    CSegments::SegmentPtr s = CSegments::CreateSegment(doc.m_tracks.GetTrack(track).m_kind);
    s->m_begin = begin;
    s->m_end = end;
    s->m_name = QStringLiteral("Teil %1").arg(begin);
    s->m_secondText = QStringLiteral("zweiter Text");
    s->m_volume.SetValue(70 + begin * 10);
    s->m_balance.SetValue(40);
    s->m_effects.m_switch[CEffectsLocal::kEcho] = true;
    s->m_effects.m_level[CEffectsLocal::kEcho].SetValue(33);
    s->m_brainwaves.m_enabled = true;
    s->m_brainwaves.m_depth.SetValue(65);
    s->m_bilateral.m_ownRate = true;
    s->m_bilateral.m_rate.SetValue(90);
    doc.m_tracks.GetTrack(track).m_segments.AddSegment(s);
    return dynamic_cast<T&>(*s);
}

inline void FillRichSession(CVornaDoc& doc)
{
    doc.OnNewDocument();
    doc.m_sessionLength = 1200;
    doc.m_notes = QString::fromUtf8("Notizen: \xc3\xbc \xe2\x80\x94 \xe2\x9c\x93");
    doc.m_stages.InsertStage(QStringLiteral("Vertiefung"), 3);
    doc.m_stages.GetStage(0).m_name = QStringLiteral("Beginn");

    auto& voice = AddRichSegment<CSegmentSuggestions>(doc, 0, 0.05, 0.3);
    voice.m_files = {{QStringLiteral("Suggestions\\VORNA Voice\\a.mp3"), 1},
                     {QStringLiteral("/home/x/b.wav"), 0}};
    voice.m_playMode = CSegmentSuggestions::kPlayModeShuffle;
    voice.m_interval.SetValue(12);
    voice.m_scriptText = QStringLiteral("Atme ruhig.");
    AddRichSegment<CSegmentSuggestions>(doc, 0, 0.4, 0.6).m_playMode =
        CSegmentSuggestions::kPlayModePrerecorded;

    auto& ambient = AddRichSegment<CSegmentAmbientMusic>(doc, 1, 0.0, 1.0);
    ambient.m_files = {{QStringLiteral("Ambient Music\\calm.ogg"), 1}};
    ambient.m_randomOrder = false;
    ambient.m_playStyle = 0;
    ambient.m_changeTime.SetValue(4);

    auto& nature = AddRichSegment<CSegmentNatureBG>(doc, 2, 0.1, 0.9);
    nature.m_files = {{QStringLiteral("Nature\\rain.ogg"), 1}, {QStringLiteral("Nature\\wind.ogg"), 1}};
    nature.m_playStyle = 1;

    auto& bells = AddRichSegment<CSegmentBells>(doc, 3, 0.2, 0.25);
    bells.m_instruments = {0, 11, 5};
    bells.m_toneRange = CSegmentBells::kToneRangeAll;
    bells.m_density.SetValue(70);
    bells.m_range.SetValue(20);

    auto& tone = AddRichSegment<CSegmentTone>(doc, 4, 0.3, 0.7);
    CGraph rising;
    rising.SetConstant(0.2);
    rising.AddPoint({0.5, 0.9});
    tone.m_carrier.SetGraph(rising);
    tone.m_overtones.SetValue(5);

    auto& noise = AddRichSegment<CSegmentNoise>(doc, 5, 0.0, 0.5);
    noise.m_color = CSegmentNoise::kColorWhite;
    noise.m_filter.SetValue(25);
    noise.m_frequency.SetMode(CSmartProperty::kModeAutoGraph);

    auto& breath = AddRichSegment<CSegmentBreathwork>(doc, 6, 0.5, 0.8);
    breath.m_pattern = 9;
    breath.m_cycle.SetValue(20);

    auto& external = AddRichSegment<CSegmentMusicExt>(doc, 7, 0.6, 0.95);
    external.m_path = QStringLiteral("/home/x/Musik/Lied.flac");
    external.m_loop = true;

    doc.m_tracks.AddTrack(3); // a second, empty bells track
    doc.m_tracks.MuteTrack(5);

    doc.m_brainwaves.m_property.SetGraph(rising);
    doc.m_bilateral.m_property.SetValue(90);
    doc.m_bilateral.m_property.SetMode(CSmartProperty::kModeAutoGraph);
}

/** The bytes of @p doc's session file. */
inline std::vector<std::uint8_t> SessionBytes(CVornaDoc& doc)
{
    plat::Archive ar = plat::Archive::ForStoring(CVornaDoc::kFileVersion);
    doc.Serialize(ar);
    return ar.GetBytes();
}

/** The bytes of a new session's file. */
inline std::vector<std::uint8_t> NewSessionBytes()
{
    CVornaDoc fresh;
    return SessionBytes(fresh);
}

} // namespace vtest
