#include "FolderDetails.h"

#include "FileTypes.h"

#include <QDateTime>
#include <QLocale>

#include <array>
#include <cerrno>
#include <string>
#include <unordered_map>
#include <utility>

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace sondrel::platform {

using namespace win32;
using idlist::Item;
using idlist::Kind;

namespace {

    constexpr std::array<ColumnInfo, 4> kFileColumns { {
        { "Name", 30, LVCFMT_LEFT, SHCOLSTATE_TYPE_STR | SHCOLSTATE_ONBYDEFAULT },
        { "Size", 10, LVCFMT_RIGHT, SHCOLSTATE_TYPE_INT | SHCOLSTATE_ONBYDEFAULT },
        { "Type", 20, LVCFMT_LEFT, SHCOLSTATE_TYPE_STR | SHCOLSTATE_ONBYDEFAULT },
        { "Modified", 20, LVCFMT_LEFT, SHCOLSTATE_TYPE_DATE | SHCOLSTATE_ONBYDEFAULT },
    } };
    constexpr std::array<ColumnInfo, 4> kDriveColumns { {
        { "Name", 30, LVCFMT_LEFT, SHCOLSTATE_TYPE_STR | SHCOLSTATE_ONBYDEFAULT },
        { "Type", 20, LVCFMT_LEFT, SHCOLSTATE_TYPE_STR | SHCOLSTATE_ONBYDEFAULT },
        { "Total Size", 12, LVCFMT_RIGHT, SHCOLSTATE_TYPE_INT | SHCOLSTATE_ONBYDEFAULT },
        { "Free Space", 12, LVCFMT_RIGHT, SHCOLSTATE_TYPE_INT | SHCOLSTATE_ONBYDEFAULT },
    } };

    enum FileColumn { kName = 0, kSize = 1, kType = 2, kModified = 3 };
    enum DriveColumn { kDriveType = 1, kTotal = 2, kFree = 3 };

    // What a cell or an order needs to know about an entry; stat follows links so that a link
    // shows what it points at, and a dangling one shows itself.
    struct EntryFacts
    {
        bool Exists = false;
        bool Folder = false;
        std::uint64_t Size = 0;
        std::int64_t Modified = 0;
    };

    EntryFacts FactsOf(const BytePath& path)
    {
        EntryFacts facts;
        struct stat st
        {
        };
        if (StatPath(path, st, true) != 0 && StatPath(path, st) != 0)
            return facts;
        facts.Exists = true;
        facts.Folder = S_ISDIR(st.st_mode);
        facts.Size = static_cast<std::uint64_t>(st.st_size);
        facts.Modified = st.st_mtim.tv_sec;
        return facts;
    }

    struct Space
    {
        std::uint64_t Total = 0;
        std::uint64_t Free = 0;
        bool Known = false;
    };

    Space SpaceOf(const BytePath& mountPoint)
    {
        Space space;
        struct statvfs vfs
        {
        };
        if (::statvfs(mountPoint.c_str(), &vfs) == 0) {
            space.Total = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
            space.Free = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
            space.Known = true;
        }
        return space;
    }

    int Rank(Kind kind)
    {
        switch (kind) {
        case Kind::Home:
            return 0;
        case Kind::Computer:
            return 1;
        case Kind::Trash:
            return 2;
        case Kind::Drive:
            return 3;
        case Kind::Entry:
        case Kind::TrashEntry:
            return 4;
        }
        return 5;
    }

    template <typename T> int Order(const T& a, const T& b) { return a < b ? -1 : b < a ? 1 : 0; }

    int CompareDrives(int column, const Item& a, const Item& b)
    {
        const int byName = a.Payload == b.Payload ? 0
            : a.Payload == "/"                    ? -1
            : b.Payload == "/"                    ? 1
                                                  : Order(a.Payload, b.Payload);
        if (column == 0 || byName == 0)
            return byName;
        int order = 0;
        if (column == kDriveType) {
            const Location computer { Place::Computer, {}, false };
            order = Order(TypeText(*Descend(computer, a), {}), TypeText(*Descend(computer, b), {}));
        } else {
            const Space first = SpaceOf(BytePath(a.Payload));
            const Space second = SpaceOf(BytePath(b.Payload));
            order = column == kTotal ? Order(first.Total, second.Total)
                                     : Order(first.Free, second.Free);
        }
        return order != 0 ? order : byName;
    }

    // What a sort has learnt of its entries, by folder and name (the trash gathers several
    // folders), while a TEntryOrderScope lives on the thread.
    struct TKnownEntry
    {
        bool FactsKnown = false;
        EntryFacts Facts;
        bool TypeKnown = false;
        std::string Type;
    };
    struct TOrderMemory
    {
        std::unordered_map<std::string, TKnownEntry> Entries;
        std::string Key; // reused, so that a look-up allocates nothing
    };
    thread_local TOrderMemory* t_orderMemory = nullptr;

    // The entry's record in the sort's memory; null when no sort keeps one.
    TKnownEntry* Remembered(const Location& folder, const Item& item)
    {
        if (t_orderMemory == nullptr)
            return nullptr;
        std::string& key = t_orderMemory->Key;
        key.assign(item.ItemKind == Kind::TrashEntry ? item.Trash : folder.Path);
        key += '\0'; // no path holds one
        key.append(item.Payload);
        return &t_orderMemory->Entries[key];
    }

    EntryFacts OrderFactsOf(const Location& folder, const Item& item)
    {
        TKnownEntry* known = Remembered(folder, item);
        if (known == nullptr)
            return FactsOf(EntryPath(folder, item));
        if (!known->FactsKnown) {
            known->Facts = FactsOf(EntryPath(folder, item));
            known->FactsKnown = true;
        }
        return known->Facts;
    }

    // The entry's type text: the remembered one, else worked out into `scratch`.
    const std::string& OrderTypeOf(const Location& folder, const Item& item, std::string& scratch)
    {
        Location at;
        at.Where = Place::Entry;
        at.Flags = item.Flags;
        TKnownEntry* known = Remembered(folder, item);
        if (known == nullptr)
            return scratch = TypeText(at, item.Payload);
        if (!known->TypeKnown) {
            known->Type = TypeText(at, item.Payload);
            known->TypeKnown = true;
        }
        return known->Type;
    }

    int CompareEntries(const Location& folder, int column, const Item& a, const Item& b)
    {
        // The trash gathers several folders, so one name may stand there more than once.
        const std::string_view trashA = a.ItemKind == Kind::TrashEntry ? a.Trash : folder.Path;
        const std::string_view trashB = b.ItemKind == Kind::TrashEntry ? b.Trash : folder.Path;
        if (a.Payload == b.Payload && trashA == trashB)
            return 0;
        const bool aFolder = (a.Flags & idlist::kFlagFolder) != 0;
        const bool bFolder = (b.Flags & idlist::kFlagFolder) != 0;
        if (aFolder != bFolder)
            return aFolder ? -1 : 1;
        int byName = CompareNames(a.Payload, b.Payload);
        if (byName == 0)
            byName = Order(trashA, trashB);
        int order = 0;
        switch (column) {
        case kSize:
            if (!aFolder)
                order = Order(OrderFactsOf(folder, a).Size, OrderFactsOf(folder, b).Size);
            break;
        case kType: {
            std::string typeA;
            std::string typeB;
            order = CompareNames(OrderTypeOf(folder, a, typeA), OrderTypeOf(folder, b, typeB));
            break;
        }
        case kModified:
            order = Order(OrderFactsOf(folder, a).Modified, OrderFactsOf(folder, b).Modified);
            break;
        default:
            break;
        }
        return order != 0 ? order : byName;
    }

    QString ByteCount(std::uint64_t bytes)
    {
        return QLocale::system().formattedDataSize(
            static_cast<qint64>(bytes), 1, QLocale::DataSizeTraditionalFormat);
    }

} // namespace

TEntryOrderScope::TEntryOrderScope()
    : m_outermost(t_orderMemory == nullptr)
{
    if (m_outermost)
        t_orderMemory = new TOrderMemory;
}

TEntryOrderScope::~TEntryOrderScope()
{
    if (m_outermost)
        delete std::exchange(t_orderMemory, nullptr);
}

const ColumnInfo* FolderColumns(const Location& folder, int& count)
{
    if (folder.Where == Place::Computer) {
        count = static_cast<int>(kDriveColumns.size());
        return kDriveColumns.data();
    }
    count = static_cast<int>(kFileColumns.size());
    return kFileColumns.data();
}

std::string KilobyteText(std::uint64_t bytes)
{
    const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return (QLocale::system().toString(static_cast<qulonglong>(kilobytes)) + QStringLiteral(" KB"))
        .toStdString();
}

HRESULT CellText(const Location& folder, const Item& item, int column, std::string& text)
{
    text.clear();
    int count = 0;
    (void)FolderColumns(folder, count);
    if (column < 0 || column >= count)
        return E_INVALIDARG;
    const auto at = Descend(folder, item);
    if (!at)
        return E_INVALIDARG;
    if (column == kName) {
        text = ItemName(folder, item, SHGDN_INFOLDER);
        return S_OK;
    }
    if (folder.Where == Place::Computer) {
        if (column == kDriveType) {
            text = TypeText(*at, {});
            return S_OK;
        }
        const Space space = SpaceOf(at->Path);
        if (space.Known)
            text = ByteCount(column == kTotal ? space.Total : space.Free).toStdString();
        return S_OK;
    }
    if (column == kType) {
        text = TypeText(*at, item.Payload);
        return S_OK;
    }
    if (at->Where != Place::Entry)
        return S_OK;
    const EntryFacts facts = FactsOf(at->Path);
    if (!facts.Exists)
        return S_OK;
    if (column == kSize) {
        if (!facts.Folder)
            text = KilobyteText(facts.Size);
    } else {
        text = QLocale::system()
                   .toString(QDateTime::fromSecsSinceEpoch(facts.Modified), QLocale::ShortFormat)
                   .toStdString();
    }
    return S_OK;
}

int CompareItems(
    const Location& parent, int column, const Item& first, const Item& second, HRESULT& error)
{
    error = S_OK;
    int count = 0;
    (void)FolderColumns(parent, count);
    if (column < 0 || column >= count) {
        error = E_INVALIDARG;
        return 0;
    }
    if (Rank(first.ItemKind) != Rank(second.ItemKind))
        return Order(Rank(first.ItemKind), Rank(second.ItemKind));
    switch (first.ItemKind) {
    case Kind::Drive:
        return CompareDrives(column, first, second);
    case Kind::Entry:
    case Kind::TrashEntry:
        return CompareEntries(parent, column, first, second);
    default:
        return 0;
    }
}

} // namespace sondrel::platform
