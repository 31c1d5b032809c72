#include "ShellDragDrop.h"

#include "ClipboardFormats.h"
#include "FolderDropTarget.h"
#include "Guard.h"
#include "IdListArray.h"
#include "IdListArrayFormat.h"
#include "ShellHeld.h"
#include "UriPath.h"

#include <QAbstractScrollArea>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

namespace sondrel::shell {

using namespace win32;

// ---- The drop source

TDropSource_shlvtv::TDropSource_shlvtv(Qt::MouseButton button)
    : m_button(button == Qt::RightButton ? MK_RBUTTON
            : button == Qt::MiddleButton ? 0x10
                                         : MK_LBUTTON)
{
}

HRESULT TDropSource_shlvtv::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDropSource) {
        *object = static_cast<IDropSource_NRC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TDropSource_shlvtv::AddRef() { return ++m_references; }

ULONG TDropSource_shlvtv::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TDropSource_shlvtv::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed || (keyState & (0x13 ^ m_button)))
        return DRAGDROP_S_CANCEL;
    return (keyState & m_button) ? S_OK : DRAGDROP_S_DROP;
}

HRESULT TDropSource_shlvtv::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// ---- Qt's side

DWORD DragKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys)
{
    DWORD state = 0;
    if (buttons & Qt::LeftButton)
        state |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        state |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        state |= 0x10;
    if (keys & Qt::ShiftModifier)
        state |= MK_SHIFT;
    if (keys & Qt::ControlModifier)
        state |= MK_CONTROL;
    return state;
}

QMimeData* MimeDataOf(const TPTShellDataObject& data)
{
    auto* mime = new QMimeData;
    if (!data.IdListArrayBlock().empty())
        mime->setData(QString::fromLatin1(platform::kIdListArrayMime),
            QByteArray::fromStdString(data.IdListArrayBlock()));
    std::string uris;
    for (const std::string& path : data.Paths())
        uris += platform::FileUri(path) + "\r\n";
    if (!uris.empty())
        mime->setData(QString::fromLatin1(platform::kUriListMime), QByteArray::fromStdString(uris));
    return mime;
}

IDataObject_NRC* DataObjectOf(const QMimeData& mime)
{
    const auto transfer = platform::ReadMimeData(mime);
    if (!transfer || transfer->Paths.empty())
        return nullptr;
    auto* object = new TDataObject_files(transfer->Paths, transfer->NewNames);
    IDataObject_NRC* data = nullptr;
    (void)object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data));
    return data;
}

namespace {

    // Asks the drop source at each button pressed during a drag whether it goes on: Qt's drag
    // ends at the release of any button, so another button must cancel at its press.
    class TDragButtonWatch final : public QObject
    {
    public:
        explicit TDragButtonWatch(IDropSource_NRC& source)
            : m_source(source)
        {
            qApp->installEventFilter(this);
        }
        ~TDragButtonWatch() override { qApp->removeEventFilter(this); }
        TDragButtonWatch(const TDragButtonWatch&) = delete;
        TDragButtonWatch& operator=(const TDragButtonWatch&) = delete;

    protected:
        bool eventFilter(QObject* /*watched*/, QEvent* event) override
        {
            if (event->type() != QEvent::MouseButtonPress || m_cancelled)
                return false;
            const auto* press = static_cast<QMouseEvent*>(event);
            if (m_source.QueryContinueDrag(
                    FALSE, DragKeyState(press->buttons(), press->modifiers()))
                != DRAGDROP_S_CANCEL)
                return false;
            m_cancelled = true;
            QDrag::cancel();
            return true;
        }

    private:
        IDropSource_NRC& m_source;
        bool m_cancelled = false;
    };

} // namespace

Qt::MouseButton DragButton()
{
    const Qt::MouseButtons held = QGuiApplication::mouseButtons();
    return (held & Qt::RightButton) && !(held & Qt::LeftButton) ? Qt::RightButton : Qt::LeftButton;
}

