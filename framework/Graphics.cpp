#include "Graphics.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

namespace sondrel::framework {

namespace {

    QColor SystemColor(int index)
    {
        const QPalette palette = QGuiApplication::palette();
        switch (index) {
        case 1: // desktop
        case 12: // application work space
            return palette.color(QPalette::Dark);
        case 2: // active caption
        case 13:
            return palette.color(QPalette::Highlight);
        case 3: // inactive caption
            return palette.color(QPalette::Inactive, QPalette::Highlight);
        case 9: // caption text
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 5:
            return palette.color(QPalette::Base);
        case 6: // window frame
        case 7: // menu text
        case 8: // window text
            return palette.color(QPalette::Text);
        case 16:
            return palette.color(QPalette::Dark);
        case 17:
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return palette.color(QPalette::ButtonText);
        case 19:
            return palette.color(QPalette::Inactive, QPalette::HighlightedText);
        case 20:
            return palette.color(QPalette::Light);
        case 21:
            return palette.color(QPalette::Shadow);
        case 22:
            return palette.color(QPalette::Midlight);
        case 23:
            return palette.color(QPalette::ToolTipText);
        case 24:
            return palette.color(QPalette::ToolTipBase);
        case 26: // hot light: links and the like
            return palette.color(QPalette::Link);
        default: // scroll bar, menu, borders, button face
            return palette.color(QPalette::Button);
        }
    }

} // namespace

TColor ColorFromName(const QString& name)
{
    static const struct
    {
        const char* Name;
        TColor Color;
    } kNames[] = {
        { "clScrollBar", clScrollBar },
        { "clBackground", clBackground },
        { "clActiveCaption", clActiveCaption },
        { "clInactiveCaption", clInactiveCaption },
        { "clMenu", clMenu },
        { "clWindow", clWindow },
        { "clWindowFrame", clWindowFrame },
        { "clMenuText", clMenuText },
        { "clWindowText", clWindowText },
        { "clCaptionText", clCaptionText },
        { "clActiveBorder", clActiveBorder },
        { "clInactiveBorder", clInactiveBorder },
        { "clAppWorkSpace", clAppWorkSpace },
        { "clHighlight", clHighlight },
        { "clHighlightText", clHighlightText },
        { "clBtnFace", clBtnFace },
        { "clBtnShadow", clBtnShadow },
        { "clGrayText", clGrayText },
        { "clBtnText", clBtnText },
        { "clInactiveCaptionText", clInactiveCaptionText },
        { "clBtnHighlight", clBtnHighlight },
        { "cl3DDkShadow", cl3DDkShadow },
        { "cl3DLight", cl3DLight },
        { "clInfoText", clInfoText },
        { "clInfoBk", clInfoBk },
        { "clHotLight", clHotLight },
        { "clBlack", clBlack },
        { "clMaroon", clMaroon },
        { "clGreen", clGreen },
        { "clOlive", clOlive },
        { "clNavy", clNavy },
        { "clPurple", clPurple },
        { "clTeal", clTeal },
        { "clGray", clGray },
        { "clSilver", clSilver },
        { "clRed", clRed },
        { "clLime", clLime },
        { "clYellow", clYellow },
        { "clBlue", clBlue },
        { "clFuchsia", clFuchsia },
        { "clAqua", clAqua },
        { "clWhite", clWhite },
        { "clNone", clNone },
        { "clDefault", clDefault },
    };
    for (const auto& entry : kNames)
        if (name.compare(QLatin1StringView(entry.Name), Qt::CaseInsensitive) == 0)
            return entry.Color;
    if (name.startsWith(u'$')) {
        bool ok = false;
        const uint value = name.mid(1).toUInt(&ok, 16);
        if (ok)
            return static_cast<TColor>(value);
    }
    return clNone;
}

std::uint32_t ColorToRGB(TColor color)
{
    const QColor q = ToQColor(color);
    return static_cast<std::uint32_t>(q.red()) | static_cast<std::uint32_t>(q.green()) << 8
        | static_cast<std::uint32_t>(q.blue()) << 16;
}

QColor ToQColor(TColor color)
{
    if (IsSystemColor(color))
        return SystemColor(color & 0xFF);
    const auto rgb = static_cast<std::uint32_t>(color);
    return QColor(rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16 & 0xFF);
}

TColor FromQColor(const QColor& color)
{
    return color.red() | color.green() << 8 | color.blue() << 16;
}

TFont::TFont()
    : m_name(QStringLiteral("MS Sans Serif"))
    , m_height(-11)
    , m_color(clWindowText)
{
}

void TFont::SetName(const QString& name)
{
    if (name == m_name)
        return;
    m_name = name;
    Changed();
}

void TFont::SetHeight(int height)
{
    if (height == m_height)
        return;
    m_height = height;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed();
}

void TFont::SetStyle(unsigned style)
{
    if (style == m_style)
        return;
    m_style = style;
    Changed();
}

void TFont::Assign(const TFont& other)
{
    m_name = other.m_name;
    m_height = other.m_height;
    m_color = other.m_color;
    m_style = other.m_style;
    Changed();
}

QFont TFont::ToQFont() const
{
    QFont font;
    const QString face = m_name.toLower();
    if (face.startsWith(QStringLiteral("courier"))) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    } else if (face == QStringLiteral("arial") || face == QStringLiteral("helvetica")) {
        font = QFont(QStringLiteral("Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
    } else if (face == QStringLiteral("ms sans serif")) {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    } else {
        font = QFont(m_name);
    }
    // A negative height is the character height; a positive one is the cell height, which adds
    // the internal leading, about an eighth of it for the faces here.
    font.setPixelSize(m_height < 0 ? -m_height : (m_height > 0 ? m_height * 7 / 8 : 11));
    font.setBold(m_style & fsBold);
    font.setItalic(m_style & fsItalic);
    font.setUnderline(m_style & fsUnderline);
    font.setStrikeOut(m_style & fsStrikeOut);
    return font;
}

void TFont::Changed()
{
    if (OnChange)
        OnChange(*this);
}

void TBrush::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    Changed();
}

void TBrush::Assign(const TBrush& other)
{
    m_color = other.m_color;
    m_style = other.m_style;
    Changed();
}

void TBrush::Changed()
{
    if (OnChange)
        OnChange(*this);
}

void TPen::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed();
}

void TPen::SetWidth(int width)
{
    if (width == m_width)
        return;
    m_width = width;
    Changed();
}

void TPen::Changed()
{
    if (OnChange)
        OnChange(*this);
}

} // namespace sondrel::framework
