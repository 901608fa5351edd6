// Renders a sample of every skinned control and every picture into one PNG under the build folder
// (test-output/skinned-controls.png), so that a reviewer can look at the art in its places; the
// picture shows the states it was set up with (disabled, warning, progress, texts).
#include "controls/CEditFloat.h"
#include "controls/CEditTime.h"
#include "controls/CHoverButton.h"
#include "controls/CSkinSliderCtrl.h"
#include "controls/CWebBrowser2.h"
#include "controls/CWndToolbarHelp.h"
#include "controls/CommandIds.h"
#include "controls/Controls.h"
#include "controls/Dc.h"
#include "controls/Resources.h"
#include "controls/SkinDraw.h"
#include "controls/Style.h"

#include "support/ShotChecks.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>

namespace
{

const QColor kWorkspace(70, 70, 70);
const QColor kLight(180, 180, 180);

/** The sheet: a workspace-coloured window whose OnPaint draws the pane-like samples; the real
 *  controls sit on it as children. */
class Sheet : public ui::Window
{
public:
    Sheet()
    {
        SetOpaquePaint(true);
        resize(1100, 1060);
    }

protected:
    void OnPaint(QPainter& p) override
    {
        ui::Dc dc(p);
        dc.FillSolidRect(rect(), kWorkspace);
        dc.SetFont(ui::MakeFont(13, 700));
        dc.SetTextColor(kLight);
        auto title = [&](int y, const char* text)
        {
            dc.SetFont(ui::MakeFont(13, 700));
            dc.SetTextColor(QColor(150, 150, 150));
            dc.TextOut(10, y, QString::fromLatin1(text));
        };

        // Toolbar with icon faces and captions, one face highlighted as under the mouse.
        title(4, "Toolbar");
        const QPixmap toolbar = ui::LoadBitmap(338);
        TileBitmap(p, ui::Ltrb(0, 22, width(), 22 + 73), toolbar);
        struct Tool
        {
            const char* caption;
            int icon;
            int left, right;
        };
        const Tool tools[] = {{"New\nSession", 382, 0, 50},       {"Open\nSession", 384, 50, 100},
                              {"Save\nSession", 386, 100, 150},   {"Save As\nSession", 387, 150, 200},
                              {"Record\nVoice", 437, 232, 274},   {"Live\nRecording", 459, 274, 332},
                              {"Export\nSession", 378, 332, 380}, {"Delete\nSegment", 377, 412, 462},
                              {"Copy\nSegment", 414, 462, 512},   {"Paste\nSegment", 415, 512, 562},
                              {"Tracks", 407, 594, 636},          {"Tools", 438, 636, 678},
                              {"Options", 385, 678, 726},         {"Help", 379, 758, 798},
                              {"Support", 391, 798, 846}};
        for (const Tool& t : tools)
        {
            const bool hot = t.icon == 384;
            const int w = t.right - t.left;
            const int x0 = t.left + 10;
            if (hot)
                dc.FillSolidRect(ui::Ltrb(x0, 22, x0 + w, 22 + 75), QColor(120, 120, 120));
            p.drawPixmap(x0 + (w - 32) / 2, 22 + 5, ui::LoadIcon(t.icon));
            dc.SetFont(ui::MakeFont(12, 700));
            dc.SetTextColor(hot ? QColor(250, 250, 250) : QColor(130, 130, 130));
            const QStringList lines = QString::fromLatin1(t.caption).split('\n');
            const int cy = dc.GetTextExtent(lines[0]).height();
            int y = 75 - cy - 22 + (lines.size() == 1 ? 5 : 0);
            for (const QString& line : lines)
            {
                dc.TextOut(x0 + w / 2 - dc.GetTextExtent(line).width() / 2 - 1, 22 + y, line);
                y += cy;
            }
        }

        // Timeline, tracks and stages.
        title(104, "Timeline, tracks and stages");
        const int tlTop = 122, W = 760;
        TileBitmap(p, ui::Ltrb(0, tlTop, W, tlTop + 27), ui::LoadBitmap(375));
        dc.SetFont(ui::MakeFont(12, 700));
        dc.SetTextColor(kLight);
        dc.Line({0, tlTop}, {W, tlTop}, kLight);
        dc.Line({0, tlTop + 26}, {W, tlTop + 26}, QColor(140, 140, 140));
        for (int i = 0; i < 50; ++i)
        {
            const int x = int(i * (W / 50.0)) + 1;
            dc.Line({x, tlTop + 1}, {x, tlTop + 1 + (i % 5 == 0 ? 4 : 2)}, kLight);
            if (i % 5 == 0 && i > 0)
            {
                const int t = i * 300 / 50;
                const QString label = QString::asprintf("%2.2d:%2.2d", t / 60, t % 60);
                dc.TextOut(x - dc.GetTextExtent(label).width() / 2, tlTop + 5, label);
            }
        }
        dc.TextOut(8, tlTop + 10, QStringLiteral("00:00"));
        const int c = int((W - 1) * 0.3);
        p.setPen(QPen(QColor(220, 220, 220), 3));
        p.drawRect(c - 5 + 1, tlTop + 2 + 1, 10 - 2, 27 - 4 - 2);

        const double hues[8] = {0.52, 0.62, 0.79, 0.97, 0.06, 0.17, 0.23, 0.37};
        const char* names[8] = {"Voice", "Ambient Music", "Nature",     "Bells",
                                "Tone",  "Noise",         "Breathwork", "External Audio"};
        const QPixmap texture = ui::LoadBitmap(374);
        const int rowH = 34, tracksTop = tlTop + 27;
        for (int k = 0; k < 8; ++k)
        {
            const int top = tracksTop + k * rowH;
            dc.FillSolidRect(ui::Ltrb(0, top, W, top + rowH),
                             k == 1 ? QColor(80, 80, 80) : QColor(70, 70, 70));
            dc.Line({0, top + rowH - 1}, {W, top + rowH - 1}, QColor(120, 120, 120));
            for (int s = 0; s < 2; ++s)
            {
                const bool selected = k == 1 && s == 1;
                const int left = 120 + s * 300 + k * 17, right = left + 190 - k * 9;
                const int bh = int((0.4 + 0.27 * (50 - rowH) / 50) * rowH);
                const int g = (rowH - 1 - bh) / 2;
                const QRect r = ui::Ltrb(left, top + g + 2, right, top + rowH - 1 - g + 1);
                QColor base = QColor::fromHslF(float(hues[k]), 0.6f, selected ? 0.5f : 0.4f);
                dc.RoundRect(r, 5, 5, QPen(base), base);
                p.save();
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                const int th = texture.height() / 16;
                p.drawPixmap(QRect(r.left() + 6, r.top() + 1, r.width() - 12, r.height() - 2), texture,
                             QRect(0, (k + (selected ? 8 : 0)) * th, texture.width(), th));
                p.restore();
            }
            const QColor chip = QColor::fromHslF(float(hues[k]), 0.7f, 0.6f);
            dc.RoundRect(ui::Ltrb(2, top + 5, 15, top + 18), 2, 2, QPen(QColor(200, 200, 200)), chip);
            dc.SetFont(ui::MakeFont(16, 400));
            dc.SetTextColor(k == 1 ? QColor(255, 255, 255) : QColor(200, 200, 200));
            dc.TextOut(18, top + 3, QString::fromLatin1(names[k]) + (k == 5 ? " [Muted]" : ""));
        }
        const int hoverX = int(0.55 * W);
        dc.Line({hoverX, tracksTop}, {hoverX, tracksTop + 8 * rowH}, QColor(220, 220, 220));
        const int stTop = tracksTop + 8 * rowH;
        TileBitmap(p, ui::Ltrb(0, stTop, W, stTop + 27), ui::LoadBitmap(375));
        dc.Line({0, stTop + 25}, {W, stTop + 25}, kLight);
        dc.Line({0, stTop + 26}, {W, stTop + 26}, QColor(140, 140, 140));
        const char* stages[] = {"Start",  "Relaxation", "Steady", "Light Hypnosis", "Deeper", "Deep Hypnosis",
                                "Anchor", "Out",        "End"};
        dc.SetFont(ui::MakeFont(13, 700));
        dc.SetTextColor(kLight);
        for (int i = 0; i < 9; ++i)
        {
            const int x0 = i * W / 9, x1 = (i + 1) * W / 9;
            const QString name = QString::fromLatin1(stages[i]);
            const QSize e = dc.GetTextExtent(name);
            const QRect clip = ui::Ltrb(x0 + 4, stTop, x1 - 4, stTop + 25);
            const int x = x1 - x0 >= e.width() ? clip.left() + (clip.width() - e.width()) / 2 : clip.left();
            dc.TextOutClipped(clip, x, stTop + (27 - e.height() - 2) / 2 + 1, name);
            const int sx = i == 0 ? x0 - 2 : x0;
            if (i > 0)
                dc.Line({sx, stTop + 3}, {sx, stTop + 27 - 5}, QColor(200, 200, 200));
        }
        // Splitter and properties background beside the work area.
        TileBitmap(p, ui::Ltrb(W, tlTop, W + 8, stTop + 27), ui::LoadBitmap(432));
        TileBitmap(p, ui::Ltrb(W + 8, tlTop, width(), stTop + 27), ui::LoadBitmap(433));
        dc.SetFont(ui::MakeFont(13, 400));
        dc.SetTextColor(kLight);
        dc.TextOut(W + 20, tlTop + 12, QStringLiteral("Frequency (Hz)"));
        dc.TextOut(W + 20, tlTop + 62, QStringLiteral("Segment begins at"));

        // Transport bar with its panels.
        const int bar = stTop + 27 + 26;
        title(bar - 18, "Transport bar");
        TileBitmap(p, ui::Ltrb(0, bar, width(), bar + 60), ui::LoadBitmap(313));
        const int y = bar + 10, b = 321;
        DrawBitmapAt(p, {6, y}, ui::LoadBitmap(370));
        dc.SetFont(ui::MakeFont(24, 700));
        dc.SetTextColor(kLight);
        dc.TextOut(6 + 11, y + 3, QStringLiteral("05"));
        DrawBitmapAt(p, {b, y}, ui::LoadBitmap(317));
        dc.SetFont(ui::MakeFont(25, 700));
        dc.TextOut(b + 9, y + 6, QStringLiteral("01:30"));
        dc.SetFont(ui::MakeFont(18, 700));
        dc.TextOut(b + 145 - dc.GetTextExtent("4.00").width() / 2, y + 4, QStringLiteral("4.00"));
        dc.TextOut(b + 196 - dc.GetTextExtent("60").width() / 2, y + 4, QStringLiteral("60"));
        dc.SetFont(ui::MakeFont(13, 400));
        dc.TextOut(b + 146 - dc.GetTextExtent("Theta").width() / 2, y + 22, QStringLiteral("Theta"));
        dc.TextOut(b + 185, y + 22, QStringLiteral("CPM"));
        DrawBitmapAt(p, {b + 82, y + 2}, ui::LoadBitmap(430));
        // Sound meter: levels and spectrum.
        const int mx = b + 370, mw = width() - 166 - mx - 6;
        DrawBitmapThreeSlice(p, {mx, y}, ui::LoadBitmap(359), 20, 20, mw, 40);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const double levels[2] = {0.72, 0.58};
        for (int i = 0; i < 2; ++i)
        {
            const QRect r = ui::Ltrb(mx + 10 + 12 * i, y + 8, mx + 20 + 12 * i, y + 40 - 8);
            p.drawPixmap(r, ui::LoadBitmap(355));
            dc.FillSolidRect(
                ui::Ltrb(r.left(), r.top(), r.right() + 1, r.top() + int(r.height() * (1 - levels[i]))),
                QColor(100, 100, 100));
        }
        const int n = 16, bw = (mw - 48) / n - 2;
        int sx = (mw - 48) % n + 38;
        for (int i = 0; i < n; ++i)
        {
            const double v = 0.25 + 0.6 * std::abs(std::sin(i * 0.55 + 0.4)) * (1.0 - i / 24.0);
            const int h = int(v * (40 - 16));
            const int top = 40 - h - 8;
            p.drawPixmap(QRect(mx + sx, y + top, bw, h), ui::LoadBitmap(356));
            dc.FillSolidRect(ui::Ltrb(mx + sx, y + 8, mx + sx + bw, y + top), QColor(100, 100, 100));
            sx += bw + 2;
        }
        // Load meter.
        const int lx = width() - 166;
        DrawBitmapAt(p, {lx, y}, ui::LoadBitmap(377));
        dc.SetFont(ui::MakeFont(12, 700));
        dc.TextOut(lx + 10, y + 5, QStringLiteral("Playback overload    35%"));
        p.drawPixmap(QRect(lx + 10, y + 22, 160 - 20, 10), ui::LoadBitmap(315));
        dc.FillSolidRect(ui::Ltrb(lx + 160 - int(0.65 * 140) - 10, y + 22, lx + 150, y + 32),
                         QColor(100, 100, 100));

        // Recorder top bar.
        const int rec = bar + 60 + 26;
        title(rec - 18, "Voice recorder");
        dc.SetFont(ui::MakeFont(13, 700));
        dc.SetTextColor(QColor(150, 150, 150));
        dc.TextOut(640, rec - 18, QStringLiteral("Disabled, warning and progress"));
        TileBitmap(p, ui::Ltrb(640, rec, 1090, rec + 70), ui::LoadBitmap(313));
        TileBitmap(p, ui::Ltrb(0, rec, 620, rec + 70), ui::LoadBitmap(415));
        DrawBitmapThreeSlice(p, {150, rec + 16}, ui::LoadBitmap(412), 9, 9, 230, 40);
        DrawBitmapThreeSlice(p, {386, rec + 16}, ui::LoadBitmap(412), 9, 9, 620 - 6 - 386, 40);
        dc.SetFont(ui::MakeFont(30, 700));
        dc.TextOut(150 + 90 + (230 - dc.GetTextExtent("00:42").width() - 95) / 2,
                   rec + 16 + 20 - dc.GetTextExtent("00:42").height() / 2 - 2, QStringLiteral("00:42"));
        dc.SetFont(ui::MakeFont(18, 700));
        dc.SetTextColor(QColor(255, 96, 96));
        dc.TextOut(150 + 21 + (80 - dc.GetTextExtent("Recording").width()) / 2,
                   rec + 16 + 20 - dc.GetTextExtent("Recording").height() / 2 - 2,
                   QStringLiteral("Recording"));
        dc.SetFont(ui::MakeFont(14, 700));
        dc.SetTextColor(kLight);
        dc.TextOut(386 + 8, rec + 16 + 13, QStringLiteral("Recording level"));
        const QRect meter = ui::Ltrb(386 + 120, rec + 16 + 11, 620 - 6 - 14, rec + 16 + 29);
        dc.FrameRect(meter, kLight);
        const QRect inner = meter.adjusted(1, 1, -1, -1);
        p.drawPixmap(inner, ui::LoadBitmap(315));
        dc.FillSolidRect(ui::Ltrb(inner.right() + 1 - int(inner.width() * 0.4), inner.top(),
                                  inner.right() + 1, inner.bottom() + 1),
                         QColor(80, 80, 80));

        // A popup menu.
        const int menuTop = rec + 70 + 26;
        title(menuTop - 18, "Tracks menu");
        struct Item
        {
            int icon;
            const char* label;
            const char* key;
        };
        const Item items[] = {{451, "Add Track", "+"},           {453, "Duplicate Track", "D"},
                              {456, "Remove Track", "R"},        {452, "Clean Empty Tracks", "C"},
                              {454, "Mute Track", "M"},          {449, "Activate Track", "A"},
                              {455, "Mute All Tracks", nullptr}, {450, "Activate All Tracks", nullptr}};
        for (int i = 0; i < 8; ++i)
        {
            const int col = i / 4, row = i % 4;
            const QRect r =
                ui::Ltrb(10 + col * 250, menuTop + row * 44, 10 + col * 250 + 240, menuTop + row * 44 + 44);
            const bool selected = i == 1;
            dc.FillSolidRect(r, selected ? QColor(110, 110, 110) : QColor(70, 70, 70));
            p.drawPixmap(r.left() + 8, r.top() + (44 - 32) / 2, ui::LoadIcon(items[i].icon));
            dc.SetFont(ui::MakeFont(13, 400));
            dc.SetTextColor(selected ? QColor(255, 255, 255) : QColor(180, 180, 180));
            const QString label = QString::fromLatin1(items[i].label);
            const int ty = r.top() + (44 - dc.GetTextExtent(label).height()) / 2;
            dc.TextOut(r.left() + 52, ty, label);
            if (items[i].key != nullptr)
            {
                const QString key =
                    QStringLiteral("[ ") + QString::fromLatin1(items[i].key) + QStringLiteral(" ]");
                dc.TextOut(r.right() + 1 - dc.GetTextExtent(key).width() - 10, ty, key);
            }
        }
        dc.FrameRect(ui::Ltrb(9, menuTop - 1, 501, menuTop + 4 * 44 + 1), QColor(40, 40, 40));

        // Every icon, cursor and the about picture.
        const int iconsTop = menuTop + 4 * 44 + 26;
        title(iconsTop - 18, "Icons, cursors and the about picture");
        int ix = 10;
        for (int id : ui::ResourceIds(ui::ResourceKind::Icon))
        {
            p.drawPixmap(ix, iconsTop, ui::LoadIcon(id));
            ix += 33;
        }
        ix = 10;
        for (int id : ui::ResourceIds(ui::ResourceKind::Cursor))
        {
            dc.FillSolidRect(ui::Ltrb(ix, iconsTop + 44, ix + 32, iconsTop + 76), QColor(150, 150, 150));
            p.drawPixmap(ix, iconsTop + 44, ui::LoadCursor(id)->pixmap());
            ix += 38;
        }
        p.drawPixmap(width() - 470, iconsTop + 44, ui::LoadBitmap(434));
    }
};

} // namespace

