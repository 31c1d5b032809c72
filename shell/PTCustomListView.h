#pragma once
// The list base of the shell list: the framework's list view with custom drawing through
// TPTCustomDraw, a context menu for the focused or selected item with keyboard access, a sort
// indicator in the column header, and the list's colour and font.
//
// Custom drawing follows the notification protocol of the tree base (PTCustomTreeView.h), one
// item notification per row; the list always asks for item notifications.
//
// The sort indicator: HeaderSortColumn (-1: none) and HeaderSortDirection say what to show,
// HeaderSortDisplayMode how. The header's own arrows are used for ptlvRightOfText where the
// header offers them (ControlsVersion 6.0 and later); every other mode owner-draws the header
// items (DrawHeader), with the glyphs of DrawDownArrow and DrawUpArrow.
//
// GUI thread only. The list owns the wrapper of the last notification and the header canvas;
// the popup menu belongs to the form.

#include "Canvas.h"
#include "CustomDraw.h"
#include "CustomDrawDelegate.h"
#include "CustomListView.h"
#include "Graphics.h"
#include "ItemContextMenu.h"
#include "Messages.h"

#include <QHeaderView>
#include <QMenu>

#include <cstdint>
#include <memory>
#include <vector>

namespace sondrel::shell {

enum TPTLvSortDirection { ptsdAsc, ptsdDesc };
enum TPTLvHeaderSortDisplayMode { ptlvNone, ptlvLeftAlign, ptlvRightOfText, ptlvRightAlign };

// Header item formats.
inline constexpr std::uint32_t HDF_LEFT = 0x0;
inline constexpr std::uint32_t HDF_RIGHT = 0x1;
inline constexpr std::uint32_t HDF_CENTER = 0x2;
inline constexpr std::uint32_t HDF_JUSTIFYMASK = 0x3;
inline constexpr std::uint32_t HDF_SORTDOWN = 0x200;
inline constexpr std::uint32_t HDF_SORTUP = 0x400;
inline constexpr std::uint32_t HDF_STRING = 0x4000;
inline constexpr std::uint32_t HDF_OWNERDRAW = 0x8000;

// The list's second initialisation stage, posted to itself when its window is created.
inline constexpr int AM_INITSTAGE2 = framework::WM_USER + 100;

// A control library's version as major << 16 | minor.
using TControlsVersion = std::uint32_t;
[[nodiscard]] constexpr TControlsVersion ControlsVersion(int major, int minor)
{
    return static_cast<TControlsVersion>(major) << 16 | static_cast<TControlsVersion>(minor);
}

class TPTCustomListView;

// The list's header: draws each item natively (with the sort arrow its format asks for) or lets
// the list owner-draw it over the bare section.
class TPTListHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit TPTListHeader(TPTCustomListView& list);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    TPTCustomListView& m_list;
};

class TPTCustomListView : public framework::TCustomListView
{
    Q_OBJECT

public:
    explicit TPTCustomListView(QWidget* parent = nullptr);
    ~TPTCustomListView() override;

    [[nodiscard]] const framework::TFont& Font() const { return m_font; }
    void SetFont(const framework::TFont& font) { m_font.Assign(font); }
    [[nodiscard]] framework::TColor Color() const { return m_color; }
    void SetColor(framework::TColor color);
    [[nodiscard]] QMenu* PopupMenu() const { return m_contextMenu.PopupMenu(); }
    void SetPopupMenu(QMenu* menu) { m_contextMenu.SetPopupMenu(menu); }
    [[nodiscard]] bool HandleAllocated() const { return m_handleAllocated; }

