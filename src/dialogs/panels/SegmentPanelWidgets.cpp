#include "dialogs/panels/SegmentPanelWidgets.h"

#include "controls/CUiProperty.h"

#include <QFontMetrics>

#include <algorithm>

namespace segpanel
{
namespace
{

// What a button's frame and a drop-down list's frame and arrow take of their width.
constexpr int kButtonChrome = 8;
constexpr int kComboChrome = 28;
// Between a row's label and its value edit.
constexpr int kLabelMargin = 2;

struct FitItem
{
    QWidget* widget;
    QStringList texts;
    int room;
};

/** One font for all @p items: the first of the widgets' own font, its condensed face, and that
 *  face a pixel smaller at a time, at which every text fits its widget's room. */
void FitFonts(const std::vector<FitItem>& items)
{
    if (items.empty())
        return;
    QFont font = items.front().widget->font();
    auto fits = [&](const QFont& f)
    {
        const QFontMetrics metrics(f);
        return std::all_of(items.begin(), items.end(),
                           [&](const FitItem& item)
                           {
                               return std::all_of(item.texts.begin(), item.texts.end(),
                                                  [&](const QString& text)
                                                  { return metrics.horizontalAdvance(text) <= item.room; });
                           });
    };
    if (fits(font))
        return;
    const int start = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height();
    font.setStretch(QFont::Condensed);
    for (int pixels = start; pixels >= kSmallestTextPixels && !fits(font); --pixels)
        font.setPixelSize(pixels);
    for (const FitItem& item : items)
        item.widget->setFont(font);
}

} // namespace

void FitButtons(const std::vector<QAbstractButton*>& buttons)
{
    std::vector<FitItem> items;
    for (QAbstractButton* button : buttons)
        items.push_back({button, {button->text()}, button->width() - kButtonChrome});
    FitFonts(items);
}

void FitCombos(const std::vector<QComboBox*>& combos)
{
    std::vector<FitItem> items;
    for (QComboBox* combo : combos)
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts.push_back(combo->itemText(i));
        items.push_back({combo, texts, combo->width() - kComboChrome});
    }
    FitFonts(items);
}

void FitRowLabels(const std::vector<CUiProperty*>& rows)
{
    std::vector<FitItem> items;
    for (CUiProperty* row : rows)
        items.push_back(
            {&row->LabelCtrl(), {row->LabelCtrl().text()}, row->LabelCtrl().width() - kLabelMargin});
    FitFonts(items);
}

ui::Button* MakeButton(QWidget* parent, const ControlSpec& spec)
{
    auto* button = new ui::Button(parent, spec.id, QString::fromLatin1(spec.text));
    button->setGeometry(Px(spec.rect));
    return button;
}

ui::ComboBox* MakeCombo(QWidget* parent, int id, const DluRect& rect)
{
    auto* combo = new ui::ComboBox(parent, id);
    combo->setGeometry(Px(rect));
    return combo;
}

void FillCombo(ui::ComboBox& combo, std::span<const char* const> texts, int initial)
{
    combo.ResetContent();
    for (const char* text : texts)
        combo.AddString(QString::fromLatin1(text));
    combo.SetCurSel(initial);
}

} // namespace segpanel