DWORD RunDrag(QWidget* source, const TPTShellDataObject& data, DWORD allowed)
{
    Held<IDropSource_NRC> dropSource;
    (void)(new TDropSource_shlvtv(DragButton()))
        ->QueryInterface(IID_IDropSource, reinterpret_cast<void**>(dropSource.Out()));
    const TDragButtonWatch watch(*dropSource.Get());
    auto* drag = new QDrag(source);
    drag->setMimeData(MimeDataOf(data));
    const Qt::DropActions actions(static_cast<int>(allowed & 0x7));
    const Qt::DropAction done
        = drag->exec(actions, (allowed & DROPEFFECT_MOVE) ? Qt::MoveAction : Qt::CopyAction);
    return static_cast<DWORD>(done) & 0x7;
}

bool AutoScrollStep(QAbstractScrollArea& view, QPoint pos, QElapsedTimer& last)
{
    if (last.isValid() && last.elapsed() < PTSH_AUTOSCROLL_MINDELAY_MS)
        return false;
    const QSize size = view.viewport()->size();
    bool scrolled = false;
    auto step = [&](QScrollBar* bar, int direction) {
        const int before = bar->value();
        bar->triggerAction(direction < 0 ? QAbstractSlider::SliderSingleStepSub
                                         : QAbstractSlider::SliderSingleStepAdd);
        scrolled = scrolled || bar->value() != before;
    };
    if (pos.x() < PTSH_AUTOSCROLL_THRESHOLD_X)
        step(view.horizontalScrollBar(), -1);
    else if (pos.x() >= size.width() - PTSH_AUTOSCROLL_THRESHOLD_X)
        step(view.horizontalScrollBar(), 1);
    if (pos.y() < PTSH_AUTOSCROLL_THRESHOLD_Y)
        step(view.verticalScrollBar(), -1);
    else if (pos.y() >= size.height() - PTSH_AUTOSCROLL_THRESHOLD_Y)
        step(view.verticalScrollBar(), 1);
    last.start();
    return scrolled;
}

TDragHover::TDragHover(std::function<void(QPoint, DWORD)> tick)
{
    m_timer.setInterval(PTSH_AUTOSCROLL_MINDELAY_MS);
    QObject::connect(&m_timer, &QTimer::timeout,
        [this, tick = std::move(tick)] { framework::Guarded([&] { tick(m_pos, m_keyState); }); });
}

void TDragHover::Moved(QPoint pos, DWORD keyState)
{
    m_pos = pos;
    m_keyState = keyState;
    m_timer.start();
}

void TDragHover::Stop() { m_timer.stop(); }

IDropTarget_NRC* FolderDropTargetOf(PCItemIDList pidl)
{
    void* target = nullptr;
    if (FAILED(ShellGetUIObjectOfIdList(pidl, IID_IDropTarget, &target)))
        return nullptr;
    return static_cast<IDropTarget_NRC*>(target);
}

DWORD AllowedEffectsOf(IDataObject_NRC* data)
{
    constexpr DWORD kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    FORMATETC wanted;
    wanted.cfFormat = ShellIdListArrayFormat();
    wanted.tymed = TYMED_HGLOBAL;
    STGMEDIUM medium;
    if (data == nullptr || data->QueryGetData(&wanted) != S_OK
        || data->GetData(&wanted, &medium) != S_OK)
        return kAll;
    const std::string block(
        static_cast<const char*>(GlobalLock(medium.hGlobal)), GlobalSize(medium.hGlobal));
    (void)GlobalFree(medium.hGlobal);
    const auto view = idlist::DecodeArray(block);
    if (!view)
        return DROPEFFECT_NONE;
    Held<IShellFolder_NRC> parent;
    if (FAILED(ShellGetFolderFromIdList(
            reinterpret_cast<PCItemIDList>(view->Parent.data()), parent.Pointer)))
        return DROPEFFECT_NONE;
    std::vector<PCIDLIST> items;
    for (const std::string_view item : view->Items)
        items.push_back(reinterpret_cast<PCIDLIST>(item.data()));
    SFGAOF attributes = kAll;
    if (FAILED(parent->GetAttributesOf(static_cast<UINT>(items.size()), items.data(), &attributes)))
        return DROPEFFECT_NONE;
    return attributes & kAll;
}

} // namespace sondrel::shell