TEST(Screenshot, SampleSheetOfTheSkinnedControls)
{
    const QPalette previousPalette = QApplication::palette();
    const QFont previousFont = QApplication::font();
    ui::ApplyWorkspaceStyle(*qApp);
    Sheet sheet;
    // Real controls in their places on the sheet.
    const int bar = 122 + 27 + 8 * 34 + 27 + 26;
    const int y = bar + 10, b = 321;
    struct Button
    {
        int id, bitmap, x;
    };
    const Button buttons[] = {
        {ID_TRANSPORT_PLAY, 362, b - 138},           {ID_TRANSPORT_STOP, 366, b - 92},
        {ID_TRANSPORT_PAUSE, 361, b - 46},           {ID_TRANSPORT_GO_TO_START, 365, b + 232},
        {ID_TRANSPORT_PREVIOUS_STAGE, 363, b + 278}, {ID_TRANSPORT_NEXT_STAGE, 360, b + 324}};
    std::vector<CHoverButton*> hover;
    for (const Button& bt : buttons)
    {
        auto* button = new CHoverButton(&sheet, bt.id);
        ASSERT_TRUE(button->SetBitmap(bt.bitmap));
        button->move(bt.x, y);
        hover.push_back(button);
    }
    auto* slider = new CSkinSliderCtrl(&sheet, ID_SESSION_LENGTH_SLIDER);
    slider->setGeometry(6 + 170 - 127, y + (40 - 20) / 2, 123, 20);
    slider->SetRange(1, 120);
    slider->SetPos(5);
    ASSERT_TRUE(slider->SetBitmaps(371, 372));

    const int rec = bar + 60 + 26;
    const Button recorder[] = {
        {ID_TRANSPORT_RECORD, 364, 12}, {ID_TRANSPORT_STOP, 366, 58}, {ID_TRANSPORT_PAUSE, 361, 104}};
    for (const Button& bt : recorder)
    {
        auto* button = new CHoverButton(&sheet, bt.id);
        ASSERT_TRUE(button->SetBitmap(bt.bitmap));
        button->move(bt.x, rec + 16);
    }

    auto* number = new CEditFloat(&sheet, 1061);
    number->setGeometry(760 + 20, 122 + 28, 80, 22);
    number->setText(QStringLiteral("4.75"));
    auto* spin = new ui::SpinButton(&sheet, 102);
    spin->setGeometry(760 + 100, 122 + 28, 14, 22);
    auto* time = new CEditTime(&sheet, 1050);
    time->setGeometry(760 + 20, 122 + 78, 80, 22);
    time->setText(QStringLiteral("07:45"));

    // Disabled and warning states: a disabled transport button and slider, a row edit holding an
    // out-of-range number on the warning colour, a disabled spin and a progress bar at 60 %.
    auto* off = new CHoverButton(&sheet, ID_TRANSPORT_NEXT_STAGE);
    ASSERT_TRUE(off->SetBitmap(360));
    off->move(650, rec + 10);
    off->setEnabled(false);
    auto* offSlider = new CSkinSliderCtrl(&sheet, ID_SESSION_LENGTH_SLIDER);
    offSlider->setGeometry(700, rec + 20, 123, 20);
    offSlider->SetRange(1, 99);
    offSlider->SetPos(30);
    ASSERT_TRUE(offSlider->SetBitmaps(371, 372));
    offSlider->setEnabled(false);
    auto* warning = new ui::Edit(&sheet, 101);
    warning->setGeometry(840, rec + 9, 70, 22);
    warning->setText(QStringLiteral("140"));
    warning->SetBackgroundColor(QColor(255, 200, 200));
    auto* offSpin = new ui::SpinButton(&sheet, 102);
    offSpin->setGeometry(910, rec + 9, 14, 22);
    offSpin->setEnabled(false);
    auto* progress = new ui::ProgressBar(&sheet, 1117);
    progress->setGeometry(840, rec + 44, 240, 8);
    progress->SetPos(60);

    const int menuTop = rec + 70 + 26;
    auto* help = new QWidget(&sheet);
    help->setGeometry(530, menuTop, 550, 176);
    CWndToolbarHelp toolbar;
    ASSERT_TRUE(toolbar.Create(help, ID_HELP_TOOLBAR, QRect(0, 0, 550, 40)));
    auto* browser = new CWebBrowser2(help);
    browser->Create(QStringLiteral("help"), QRect(0, 40, 550, 136), help, 1251);
    browser->setHtml(QStringLiteral("<h3>Tone</h3><p>A tone segment plays a carrier with its overtones; "
                                    "the beat of the session shapes it.</p>"));

    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    // One transport button resting under the mouse and one pressed.
    QTest::mouseMove(hover[0], QPoint(20, 20));
    QTest::qWait(30);
    QTest::mousePress(hover[1], Qt::LeftButton, {}, QPoint(20, 20));

    const QImage shot = sheet.grab().toImage();
    QTest::mouseRelease(hover[1], Qt::LeftButton, {}, QPoint(20, 20));
    const QString folder = QStringLiteral(VORNA_TEST_OUTPUT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/skinned-controls.png";
    ASSERT_TRUE(shot.save(path));
    EXPECT_EQ(shot.size(), sheet.size());

    // The texts of the fields and the help page show.
    EXPECT_EQ(vtest::BlankTexts(&sheet, shot).join(" | ").toStdString(), "");
    EXPECT_TRUE(vtest::HasMarks(shot, QRect(browser->mapTo(&sheet, QPoint(0, 0)), browser->size()), 100));
    // The warning colour fills the edit behind its text.
    const QRect w = warning->geometry();
    EXPECT_EQ(shot.pixelColor(w.right() - 4, w.center().y()), QColor(255, 200, 200));
    // The progress bar is filled to 60 %: its start differs from its end.
    const QRect filled = progress->geometry();
    EXPECT_NE(shot.pixel(filled.left() + filled.width() * 3 / 10, filled.center().y()),
              shot.pixel(filled.left() + filled.width() * 9 / 10, filled.center().y()));
    // Disabled controls look other than the same control enabled, and a disabled button is darker.
    auto brightness = [](const QImage& image)
    {
        qint64 sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += qGray(image.pixel(x, y));
        return sum;
    };
    for (QWidget* disabled : std::initializer_list<QWidget*>{off, offSlider, offSpin})
    {
        const QImage dim = shot.copy(disabled->geometry());
        disabled->setEnabled(true);
        const QImage lit = sheet.grab().toImage().copy(disabled->geometry());
        disabled->setEnabled(false);
        EXPECT_NE(dim, lit) << disabled->metaObject()->className();
        if (disabled == off)
        {
            EXPECT_LT(brightness(dim), brightness(lit));
        }
    }
    std::printf("sample sheet: %s\n", qPrintable(path));
    QApplication::setPalette(previousPalette);
    QApplication::setFont(previousFont);
}
