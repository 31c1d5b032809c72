#include "ButtonGlyph.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace sondrel::components {

using framework::ColorToRGB;
using framework::ToQColor;

namespace {

    TGlyphCache* s_cache = nullptr;
    int s_glyphs = 0;

    QRgb Rgb(TColor color) { return ToQColor(color).rgb() | 0xFF000000u; }

    // `image` made transparent where it has the mask colour.
    QIcon Masked(const QImage& image, TColor mask)
    {
        QImage masked = image.convertToFormat(QImage::Format_ARGB32);
        if (!masked.isNull()) {
            const QRgb key = mask == framework::clDefault
                ? masked.pixel(0, masked.height() - 1) | 0xFF000000u
                : Rgb(mask);
            for (int y = 0; y < masked.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
                for (int x = 0; x < masked.width(); ++x)
                    if ((line[x] | 0xFF000000u) == key)
                        line[x] = 0;
            }
        }
        return QIcon(QPixmap::fromImage(masked));
    }

    // Paints `color` over `target` wherever `pick` holds for the pixel of `source` that lands
    // there when `source` is laid on `target` moved by `offset`.
    template <class Pick>
    void PaintWhere(QImage& target, const QImage& source, QPoint offset, QRgb color, Pick pick)
    {
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                if (target.valid(x + offset.x(), y + offset.y())
                    && pick(source.pixel(x, y) | 0xFF000000u))
                    target.setPixel(x + offset.x(), y + offset.y(), color);
    }

} // namespace

TGlyphList::TGlyphList(int width, int height)
    : TImageList(nullptr, width, height)
{
}

int TGlyphList::AddMasked(const QImage& image, TColor mask)
{
    const auto free = std::find(m_used.begin(), m_used.end(), false);
    int index = static_cast<int>(free - m_used.begin());
    if (free == m_used.end()) {
        index = Add(QIcon());
        m_used.push_back(false);
    }
    m_used[static_cast<std::size_t>(index)] = true;
    ReplaceMasked(index, image, mask);
    ++m_count;
    return index;
}

void TGlyphList::ReplaceMasked(int index, const QImage& image, TColor mask)
{
    Replace(index, Masked(image, mask));
}

void TGlyphList::Delete(int index)
{
    if (index < 0 || index >= static_cast<int>(m_used.size())
        || !m_used[static_cast<std::size_t>(index)])
        return;
    m_used[static_cast<std::size_t>(index)] = false;
    Replace(index, QIcon());
    --m_count;
}

TGlyphList* TGlyphCache::GetList(int width, int height)
{
    for (auto list = m_lists.rbegin(); list != m_lists.rend(); ++list)
        if ((*list)->Width() == width && (*list)->Height() == height)
            return list->get();
    m_lists.push_back(std::make_unique<TGlyphList>(width, height));
    return m_lists.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list)
{
    if (!list || list->UsedCount() != 0)
        return;
    std::erase_if(m_lists, [list](const auto& kept) { return kept.get() == list; });
}

TGlyphCache* TGlyphCache::Instance() { return s_cache; }

TButtonGlyph::TButtonGlyph()
{
    if (s_glyphs++ == 0 && !s_cache)
        s_cache = new TGlyphCache;
    m_original.OnChange = [this](TBitmap&) { GlyphChanged(); };
}

TButtonGlyph::~TButtonGlyph()
{
    m_original.OnChange = nullptr;
    Invalidate();
    if (--s_glyphs == 0 && s_cache && s_cache->Empty()) {
        delete s_cache;
        s_cache = nullptr;
    }
}

void TButtonGlyph::GlyphChanged()
{
    m_transparentColor = m_original.TransparentColor();
    Invalidate();
    if (OnChange)
        OnChange();
}

void TButtonGlyph::SetGlyph(const TBitmap& glyph)
{
    Invalidate();
    m_original.OnChange = nullptr;
    m_original.Assign(glyph);
    m_original.OnChange = [this](TBitmap&) { GlyphChanged(); };
    const int width = glyph.Width();
    const int height = glyph.Height();
    if (height >= 1) {
        m_transparentColor = glyph.TransparentColor();
        // Only a strip at least as wide as it is high holds images: a narrower one (0 wide
        // among them) keeps the count it had.
        if (width >= height && width % height == 0) {
            const int count = width / height;
            m_numGlyphs = count > 5 ? 1 : count;
        }
    }
    if (OnChange)
        OnChange();
}

