// The shell list over real folders: the events of a fill and a refresh, the file filter, what a
// refresh keeps, hidden items and links, the columns and their remembered widths, the size texts,
// sorting by header clicks and the take-over by a column-click handler, the refresh after change
// notifications, custom drawing, and folders that cannot be read or whose names are not UTF-8.

#include "ShellList.h"

#include "Application.h"
#include "Privileges.h"
#include "QtTestNames.h"
#include "Registry.h"
#include "ShellErrors.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QHeaderView>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace sondrel::framework;
using namespace sondrel::shell;

namespace fs = std::filesystem;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A folder of real entries below a temporary folder; paths are bytes, as the list sees them.
class TFolder
{
public:
    TFolder()
        : m_path(Bytes(m_dir.path()))
    {
    }
    // The temporary folder's own removal skips names it cannot decode.
    ~TFolder()
    {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(m_path, ignored))
            fs::remove_all(entry.path(), ignored);
    }
    TFolder(const TFolder&) = delete;
    TFolder& operator=(const TFolder&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] std::string operator/(const std::string& name) const
    {
        return m_path + '/' + name;
    }
    void File(const std::string& name, std::size_t size = 0) const
    {
        std::ofstream(*this / name, std::ios::binary) << std::string(size, 'x');
    }
    void Folder(const std::string& name) const { fs::create_directory(*this / name); }
    void Remove(const std::string& name) const { fs::remove_all(*this / name); }

private:
    QTemporaryDir m_dir;
    std::string m_path;
};

// A list under the model checker, its folder set before its window exists so that the deferred
// first fill is of that folder and not of the desktop.
struct TList
{
    TPTShellList List;
    QAbstractItemModelTester Tester { &List.Items(),
        QAbstractItemModelTester::FailureReportingMode::QtTest };

    explicit TList(TPTShellListOptions options = kDefaultShellListOptions)
    {
        List.SetOptions(options);
        List.resize(640, 400);
    }
    // The handlers' records are the test's locals, which may go before the list does.
    ~TList()
    {
        List.OnDeleteItem = nullptr;
        List.OnDeletion = nullptr;
    }
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;
    // Shows the list on `path` and runs its deferred fill.
    void Show(const std::string& path)
    {
        List.Folder().SetPathName(path);
        List.show();
        QCoreApplication::sendPostedEvents(&List);
    }
};

std::string NameOf(TPTCustomShellList& list, TListItem* item)
{
    TPTShListData* data = list.GetDataFromItem(item);
    return data ? data->GetFilename() : std::string("<no data>");
}

std::vector<std::string> Names(TPTCustomShellList& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.Items().Count(); ++i)
        names.push_back(NameOf(list, list.Items()[i]));
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

QString CellText(TPTCustomShellList& list, int row, int column)
{
    return list.Items().data(list.Items().index(row, column), Qt::DisplayRole).toString();
}

int RowOf(TPTCustomShellList& list, const std::string& name)
{
    for (int i = 0; i < list.Items().Count(); ++i)
        if (NameOf(list, list.Items()[i]) == name)
            return i;
    return -1;
}

void ClickHeader(TPTCustomShellList& list, int section)
{
    QHeaderView* header = list.header();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// A registry of the test's own holding `directoryCols` (empty: no such value).
void WriteRegistry(const std::string& file, const std::string& directoryCols)
{
    std::ofstream out(file);
    out << "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer]\n";
    if (!directoryCols.empty())
        out << "\"DirectoryCols\"=hex:" << directoryCols << '\n';
    sondrel::platform::SetRegistryFile(file);
}

std::vector<int> Widths(TPTCustomShellList& list)
{
    std::vector<int> widths;
    for (int i = 0; i < list.Columns().Count(); ++i)
        widths.push_back(list.Columns()[i]->Width());
    return widths;
}

} // namespace

class ShellListTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_registryDir;

