// The shell's standard pictures, read one size at a time.

#include "StandardImages.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QTest>

using sondrel::platform::StandardImage;
using sondrel::shell::StandardImageIcon;

namespace {

QImage Painted(const QIcon& icon, int side, QIcon::Mode mode, QIcon::State state)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(0, 0, side, side), Qt::AlignCenter, mode, state);
    return image;
}

} // namespace

class StandardImagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One icon asked for every size, mode and state the views use, large before small so that
    // a size read first cannot stand in for a better one read later, must draw as an icon that
    // held every size from the start.
    void drawAsAnIconHoldingEverySize()
    {
        using enum StandardImage;
        for (const StandardImage image : { File, Folder, FolderOpen, HardDisk, RemovableDisk,
                 NetworkDrive, OpticalDisk, Computer, Trash, Home, SharedOverlay, LinkOverlay }) {
            QIcon whole;
            const QList<QSize> sizes = StandardImageIcon(image).availableSizes();
            QVERIFY(!sizes.isEmpty());
            for (const QSize& size : sizes) {
                for (const QIcon::State state : { QIcon::Off, QIcon::On }) {
                    const QPixmap exact
                        = StandardImageIcon(image).pixmap(size, QIcon::Normal, state);
                    QCOMPARE(exact.size(), size);
                    whole.addPixmap(exact, QIcon::Normal, state);
                }
            }
            const QIcon ours = StandardImageIcon(image);
            for (const int side : { 48, 16, 24, 32, 8, 130 }) {
                for (const QIcon::State state : { QIcon::Off, QIcon::On }) {
                    for (const QIcon::Mode mode :
                        { QIcon::Normal, QIcon::Disabled, QIcon::Selected }) {
                        const QByteArray where = QByteArray("image ")
                            + QByteArray::number(static_cast<int>(image)) + " side "
                            + QByteArray::number(side) + " mode " + QByteArray::number(mode)
                            + " state " + QByteArray::number(state);
                        const QSize size(side, side);
                        QVERIFY2(ours.actualSize(size, mode, state)
                                == whole.actualSize(size, mode, state),
                            where.constData());
                        QVERIFY2(ours.pixmap(size, mode, state).toImage()
                                == whole.pixmap(size, mode, state).toImage(),
                            where.constData());
                        QVERIFY2(
                            Painted(ours, side, mode, state) == Painted(whole, side, mode, state),
                            where.constData());
                    }
                }
            }
        }
    }

    // An expanded folder's node draws the open folder; a file has one picture for both.
    void foldersOpenWithTheirNodes()
    {
        const QSize size(16, 16);
        const QIcon folder = StandardImageIcon(StandardImage::Folder);
        QVERIFY(folder.pixmap(size, QIcon::Normal, QIcon::On).toImage()
            != folder.pixmap(size, QIcon::Normal, QIcon::Off).toImage());
        QCOMPARE(folder.pixmap(size, QIcon::Normal, QIcon::On).toImage(),
            StandardImageIcon(StandardImage::FolderOpen).pixmap(size).toImage());
        const QIcon file = StandardImageIcon(StandardImage::File);
        QCOMPARE(file.pixmap(size, QIcon::Normal, QIcon::On).toImage(),
            file.pixmap(size, QIcon::Normal, QIcon::Off).toImage());
    }
};

QTEST_MAIN(StandardImagesTest)
#include "StandardImagesTest.moc"
