#include "StreamSave.h"

#include "StreamKinds.h"
#include "StreamReader.h"
#include "StreamWalk.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace sondrel::app {

namespace {
    // Large enough that the system calls cost nothing next to the copying, small enough for a
    // progress dialog to move.
    constexpr std::size_t kPiece = 8 << 20;
} // namespace

namespace {

    // Copies the reader's content into `fd`; the reason when not all of it arrived.
    QString CopyContent(
        streams::TStreamReader& reader, int fd, std::uint64_t size, const TSaveProgress& progress)
    {
        // Straight from file to file where the system can, so the bytes never pass through here.
        while (reader.CopyTo(fd, kPiece) != 0) {
            if (progress && !progress(reader.Position(), size))
                return SaveCancelledText();
        }
        if (!reader.Error().empty())
            return QStringLiteral("The stream cannot be saved whole: %1")
                .arg(QString::fromStdString(reader.Error()));
        return {};
    }

} // namespace

QString SaveStream(const BytePath& source, std::uint64_t index, const streams::StreamInfo& listed,
    const QString& target, const TSaveProgress& progress)
{
    streams::TStreamReader reader(source, index);
    if (!reader.OpenError().empty())
        return QString::fromStdString(reader.OpenError());
    const streams::StreamInfo* now = reader.Info();
    if (!now || now->Header.dwStreamId != listed.Header.dwStreamId || now->Name != listed.Name)
        return QStringLiteral("The file's streams have changed since they were listed.");
    const std::uint64_t size = now->Size();

    // A new file is made exclusively, so it is ours to remove again when the copy fails; no
    // other file's data is at stake, so it need not reach the disk before it is done.
    QFile created(target);
    if (created.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        QString error = CopyContent(reader, created.handle(), size, progress);
        created.close();
        if (error.isEmpty() && created.error() != QFileDevice::NoError)
            error = created.errorString();
        if (!error.isEmpty())
            created.remove();
        return error;
    }
    if (!QFileInfo::exists(target))
        return created.errorString();
    // Replacing a file the user chose: the old one goes only once the new one is whole and on
    // the disk (written beside it, synced, renamed over it).
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (const QString error = CopyContent(reader, file.handle(), size, progress);
        !error.isEmpty()) {
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString SaveCancelledText() { return QStringLiteral("Cancelled."); }

QString StreamFileName(const BytePath& source, const streams::StreamInfo& info)
{
    // A name's bytes are the file name's bytes: xattr names are file-system names as well.
    QString name = QFile::decodeName(streams::StreamCaption(info).c_str());
    if (info.Name.empty()) {
        const QString file = QFileInfo(QFile::decodeName(source.c_str())).fileName();
        name = file + QStringLiteral(" (")
            + QString::fromStdString(streams::StreamKindName(info)).toLower() + u')';
    }
    name.replace(u'/', u'_');
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        name = QStringLiteral("stream");
    return name;
}

} // namespace sondrel::app
