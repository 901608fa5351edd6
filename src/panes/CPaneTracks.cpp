#include "panes/CPaneTracks.h"

#include "controls/Dc.h"
#include "controls/Resources.h"
#include "model/CColorHSL.h"
#include "model/CSegmentSuggestions.h"
#include "model/CVornaDoc.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

const QColor kRowActive(70, 70, 70);
const QColor kRowActiveSelected(80, 80, 80);
const QColor kRowMuted(90, 60, 60);
const QColor kRowMutedSelected(110, 80, 80);
const QColor kLines(120, 120, 120);
const QColor kPlayLine(220, 220, 220);
const QColor kLabel(200, 200, 200);
const QColor kLabelSelected(255, 255, 255);

constexpr int kLabelFontHeight = 16;

QColor ToQColor(const CColorRGB& c)
{
    return QColor(c.m_red, c.m_green, c.m_blue);
}

/** The fraction of the session a segment's content lasts; 0 without a content length (or a
 *  session without length, where no content can be placed). */
double ContentSpan(const CSegment& s, double sessionSeconds)
{
    return s.m_contentDuration > 0.0 && sessionSeconds > 0.0 ? s.m_contentDuration / sessionSeconds : 0.0;
}

} // namespace

CPaneTracks::CPaneTracks(QWidget* parent) : CAppPane(parent)
{
    SetOpaquePaint(true);
}

int CPaneTracks::OnCreate()
{
    if (CAppPane::OnCreate() == -1)
        return -1;
    m_texture = ui::LoadBitmap(kTextureId);
    if (m_texture.isNull())
        return -1;
    m_labelFont = ui::MakeFont(kLabelFontHeight);
    m_selectedTrack = m_selectedSegment = -1;
    m_hoveredRow = m_hoveredSegment = -1;
    m_trackingLeave = m_dragging = m_creating = false;
    // A missing cursor falls back to the arrow: the pane still works, only less telling.
    const int ids[5] = {0, kCursorSelectId, kCursorMoveId, kCursorResizeStartId, kCursorResizeEndId};
    m_cursors[kCursorArrow] = QCursor(Qt::ArrowCursor);
    for (int k = 1; k < 5; ++k)
        m_cursors[k] = ui::LoadCursor(ids[k]).value_or(QCursor(Qt::ArrowCursor));
    m_cursorKind = kCursorArrow;
    UpdateCursor();
    return 0;
}

// ---------------------------------------------------------------- selection

CSegment* CPaneTracks::SegmentAt(int track, int segment) const
{
    if (m_pDoc == nullptr || track < 0 || track >= m_pDoc->m_tracks.GetCount())
        return nullptr;
    const CSegments& segments = m_pDoc->m_tracks.GetTrack(track).m_segments;
    if (segment < 0 || segment >= segments.GetCount())
        return nullptr;
    return segments.GetSegment(segment).get();
}

CSegment* CPaneTracks::GetSelectedSegment() const
{
    return SegmentAt(m_selectedTrack, m_selectedSegment);
}

CSegments* CPaneTracks::GetSelectedSegments() const
{
    if (m_pDoc == nullptr || m_selectedTrack < 0 || m_selectedTrack >= m_pDoc->m_tracks.GetCount())
        return nullptr;
    return &m_pDoc->m_tracks.GetTrack(m_selectedTrack).m_segments;
}

void CPaneTracks::GetSelectedRange(double& begin, double& end) const
{
    begin = 0.0;
    end = 1.0;
    if (const CSegment* s = GetSelectedSegment())
    {
        begin = s->m_begin;
        end = s->m_end;
    }
}

void CPaneTracks::SetPlayPosition(double fraction)
{
    m_playPosition = fraction;
    UpdateMarker();
}

int CPaneTracks::MarkerColumn() const
{
    if (m_pDoc == nullptr || m_pDoc->m_tracks.GetCount() == 0)
        return -1;
    double at = -1.0;
    if (m_pDoc->m_isPlaying)
        at = m_playPosition;
    else if (m_pDoc->m_hoverPosition != -1.0)
        at = m_pDoc->m_hoverPosition;
    return at >= 0.0 ? static_cast<int>(at * GetClientRect().width()) : -1;
}

