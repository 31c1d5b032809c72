// The shell tree and the folder combo over real folders: lazy filling and its expand buttons,
// hidden folders, names that are not UTF-8, selecting a folder deep below through levels the tree
// did not show, a target outside the base, the keyboard's delay against a click, refreshing by
// difference after changes made outside, the combo's entries and indents, and the tree, combo and
// list moving in step in every direction.

#include "ShellTree.h"

#include "NtfsImage.h"
#include "ShellCombo.h"
#include "ShellList.h"
#include "ShellTestSupport.h"
#include "TempDir.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <sys/stat.h>

using namespace sondrel::framework;
using namespace sondrel::shell;

namespace fs = std::filesystem;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A tree of real folders below a temporary folder; paths are bytes.
class TFolders
{
public:
    TFolders()
        : m_path(Bytes(m_dir.path()))
    {
    }
    ~TFolders()
    {
        std::error_code ignored;
        ::chmod(m_path.c_str(), 0700);
        for (const auto& entry : fs::recursive_directory_iterator(m_path, ignored))
            ::chmod(entry.path().c_str(), 0700);
        for (const auto& entry : fs::directory_iterator(m_path, ignored))
            fs::remove_all(entry.path(), ignored);
    }
    TFolders(const TFolders&) = delete;
    TFolders& operator=(const TFolders&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] std::string operator/(const std::string& name) const
    {
        return m_path + '/' + name;
    }
    void Folder(const std::string& name) const { fs::create_directories(*this / name); }
    void File(const std::string& name) const { std::ofstream(*this / name) << "x"; }

private:
    QTemporaryDir m_dir;
    std::string m_path;
};

PItemIDList ListOf(const std::string& path)
{
    PItemIDList pidl = nullptr;
    if (FAILED(ShellGetIdListFromPath(path, pidl)))
        return nullptr;
    return pidl;
}

// A tree under the model checker, based on `base` (empty: the desktop), shown and filled.
struct TTree
{
    TPTShellTree Tree;
    QAbstractItemModelTester Tester { &Tree.Items(),
        QAbstractItemModelTester::FailureReportingMode::QtTest };

    explicit TTree(const std::string& base = {},
        TPTShellTreeOptions options
        = kDefaultShellTreeOptions & ~ShellTreeOption(ptstoDynamicRefresh))
    {
        Tree.SetOptions(options);
        Tree.resize(300, 500);
        if (!base.empty()) {
            HeldPidl list(ListOf(base));
            TPTShellLocator locator;
            locator.SetIdList(list.Get());
            Tree.SetBaseFolder(&locator);
        }
        Tree.show();
        QCoreApplication::sendPostedEvents(&Tree);
        if (Tree.Items().Count() == 0)
            Tree.FillItems();
    }
};

TTreeNode* Child(TTreeNode* node, const QString& text)
{
    for (TTreeNode* child = node ? node->GetFirstChild() : nullptr; child;
         child = child->GetNextSibling())
        if (child->Text() == text)
            return child;
    return nullptr;
}

QStringList Texts(TTreeNode* node)
{
    QStringList texts;
    for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
        texts << child->Text();
    return texts;
}

} // namespace

class ShellTreeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aNewTreeShowsTheDesktopExpandedWithFoldersOnly()
    {
        sondrel::test::ScopedHome home;
        fs::create_directory(home.Path() + "/Desktop");
        home.SetUserDirs({ "XDG_DESKTOP_DIR=\"$HOME/Desktop\"" });
        fs::create_directory(home.Path() + "/Desktop/project");
        std::ofstream(home.Path() + "/Desktop/notes.txt") << "x";
        TTree t;
        QCOMPARE(t.Tree.Items().TopLevelCount(), 1);
        TTreeNode* root = t.Tree.Items().GetFirstNode();
        QVERIFY(root->Expanded());
        const QStringList texts = Texts(root);
        QVERIFY2(texts.contains(QStringLiteral("Computer")), qPrintable(texts.join(u',')));
        QVERIFY(texts.contains(QStringLiteral("project")));
        QVERIFY(!texts.contains(QStringLiteral("notes.txt")));
        QCOMPARE(t.Tree.Selected(), root);
        QCOMPARE(t.Tree.Options(), static_cast<TPTShellTreeOptions>(0x3BB & ~0x20));
        QCOMPARE(TPTShellTree().Options(), static_cast<TPTShellTreeOptions>(0x3BB));
    }

    void nodesFillWhenExpandedAndKeepTheirButtonsHonest()
    {
        TFolders f;
        f.Folder("empty");
        f.Folder("parent/child");
        f.Folder("files");
        f.File("files/a.txt");
        TTree t(f.Path());
        TTreeNode* root = t.Tree.Items().GetFirstNode();
        QCOMPARE(Texts(root),
            (QStringList {
                QStringLiteral("empty"), QStringLiteral("files"), QStringLiteral("parent") }));
        TTreeNode* parent = Child(root, QStringLiteral("parent"));
        QVERIFY(parent->HasChildren());
        QCOMPARE(parent->Count(), 0); // not filled before it is expanded
        QVERIFY(!Child(root, QStringLiteral("empty"))->HasChildren());
        QVERIFY(!Child(root, QStringLiteral("files"))->HasChildren());
        parent->Expand(false);
        QCOMPARE(Texts(parent), QStringList { QStringLiteral("child") });
        QCOMPARE(t.Tree.GetDataFromNode(Child(parent, QStringLiteral("child")))->GetPathName(),
            f / "parent/child");

        t.Tree.SetOptions(t.Tree.Options() | ShellTreeOption(ptstoIncludeNonFolders));
        root = t.Tree.Items().GetFirstNode();
        TTreeNode* files = Child(root, QStringLiteral("files"));
        QVERIFY(files->HasChildren());
        files->Expand(false);
        QCOMPARE(Texts(files), QStringList { QStringLiteral("a.txt") });
    }

    void anUnreadableFolderKeepsItsButtonAndShowsNoChildren()
    {
        TFolders f;
        f.Folder("locked/inner");
        TTree t(f.Path());
        TTreeNode* locked = Child(t.Tree.Items().GetFirstNode(), QStringLiteral("locked"));
        QVERIFY(locked->HasChildren());
        ::chmod((f / "locked").c_str(), 0);
        sondrel::test::AsUnprivileged nobody;
        if (!nobody.Active())
            QSKIP("root reads every folder and no unprivileged user could be taken on");
        ::chmod(f.Path().c_str(), 0755);
        locked->Expand(false);
        QCOMPARE(locked->Count(), 0);
        QVERIFY(locked->HasChildren());
        QVERIFY(!locked->Expanded());
    }

    void hiddenFoldersFollowTheOption()
    {
        TFolders f;
        f.Folder(".secret");
        f.Folder("open");
        TTree shown(f.Path());
        TTreeNode* hidden = Child(shown.Tree.Items().GetFirstNode(), QStringLiteral(".secret"));
        QVERIFY(hidden);
        QVERIFY(hidden->Cut());
        TTree without(f.Path(), kDefaultShellTreeOptions & ~ShellTreeOption(ptstoShowHidden));
        QCOMPARE(
            Texts(without.Tree.Items().GetFirstNode()), QStringList { QStringLiteral("open") });
    }

    void namesThatAreNotUtf8RoundTrip()
    {
        TFolders f;
        const std::string name = "caf\xe9";
        f.Folder(name);
        TTree t(f.Path());
        TTreeNode* node = t.Tree.Items().GetFirstNode()->GetFirstChild();
        QVERIFY(node);
        QVERIFY(node->Text().startsWith(QStringLiteral("caf")));
        QCOMPARE(t.Tree.GetDataFromNode(node)->GetPathName(), f / name);
        t.Tree.SetSelected(node);
        QCOMPARE(t.Tree.SelectedPathName(), f / name);
    }

    void selectingAFolderDeepBelowExpandsThePathThroughLevelsNotShown()
    {
        TFolders f;
        f.Folder("a/.hidden/c");
        TTree t(f.Path(), kDefaultShellTreeOptions & ~ShellTreeOption(ptstoShowHidden));
        t.Tree.SetSelectedPathName(f / "a/.hidden/c");
        QCOMPARE(t.Tree.SelectedPathName(), f / "a/.hidden/c");
        TTreeNode* a = Child(t.Tree.Items().GetFirstNode(), QStringLiteral("a"));
        QVERIFY(a->Expanded());
        TTreeNode* hidden = Child(a, QStringLiteral(".hidden"));
        QVERIFY(hidden);
        QVERIFY(hidden->Expanded());
        QCOMPARE(t.Tree.Selected(), Child(hidden, QStringLiteral("c")));
    }

    void aLevelThatIsNotAddedEndsTheWalkAtTheDeepestNodeReached()
    {
        TFolders f;
        f.Folder("a/refused/c");
        TTree t(f.Path());
        t.Tree.OnAddItem = [&](TObject*, IShellFolder_NRC* folder, PCItemIDList, PCItemIDList item,
                               std::uint32_t, std::int32_t& allow) {
            if (ShellGetFriendlyNameFromIdList(folder, item, ptfnInFolder) == "refused")
                allow = 0;
        };
        t.Tree.SetSelectedPathName(f / "a/refused/c");
        QCOMPARE(t.Tree.SelectedPathName(), f / "a");
        t.Tree.OnAddItem = nullptr;
    }

    void aTargetOutsideTheBaseSelectsNothingBelowIt()
    {
        TFolders f;
        f.Folder("base/x");
        f.Folder("other/x");
        TTree t(f / "base");
        TTreeNode* x = Child(t.Tree.Items().GetFirstNode(), QStringLiteral("x"));
        t.Tree.SetSelected(x);
        t.Tree.SetSelectedPathName(f / "other/x");
        QCOMPARE(t.Tree.Selected(), x);
        QCOMPARE(t.Tree.SelectedPathName(), f / "base/x");
    }

    void theKeyboardWaitsForTheListAndAClickDoesNot()
    {
        TFolders f;
        f.Folder("one");
        f.Folder("two");
        TPTShellList list;
        list.resize(300, 300);
        TTree t(f.Path());
        t.Tree.SetShellList(&list);
        list.show();
        t.Tree.setFocus();
        TTreeNode* root = t.Tree.Items().GetFirstNode();
        t.Tree.GoUp(1);
        t.Tree.SetSelected(root);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(list.Folder().GetPathName(), f.Path());

        QTest::keyClick(&t.Tree, Qt::Key_Down);
        QCOMPARE(t.Tree.Selected(), Child(root, QStringLiteral("one")));
        QVERIFY(t.Tree.UpdatePending());
        QCOMPARE(list.Folder().GetPathName(), f.Path());
        QTRY_COMPARE_WITH_TIMEOUT(list.Folder().GetPathName(), f / "one", 5000);

        TTreeNode* two = Child(root, QStringLiteral("two"));
        const QRect row = two->DisplayRect(true).ToQRect();
        QTest::mouseClick(t.Tree.viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(t.Tree.Selected(), two);
        QVERIFY(!t.Tree.UpdatePending());
        QCOMPARE(list.Folder().GetPathName(), f / "two");

        // A key during the delay, then a change notice: the list still follows the key.
        QTest::keyClick(&t.Tree, Qt::Key_Up);
        QCoreApplication::postEvent(
            &t.Tree, new QEvent(static_cast<QEvent::Type>(AM_CHANGENOTIFY)));
        QCoreApplication::sendPostedEvents(&t.Tree);
        t.Tree.Synchronize(false);
        QCOMPARE(list.Folder().GetPathName(), f / "one");
        t.Tree.SetShellList(nullptr);
    }

    void refreshingFollowsFoldersMadeAndRemovedOutside()
    {
        TFolders f;
        f.Folder("keep/inner");
        f.Folder("doomed/sub");
        TTree t(f.Path());
        TTreeNode* root = t.Tree.Items().GetFirstNode();
        TTreeNode* keep = Child(root, QStringLiteral("keep"));
        keep->Expand(false);
        TTreeNode* doomed = Child(root, QStringLiteral("doomed"));
        doomed->Expand(false);
        t.Tree.SetSelected(Child(doomed, QStringLiteral("sub")));

        f.Folder("keep/new");
        fs::remove_all(f / "doomed");
        f.Folder("fresh");
        t.Tree.RefreshNodes();
        QCOMPARE(Texts(root), (QStringList { QStringLiteral("fresh"), QStringLiteral("keep") }));
        QCOMPARE(Texts(keep), (QStringList { QStringLiteral("inner"), QStringLiteral("new") }));
        QVERIFY(keep->Expanded());
        QCOMPARE(t.Tree.Selected(), root);
    }

    void aFolderMadeInsideAnExpandedNodeShowsByItself()
    {
        TFolders f;
        f.Folder("open/inner");
        TTree t(f.Path(), kDefaultShellTreeOptions);
        TTreeNode* open = Child(t.Tree.Items().GetFirstNode(), QStringLiteral("open"));
        open->Expand(false);
        f.Folder("open/made");
        QTRY_COMPARE_WITH_TIMEOUT(
            Texts(open), (QStringList { QStringLiteral("inner"), QStringLiteral("made") }), 10000);
        fs::remove_all(f / "open/made");
        QTRY_COMPARE_WITH_TIMEOUT(Texts(open), QStringList { QStringLiteral("inner") }, 10000);
    }

    void moreFilledNodesThanOneWorkerWatchesAllFollowTheDisk()
    {
        TFolders f;
        // The root and 70 expanded nodes: more watches than one change worker waits on.
        constexpr int kNodes = 70;
        auto name = [](int i) { return QStringLiteral("n%1").arg(i, 2, 10, QLatin1Char('0')); };
        for (int i = 0; i < kNodes; ++i)
            f.Folder(name(i).toStdString() + "/inner");
        TTree t(f.Path(), kDefaultShellTreeOptions);
        TTreeNode* root = t.Tree.Items().GetFirstNode();
        for (int i = 0; i < kNodes; ++i)
            Child(root, name(i))->Expand(false);
        const QString last = name(kNodes - 1);
        f.Folder(last.toStdString() + "/made");
        QTRY_COMPARE_WITH_TIMEOUT(Texts(Child(root, last)),
            (QStringList { QStringLiteral("inner"), QStringLiteral("made") }), 10000);
        f.Folder("n01/made");
        QTRY_COMPARE_WITH_TIMEOUT(Texts(Child(root, name(1))),
            (QStringList { QStringLiteral("inner"), QStringLiteral("made") }), 10000);
    }

    void aMountMadeWhileRunningAddsItsDriveOnce()
    {
        TTree t;
        TTreeNode* computer = Child(t.Tree.Items().GetFirstNode(), QStringLiteral("Computer"));
        QVERIFY(computer);
        computer->Expand(false);
        sondrel::test::TempDir dir;
        // Only the node of this test's own mount counts: others may come and go meanwhile.
        const auto drivesAt = [&](const std::string& path) {
            int found = 0;
            for (TTreeNode* node = computer->GetFirstChild(); node; node = node->GetNextSibling())
                if (TPTShTreeData* data = t.Tree.GetDataFromNode(node);
                    data && data->GetPathName() == path)
                    ++found;
            return found;
        };
        sondrel::test::TmpfsMount mount(dir.Path());
        if (!mount.Usable())
            QSKIP(qPrintable(
                QStringLiteral("no tmpfs mount here: ") + QString::fromStdString(mount.Problem())));
        QTRY_COMPARE_WITH_TIMEOUT(drivesAt(mount.Path()), 1, 10000);
        QCoreApplication::processEvents();
        QCOMPARE(drivesAt(mount.Path()), 1);
        mount.Unmount();
        QTRY_COMPARE_WITH_TIMEOUT(drivesAt(mount.Path()), 0, 10000);
    }

    void anNtfsVolumeIsBrowsedLikeAnyFolder()
    {
        sondrel::test::NtfsImage volume;
        if (!volume.Usable() || !volume.Mount())
            QSKIP(qPrintable(QStringLiteral("no NTFS volume here: ")
                + QString::fromStdString(volume.Problem())));
        fs::create_directories(volume / "dir/sub");
        {
            TPTShellList list;
            TTree t;
            t.Tree.SetShellList(&list);
            list.show();
            t.Tree.SetSelectedPathName(volume / "dir/sub");
            QCOMPARE(t.Tree.SelectedPathName(), volume / "dir/sub");
            QCOMPARE(list.Folder().GetPathName(), volume / "dir/sub");
            t.Tree.GoUp(1);
            QCOMPARE(Texts(t.Tree.Selected()), QStringList { QStringLiteral("sub") });
            QCOMPARE(list.Folder().GetPathName(), volume / "dir");
            t.Tree.SetShellList(nullptr);
        }
        volume.Unmount();
    }

    void theComboListsTheChainDownToAFolderOnADrive()
    {
        TFolders f;
        f.Folder("a/b");
        TPTShellCombo combo;
        QAbstractItemModelTester tester(
            combo.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        combo.show();
        HeldPidl target(ListOf(f / "a/b"));
        TPTShellLocator locator;
        locator.SetIdList(target.Get());
        combo.SetSelectedFolder(&locator);
        TPTIdListArray items(target.Get());
        const int depth = items.GetCount();
        TPTImageComboItem* selected = combo.GetImageComboItem(combo.ItemIndex());
        QVERIFY(selected);
        QCOMPARE(selected->Caption(), QStringLiteral("b"));
        QCOMPARE(selected->Indent(), depth);
        // The chain runs down from the root drive at indent 2, one step at a time.
        int at = selected->Index();
        for (int level = depth; level > 2; --level)
            QCOMPARE(combo.GetImageComboItem(at--)->Indent(), level);
        TPTShComboData* drive = combo.GetShComboData(at);
        QCOMPARE(ShellGetPathFromIdList(drive->AbsoluteList()), std::string("/"));
        QCOMPARE(combo.GetImageComboItem(0)->Indent(), 0);
        // Entries away from the chain wait to be drawn for their captions.
        QVERIFY(combo.GetImageComboItem(1)->Caption().isEmpty());
        QCOMPARE(combo.GetImageComboItem(1)->ImageIndex(), -1);
        combo.showPopup();
        combo.view()->grab();
        QVERIFY(!combo.GetImageComboItem(1)->Caption().isEmpty());
        QVERIFY(combo.GetImageComboItem(1)->ImageIndex() >= 0);
        QVERIFY(combo.DropDownCount() >= 4);
        combo.hidePopup();

        combo.GoUp(1);
        QCOMPARE(ShellGetPathFromIdList(combo.GetSelectedFolder().GetIdList()), f / "a");
    }

    void theClosedComboOpensOnArrowsAndNeverChoosesByThem()
    {
        TPTShellCombo combo;
        combo.show();
        QVERIFY(combo.ItemCount() > 2);
        QCOMPARE(combo.ItemIndex(), 0);
        int chosen = 0;
        combo.OnSelEndOk = [&chosen](TObject*) { ++chosen; };
        QTest::keyClick(&combo, Qt::Key_Down);
        QVERIFY(combo.DroppedDown());
        combo.hidePopup();
        QTest::keyClick(&combo, Qt::Key_End);
        QTest::keyClick(&combo, Qt::Key_C);
        QWheelEvent wheel(QPointF(5, 5), combo.mapToGlobal(QPointF(5, 5)), {}, { 0, -120 },
            Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&combo, &wheel);
        QCOMPARE(combo.ItemIndex(), 0);
        QCOMPARE(chosen, 0);
    }

    void theComboListsAFolderUnderTheHomeFolderBelowHome()
    {
        sondrel::test::ScopedHome home;
        fs::create_directories(home.Path() + "/docs/work");
        TPTShellCombo combo;
        combo.show();
        TPTShellLocator locator;
        locator.SetPathName(home.Path() + "/docs/work");
        combo.SetSelectedFolder(&locator);
        TPTImageComboItem* selected = combo.GetImageComboItem(combo.ItemIndex());
        QVERIFY(selected);
        QCOMPARE(selected->Caption(), QStringLiteral("work"));
        QVERIFY(selected->Indent() >= 3);
    }

    void treeComboAndListMoveInStep()
    {
        TFolders f;
        f.Folder("x/y");
        TPTShellList list;
        TPTShellCombo combo;
        TTree t;
        combo.SetShellTree(&t.Tree);
        t.Tree.SetShellList(&list);
        QCOMPARE(t.Tree.ShellCombo(), &combo);
        // A combo linked to a tree takes no list.
        combo.SetShellList(&list);
        QCOMPARE(combo.ShellList(), nullptr);
        combo.show();
        list.show();

        // The tree moves the combo and the list.
        t.Tree.SetSelectedPathName(f / "x/y");
        QCOMPARE(list.Folder().GetPathName(), f / "x/y");
        QCOMPARE(ShellGetPathFromIdList(combo.GetSelectedFolder().GetIdList()), f / "x/y");
        QCOMPARE(combo.GetImageComboItem(combo.ItemIndex())->Caption(), QStringLiteral("y"));

        // Choosing a combo entry moves the tree and the list.
        const int parent = combo.ItemIndex() - 1;
        combo.SetItemIndex(parent);
        Q_EMIT combo.activated(parent);
        QCOMPARE(t.Tree.SelectedPathName(), f / "x");
        QCOMPARE(list.Folder().GetPathName(), f / "x");
        QCOMPARE(combo.GetImageComboItem(combo.ItemIndex())->Caption(), QStringLiteral("x"));

        // The list's way up moves the tree, and the tree the combo.
        list.GoUp(1);
        QCOMPARE(t.Tree.SelectedPathName(), f.Path());
        QCOMPARE(list.Folder().GetPathName(), f.Path());
        QCOMPARE(ShellGetPathFromIdList(combo.GetSelectedFolder().GetIdList()), f.Path());

        combo.SetShellTree(nullptr);
        t.Tree.SetShellList(nullptr);
    }
};

QTEST_MAIN(ShellTreeTest)

#include "ShellTreeTest.moc"
