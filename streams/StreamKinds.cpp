#include "StreamKinds.h"

#include "BackupApi.h"

namespace sondrel::streams {

using namespace win32;

std::string StreamKindName(const StreamInfo& info)
{
    switch (info.Header.dwStreamId) {
    case BACKUP_DATA:
        return "Main data";
    case BACKUP_EA_DATA:
        return "Extended attributes";
    case BACKUP_SECURITY_DATA:
        return "Security descriptor";
    case BACKUP_ALTERNATE_DATA:
        return "Named stream";
    case BACKUP_LINK:
        return "Hard link";
    case BACKUP_PROPERTY_DATA:
        return "Property data";
    case BACKUP_OBJECT_ID:
        return "Object id";
    case BACKUP_REPARSE_DATA:
        return "Reparse data";
    case BACKUP_SPARSE_BLOCK: {
        // The block's first 8 bytes are its offset in the file, little-endian.
        if (!info.Data || info.DataLength < 8)
            return "Sparse block";
        std::uint64_t offset = 0;
        for (int i = 7; i >= 0; --i)
            offset = offset << 8 | info.Data[static_cast<std::size_t>(i)];
        return "Sparse block at " + std::to_string(offset);
    }
    case BACKUP_TXFS_DATA:
        return "Transaction data";
    case BACKUP_GHOSTED_FILE_EXTENTS:
        return "Ghosted file extents";
    default:
        return "Unknown kind " + std::to_string(info.Header.dwStreamId);
    }
}

} // namespace sondrel::streams