void CPaneTracks::UpdateMarker()
{
    // Only the line's old and new columns: while playing this runs on every tick of the view's
    // timer, and a hover move over the timeline moves nothing else here.
    const int x = MarkerColumn();
    if (x == m_markerColumn)
        return;
    for (const int column : {m_markerColumn, x})
        if (column >= 0)
            update(QRect(column - 1, 0, 3, height()));
    m_markerColumn = x;
}

void CPaneTracks::OnSize(int, int)
{
    // A resized pane is repainted whole, with the line at the new width's column.
    Invalidate();
}

void CPaneTracks::Invalidate()
{
    m_markerColumn = MarkerColumn();
    CAppPane::Invalidate();
}

void CPaneTracks::ClearSelection()
{
    SetSelection(-1, -1);
}

void CPaneTracks::SetSelection(int track, int segment)
{
    m_selectedTrack = track;
    m_selectedSegment = segment;
    Invalidate();
}

void CPaneTracks::NotifySelection()
{
    if (m_view != nullptr)
        m_view->SelectSegment(GetSelectedSegment());
}

bool CPaneTracks::IsPlaying() const
{
    return m_pDoc != nullptr && m_pDoc->m_isPlaying;
}

// ---------------------------------------------------------------- geometry

int CPaneTracks::GetBarHeight(int h)
{
    if (h >= 50)
        return static_cast<int>(0.4 * h);
    return static_cast<int>((0.4 + 0.27 * (50 - h) / 50) * h);
}

CPaneTracks::Box CPaneTracks::GetSegmentRect(double begin, double end, int rowTop, int rowBottom, int width)
{
    const int x0 = static_cast<int>(begin * width);
    const int x1 = static_cast<int>(end * width);
    const int bar = GetBarHeight(rowBottom - rowTop + 1);
    const int gap = (rowBottom - rowTop - bar) / 2;
    return Box{std::min(x0, x1), rowTop + gap + 2, std::max(x0, x1), rowBottom - gap + 1};
}

CPaneTracks::Box CPaneTracks::GetSegmentRect(int track, int segment) const
{
    const CSegment* s = SegmentAt(track, segment);
    if (s == nullptr)
        return {};
    int top = 0, bottom = 0;
    GetTrackRowRect(track, top, bottom);
    return GetSegmentRect(s->m_begin, s->m_end, top, bottom, GetClientRect().width());
}

CPaneTracks::Box CPaneTracks::Widened(Box box)
{
    box.right = std::max(box.right, box.left + kMinBarPixels);
    return box;
}

int CPaneTracks::GetEdgeZone(int width)
{
    return width > 17 ? 6 : width / 3;
}

QString CPaneTracks::GetTrackLabel(const CTracks& tracks, int i)
{
    CTracks::TrackInfo info;
    tracks.GetTrackInfo(i, info);
    const CTrack& track = tracks.GetTrack(i);
    QString label = info.name;
    if (track.m_kind == CSegment::kKindVoice && track.m_segments.GetCount() == 1)
    {
        const auto* voice = dynamic_cast<const CSegmentSuggestions*>(track.m_segments.GetSegment(0).get());
        if (voice != nullptr && voice->GetPlayMode() == CSegmentSuggestions::kPlayModeLivePlaceholder)
            label += QStringLiteral(" (Live Recording)");
    }
    if (!track.m_active)
        label += QStringLiteral(" [Muted]");
    return label;
}

// ---------------------------------------------------------------- hit tests and cursor

int CPaneTracks::HitTestRow() const
{
    if (m_pDoc == nullptr)
        return -1;
    const int y = GetCursorClientPos().y();
    for (int i = 0; i < m_pDoc->m_tracks.GetCount(); ++i)
    {
        int top = 0, bottom = 0;
        GetTrackRowRect(i, top, bottom);
        if (top <= y && y <= bottom)
            return i;
    }
    return -1;
}

int CPaneTracks::HitTestSegment() const
{
    if (m_pDoc == nullptr || m_hoveredRow < 0 || m_hoveredRow >= m_pDoc->m_tracks.GetCount())
        return -1;
    const CSegments& segments = m_pDoc->m_tracks.GetTrack(m_hoveredRow).m_segments;
    const int index = segments.FindSegment(GetCursorFraction());
    if (index < 0)
        return -1;
    return GetSegmentRect(m_hoveredRow, index).Contains(GetCursorClientPos()) ? index : -1;
}

void CPaneTracks::RunHitTests()
{
    m_hoveredRow = HitTestRow();
    m_hoveredSegment = HitTestSegment();
}

