#include "StandardImages.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <array>
#include <vector>

namespace sondrel::shell {

namespace {

    using platform::StandardImage;

    // The common style's picture files for an image: their stem for each state (a folder shows
    // open when its node is), and the style's name for the image where the files are missing.
    struct TPicture
    {
        QStyle::StandardPixmap Style;
        const char* Off;
        const char* On;
    };

    // In the order of StandardImage.
    constexpr std::array<TPicture, 12> kPictures { {
        { QStyle::SP_FileIcon, "file", nullptr },
        { QStyle::SP_DirClosedIcon, "dirclosed", "diropen" },
        { QStyle::SP_DirOpenIcon, "diropen", nullptr },
        { QStyle::SP_DriveHDIcon, "harddrive", nullptr },
        { QStyle::SP_DriveFDIcon, "floppy", nullptr },
        { QStyle::SP_DriveNetIcon, "networkdrive", nullptr },
        { QStyle::SP_DriveCDIcon, "cdr", nullptr },
        { QStyle::SP_ComputerIcon, "computer", nullptr },
        { QStyle::SP_TrashIcon, "trash", nullptr },
        // The pictures have no house; the style draws home as a folder as well.
        { QStyle::SP_DirHomeIcon, "dirclosed", "diropen" },
        { QStyle::SP_DriveNetIcon, "networkdrive", nullptr },
        { QStyle::SP_FileLinkIcon, "filelink", nullptr },
    } };
    static_assert(static_cast<std::size_t>(StandardImage::LinkOverlay) + 1 == kPictures.size());

    constexpr std::array kSizes { 16, 32, 128 };

    QString PicturePath(const char* stem, int size)
    {
        return QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1-%2.png")
            .arg(QLatin1String(stem))
            .arg(size);
    }

    // The sizes of a picture the style's resources hold, smallest first.
    std::vector<int> SizesOf(const char* stem)
    {
        std::vector<int> sizes;
        if (stem == nullptr)
            return sizes;
        for (const int size : kSizes) {
            if (QFile::exists(PicturePath(stem, size)))
                sizes.push_back(size);
        }
        return sizes;
    }

    // Reads a picture's file for a size only when that size is first drawn. It reads the file an
    // icon holding every size would draw from (the smallest at least as large, else the
    // largest), so that both draw alike.
    class TStandardImageEngine final : public QIconEngine
    {
    public:
        TStandardImageEngine(TPicture picture, std::vector<int> sizes)
            : m_picture(picture)
            , m_sizes(std::move(sizes))
        {
        }

        void paint(
            QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
        {
            const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
            Loaded(rect.size() * ratio, state).paint(painter, rect, Qt::AlignCenter, mode, state);
        }

        QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
        {
            return Loaded(size, state).actualSize(size, mode, state);
        }

        QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
        {
            return Loaded(size, state).pixmap(size, mode, state);
        }

        QPixmap scaledPixmap(
            const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
        {
            return Loaded(size * scale, state).pixmap(size, scale, mode, state);
        }

        QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
        {
            QList<QSize> sizes;
            for (const int size : m_sizes)
                sizes.append(QSize(size, size));
            return sizes;
        }

        QString key() const override { return QStringLiteral("sondrel.standardimage"); }
        QIconEngine* clone() const override { return new TStandardImageEngine(*this); }

    private:
        TStandardImageEngine(const TStandardImageEngine&) = default;

        QIcon& Loaded(const QSize& wanted, QIcon::State state)
        {
            const int side = std::max(wanted.width(), wanted.height());
            int size = m_sizes.back();
            for (const int candidate : m_sizes) {
                if (candidate >= side) {
                    size = candidate;
                    break;
                }
            }
            const bool open = state == QIcon::On && m_picture.On != nullptr;
            std::vector<int>& read = open ? m_readOn : m_readOff;
            if (std::find(read.begin(), read.end(), size) != read.end())
                return m_icon;
            read.push_back(size);
            QImageReader reader(PicturePath(open ? m_picture.On : m_picture.Off, size), "png");
            reader.setAutoDetectImageFormat(false);
            const QImage image = reader.read();
            if (!image.isNull())
                m_icon.addPixmap(
                    QPixmap::fromImage(image), QIcon::Normal, open ? QIcon::On : QIcon::Off);
            return m_icon;
        }

        TPicture m_picture;
        std::vector<int> m_sizes;
        std::vector<int> m_readOff;
        std::vector<int> m_readOn;
        QIcon m_icon;
    };

} // namespace

QIcon StandardImageIcon(StandardImage image)
{
    const TPicture& picture = kPictures.at(static_cast<std::size_t>(image));
    std::vector<int> sizes = SizesOf(picture.Off);
    const bool openAlike = picture.On == nullptr || SizesOf(picture.On) == sizes;
    if (!sizes.empty() && openAlike)
        return QIcon(new TStandardImageEngine(picture, std::move(sizes)));
    // A library without the pictures: the style's own icon, however it makes it.
    return QApplication::style()->standardIcon(picture.Style);
}

} // namespace sondrel::shell
