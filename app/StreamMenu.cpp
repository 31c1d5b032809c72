#include "StreamMenu.h"

#include "ClipboardFormats.h"
#include "StreamSave.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDrag>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressDialog>

namespace sondrel::app {

namespace {
    // Streams smaller than this save before a progress dialog would be worth showing.
    constexpr std::uint64_t kProgressFrom = 16ull << 20;
} // namespace

TStreamMenu::TStreamMenu(
    QAbstractItemView* list, QWidget* content, TDumpPane& pane, TChooser chooser)
    : QObject(list)
    , m_list(list)
    , m_content(content)
    , m_pane(pane)
    , m_chooser(std::move(chooser))
{
    for (QWidget* widget : { static_cast<QWidget*>(m_list), m_content }) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(
            widget, &QWidget::customContextMenuRequested, this, [this, widget](const QPoint& at) {
                if (!m_chooser().Info)
                    return;
                const std::unique_ptr<QMenu> menu = MakeMenu(widget == m_list);
                menu->exec(widget->mapToGlobal(at));
            });
    }
    m_list->viewport()->installEventFilter(this);
}

std::unique_ptr<QMenu> TStreamMenu::MakeMenu(bool wholeStream)
{
    auto menu = std::make_unique<QMenu>(m_list->window());
    menu->addAction(QString::fromUtf8("&Save stream as\u2026"), this, [this] { SaveStreamAs(); });
    menu->addSeparator();
    menu->addAction(
        QStringLiteral("Copy as &hex dump"), this, [this, wholeStream] { CopyDump(wholeStream); });
    menu->addAction(
        QStringLiteral("Copy as &text"), this, [this, wholeStream] { CopyText(wholeStream); });
    menu->addAction(QStringLiteral("Copy as &raw bytes"), this,
        [this, wholeStream] { CopyBytes(wholeStream); });
    menu->addAction(QStringLiteral("Copy &name"), this, [this] { CopyName(); });
    return menu;
}

void TStreamMenu::Tell(const QString& text) const
{
    QMessageBox::warning(m_list->window(), QStringLiteral("Sondrel"), text);
}

QString TStreamMenu::SaveChosenStream(const QString& target)
{
    const TStreamChoice choice = m_chooser();
    if (!choice.Info)
        return QStringLiteral("No stream is selected.");
    std::unique_ptr<QProgressDialog> dialog;
    TSaveProgress progress;
    if (choice.Info->Size() >= kProgressFrom) {
        dialog
            = std::make_unique<QProgressDialog>(QStringLiteral("Saving %1...").arg(choice.Caption),
                QStringLiteral("Cancel"), 0, 1000, m_list->window());
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(m_progressDelay);
        progress = [&dialog](std::uint64_t written, std::uint64_t size) {
            dialog->setValue(static_cast<int>(size ? written * 1000 / size : 1000));
            return !dialog->wasCanceled();
        };
    }
    return SaveStream(choice.Path, choice.Index, *choice.Info, target, progress);
}

void TStreamMenu::SaveStreamAs()
{
    const TStreamChoice choice = m_chooser();
    if (!choice.Info)
        return;
    const QString folder = QFileInfo(QFile::decodeName(choice.Path.c_str())).absolutePath();
    const QString target
        = QFileDialog::getSaveFileName(m_list->window(), QStringLiteral("Save stream as"),
            QDir(folder).filePath(StreamFileName(choice.Path, *choice.Info)));
    if (target.isEmpty())
        return;
    if (const QString error = SaveChosenStream(target);
        !error.isEmpty() && error != SaveCancelledText())
        Tell(QStringLiteral("%1 was not saved.\n\n%2").arg(choice.Caption, error));
}

QString TStreamMenu::ExportForDrag()
{
    const TStreamChoice choice = m_chooser();
    if (!choice.Info)
        return {};
    if (!m_exports)
        m_exports = std::make_unique<QTemporaryDir>();
    // One folder per drag, so that two streams of the same name never meet.
    QString folder;
    for (int i = 0; folder.isEmpty() || QFileInfo::exists(folder); ++i)
        folder = m_exports->filePath(QString::number(i));
    if (!m_exports->isValid() || !QDir().mkpath(folder)) {
        Tell(QStringLiteral("There is no room for a temporary copy of %1.").arg(choice.Caption));
        return {};
    }
    const QString target = QDir(folder).filePath(StreamFileName(choice.Path, *choice.Info));
    if (const QString error = SaveChosenStream(target); !error.isEmpty()) {
        Tell(QStringLiteral("%1 cannot be dragged.\n\n%2").arg(choice.Caption, error));
        return {};
    }
    return target;
}

QMimeData* TStreamMenu::DragData()
{
    const QString file = ExportForDrag();
    if (file.isEmpty())
        return nullptr;
    // The path's bytes, so that a name that is not UTF-8 arrives as it is.
    return platform::MakeMimeData({ { QFile::encodeName(file).toStdString() }, false, true });
}

void TStreamMenu::CopyDump(bool wholeStream) const
{
    QApplication::clipboard()->setText(m_pane.DumpText(wholeStream));
}

void TStreamMenu::CopyText(bool wholeStream) const
{
    QApplication::clipboard()->setText(m_pane.CharacterText(wholeStream));
}

void TStreamMenu::CopyBytes(bool wholeStream) const
{
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("application/octet-stream"), m_pane.Bytes(wholeStream));
    QApplication::clipboard()->setMimeData(mime);
}

void TStreamMenu::CopyName() const { QApplication::clipboard()->setText(m_chooser().Caption); }

bool TStreamMenu::eventFilter(QObject*, QEvent* event)
{
    // Only the list's viewport is watched: a drag of a stream begins there.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressed = mouse->button() == Qt::LeftButton;
        m_pressAt = mouse->position().toPoint();
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        return false;
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressed || !(mouse->buttons() & Qt::LeftButton)
            || (mouse->position().toPoint() - m_pressAt).manhattanLength()
                < QApplication::startDragDistance()
            || !m_list->indexAt(m_pressAt).isValid())
            return false;
        m_pressed = false;
        QMimeData* mime = DragData();
        if (!mime)
            return true;
        auto* drag = new QDrag(m_list);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction, Qt::CopyAction);
        return true;
    }
    default:
        return false;
    }
}

} // namespace sondrel::app
