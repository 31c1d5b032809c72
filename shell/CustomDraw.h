#pragma once
// Custom drawing of the tree and list bases: the notification records the views fill while they
// paint, the draw stages and result codes, and the wrapper (TPTCustomDraw) that the draw events
// are handed. A handler changes an item's look through the wrapper's Font and Brush or its
// flags; Apply writes the changes back into the record and the result, and the view then draws
// the item with them (or not at all, with SkipDefault).
//
// The view creates a wrapper per notification and keeps it until the next one or its own
// destruction; handlers must not hold on to it. GUI thread only.

#include "Canvas.h"
#include "Events.h"
#include "Geometry.h"
#include "Graphics.h"

#include <QFont>

#include <cstdint>
#include <functional>
#include <memory>

class QMenu;
class QPainter;
class QWidget;

namespace sondrel::framework {
class TListItem;
class TTreeNode;
} // namespace sondrel::framework

namespace sondrel::shell {

// What a notification hands out as its device context: the painter the view paints with, and
// what the default drawing of an item will use (the font selected into it, its text and
// background colours as 0x00BBGGRR).
struct TPTDeviceContext
{
    QPainter* Painter = nullptr;
    QFont Font;
    std::uint32_t TextColor = 0;
    std::uint32_t BkColor = 0;
};
using HDC = TPTDeviceContext*;

struct TNMHdr
{
    QWidget* hwndFrom = nullptr;
    std::uintptr_t idFrom = 0;
    int code = 0;
};

inline constexpr int NM_CUSTOMDRAW = -12;

struct TNMCustomDraw
{
    TNMHdr hdr;
    std::uint32_t dwDrawStage = 0;
    HDC hdc = nullptr;
    framework::TRect rc;
    std::uintptr_t dwItemSpec = 0; // tree: the node's ItemId; list: the item's index
    std::uint32_t uItemState = 0;
    std::intptr_t lItemlParam = 0; // the node's or item's data pointer
};

struct TNMTVCustomDraw
{
    TNMCustomDraw nmcd;
    std::uint32_t clrText = 0;
    std::uint32_t clrTextBk = 0;
};

struct TNMLVCustomDraw
{
    TNMCustomDraw nmcd;
    std::uint32_t clrText = 0;
    std::uint32_t clrTextBk = 0;
};

// Draw stages.
inline constexpr std::uint32_t CDDS_PREPAINT = 0x1;
inline constexpr std::uint32_t CDDS_POSTPAINT = 0x2;
inline constexpr std::uint32_t CDDS_PREERASE = 0x3;
inline constexpr std::uint32_t CDDS_POSTERASE = 0x4;
inline constexpr std::uint32_t CDDS_ITEM = 0x10000;
inline constexpr std::uint32_t CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
inline constexpr std::uint32_t CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;

// Result codes.
inline constexpr std::int32_t CDRF_DODEFAULT = 0x0;
inline constexpr std::int32_t CDRF_NEWFONT = 0x2;
inline constexpr std::int32_t CDRF_SKIPDEFAULT = 0x4;
inline constexpr std::int32_t CDRF_NOTIFYPOSTPAINT = 0x10;
inline constexpr std::int32_t CDRF_NOTIFYITEMDRAW = 0x20;

// Item states.
inline constexpr std::uint32_t CDIS_SELECTED = 0x1;
inline constexpr std::uint32_t CDIS_FOCUS = 0x10;

enum TPTCustomDrawStage {
    ptcdsUnknown,
    ptcdsPrePaint,
    ptcdsPostPaint,
    ptcdsPreErase,
    ptcdsItemPrePaint,
    ptcdsItemPostPaint,
    ptcdsItemPreErase,
    ptcdsItemPostErase,
};

class TPTCustomDraw
{
public:
    TPTCustomDraw(TNMCustomDraw& record, std::int32_t& result, const framework::TFont& defaultFont);
    virtual ~TPTCustomDraw();
    TPTCustomDraw(const TPTCustomDraw&) = delete;
    TPTCustomDraw& operator=(const TPTCustomDraw&) = delete;

