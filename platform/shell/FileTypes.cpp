#include "FileTypes.h"

#include <QFile>
#include <QMimeDatabase>

#include <map>
#include <mutex>

namespace sondrel::platform {

namespace {

    const FileType& Cached(const QMimeType& mime)
    {
        static std::mutex mutex;
        static std::map<QString, FileType> types;
        std::lock_guard lock(mutex);
        auto found = types.find(mime.name());
        if (found == types.end()) {
            FileType type;
            type.MimeName = mime.name();
            type.Comment = mime.comment();
            type.IconNames << mime.iconName() << mime.genericIconName();
            if (mime.name() == QStringLiteral("inode/directory"))
                type.IconNames.prepend(QStringLiteral("folder"));
            type.IconNames << QStringLiteral("text-x-generic");
            type.IconNames.removeDuplicates();
            found = types.emplace(mime.name(), std::move(type)).first;
        }
        return found->second;
    }

    QString DriveTypeText(win32::UINT type)
    {
        switch (type) {
        case win32::DRIVE_REMOVABLE:
            return QStringLiteral("Removable Disk");
        case win32::DRIVE_REMOTE:
            return QStringLiteral("Network Drive");
        case win32::DRIVE_CDROM:
            return QStringLiteral("CD Drive");
        case win32::DRIVE_RAMDISK:
            return QStringLiteral("RAM Disk");
        default:
            return QStringLiteral("Local Disk");
        }
    }

} // namespace

const FileType& EntryType(std::string_view name, bool folder, bool link)
{
    static const QMimeDatabase database;
    if (folder)
        return Cached(database.mimeTypeForName(QStringLiteral("inode/directory")));
    const QList<QMimeType> byName = database.mimeTypesForFileName(
        QFile::decodeName(QByteArray(name.data(), static_cast<int>(name.size()))));
    if (!byName.isEmpty())
        return Cached(byName.front());
    return Cached(database.mimeTypeForName(
        link ? QStringLiteral("inode/symlink") : QStringLiteral("application/octet-stream")));
}

std::string TypeText(const Location& at, std::string_view name)
{
    QString text;
    switch (at.Where) {
    case Place::Desktop:
    case Place::Computer:
    case Place::Trash:
        text = QStringLiteral("System Folder");
        break;
    case Place::Home:
        text = EntryType({}, true, false).Comment;
        break;
    case Place::Drive:
        text = at.Image ? QStringLiteral("Disk Image (read-only)") : DriveTypeText(at.DriveType);
        break;
    case Place::Entry:
        text = EntryType(
            name, (at.Flags & idlist::kFlagFolder) != 0, (at.Flags & idlist::kFlagLink) != 0)
                   .Comment;
        break;
    }
    return text.toStdString();
}

} // namespace sondrel::platform