    // The header, or null while the list has no window.
    [[nodiscard]] QHeaderView* HeaderHandle() const;
    [[nodiscard]] int HeaderSortColumn() const { return m_headerSortColumn; }
    void SetHeaderSortColumn(int column);
    [[nodiscard]] TPTLvSortDirection HeaderSortDirection() const { return m_headerSortDirection; }
    void SetHeaderSortDirection(TPTLvSortDirection direction);
    // The format the header draws column `column` with (HDF_...), 0 before the first update.
    [[nodiscard]] std::uint32_t HeaderFormat(int column) const;

protected:
    // Draws the row of `index` as the drop target under a drag (none for an invalid index).
    void SetDropHighlightRow(const QModelIndex& index);
    // Handles one custom-draw notification; the wrapper returned (or null) is kept until the
    // next one. `record` is always the list variant (TNMLVCustomDraw).
    virtual std::unique_ptr<TPTCustomDraw> PTCustomDraw(
        TNMCustomDraw& record, std::int32_t& result);
    virtual std::unique_ptr<TPTCustomDraw> CreateCustomDraw(
        TNMCustomDraw& record, std::int32_t& result);
    // The context menu anchored on the focused or selected item; `pos` is where it goes
    // without one (viewport coordinates).
    virtual void DoPreItemContextMenu(framework::TPoint pos);
    // Asks ItemContextMenu for the focused item, then pops the menu up at `pos`.
    virtual void DoItemContextMenu(framework::TPoint pos);
    // Fires OnItemContextMenu.
    virtual void ItemContextMenu(framework::TListItem* item, framework::TPoint& pos, QMenu*& menu);
    // A context menu asked for where no item is selected (`pos` in viewport coordinates): none,
    // unless a subclass has one for the view itself.
    virtual void BackgroundContextMenu(framework::TPoint /*pos*/) { }
    // Called once, when the window comes to exist.
    virtual void CreateWnd();
    // What the header offers, as the versions of the platform's control library count it. Qt's
    // header has its own sort arrows and owner-drawn items, as version 6.0 has.
    [[nodiscard]] virtual TControlsVersion HeaderControlsVersion() const;

    [[nodiscard]] TPTLvHeaderSortDisplayMode HeaderSortDisplayMode() const
    {
        return m_headerSortDisplayMode;
    }
    void SetHeaderSortDisplayMode(TPTLvHeaderSortDisplayMode mode);
    // With false the owner-drawn header items stay blank.
    [[nodiscard]] bool HeaderDefaultDrawing() const { return m_headerDefaultDrawing; }
    void SetHeaderDefaultDrawing(bool drawing);

    // Re-applies the header item formats.
    void SetHeaderODStyle();
    // Owner drawing of one header item, R in header coordinates.
    virtual void DrawHeader(int column, framework::TRect r);
    void DefaultDrawHeader(int column, framework::TRect r);
    void DrawHeaderGlyphs(int column, framework::TRect a);
    [[nodiscard]] framework::TCanvas& HeaderCanvas() { return m_headerCanvas; }

    // framework
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;

    // Qt
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    TPTLvOnItemContextMenuEvent OnItemContextMenu;
    TPTLvCustomDrawEvent OnPTCustomDraw;
    TPTLvCustomDrawEvent OnPTCustomDrawEx;

private:
    friend class TPTListHeader;

    std::int32_t CustomDrawNotify(TNMCustomDraw& record);
    void WMContextMenu(QPoint pos, bool keyboard);
    void ApplyColor();
    [[nodiscard]] QRect IconRect(framework::TListItem* item) const;
    void InvalidateHeaderItem(int column);
    // The header's owner-drawn item, as the header paints it.
    void WMDrawItem(QPainter* painter, int column, const QRect& rect);

    framework::TFont m_font;
    framework::TColor m_color = framework::clWindow;
    TItemContextMenu m_contextMenu;
    bool m_handleAllocated = false;
    bool m_itemStages = false;
    std::unique_ptr<TPTCustomDraw> m_customDraw;
    TPTItemLook m_look;
    // The row drawn as the drop target under a drag (set by the shell list), or none.
    QPersistentModelIndex m_dropHighlightRow;
    framework::TCanvas m_headerCanvas;
    int m_headerSortColumn = -1;
    TPTLvSortDirection m_headerSortDirection = ptsdAsc;
    TPTLvHeaderSortDisplayMode m_headerSortDisplayMode = ptlvRightOfText;
    bool m_headerDefaultDrawing = true;
    int m_headerStyleUpdating = 0;
    std::vector<std::uint32_t> m_headerFormats;
};

// The same list with its properties and events public, for use as a plain control.
class TPTListView : public TPTCustomListView
{
    Q_OBJECT

public:
    using TPTCustomListView::TPTCustomListView;

    using TPTCustomListView::HeaderDefaultDrawing;
    using TPTCustomListView::HeaderSortDisplayMode;
    using TPTCustomListView::OnItemContextMenu;
    using TPTCustomListView::OnPTCustomDraw;
    using TPTCustomListView::OnPTCustomDrawEx;
    using TPTCustomListView::SetHeaderDefaultDrawing;
    using TPTCustomListView::SetHeaderSortDisplayMode;
};

} // namespace sondrel::shell