const QCursor& CPaneTracks::CursorOf(CursorKind kind) const
{
    return m_cursors[kind];
}

void CPaneTracks::UpdateCursor()
{
    CursorKind kind = kCursorArrow;
    const QPoint p = GetCursorClientPos();
    const int width = GetClientRect().width();
    if (m_pDoc == nullptr || IsPlaying())
    {
        if (m_hoveredSegment >= 0)
            kind = kCursorSelect;
    }
    else if (m_creating)
    {
        kind = kCursorMove;
        // A new segment grows toward the side the mouse goes.
        const int d = p.x() - m_pressPoint.x();
        m_dragMode = width <= 0 || d == 0 ? kDragMove : d > 0 ? kDragResizeEnd : kDragResizeStart;
    }
    else if (m_dragging)
    {
        kind = kCursorMove;
    }
    else if (const CSegment* s = SegmentAt(m_hoveredRow, m_hoveredSegment))
    {
        const Box box = Widened(GetSegmentRect(m_hoveredRow, m_hoveredSegment));
        const int e = GetEdgeZone(box.right - box.left);
        const bool selected = m_hoveredRow == m_selectedTrack && m_hoveredSegment == m_selectedSegment;
        const CursorKind body = selected ? kCursorMove : kCursorSelect;
        if (box.Contains(p))
        {
            if (s->m_contentDuration > 0.0)
            {
                // Content of a fixed length sets the segment's length: it can only be moved.
                m_dragMode = kDragMove;
                kind = body;
            }
            else if (p.x() >= box.right - e - 1)
            {
                m_dragMode = kDragResizeEnd;
                kind = kCursorResizeEnd;
            }
            else if (p.x() > box.left + e)
            {
                m_dragMode = kDragMove;
                kind = body;
            }
            else
            {
                m_dragMode = kDragResizeStart;
                kind = kCursorResizeStart;
            }
        }
    }
    m_cursorKind = kind;
    setCursor(CursorOf(kind));
}

bool CPaneTracks::OnSetCursor()
{
    setCursor(CursorOf(m_cursorKind));
    return true;
}

// ---------------------------------------------------------------- editing

bool CPaneTracks::CreateSegmentAt(double t)
{
    if (m_pDoc == nullptr || m_hoveredRow < 0 || m_hoveredRow >= m_pDoc->m_tracks.GetCount())
        return false;
    CTrack& track = m_pDoc->m_tracks.GetTrack(m_hoveredRow);
    CSegments& segments = track.m_segments;

    // The free gap around t: segments never overlap, and the drags and the engine rely on it.
    double gapBegin = 0.0, gapEnd = 1.0;
    for (const auto& s : segments.GetSegments())
    {
        if (s->m_end <= t)
            gapBegin = std::max(gapBegin, double(s->m_end));
        else if (s->m_begin >= t)
            gapEnd = std::min(gapEnd, double(s->m_begin));
        else
            return false; // t lies inside a segment: there is no gap
    }
    if (gapEnd <= gapBegin)
        return false;

    // Centred on the click, pushed inside the gap (the session's ends are a gap's edges too);
    // a gap narrower than a new segment is filled.
    double begin = t - kMinSegmentSpan / 2;
    double end = t + kMinSegmentSpan / 2;
    if (gapEnd - gapBegin <= kMinSegmentSpan)
    {
        begin = gapBegin;
        end = gapEnd;
    }
    else if (begin < gapBegin)
    {
        begin = gapBegin;
        end = gapBegin + kMinSegmentSpan;
    }
    else if (end > gapEnd)
    {
        end = gapEnd;
        begin = gapEnd - kMinSegmentSpan;
    }

    CSegments::SegmentPtr segment = CSegments::CreateSegment(track.m_kind);
    if (!segment)
        return false;
    segment->m_begin = begin;
    segment->m_end = end;
    segments.AddSegment(segment);
    const auto& list = segments.GetSegments();
    const auto at = std::find(list.begin(), list.end(), segment);
    m_selectedTrack = m_hoveredRow;
    m_selectedSegment = static_cast<int>(at - list.begin());
    return true;
}

