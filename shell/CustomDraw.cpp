#include "CustomDraw.h"

#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QVariant>

namespace sondrel::shell {

using framework::TBrush;
using framework::TCanvas;
using framework::TColor;
using framework::TFont;

TPTCustomDraw::TPTCustomDraw(TNMCustomDraw& record, std::int32_t& result, const TFont& defaultFont)
{
    TPTCustomDraw::Reset(record, result);
    m_defaultFont = &defaultFont;
    TPTCustomDraw::CreateBrush();
    TPTCustomDraw::CreateFont();
}

TPTCustomDraw::~TPTCustomDraw() = default;

void TPTCustomDraw::Reset(TNMCustomDraw& record, std::int32_t& result)
{
    m_record = &record;
    m_result = &result;
    m_resultSet = false;
    m_font.reset();
    m_fontChanged = false;
    m_brush.reset();
    m_brushChanged = false;
    m_canvas.reset();
}

void TPTCustomDraw::CreateFont()
{
    m_font = std::make_unique<TFont>();
    if (m_defaultFont)
        m_font->Assign(*m_defaultFont);
    if (m_record->hdc)
        m_font->SetColor(static_cast<TColor>(m_record->hdc->TextColor));
    // Only now: what was copied in is no change.
    m_font->OnChange = [this](TFont&) { m_fontChanged = true; };
}

void TPTCustomDraw::CreateBrush()
{
    m_brush = std::make_unique<TBrush>();
    m_brush->SetStyle(framework::TBrushStyle::bsSolid);
    if (m_record->hdc)
        m_brush->SetColor(static_cast<TColor>(m_record->hdc->BkColor));
    m_brush->OnChange = [this](TBrush&) { m_brushChanged = true; };
}

TFont& TPTCustomDraw::Font()
{
    if (!m_font)
        CreateFont();
    return *m_font;
}

TBrush& TPTCustomDraw::Brush()
{
    if (!m_brush)
        CreateBrush();
    return *m_brush;
}

TCanvas& TPTCustomDraw::Canvas()
{
    if (!m_canvas) {
        m_canvas = std::make_unique<TCanvas>();
        m_canvas->SetHandle(m_record->hdc ? m_record->hdc->Painter : nullptr);
    }
    return *m_canvas;
}

TPTCustomDrawStage TPTCustomDraw::DrawStage() const
{
    switch (m_record->dwDrawStage) {
    case CDDS_PREPAINT:
        return ptcdsPrePaint;
    case CDDS_POSTPAINT:
        return ptcdsPostPaint;
    case CDDS_ITEMPREPAINT:
        return ptcdsItemPrePaint;
    case CDDS_ITEMPOSTPAINT:
        return ptcdsItemPostPaint;
    default:
        return ptcdsUnknown;
    }
}

void TPTCustomDraw::SetResult(std::int32_t result)
{
    *m_result = result;
    m_resultSet = true;
}

void TPTCustomDraw::ApplyLook(bool keepResult, std::uint32_t& clrText, std::uint32_t& clrTextBk)
{
    const bool keep = keepResult && m_resultSet;
    if (!keep)
        *m_result = CDRF_DODEFAULT;
    switch (DrawStage()) {
    case ptcdsPrePaint:
        if (!keep && m_notifyItemDraw)
            *m_result |= CDRF_NOTIFYITEMDRAW;
        break;
    case ptcdsItemPrePaint:
        if (m_skipDefault) {
            if (!keep)
                *m_result |= CDRF_SKIPDEFAULT;
            break;
        }
        if (m_fontChanged && m_font) {
            const QFont font = m_font->ToQFont();
            if (HDC dc = m_record->hdc; dc && font != dc->Font) {
                dc->Font = font;
                if (dc->Painter)
                    dc->Painter->setFont(font);
                *m_result |= CDRF_NEWFONT;
            }
            clrText = framework::ColorToRGB(m_font->Color());
        }
        if (m_brushChanged && m_brush)
            clrTextBk = framework::ColorToRGB(m_brush->Color());
        break;
    default:
        break;
    }
}

TNMTVCustomDraw* TPTTvCustomDraw::MpTvCd() const
{
    return reinterpret_cast<TNMTVCustomDraw*>(&Record());
}

void TPTTvCustomDraw::Apply()
{
    TNMTVCustomDraw* record = MpTvCd();
    ApplyLook(true, record->clrText, record->clrTextBk);
}

TNMLVCustomDraw* TPTLvCustomDraw::MpLvCd() const
{
    return reinterpret_cast<TNMLVCustomDraw*>(&Record());
}

void TPTLvCustomDraw::Apply()
{
    TNMLVCustomDraw* record = MpLvCd();
    ApplyLook(false, record->clrText, record->clrTextBk);
}

namespace {
    constexpr const char* kPopupComponent = "sondrelPopupComponent";
}

void SetPopupComponent(QMenu* menu, QWidget* component)
{
    if (menu)
        menu->setProperty(kPopupComponent, QVariant::fromValue(QPointer<QWidget>(component)));
}

QWidget* PopupComponent(const QMenu* menu)
{
    return menu ? menu->property(kPopupComponent).value<QPointer<QWidget>>().data() : nullptr;
}

} // namespace sondrel::shell
