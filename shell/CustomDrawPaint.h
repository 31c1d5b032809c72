#pragma once
// The custom-draw notification sequence of a paint, shared by the list and tree bases: the
// control's pre-paint, its default painting (told whether item stages follow), its post-paint;
// and for each row its item pre-paint, the row drawn with the look the handlers left, its item
// post-paint. `Record` is the view's own record (the list's or the tree's variant), whose first
// member is the common TNMCustomDraw. GUI thread only.

#include "CustomDraw.h"
#include "CustomDrawDelegate.h"
#include "Graphics.h"

#include <QPainter>
#include <QPalette>
#include <QStyleOptionViewItem>
#include <QWidget>

#include <cstdint>
#include <optional>

namespace sondrel::shell {

[[nodiscard]] inline std::uint32_t CustomDrawRgb(const QColor& color)
{
    return framework::FromQColor(color);
}

[[nodiscard]] inline QColor CustomDrawColor(std::uint32_t rgb)
{
    return framework::ToQColor(static_cast<framework::TColor>(rgb & 0xFFFFFF));
}

// `notify(record.nmcd)` sends one notification and returns its result; `paintDefault(bool)`
// paints the control as it would without handlers, asking for item stages when told.
template <class Record, class Notify, class PaintDefault>
void PaintWithCustomDraw(
    QWidget* view, QWidget* viewport, Notify&& notify, PaintDefault&& paintDefault)
{
    Record record;
    TPTDeviceContext dc;
    record.nmcd.hdr = { view, 0, NM_CUSTOMDRAW };
    record.nmcd.hdc = &dc;
    record.nmcd.rc = framework::TRect::FromQRect(viewport->rect());
    dc.Font = view->font();
    dc.TextColor = record.clrText = CustomDrawRgb(view->palette().color(QPalette::Text));
    dc.BkColor = record.clrTextBk = CustomDrawRgb(view->palette().color(QPalette::Base));
    std::int32_t result = CDRF_DODEFAULT;
    {
        QPainter painter(viewport);
        dc.Painter = &painter;
        record.nmcd.dwDrawStage = CDDS_PREPAINT;
        result = notify(record.nmcd);
        dc.Painter = nullptr;
    }
    if (!(result & CDRF_SKIPDEFAULT))
        paintDefault((result & CDRF_NOTIFYITEMDRAW) != 0);
    if (result & CDRF_NOTIFYPOSTPAINT) {
        QPainter painter(viewport);
        dc.Painter = &painter;
        record.nmcd.dwDrawStage = CDDS_POSTPAINT;
        (void)notify(record.nmcd);
        dc.Painter = nullptr;
    }
}

// What a row's notifications are told of the item they draw.
struct TCustomDrawRow
{
    std::uintptr_t ItemId = 0;
    std::intptr_t ItemParam = 0;
    bool Selected = false;
    bool Focused = false;
};

// `drawDefault(look)` draws the row with the look the handlers left (`look` lasts for the call).
template <class Record, class Notify, class DrawDefault>
void DrawRowWithCustomDraw(QWidget* view, QPainter* painter, const QStyleOptionViewItem& option,
    const TCustomDrawRow& row, Notify&& notify, DrawDefault&& drawDefault)
{
    Record record;
    TPTDeviceContext dc;
    dc.Painter = painter;
    dc.Font = option.font;
    record.nmcd.hdr = { view, 0, NM_CUSTOMDRAW };
    record.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    record.nmcd.hdc = &dc;
    record.nmcd.rc = framework::TRect::FromQRect(option.rect);
    record.nmcd.dwItemSpec = row.ItemId;
    record.nmcd.uItemState = (row.Selected ? CDIS_SELECTED : 0) | (row.Focused ? CDIS_FOCUS : 0);
    record.nmcd.lItemlParam = row.ItemParam;
    const std::uint32_t text = CustomDrawRgb(
        option.palette.color(row.Selected ? QPalette::HighlightedText : QPalette::Text));
    const std::uint32_t background
        = CustomDrawRgb(option.palette.color(row.Selected ? QPalette::Highlight : QPalette::Base));
    dc.TextColor = record.clrText = text;
    dc.BkColor = record.clrTextBk = background;

    std::int32_t result = CDRF_DODEFAULT;
    {
        const TPainterSaved state(painter);
        result = notify(record.nmcd);
    }
    if (!(result & CDRF_SKIPDEFAULT)) {
        TPTItemLook look;
        if (result & CDRF_NEWFONT)
            look.Font = dc.Font;
        if (record.clrText != text)
            look.Text = CustomDrawColor(record.clrText);
        if (record.clrTextBk != background)
            look.Background = CustomDrawColor(record.clrTextBk);
        look.Unselected = row.Selected && !(record.nmcd.uItemState & CDIS_SELECTED);
        drawDefault(look);
    }
    if (result & CDRF_NOTIFYPOSTPAINT) {
        record.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
        const TPainterSaved state(painter);
        (void)notify(record.nmcd);
    }
}

} // namespace sondrel::shell