bool TButtonGlyph::SetNumGlyphs(int count)
{
    count = std::clamp(count, 1, 5);
    if (count == m_numGlyphs)
        return false;
    Invalidate();
    m_numGlyphs = count;
    if (OnChange)
        OnChange();
    return true;
}

QSize TButtonGlyph::ImageSize() const
{
    if (m_original.Width() == 0 || m_original.Height() == 0)
        return {};
    return { m_original.Width() / m_numGlyphs, m_original.Height() };
}

void TButtonGlyph::Invalidate()
{
    for (int& index : m_indexes) {
        if (index != -1 && m_glyphList)
            m_glyphList->Delete(index);
        index = -1;
    }
    if (m_glyphList && s_cache)
        s_cache->ReturnList(m_glyphList);
    m_glyphList = nullptr;
}

int TButtonGlyph::CreateButtonGlyph(TFancyButtonState state, bool force)
{
    // Below three images the pressed look is the resting one, and shares its image.
    if (state == fbsDown && m_numGlyphs < 3)
        state = fbsUp;
    int& index = m_indexes[state];
    if (index != -1 && !force)
        return index;
    const QSize size = ImageSize();
    if (size.isEmpty() || m_original.Empty())
        return -1;
    if (!m_glyphList) {
        if (!s_cache)
            s_cache = new TGlyphCache;
        m_glyphList = s_cache->GetList(size.width(), size.height());
    }
    int source = state;
    if (source >= m_numGlyphs)
        source = 0;
    if (source == fbsExclusive)
        source = fbsDown;
    const QImage part
        = m_original.Image().copy(source * size.width(), 0, size.width(), size.height());
    QImage image = part;
    TColor mask = framework::clDefault;
    if (state == fbsDisabled)
        image = DisabledImage(part);
    else if (m_original.TransparentMode() == framework::TTransparentMode::tmFixed)
        mask = m_transparentColor;
    if (index != -1)
        m_glyphList->ReplaceMasked(index, image, mask);
    else
        index = m_glyphList->AddMasked(image, mask);
    return index;
}

void TButtonGlyph::RemakeDisabled()
{
    if (m_indexes[fbsDisabled] != -1)
        CreateButtonGlyph(fbsDisabled, true);
}

QImage TButtonGlyph::DisabledImage(const QImage& source) const
{
    const QRgb face = Rgb(framework::clBtnFace);
    const QRgb highlight = Rgb(framework::clBtnHighlight);
    const QRgb shadow = Rgb(framework::clBtnShadow);
    const QRgb transparent = Rgb(m_transparentColor);
    const QRgb white = qRgb(255, 255, 255);
    QImage image(source.size(), QImage::Format_RGB32);
    if (m_numGlyphs == 1) {
        // Embossed: what is drawn of the picture (neither its transparent colour nor white),
        // once in the highlight colour a pixel down and right, once in the shadow colour on top.
        const auto drawn = [&](QRgb pixel) { return pixel != transparent && pixel != white; };
        image.fill(face);
        PaintWhere(image, source, { 1, 1 }, highlight, drawn);
        PaintWhere(image, source, { 0, 0 }, shadow, drawn);
        return image;
    }
    // The picture's own disabled image, in the button colours of this system.
    image = source;
    PaintWhere(image, source, {}, highlight, [&](QRgb pixel) { return pixel == white; });
    PaintWhere(image, source, {}, shadow, [](QRgb pixel) { return pixel == qRgb(128, 128, 128); });
    PaintWhere(image, source, {}, face, [&](QRgb pixel) { return pixel == transparent; });
    return image;
}

void TButtonGlyph::Draw(QPainter& painter, QPoint at, TFancyButtonState state)
{
    const int index = CreateButtonGlyph(state);
    if (index < 0 || !m_glyphList)
        return;
    m_glyphList->Icon(index).paint(&painter, QRect(at, ImageSize()), Qt::AlignCenter);
}

} // namespace sondrel::components