private Q_SLOTS:
    void initTestCase()
    {
        // The user's own registry file must not decide the built-in widths.
        WriteRegistry(Bytes(m_registryDir.filePath(QStringLiteral("registry"))), {});
    }

    // First, while no list has remembered widths yet: they are the namespace's own.
    void aFileSystemFolderGetsTheNamespacesDetailColumns()
    {
        TFolder folder;
        folder.File("a");
        TList t;
        t.Show(folder.Path());
        TPTShellList& list = t.List;
        QCOMPARE(list.ColumnMode(), lcsShellDetails);
        QCOMPARE(list.Columns().Count(), 4);
        const char* captions[] = { "Name", "Size", "Type", "Modified" };
        const TAlignment alignments[] = { TAlignment::taLeftJustify, TAlignment::taRightJustify,
            TAlignment::taLeftJustify, TAlignment::taLeftJustify };
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(list.Columns()[i]->Caption(), QString::fromUtf8(captions[i]));
            QCOMPARE(list.Columns()[i]->Alignment(), alignments[i]);
        }
        QCOMPARE(Widths(list), (std::vector<int> { 210, 70, 140, 140 })); // characters x 7
    }

    void aFillAndARefreshFireTheirEventsInOrder()
    {
        TFolder a;
        a.File("a1");
        a.File("a2");
        TFolder b;
        b.File("b1");
        b.Folder("bsub");
        TList t;
        TPTShellList& list = t.List;
        std::vector<std::string> log;
        auto note = [&](std::string what) {
            if (what != "compare" || log.empty() || log.back() != "compare")
                log.push_back(std::move(what));
        };
        bool insertSawItsData = true;
        list.OnFillStart = [&](TObject*) { note("start"); };
        list.OnFillComplete = [&](TObject*) { note("complete"); };
        list.OnFolderChanged = [&](TObject*) { note("folder changed"); };
        list.OnAddItem = [&](TObject*, IShellFolder_NRC*, PCItemIDList parent,
                             PCItemIDList relative, std::uint32_t, std::int32_t&) {
            note("add " + ShellGetFriendlyNameForLastIdListElement(relative) + " under "
                + ShellGetPathFromIdList(parent));
        };
        list.OnInsert = [&](TObject*, TListItem* item) {
            TPTShListData* data = list.GetDataFromItem(item);
            insertSawItsData = insertSawItsData && data && item->Caption().isEmpty()
                && item->SubItems() == QStringList(3, QString());
            note("insert " + NameOf(list, item));
            if (NameOf(list, item) == "b1")
                item->SetSubItem(1, QStringLiteral("own type"));
        };
        list.OnDeleteItem = [&](TObject*, TListItem* item, TPTShListData* data) {
            QCOMPARE(list.GetDataFromItem(item), data);
            note("delete item " + data->GetFilename());
        };
        list.OnDeletion = [&](TObject*, TListItem* item) {
            note(item->Data() ? "deletion with data" : "deletion");
        };
        list.OnCompare = [&](TObject*, TListItem*, TListItem*, std::intptr_t, int& compare) {
            compare = 0;
            note("compare");
        };
        list.SetSortColumn(0); // so that the sorting shows as OnCompare
        t.Show(a.Path());
        const auto inA = " under " + a.Path();
        // The pairs follow the folder's enumeration order.
        const std::vector<std::string> fillA1 = { "start", "add a1" + inA, "insert a1",
            "add a2" + inA, "insert a2", "complete", "compare" };
        const std::vector<std::string> fillA2 = { "start", "add a2" + inA, "insert a2",
            "add a1" + inA, "insert a1", "complete", "compare" };
        // The folder set before the window existed changed without a fill.
        QCOMPARE(log.front(), std::string("folder changed"));
        log.erase(log.begin());
        if (log != fillA2)
            QCOMPARE(log, fillA1);
        QVERIFY(insertSawItsData);
        const std::string first = Names(list)[0];
        const std::string second = Names(list)[1];

        log.clear();
        list.Folder().SetPathName(b.Path());
        QCOMPARE(log.size(), std::size_t(12));
        const std::vector<std::string> deletions
            = { "delete item " + first, "deletion", "delete item " + second, "deletion", "start" };
        QCOMPARE(std::vector<std::string>(log.begin(), log.begin() + 5), deletions);
        const auto inB = " under " + b.Path();
        QCOMPARE(Sorted(std::vector<std::string>(log.begin() + 5, log.begin() + 9)),
            (std::vector<std::string> {
                "add b1" + inB, "add bsub" + inB, "insert b1", "insert bsub" }));
        QVERIFY(log[5].starts_with("add ") && log[6].starts_with("insert ")
            && log[5].substr(4, 2) == log[6].substr(7, 2));
        QCOMPARE(std::vector<std::string>(log.begin() + 9, log.end()),
            (std::vector<std::string> { "complete", "compare", "folder changed" }));
        QVERIFY(insertSawItsData);
        // Captions come when the view asks; a sub-item set by the program wins over the shell's.
        const int b1 = RowOf(list, "b1");
        QCOMPARE(CellText(list, b1, 0), QStringLiteral("b1"));
        QCOMPARE(list.Items()[b1]->Caption(), QStringLiteral("b1"));
        QCOMPARE(CellText(list, b1, 2), QStringLiteral("own type"));
        QVERIFY(!CellText(list, RowOf(list, "bsub"), 2).isEmpty());

        // A refresh: what went, then what came, inside start and complete; no sorting. The
        // handler is told the new item's own list.
        b.Remove("b1");
        b.File("b2");
        log.clear();
        list.RefreshItems();
        QCOMPARE(log,
            (std::vector<std::string> { "start", "delete item b1", "deletion",
                "add b2 under " + (b / "b2"), "insert b2", "complete" }));
        QVERIFY(insertSawItsData);
    }

    void theFileFilterListsFoldersAndMatchingFiles_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("listed");
        const QStringList all = { QStringLiteral("README"), QStringLiteral("B.TXT"),
            QStringLiteral("a.txt"), QStringLiteral("c.log"), QStringLiteral("d.dat"),
            QStringLiteral("dir.txt"), QStringLiteral("sub") };
        QTest::newRow("none") << QString() << all;
        QTest::newRow("star") << QStringLiteral("*") << all;
        QTest::newRow("star dot star") << QStringLiteral("*.*") << all;
        QTest::newRow("two patterns, any case")
            << QStringLiteral("*.txt;*.LOG")
            << QStringList { QStringLiteral("B.TXT"), QStringLiteral("a.txt"),
                   QStringLiteral("c.log"), QStringLiteral("dir.txt"), QStringLiteral("sub") };
        QTest::newRow("a pattern matching nothing")
            << QStringLiteral("*.nothing;?.TxT")
            << QStringList { QStringLiteral("B.TXT"), QStringLiteral("a.txt"),
                   QStringLiteral("dir.txt"), QStringLiteral("sub") };
        QTest::newRow("nothing matches") << QStringLiteral(
            "*.nothing") << QStringList { QStringLiteral("dir.txt"), QStringLiteral("sub") };
        QTest::newRow("empty pieces") << QStringLiteral(";;d*;")
                                      << QStringList { QStringLiteral("d.dat"),
                                             QStringLiteral("dir.txt"), QStringLiteral("sub") };
    }

    void theFileFilterListsFoldersAndMatchingFiles()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, listed);
        TFolder folder;
        for (const char* name : { "a.txt", "B.TXT", "c.log", "d.dat", "README" })
            folder.File(name);
        folder.Folder("sub");
        folder.Folder("dir.txt");
        TList t;
        t.List.SetFileFilter(Bytes(filter));
        t.Show(folder.Path());
        std::vector<std::string> expected;
        for (const QString& name : listed)
            expected.push_back(Bytes(name));
        QCOMPARE(Sorted(Names(t.List)), Sorted(expected));

        // Changing the filter fills again, at once.
        t.List.SetFileFilter("*.dat");
        QCOMPARE(Sorted(Names(t.List)), (std::vector<std::string> { "d.dat", "dir.txt", "sub" }));
    }

    void anAddItemHandlerMayRefuseAndSeesOnlyWhatTheFilterLetThrough()
    {
        TFolder folder;
        for (const char* name : { "a.txt", "b.txt", "c.log" })
            folder.File(name);
        folder.Folder("sub");
        TList t;
        std::vector<std::string> asked;
        t.List.OnAddItem = [&](TObject*, IShellFolder_NRC*, PCItemIDList, PCItemIDList relative,
                               std::uint32_t, std::int32_t& allow) {
            asked.push_back(ShellGetFriendlyNameForLastIdListElement(relative));
            if (asked.back() == "a.txt")
                allow = 0;
        };
        t.List.SetFileFilter("*.txt");
        t.Show(folder.Path());
        QCOMPARE(Sorted(asked), (std::vector<std::string> { "a.txt", "b.txt", "sub" }));
        QCOMPARE(Names(t.List), (std::vector<std::string> { "sub", "b.txt" }));

        // A refresh asks the same of new items only.
        folder.File("d.txt");
        folder.File("e.log");
        asked.clear();
        t.List.RefreshItems();
        // The refused item is not in the list, so it counts as new again.
        QCOMPARE(Sorted(asked), (std::vector<std::string> { "a.txt", "d.txt" }));
        QCOMPARE(Names(t.List), (std::vector<std::string> { "sub", "b.txt", "d.txt" }));
    }

    void aRefreshOfAnEmptyListFillsIt()
    {
        TFolder folder;
        folder.File("b");
        folder.File("a");
        TList t(kDefaultShellListOptions & ~ShellListOption(ptsloAutoFill));
        int starts = 0;
        t.List.OnFillStart = [&](TObject*) { ++starts; };
        t.Show(folder.Path());
        QCOMPARE(t.List.Items().Count(), 0);
        QCOMPARE(starts, 0);
        t.List.RefreshItems();
        QCOMPARE(starts, 1);
        QCOMPARE(Names(t.List), (std::vector<std::string> { "a", "b" })); // a fill sorts
        QVERIFY(t.List.Items()[0]->Focused());
        QCOMPARE(t.List.SelCount(), 0);
        QCOMPARE(t.List.Columns().Count(), 4);
    }

    void aRefreshKeepsWhatStayedAndAppendsWhatCame()
    {
        TFolder folder;
        for (const char* name : { "b", "c", "d", "e" })
            folder.File(name);
        TList t;
        TPTShellList& list = t.List;
        list.SetMultiSelect(true);
        t.Show(folder.Path());
        QCOMPARE(Names(list), (std::vector<std::string> { "b", "c", "d", "e" }));
        TListItem* b = list.Items()[0];
        TListItem* d = list.Items()[2];
        TListItem* e = list.Items()[3];
        b->SetSelected(true);
        e->SetSelected(true);
        QCOMPARE(CellText(list, 0, 0), QStringLiteral("b"));

        folder.Remove("c");
        folder.File("a");
        folder.File("f");
        list.RefreshItems();
        const std::vector<std::string> names = Names(list);
        QCOMPARE(names.size(), std::size_t(5));
        QCOMPARE(std::vector<std::string>(names.begin(), names.begin() + 3),
            (std::vector<std::string> { "b", "d", "e" }));
        // "a" would sort first: new items stand at the end as they came.
        QCOMPARE(Sorted(std::vector<std::string>(names.begin() + 3, names.end())),
            (std::vector<std::string> { "a", "f" }));
        QCOMPARE(list.Items()[0], b);
        QCOMPARE(list.Items()[1], d);
        QCOMPARE(list.Items()[2], e);
        QVERIFY(b->Selected() && !d->Selected() && e->Selected());
        QCOMPARE(list.SelCount(), 2);
        QCOMPARE(b->Caption(), QStringLiteral("b"));
        QCOMPARE(list.Items()[3]->SubItems(), QStringList(3, QString()));
    }

    void aRefreshOfAFolderDeletedMeanwhileEmptiesTheList()
    {
        TFolder parent;
        parent.Folder("gone");
        const std::string gone = parent / "gone";
        for (const char* name : { "x", "y" })
            std::ofstream(gone + '/' + name) << "1";
        TList t;
        int deleted = 0;
        t.List.OnDeleteItem = [&](TObject*, TListItem*, TPTShListData*) { ++deleted; };
        t.Show(gone);
        QCOMPARE(t.List.Items().Count(), 2);
        parent.Remove("gone");
        t.List.RefreshItems();
        QCOMPARE(t.List.Items().Count(), 0);
        QCOMPARE(deleted, 2);
    }

    void hiddenItemsAreCutAndLinksCarryTheLinkOverlay()
    {
        TFolder folder;
        folder.File(".hidden");
        folder.File("plain");
        fs::create_symlink("plain", folder / "link");
        TList t;
        TPTShellList& list = t.List;
        QVERIFY(list.HasOption(ptsloShowHidden));
        t.Show(folder.Path());
        QCOMPARE(Sorted(Names(list)), (std::vector<std::string> { ".hidden", "link", "plain" }));
        TListItem* hidden = list.Items()[RowOf(list, ".hidden")];
        TListItem* link = list.Items()[RowOf(list, "link")];
        TListItem* plain = list.Items()[RowOf(list, "plain")];
        QVERIFY(hidden->Cut());
        QVERIFY(!link->Cut() && !plain->Cut());
        QCOMPARE(link->OverlayIndex(), 1);
        QCOMPARE(plain->OverlayIndex(), -1);
        QCOMPARE(hidden->OverlayIndex(), -1);

        // Taking the option away refreshes the list without the hidden item.
        list.SetOptions(list.Options() & ~ShellListOption(ptsloShowHidden));
        QCOMPARE(Sorted(Names(list)), (std::vector<std::string> { "link", "plain" }));
        list.FillItems();
        QCOMPARE(Names(list), (std::vector<std::string> { "link", "plain" }));
        list.SetOptions(list.Options() | ShellListOption(ptsloShowHidden));
        QCOMPARE(Names(list), (std::vector<std::string> { "link", "plain", ".hidden" }));
        QVERIFY(list.Items()[2]->Cut());
    }

    void theBuiltInColumnsTakeTheirWidthsFromTheRegistryOrTheUser()
    {
        TFolder folder;
        folder.File("a");
        TFolder other;
        other.File("b");
        TList t;
        TPTShellList& list = t.List;
        t.Show(folder.Path());

        list.InitColumns(nullptr);
        QCOMPARE(list.ColumnMode(), lcsDefault);
        QCOMPARE(list.Columns().Count(), 4);
        const char* captions[] = { "Name", "Size", "Type", "Modified" };
        for (int i = 0; i < 4; ++i)
            QCOMPARE(list.Columns()[i]->Caption(), QString::fromUtf8(captions[i]));
        QCOMPARE(list.Columns()[1]->Alignment(), TAlignment::taRightJustify);
        QCOMPARE(Widths(list), (std::vector<int> { 200, 60, 100, 120 }));

        // The user's widths carry over to the next folder and the next build of the columns.
        list.header()->resizeSection(0, 250);
        list.header()->resizeSection(2, 90);
        QCOMPARE(Widths(list), (std::vector<int> { 250, 60, 90, 120 }));
        list.Folder().SetPathName(other.Path());
        QCOMPARE(list.ColumnMode(), lcsShellDetails);
        QCOMPARE(Widths(list), (std::vector<int> { 250, 60, 90, 120 }));
        list.InitColumns(nullptr);
        QCOMPARE(Widths(list), (std::vector<int> { 250, 60, 90, 120 }));

        // A changed registry value wins over them, using its first four values.
        const std::string registry = Bytes(m_registryDir.filePath(QStringLiteral("cols")));
        WriteRegistry(registry, "96,00,50,00,5a,00,6e,00,28,00,0a,00");
        list.InitColumns(nullptr);
        QCOMPARE(Widths(list), (std::vector<int> { 150, 80, 90, 110 }));
        list.header()->resizeSection(3, 77);
        list.InitColumns(nullptr);
        QCOMPARE(Widths(list), (std::vector<int> { 150, 80, 90, 77 }));
        // A short value sets what it holds; the defaults stand for the rest.
        WriteRegistry(registry, "2c,01");
        list.InitColumns(nullptr);
        QCOMPARE(Widths(list), (std::vector<int> { 300, 60, 100, 120 }));
        // One longer than 22 bytes is not read.
        WriteRegistry(
            registry, "10,00,10,00,10,00,10,00,10,00,10,00,10,00,10,00,10,00,10,00,10,00,10");
        list.InitColumns(nullptr);
        QCOMPARE(Widths(list), (std::vector<int> { 200, 60, 100, 120 }));
        WriteRegistry(Bytes(m_registryDir.filePath(QStringLiteral("registry"))), {});
    }

    void aSortColumnBeyondTheColumnsFallsBackToTheFirst()
    {
        TFolder folder;
        folder.File("a");
        TList t;
        t.Show(folder.Path());
        t.List.SetSortColumn(4);
        t.List.InitColumns(nullptr);
        QCOMPARE(t.List.SortColumn(), 4);
        t.List.SetSortColumn(5);
        QCOMPARE(t.List.SortColumn(), 5);
        t.List.InitColumns(nullptr);
        QCOMPARE(t.List.SortColumn(), 1);
        QCOMPARE(t.List.HeaderSortColumn(), 0);
        QCOMPARE(t.List.HeaderSortDirection(), ptsdDesc);
    }

    void sizesAreKilobytesRoundedUp()
    {
        const QLocale locale = QLocale::system();
        const QString thousand = (locale.numberOptions() & QLocale::OmitGroupSeparator)
            ? QStringLiteral("1024")
            : QStringLiteral("1") + locale.groupSeparator() + QStringLiteral("024");
        const std::string megabyte = Bytes(thousand) + "KB";
        QCOMPARE(ShellSizeText(0), std::string("0KB"));
        QCOMPARE(ShellSizeText(1), std::string("1KB"));
        QCOMPARE(ShellSizeText(1024), std::string("1KB"));
        QCOMPARE(ShellSizeText(1025), std::string("2KB"));
        QCOMPARE(ShellSizeText(1536), std::string("2KB"));
        QCOMPARE(ShellSizeText(1048576), megabyte);

        TFolder folder;
        folder.File("empty", 0);
        folder.File("one", 1);
        folder.File("half", 1536);
        folder.File("mega", 1048576);
        folder.Folder("sub");
        for (const char* name : { "w1", "w2", "w3", "w4" })
            folder.File(name, 1);
        folder.File("w*", 3000);
        folder.File("w?", 2000);
        TList t;
        TPTShellList& list = t.List;
        t.Show(folder.Path());
        auto size = [&](const std::string& name) {
            return list.GetDataFromItem(list.Items()[RowOf(list, name)])->GetSize();
        };
        QCOMPARE(size("empty"), std::string("0KB"));
        QCOMPARE(size("one"), std::string("1KB"));
        QCOMPARE(size("half"), std::string("2KB"));
        QCOMPARE(size("mega"), megabyte);
        QCOMPARE(size("sub"), std::string());
        // Names may hold the search's wildcards; each shows its own size.
        QCOMPARE(size("w*"), std::string("3KB"));
        QCOMPARE(size("w?"), std::string("2KB"));
        for (const char* name : { "w1", "w2", "w3", "w4" })
            QCOMPARE(size(name), std::string("1KB"));
        QVERIFY(!list.GetDataFromItem(list.Items()[RowOf(list, "one")])->GetModified().empty());
    }

    void clickingAHeaderSortsAndClickingItAgainReverses()
    {
        TFolder folder;
        folder.File("b", 3000);
        folder.File("A", 10);
        folder.File("c", 1500);
        folder.Folder("z");
        TList t;
        TPTShellList& list = t.List;
        t.Show(folder.Path());
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.SortColumn(), 1);
        QCOMPARE(Names(list), (std::vector<std::string> { "z", "A", "b", "c" }));
        QCOMPARE(list.HeaderSortColumn(), 0);
        QCOMPARE(list.HeaderSortDirection(), ptsdDesc);

        ClickHeader(list, 0);
        QCOMPARE(list.SortColumn(), -1);
        QCOMPARE(Names(list), (std::vector<std::string> { "c", "b", "A", "z" }));
        QCOMPARE(list.HeaderSortColumn(), 0);
        QCOMPARE(list.HeaderSortDirection(), ptsdAsc);

        ClickHeader(list, 0);
        QCOMPARE(list.SortColumn(), 1);
        QCOMPARE(Names(list), (std::vector<std::string> { "z", "A", "b", "c" }));
        QCOMPARE(list.HeaderSortDirection(), ptsdDesc);

        ClickHeader(list, 1);
        QCOMPARE(list.SortColumn(), 2);
        QCOMPARE(Names(list), (std::vector<std::string> { "z", "A", "c", "b" }));
        QCOMPARE(list.HeaderSortColumn(), 1);
        QCOMPARE(list.HeaderSortDirection(), ptsdDesc);

        // The order survives a change of folder.
        TFolder other;
        other.File("small", 1);
        other.File("big", 5000);
        list.Folder().SetPathName(other.Path());
        QCOMPARE(list.SortColumn(), 2);
        QCOMPARE(Names(list), (std::vector<std::string> { "small", "big" }));
    }

    void aColumnClickHandlerMayTakeSortingOver()
    {
        TFolder folder;
        for (const char* name : { "b", "a", "c" })
            folder.File(name);
        TList t;
        TPTShellList& list = t.List;
        int clicks = 0;
        list.OnColumnClick = [&](TObject*, TListColumn* column) {
            ++clicks;
            if (column->Index() == 1)
                list.SetSortColumn(0);
        };
        std::vector<std::string> order = { "c", "a", "b" };
        int compares = 0;
        list.OnCompare = [&](TObject*, TListItem* first, TListItem* second, std::intptr_t,
                             int& compare) {
            ++compares;
            auto rank = [&](TListItem* item) {
                return std::find(order.begin(), order.end(), NameOf(list, item)) - order.begin();
            };
            compare = static_cast<int>(rank(first) - rank(second));
        };
        t.Show(folder.Path());
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(compares, 0); // the shell's order needs no OnCompare
        QCOMPARE(Names(list), (std::vector<std::string> { "a", "b", "c" }));

        ClickHeader(list, 1);
        QCOMPARE(clicks, 1);
        QCOMPARE(list.SortColumn(), 0);
        QCOMPARE(list.HeaderSortColumn(), -1);
        QVERIFY(compares > 0);
        QCOMPARE(Names(list), (std::vector<std::string> { "c", "a", "b" }));
        order = { "b", "c", "a" };
        list.SortList();
        QCOMPARE(Names(list), (std::vector<std::string> { "b", "c", "a" }));

        // Another column goes back to the shell's order, since 0 is no column.
        ClickHeader(list, 0);
        QCOMPARE(clicks, 2);
        QCOMPARE(list.SortColumn(), 1);
        QCOMPARE(Names(list), (std::vector<std::string> { "a", "b", "c" }));
    }

    void aChangeNotificationRefreshesOnceTheTimerRunsOut()
    {
        TFolder folder;
        folder.File("a");
        TList t;
        TPTShellList& list = t.List;
        int starts = 0;
        list.OnFillStart = [&](TObject*) { ++starts; };
        t.Show(folder.Path());
        QCOMPARE(starts, 1);
        folder.File("b");
        // A burst of notifications is one refresh, after the delay of a list without focus.
        for (int i = 0; i < 3; ++i)
            PostMessage(&list, AM_CHANGENOTIFY);
        QCoreApplication::sendPostedEvents(&list);
        QVERIFY(list.RefreshTimerRunning());
        QCOMPARE(starts, 1);
        // Synchronising runs the pending refresh at once.
        list.Synchronize(false);
        QVERIFY(!list.RefreshTimerRunning());
        QCOMPARE(starts, 2);
        QCOMPARE(Names(list), (std::vector<std::string> { "a", "b" }));
    }

    void customDrawingIsToldEachItemWithItsData()
    {
        TFolder folder;
        folder.File("a");
        folder.File("b");
        TList t;
        TPTShellList& list = t.List;
        std::vector<std::string> items;
        int stages = 0;
        bool dataMatches = true;
        list.OnCustomDrawShEx
            = [&](TObject*, TPTCustomDraw*, TListItem*, TPTShListData*) { ++stages; };
        list.OnCustomDrawSh
            = [&](TObject*, TPTCustomDraw* draw, TListItem* item, TPTShListData* data) {
                  dataMatches = dataMatches && item && data == list.GetDataFromItem(item)
                      && draw->DrawStage() == ptcdsItemPrePaint;
                  items.push_back(NameOf(list, item));
              };
        t.Show(folder.Path());
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        items.clear();
        stages = 0;
        (void)list.viewport()->grab();
        QVERIFY(dataMatches);
        QCOMPARE(items, (std::vector<std::string> { "a", "b" }));
        QVERIFY(stages > 2); // the list's own stages too
    }

    void aFolderThatCannotBeReadSaysWhy()
    {
        TFolder folder;
        folder.Folder("locked");
        const std::string locked = folder / "locked";
        std::ofstream(locked + "/inside") << "1";
        TFolder readable;
        readable.File("r");
        fs::permissions(locked, fs::perms::none);
        struct TRestore
        {
            std::string Path;
            ~TRestore() { fs::permissions(Path, fs::perms::owner_all); }
        } restore { locked };
        // Root reads every folder: this thread gives up that power for the test.
        const sondrel::test::TWithoutDacOverride unprivileged;
        std::error_code opened;
        fs::directory_iterator probe(locked, opened);
        if (!opened)
            QSKIP("Folders without permissions can be read here");

        TList t(kDefaultShellListOptions & ~ShellListOption(ptsloAutoFill));
        TPTShellList& list = t.List;
        std::vector<std::string> log;
        list.OnFillStart = [&](TObject*) { log.push_back("start"); };
        list.OnFillComplete = [&](TObject*) { log.push_back("complete"); };
        list.OnFolderChanged = [&](TObject*) { log.push_back("folder changed"); };
        t.Show(readable.Path());
        list.FillItems();
        QCOMPARE(Names(list), (std::vector<std::string> { "r" }));

        // Choosing the folder fills; the fill fails with the system's reason, which the
        // application shows, as it shows that of a folder that vanished.
        log.clear();
        try {
            list.Folder().SetPathName(locked);
            QFAIL("an unreadable folder filled without an error");
        } catch (const EOleSysError& error) {
            QCOMPARE(QString::fromStdString(error.what()).trimmed(),
                QString::fromLocal8Bit(std::strerror(EACCES)));
        }
        QCOMPARE(list.Items().Count(), 0);
        QCOMPARE(log, (std::vector<std::string> { "start", "complete", "folder changed" }));
        // The list still describes the folder it last filled.
        QCOMPARE(ShellGetPathFromIdList(list.CurrentFolderIdList()), readable.Path());
        log.clear();
        QVERIFY_THROWS_EXCEPTION(EOleSysError, list.FillItems());
        QCOMPARE(log, (std::vector<std::string> { "start", "complete" }));
    }

    void aFolderThatCannotBeBoundLeavesTheListEmpty()
    {
        TFolder folder;
        folder.Folder("gone");
        std::ofstream(folder / "gone" + "/g") << "1";
        PItemIDList gone = nullptr;
        QVERIFY(SUCCEEDED(ShellGetIdListFromPath(folder / "gone", gone)));
        struct TFree
        {
            PItemIDList Pidl;
            ~TFree() { ShellMemFree(Pidl); }
        } freed { gone };
        TList t(kDefaultShellListOptions & ~ShellListOption(ptsloAutoFill));
        TPTShellList& list = t.List;
        std::vector<std::string> log;
        list.OnFillStart = [&](TObject*) { log.push_back("start"); };
        list.OnFolderChanged = [&](TObject*) { log.push_back("folder changed"); };
        t.Show(folder / "gone");
        list.FillItems();
        QCOMPARE(Names(list), (std::vector<std::string> { "g" }));

        // Gone after it was chosen: binding it fails with the system's error.
        folder.Remove("gone");
        log.clear();
        QVERIFY_THROWS_EXCEPTION(EOleSysError, list.FillItems());
        QCOMPARE(list.Items().Count(), 0);
        QVERIFY(log.empty());
        // Through a change of folder, which is still told.
        list.Folder().SetPathName(folder.Path());
        QCOMPARE(list.Items().Count(), 0);
        log.clear();
        QVERIFY_THROWS_EXCEPTION(EOleSysError, list.Folder().SetIdList(gone));
        QCOMPARE(list.Items().Count(), 0);
        QCOMPARE(log, (std::vector<std::string> { "folder changed" }));
    }

    void namesThatAreNotUtf8AreListedByTheirBytes()
    {
        TFolder folder;
        const std::string odd = "odd\xFF\xFE";
        folder.File(odd, 5);
        folder.Folder("dir\xFF");
        folder.File("plain");
        TList t;
        TPTShellList& list = t.List;
        t.Show(folder.Path());
        QCOMPARE(list.Items().Count(), 3);
        for (const std::string& name : { odd, std::string("dir\xFF"), std::string("plain") }) {
            const int row = RowOf(list, name);
            QVERIFY2(row >= 0, name.c_str());
            TPTShListData* data = list.GetDataFromItem(list.Items()[row]);
            QCOMPARE(data->GetPathName(), folder / name);
            QVERIFY(!CellText(list, row, 0).isEmpty());
        }
        QCOMPARE(
            list.GetDataFromItem(list.Items()[RowOf(list, odd)])->GetSize(), std::string("1KB"));

        // A refresh tells the odd names apart from new ones.
        folder.File("odd\xFF");
        list.RefreshItems();
        QCOMPARE(list.Items().Count(), 4);
        QCOMPARE(Names(list).back(), std::string("odd\xFF"));
    }
};

QTEST_MAIN(ShellListTest)
#include "ShellListTest.moc"
