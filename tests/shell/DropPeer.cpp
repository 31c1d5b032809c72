// Another file manager, as far as drag and drop between programs goes: a window at a given place
// that either takes a drop and writes the `text/uri-list` bytes it got to a file, or starts a drag
// of given URIs when a button is pressed in it and says which action the drag ended in. Built
// with the drag-and-drop tests, which drive it with a real pointer under a real X server.
//
//   sondrel-drop-peer accept X Y OUTFILE     take one drop, write its URIs to OUTFILE, exit 0
//   sondrel-drop-peer offer X Y URI...       drag the URIs on a button press; print the action
//
// It prints "ready" once its window is on the screen, and exits by itself after a minute.

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

constexpr auto kUriList = "text/uri-list";

class Peer final : public QWidget
{
public:
    Peer(QString outFile, QByteArray offer)
        : m_outFile(std::move(outFile))
        , m_offer(std::move(offer))
    {
        setAcceptDrops(m_offer.isEmpty());
        setWindowTitle(QStringLiteral("drop peer"));
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (event->mimeData()->hasFormat(QString::fromLatin1(kUriList)))
            event->acceptProposedAction();
    }

    void dropEvent(QDropEvent* event) override
    {
        QFile out(m_outFile);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            QApplication::exit(2);
        out.write(event->mimeData()->data(QString::fromLatin1(kUriList)));
        out.close();
        // A copy: the files are the source's to keep.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QTimer::singleShot(0, [] { QApplication::exit(0); });
    }

    void mousePressEvent(QMouseEvent*) override
    {
        if (m_offer.isEmpty())
            return;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setData(QString::fromLatin1(kUriList), m_offer);
        drag->setMimeData(mime);
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        std::printf("%s\n",
            done == Qt::CopyAction       ? "copy"
                : done == Qt::MoveAction ? "move"
                                         : "none");
        std::fflush(stdout);
        QTimer::singleShot(0, [] { QApplication::exit(0); });
    }

    void showEvent(QShowEvent*) override
    {
        QTimer::singleShot(50, this, [this] { SayReady(); });
    }

private:
    // Once the window is on the screen and takes part in drags.
    void SayReady()
    {
        if (windowHandle() == nullptr || !windowHandle()->isExposed()) {
            QTimer::singleShot(50, this, [this] { SayReady(); });
            return;
        }
        std::printf("ready\n");
        std::fflush(stdout);
    }

    QString m_outFile;
    QByteArray m_offer;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 5
        || (args[1] != QLatin1String("accept") && args[1] != QLatin1String("offer"))) {
        std::fprintf(stderr, "usage: sondrel-drop-peer accept|offer X Y OUTFILE|URI...\n");
        return 64;
    }
    QByteArray offer;
    QString outFile;
    if (args[1] == QLatin1String("accept")) {
        outFile = args[4];
    } else {
        // The URIs as given, byte for byte: names that are not UTF-8 travel percent-encoded.
        for (int i = 4; i < argc; ++i)
            offer += QByteArray(argv[i]) + "\r\n";
    }
    Peer peer(outFile, offer);
    peer.setGeometry(args[2].toInt(), args[3].toInt(), 200, 200);
    peer.show();
    QTimer::singleShot(60'000, [] { QApplication::exit(3); });
    return QApplication::exec();
}