bool CPaneTracks::TrackSegment()
{
    CSegments* segments = GetSelectedSegments();
    CSegment* s = GetSelectedSegment();
    const int width = GetClientRect().width();
    if (segments == nullptr || s == nullptr || width <= 0)
        return false;
    const int i = m_selectedSegment;
    const double l = double(GetCursorClientPos().x() - m_pressPoint.x()) / width;
    const double len = m_pDoc->m_sessionLength;

    double prevEnd = 0.0;
    if (i >= 1)
    {
        const CSegment& p = *segments->GetSegment(i - 1);
        // A previous segment whose content reaches past this one's begin holds it where it is.
        if (p.m_begin + ContentSpan(p, len) > s->m_begin)
            return false;
        prevEnd = p.m_end;
    }
    const double nextBegin =
        i + 1 < segments->GetCount() ? double(segments->GetSegment(i + 1)->m_begin) : 1.0;
    const double content = ContentSpan(*s, len);
    const double length = content > 0.0 ? content : s->m_end - s->m_begin;

    const double oldBegin = s->m_begin, oldEnd = s->m_end;
    double begin = oldBegin, end = oldEnd;
    switch (m_dragMode)
    {
    case kDragResizeStart:
        // The neighbour wins over the least width: a segment already narrower than that (one that
        // fills a narrow gap) must still not reach into its neighbour.
        begin = std::max(std::min(m_pressBegin + l, oldEnd - kMinSegmentSpan), prevEnd);
        break;
    case kDragResizeEnd:
        end = std::min(std::max(m_pressEnd + l, oldBegin + kMinSegmentSpan), nextBegin);
        break;
    case kDragMove:
    {
        double b = m_pressBegin + l;
        double e = b + length;
        if (l < 0 && prevEnd > b)
        {
            b = prevEnd;
            e = prevEnd + length;
        }
        if (l >= 0 && nextBegin < e)
        {
            if (content > 0.0)
                return false; // pushed into its neighbour, fixed-length content stays put
            b = nextBegin - length;
            e = nextBegin;
        }
        begin = std::max(prevEnd, b);
        end = std::min(e, nextBegin);
        break;
    }
    }
    s->m_begin = begin;
    s->m_end = end;
    return begin != oldBegin || end != oldEnd;
}

// ---------------------------------------------------------------- mouse

void CPaneTracks::OnLButtonDown(const QPoint& point)
{
    if (m_pDoc == nullptr)
        return;
    RunHitTests();
    // The drag mode comes from where the press lands, even when no move led there.
    UpdateCursor();
    if (m_hoveredRow < 0)
        return; // outside every row: only possible when the session has no tracks
    const double t = GetCursorFraction();
    if (m_hoveredSegment < 0)
    {
        const int spanning = m_pDoc->m_tracks.GetTrack(m_hoveredRow).m_segments.FindSegment(t);
        if (spanning >= 0)
            return; // above or below a bar, on its time: neither a selection nor room for a new one
    }
    const bool playing = IsPlaying();
    if (!playing)
    {
        m_pressPoint = GetCursorClientPos();
        if (m_hoveredSegment >= 0)
        {
            m_dragging = true;
        }
        else if (CreateSegmentAt(t))
        {
            // Not an edit yet: a click that is not dragged removes the segment again.
            m_hoveredSegment = m_selectedSegment;
            m_dragging = m_creating = true;
        }
    }
    if (m_hoveredSegment >= 0)
    {
        m_selectedTrack = m_hoveredRow;
        m_selectedSegment = m_hoveredSegment;
    }
    if (!playing)
    {
        if (const CSegment* s = GetSelectedSegment())
        {
            m_pressBegin = s->m_begin;
            m_pressEnd = s->m_end;
        }
    }
    UpdateCursor();
    NotifySelection();
    Invalidate();
}

void CPaneTracks::OnLButtonUp(const QPoint& point)
{
    if (m_dragging && m_pDoc != nullptr)
    {
        if (m_creating && std::abs(GetCursorClientPos().x() - m_pressPoint.x()) < kClickPixels)
        {
            if (m_view != nullptr)
                m_view->DeleteTemporarySegment();
            m_hoveredRow = m_hoveredSegment = -1;
        }
        else if (CSegment* s = GetSelectedSegment())
        {
            s->m_begin = std::max(double(s->m_begin), 0.0);
            s->m_end = std::min(double(s->m_end), 1.0);
            if (m_creating)
                m_pDoc->SetSessionModified();
        }
    }
    m_dragging = m_creating = false;
    UpdateCursor();
    Invalidate();
}

