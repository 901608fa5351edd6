#pragma once
/** @brief The "Segment Dimensions" dialog: a segment's begin and end as minutes:seconds, within the
 *  range its neighbours leave it.
 *
 * A field is committed when it loses the focus, and only when its text changed since it was last
 * shown: leaving an untouched field never moves the segment. A commit is refused when the text is
 * no time, when the end would not lie at least one second after the begin, or when the segment
 * would leave its range: the segment keeps its times and the field keeps the refused entry on the
 * refused colour. A segment whose content sets its length moves its begin with its end. Each
 * commit tells the owner (m_segmentChanged, the WM_APP_SEGMENT_CHANGED of the panel that opened
 * it) and repaints the view.
 *
 * OK and Enter commit the field being edited and close, unless a field holds a refused entry:
 * then the dialog stays open with the focus in that field. Cancel, Esc and the close box put
 * back the times the segment had when the dialog opened; what was typed but not committed is
 * dropped. UI thread only. */

#include "controls/Window.h"

#include <QString>

#include <functional>

class CEditTime;
class CSegment;
class CVornaDoc;

namespace ui
{
class Static;
}

class CDlgSegmentDimensions : public ui::Dialog
{
public:
    static constexpr int kIdBegin = 1050;
    static constexpr int kIdEnd = 1049;
    static constexpr int kIdLength = 1051;
    static constexpr int kIdRange = 1052;
    static constexpr int kIdHelp = 9;
    static constexpr const char* kHelpTopic = "EditSegmentDimensions";

    explicit CDlgSegmentDimensions(QWidget* owner = nullptr);
    ~CDlgSegmentDimensions() override;

    // Set before DoModal: the range the segment may use (session fractions), the segment and the
    // document (its session length).
    double m_rangeFrom = 0.0;
    double m_rangeTo = 1.0;
    CSegment* m_segment = nullptr;
    CVornaDoc* m_doc = nullptr;
    /** Called after each commit and after Cancel (WM_APP_SEGMENT_CHANGED): the owner shows the
     *  segment's times anew. */
    std::function<void()> m_segmentChanged;

    /** Shows @p begin and @p end (whole seconds), the length between them and the range. */
    void ShowTimes(int begin, int end);
    /** Both fields in seconds (minutes x 60 + seconds); a field whose text is no time gives the
     *  segment's own time. False when either field's text is no time. */
    bool GetTimes(int& begin, int& end) const;
    /** What leaving the begin and the end field do. */
    void CommitBegin();
    void CommitEnd();

    CEditTime& BeginField() { return *m_begin; }
    CEditTime& EndField() { return *m_end; }
    ui::Static& LengthLabel() { return *m_length; }
    ui::Static& RangeLabel() { return *m_range; }

    /** "mm:ss" as the fields show it (at least two minute digits). */
    static QString FieldText(int seconds);

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, ui::Notify code, QWidget* from) override;

private:
    int SessionLength() const;
    int Seconds(double fraction) const;
    void Notify();

    CEditTime* m_begin = nullptr;
    CEditTime* m_end = nullptr;
    ui::Static* m_length = nullptr;
    ui::Static* m_range = nullptr;
    double m_savedBegin = 0.0;
    double m_savedEnd = 0.0;
    QString m_shownBegin;
    QString m_shownEnd;
    bool m_ending = false; // closing: the fields' focus-out commits nothing
};