    // Starts over on another notification: the font and brush go, so no change is reported.
    virtual void Reset(TNMCustomDraw& record, std::int32_t& result);
    // Writes the handler's changes into the record and the result.
    virtual void Apply() = 0;

    // Created on first read; writing assigns the given font's (brush's) attributes.
    framework::TFont& Font();
    void SetFont(const framework::TFont& font) { Font().Assign(font); }
    framework::TBrush& Brush();
    void SetBrush(const framework::TBrush& brush) { Brush().Assign(brush); }
    // Draws on the record's device context; created on first read.
    framework::TCanvas& Canvas();
    [[nodiscard]] HDC Handle() const { return m_record->hdc; }
    [[nodiscard]] bool IsItem() const { return (m_record->dwDrawStage & CDDS_ITEM) != 0; }
    [[nodiscard]] framework::TRect Rect() const { return m_record->rc; }
    [[nodiscard]] TPTCustomDrawStage DrawStage() const;
    [[nodiscard]] std::uint32_t RawDrawStage() const { return m_record->dwDrawStage; }
    [[nodiscard]] std::int32_t Result() const { return *m_result; }
    void SetResult(std::int32_t result);
    // At the pre-paint stage: ask the view for per-item notifications.
    [[nodiscard]] bool NotifyItemDraw() const { return m_notifyItemDraw; }
    void SetNotifyItemDraw(bool notify) { m_notifyItemDraw = notify; }
    // At the item pre-paint stage: the view does not draw the item.
    [[nodiscard]] bool SkipDefault() const { return m_skipDefault; }
    void SetSkipDefault(bool skip) { m_skipDefault = skip; }

protected:
    virtual void CreateFont();
    virtual void CreateBrush();

    [[nodiscard]] TNMCustomDraw& Record() const { return *m_record; }
    // The steps both variants share; `keepResult` leaves a result a handler set alone.
    void ApplyLook(bool keepResult, std::uint32_t& clrText, std::uint32_t& clrTextBk);

private:
    const framework::TFont* m_defaultFont = nullptr;
    std::unique_ptr<framework::TFont> m_font;
    bool m_fontChanged = false;
    std::unique_ptr<framework::TBrush> m_brush;
    bool m_brushChanged = false;
    bool m_notifyItemDraw = false;
    bool m_skipDefault = false;
    TNMCustomDraw* m_record = nullptr;
    std::int32_t* m_result = nullptr;
    bool m_resultSet = false;
    std::unique_ptr<framework::TCanvas> m_canvas;
};

// The tree's wrapper: a result a handler set survives Apply.
class TPTTvCustomDraw : public TPTCustomDraw
{
public:
    using TPTCustomDraw::TPTCustomDraw;

    [[nodiscard]] TNMTVCustomDraw* MpTvCd() const;
    void Apply() override;
};

// The list's wrapper: Apply always computes the result anew.
class TPTLvCustomDraw : public TPTCustomDraw
{
public:
    using TPTCustomDraw::TPTCustomDraw;

    [[nodiscard]] TNMLVCustomDraw* MpLvCd() const;
    void Apply() override;
};

using TPTTvCustomDrawEvent = std::function<void(
    framework::TObject* aSender, TPTCustomDraw* aCD, framework::TTreeNode* aNode)>;
using TPTLvCustomDrawEvent = std::function<void(
    framework::TObject* aSender, TPTCustomDraw* aCD, framework::TListItem* aItem)>;
using TPTTvOnNodeContextMenuEvent = std::function<void(framework::TObject* aSender,
    framework::TTreeNode* aNode, framework::TPoint& aPos, QMenu*& aMenu)>;
using TPTLvOnItemContextMenuEvent = std::function<void(framework::TObject* aSender,
    framework::TListItem* aItem, framework::TPoint& aPos, QMenu*& aMenu)>;

// The control a popup menu was last shown for, so that its actions know whom they serve.
void SetPopupComponent(QMenu* menu, QWidget* component);
[[nodiscard]] QWidget* PopupComponent(const QMenu* menu);

} // namespace sondrel::shell
