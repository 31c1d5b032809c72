#pragma once
// Colours, fonts, brushes, pens and text alignment as the controls name them, and their mapping
// onto Qt.
// Colours are 0x00BBGGRR values or system colours (0x80000000 | the system colour index), which
// follow the application palette. GUI thread only.

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>

namespace sondrel::framework {

using TColor = std::int32_t;

constexpr TColor kSystemColorBit = static_cast<TColor>(0x80000000u);

// System colours, by the index the platform gives them.
constexpr TColor clScrollBar = kSystemColorBit | 0;
constexpr TColor clBackground = kSystemColorBit | 1;
constexpr TColor clActiveCaption = kSystemColorBit | 2;
constexpr TColor clInactiveCaption = kSystemColorBit | 3;
constexpr TColor clMenu = kSystemColorBit | 4;
constexpr TColor clWindow = kSystemColorBit | 5;
constexpr TColor clWindowFrame = kSystemColorBit | 6;
constexpr TColor clMenuText = kSystemColorBit | 7;
constexpr TColor clWindowText = kSystemColorBit | 8;
constexpr TColor clCaptionText = kSystemColorBit | 9;
constexpr TColor clActiveBorder = kSystemColorBit | 10;
constexpr TColor clInactiveBorder = kSystemColorBit | 11;
constexpr TColor clAppWorkSpace = kSystemColorBit | 12;
constexpr TColor clHighlight = kSystemColorBit | 13;
constexpr TColor clHighlightText = kSystemColorBit | 14;
constexpr TColor clBtnFace = kSystemColorBit | 15;
constexpr TColor clBtnShadow = kSystemColorBit | 16;
constexpr TColor clGrayText = kSystemColorBit | 17;
constexpr TColor clBtnText = kSystemColorBit | 18;
constexpr TColor clInactiveCaptionText = kSystemColorBit | 19;
constexpr TColor clBtnHighlight = kSystemColorBit | 20;
constexpr TColor cl3DDkShadow = kSystemColorBit | 21;
constexpr TColor cl3DLight = kSystemColorBit | 22;
constexpr TColor clInfoText = kSystemColorBit | 23;
constexpr TColor clInfoBk = kSystemColorBit | 24;
constexpr TColor clHotLight = kSystemColorBit | 26;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A colour by the name forms give it ("clBtnFace", "clRed") or as "$00BBGGRR"; clNone for a
// name that is neither.
[[nodiscard]] TColor ColorFromName(const QString& name);

[[nodiscard]] constexpr bool IsSystemColor(TColor color) { return (color & kSystemColorBit) != 0; }

// The colour as 0x00BBGGRR, system colours resolved through the application palette.
[[nodiscard]] std::uint32_t ColorToRGB(TColor color);
[[nodiscard]] QColor ToQColor(TColor color);
[[nodiscard]] TColor FromQColor(const QColor& color);

// Where a caption or a column's text lies across its width.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TFontStyle : unsigned {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

// A font as a form describes it: a face name, a height (negative: the character height in
// pixels; positive: the cell height), a colour and a style. Faces this system lacks map to one of
// the same kind: "Courier" to the fixed-pitch face, "Arial" to the sans-serif face, "MS Sans
// Serif" to the general user-interface face.
class TFont
{
public:
    TFont();

    [[nodiscard]] const QString& Name() const { return m_name; }
    void SetName(const QString& name);
    [[nodiscard]] int Height() const { return m_height; }
    void SetHeight(int height);
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);
    [[nodiscard]] unsigned Style() const { return m_style; }
    void SetStyle(unsigned style);
    // Copies every attribute (the change handler stays).
    void Assign(const TFont& other);

    [[nodiscard]] QFont ToQFont() const;

    std::function<void(TFont&)> OnChange;

private:
    void Changed();

    QString m_name;
    int m_height;
    TColor m_color;
    unsigned m_style = 0;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush
{
public:
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);
    [[nodiscard]] TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle style);
    void Assign(const TBrush& other);

    std::function<void(TBrush&)> OnChange;

private:
    void Changed();

    TColor m_color = clWhite;
    TBrushStyle m_style = TBrushStyle::bsSolid;
};

class TPen
{
public:
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);
    [[nodiscard]] int Width() const { return m_width; }
    void SetWidth(int width);

    std::function<void(TPen&)> OnChange;

private:
    void Changed();

    TColor m_color = clBlack;
    int m_width = 1;
};

} // namespace sondrel::framework
