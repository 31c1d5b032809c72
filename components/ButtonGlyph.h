#pragma once
// The pictures of a fancy button. A glyph strip holds up to five images side by side, one per
// visual state; TButtonGlyph turns it into each state's image when first needed, the disabled
// one drawn from a source image in the button colours, and keeps them in glyph lists that all
// buttons share, one per image size (TGlyphCache). The cache lives while any button glyph does
// and holds a list only while some image is in it. GUI thread only.

#include "Bitmap.h"
#include "ImageList.h"

#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace sondrel::components {

using framework::TBitmap;
using framework::TColor;

enum TFancyButtonState { fbsUp, fbsDown, fbsMouseOut, fbsExclusive, fbsDisabled };

// An image list of one image size whose slots are handed out and given back one by one.
class TGlyphList : public framework::TImageList
{
    Q_OBJECT

public:
    TGlyphList(int width, int height);

    // Puts `image` in the first free slot (a new one when all are taken), transparent where it
    // has the colour `mask` (clDefault: the colour of its bottom left pixel); returns the slot.
    int AddMasked(const QImage& image, TColor mask);
    void ReplaceMasked(int index, const QImage& image, TColor mask);
    // Gives a slot back.
    void Delete(int index);
    [[nodiscard]] int UsedCount() const { return m_count; }

private:
    std::vector<bool> m_used;
    int m_count = 0;
};

class TGlyphCache
{
public:
    // The list for images of this size, made when there is none.
    TGlyphList* GetList(int width, int height);
    // Destroys `list` when no image is left in it.
    void ReturnList(TGlyphList* list);
    [[nodiscard]] bool Empty() const { return m_lists.empty(); }
    [[nodiscard]] int Count() const { return static_cast<int>(m_lists.size()); }

    // The cache while any button glyph exists; null otherwise.
    [[nodiscard]] static TGlyphCache* Instance();

private:
    std::vector<std::unique_ptr<TGlyphList>> m_lists;
};

class TButtonGlyph
{
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    // Drawing on the strip itself drops the images made from it.
    [[nodiscard]] TBitmap& Glyph() { return m_original; }
    // Copies the strip; one whose width is 1 to 5 times its height holds that many images.
    void SetGlyph(const TBitmap& glyph);
    [[nodiscard]] int NumGlyphs() const { return m_numGlyphs; }
    // Kept to 1 … 5; returns whether it changed.
    bool SetNumGlyphs(int count);
    [[nodiscard]] TColor TransparentColor() const { return m_transparentColor; }
    // One image's size: an equal part of the strip's width, its height; empty without a strip.
    [[nodiscard]] QSize ImageSize() const;

    // The index in GlyphList() of the state's image, made when not made yet or when `force`;
    // -1 when the strip has no pixels.
    int CreateButtonGlyph(TFancyButtonState state, bool force = false);
    // Draws the disabled image again, in the button colours of now, when it was made.
    void RemakeDisabled();
    // Draws the state's image with its top left corner at `at`, transparent where masked.
    void Draw(QPainter& painter, QPoint at, TFancyButtonState state);
    [[nodiscard]] TGlyphList* GlyphList() const { return m_glyphList; }
    // Gives every image made back to the list, and the list back to the cache.
    void Invalidate();

    // The strip or its images changed.
    std::function<void()> OnChange;

private:
    void GlyphChanged();
    [[nodiscard]] QImage DisabledImage(const QImage& source) const;

    TBitmap m_original;
    TGlyphList* m_glyphList = nullptr;
    int m_indexes[5] = { -1, -1, -1, -1, -1 };
    TColor m_transparentColor = framework::clOlive;
    int m_numGlyphs = 1;
};

} // namespace sondrel::components