void CPaneTracks::OnMouseMove(const QPoint& point)
{
    m_trackingLeave = TrackMouseEvent(true);
    RunHitTests();
    if (m_dragging && m_pDoc != nullptr && !IsPlaying())
    {
        // A new segment follows this move's direction; a grabbed one keeps the mode of the press.
        if (m_creating)
            UpdateCursor();
        if (TrackSegment() && !m_creating)
            m_pDoc->SetSessionModified();
        if (m_selectedTrack >= 0 && m_view != nullptr)
            m_view->SegmentChanged();
    }
    UpdateHoverPosition();
    UpdateCursor();
    Invalidate();
}

void CPaneTracks::OnMouseLeave()
{
    m_trackingLeave = false;
    ClearHoverPosition();
    Invalidate();
}

// ---------------------------------------------------------------- paint

void CPaneTracks::OnPaint(QPainter& painter)
{
    ui::Dc dc(painter);
    const QRect client = GetClientRect();
    const int width = client.width();
    const int height = client.height();
    const int count = m_pDoc != nullptr ? m_pDoc->m_tracks.GetCount() : 0;
    if (count == 0)
    {
        dc.FillSolidRect(client, kRowActive);
        return;
    }
    const CTracks& tracks = m_pDoc->m_tracks;

    for (int i = 0; i < count; ++i)
    {
        int top = 0, bottom = 0;
        GetTrackRowRect(i, top, bottom);
        const bool selected = i == m_selectedTrack;
        const QColor colour = tracks.GetTrack(i).m_active ? (selected ? kRowActiveSelected : kRowActive)
                                                          : (selected ? kRowMutedSelected : kRowMuted);
        dc.FillSolidRect(ui::Ltrb(0, top, width, bottom), colour);
    }
    for (int i = 0; i < count; ++i)
    {
        int top = 0, bottom = 0;
        GetTrackRowRect(i, top, bottom);
        dc.Line(QPoint(0, bottom + 1), QPoint(width, bottom + 1), kLines);
    }
    for (int i = 1; i < m_pDoc->m_stages.GetCount(); ++i)
    {
        int left = 0, right = 0;
        GetStageExtent(i, left, right);
        dc.Line(QPoint(left, 0), QPoint(left, height), kLines);
    }

    const int textureRow = m_texture.height() / 16;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (int i = 0; i < count; ++i)
    {
        CTracks::TrackInfo info;
        tracks.GetTrackInfo(i, info);
        const CColorRGB base = CColorHSL(info.hue, 0.6f, 0.5f).ToRGB();
        const CSegments& segments = tracks.GetTrack(i).m_segments;
        for (int j = 0; j < segments.GetCount(); ++j)
        {
            const bool selected = i == m_selectedTrack && j == m_selectedSegment;
            const Box box = Widened(GetSegmentRect(i, j));
            CColorHSL hsl = base.ToHSL();
            if (!selected)
                hsl.m_lightness *= 0.8f;
            const QColor colour = ToQColor(hsl.ToRGB());
            const QRect r = ui::Ltrb(box.left, box.top, box.right, box.bottom);
            dc.RoundRect(r, 5, 5, QPen(colour), QBrush(colour));
            if (r.width() > 11 && textureRow > 0)
            {
                const int k = info.kind + (selected ? 8 : 0);
                const QRect target(r.left() + 6, r.top() + 1, r.width() - 12, r.height() - 2);
                if (target.width() > 0 && target.height() > 0)
                    painter.drawPixmap(target, m_texture,
                                       QRect(0, k * textureRow, m_texture.width(), textureRow));
            }
        }
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);

    dc.SetFont(m_labelFont);
    for (int i = 0; i < count; ++i)
    {
        int top = 0, bottom = 0;
        GetTrackRowRect(i, top, bottom);
        CTracks::TrackInfo info;
        tracks.GetTrackInfo(i, info);
        const QColor chip = ToQColor(CColorHSL(info.hue, 0.7f, 0.6f).ToRGB());
        dc.RoundRect(ui::Ltrb(2, top + 5, 15, top + 18), 2, 2, QPen(kLabel), QBrush(chip));
        dc.SetTextColor(i == m_selectedTrack ? kLabelSelected : kLabel);
        dc.TextOut(18, top + 3, GetTrackLabel(tracks, i));
    }

    if (const int x = MarkerColumn(); x >= 0)
        dc.Line(QPoint(x, 0), QPoint(x, height), kPlayLine);
}
