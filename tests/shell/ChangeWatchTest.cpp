// Change watching on real folders: the worker's slots, messages and stop, and the shell list
// following the disk by itself: items made, removed and renamed by another process appear and
// go, a write changes nothing, its own rename refreshes nothing, the option switches it off and
// on, a folder changing without pause still refreshes, a folder that goes empties the list, and
// a list that goes leaves nothing open.

#include "ChangeHandlerThread.h"
#include "ChangeNotify.h"
#include "QtTestNames.h"
#include "Run.h"
#include "ShellList.h"
#include "TempDir.h"
#include "WaitApi.h"

#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace sondrel::framework;
using namespace sondrel::shell;
using sondrel::test::Run;
using sondrel::test::TempDir;

namespace fs = std::filesystem;

namespace {

constexpr int kMessage = AM_CHANGENOTIFY;
// Bounds a wait for what must come: the unfocused delay and its ceiling, with room for a loaded
// machine.
constexpr int kBound = 10000;

int OpenDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

void Touch(const std::string& path) { std::ofstream(path, std::ios::binary) << "x"; }

// Counts the change messages that reach it.
class TReceiver : public QObject
{
public:
    int Messages = 0;
    std::uintptr_t LastSlot = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != static_cast<QEvent::Type>(kMessage))
            return QObject::event(event);
        ++Messages;
        LastSlot = static_cast<TMessageEvent*>(event)->WParam;
        return true;
    }
};

// Proves that the kernel's events for `path` up to now have been read: a write-filter watch of
// our own wakes once they are, and every watch of the process is served by the same reading.
void AwaitEventsRead(const std::string& path, const std::string& probe)
{
    win32::HANDLE sentinel = win32::FindFirstChangeNotificationA(
        path.c_str(), win32::FALSE, win32::FILE_NOTIFY_CHANGE_LAST_WRITE);
    QVERIFY(sentinel != win32::INVALID_HANDLE_VALUE);
    std::ofstream(probe, std::ios::app) << "x";
    QCOMPARE(win32::WaitForSingleObject(sentinel, kBound), win32::WAIT_OBJECT_0);
    win32::FindCloseChangeNotification(sentinel);
}

std::vector<std::string> Names(TPTCustomShellList& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.Items().Count(); ++i)
        if (TPTShListData* data = list.GetDataFromItem(list.Items()[i]))
            names.push_back(data->GetFilename());
    std::sort(names.begin(), names.end());
    return names;
}

using TNames = std::vector<std::string>;

// A shown list on `path` that counts its fills and refreshes.
struct TWatchedList
{
    TPTShellList List;
    int Refreshes = 0;

    explicit TWatchedList(const std::string& path)
    {
        List.resize(400, 300);
        List.OnFillStart = [this](TObject*) { ++Refreshes; };
        List.Folder().SetPathName(path);
        List.show();
        QCoreApplication::sendPostedEvents(&List);
    }
};

} // namespace

class ChangeWatchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theWorkerPostsOneMessageWhileOneIsUnhandled()
    {
        TempDir dir;
        TReceiver receiver;
        TChangeHandlerThread thread(&receiver, kMessage);
        int slot = -1;
        QVERIFY(thread.WatchFolder(dir.Path(), win32::FILE_NOTIFY_CHANGE_FILE_NAME, slot, false));
        QCOMPARE(slot, 0);
        for (int i = 0; i < 2000; ++i)
            Touch(dir / ("f" + std::to_string(i)));
        AwaitEventsRead(dir.Path(), dir / "f0");
        QTRY_VERIFY_WITH_TIMEOUT(receiver.Messages >= 1, kBound);
        QCoreApplication::sendPostedEvents(&receiver);
        // Thousands of changes, a handful of messages; the changed set names the watch.
        QVERIFY2(receiver.Messages <= 3, QByteArray::number(receiver.Messages).constData());
        QCOMPARE(receiver.LastSlot, std::uintptr_t { 0 });
        QCOMPARE(thread.TakeChangedSlots(), std::uint64_t { 1 });
        QCOMPARE(thread.TakeChangedSlots(), std::uint64_t { 0 });
        // Once handled, the next change is told again.
        const int before = receiver.Messages;
        Touch(dir / "next");
        QTRY_VERIFY_WITH_TIMEOUT(receiver.Messages > before, kBound);
    }

    void anOwnerHandlingAtOnceGetsOneMessagePerInterval()
    {
        TempDir dir;
        TReceiver receiver;
        TChangeHandlerThread thread(&receiver, kMessage);
        int slot = -1;
        QVERIFY(thread.WatchFolder(dir.Path(), win32::FILE_NOTIFY_CHANGE_FILE_NAME, slot, false));
        std::atomic<bool> done = false;
        const auto start = std::chrono::steady_clock::now();
        std::thread maker([&] {
            for (int i = 0; i < 3000; ++i)
                Touch(dir / ("f" + std::to_string(i)));
            done = true;
        });
        // The owner handles every message as it comes, as a control does.
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        maker.join();
        const auto burst = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        const int duringBurst = receiver.Messages;
        const long limit = 2 + burst.count() / TChangeHandlerThread::kMessageInterval;
        QVERIFY2(duringBurst <= limit,
            QByteArray::number(duringBurst) + " messages in " + QByteArray::number(burst.count())
                + " ms");
        // A change inside the interval is held back, not dropped: it is told when it ends.
        Touch(dir / "last");
        QTRY_VERIFY_WITH_TIMEOUT(receiver.Messages > duringBurst, kBound);
    }

    void aFullSlotTableRefusesAndTheWorkerLeavesNothingOpen()
    {
        TempDir dir;
        const int before = OpenDescriptors();
        {
            TChangeHandlerThread thread(nullptr, kMessage);
            const int started = OpenDescriptors();
            int slot = -1;
            for (int i = 0; i < TChangeHandlerThread::kSlotCount; ++i) {
                QVERIFY(thread.WatchFolder(dir.Path(), 3, slot, false));
                QCOMPARE(slot, i);
            }
            const int full = OpenDescriptors();
            QVERIFY(!thread.WatchFolder(dir.Path(), 3, slot, false));
            QCOMPARE(OpenDescriptors(), full);
            QVERIFY(!thread.WatchFolder(std::string(), 3, slot, false));
            QVERIFY(!thread.WatchFolder(dir / "missing", 3, slot, false));
            QVERIFY(!thread.WatchFolder(dir.Path(), 3, slot, true));
            QCOMPARE(OpenDescriptors(), full);
            // A slot let go is the first free one again.
            QVERIFY(thread.UnwatchFolder(5));
            QVERIFY(thread.WatchFolder(dir.Path(), 3, slot, false));
            QCOMPARE(slot, 5);
            thread.UnwatchAll();
            QCOMPARE(OpenDescriptors(), started);
            QVERIFY(thread.WatchFolder(dir.Path(), 3, slot, false));
            QCOMPARE(slot, 0);
            // Destroyed while the worker waits, with a watch still in place.
        }
        QCOMPARE(OpenDescriptors(), before);
    }

    void aWatchThatDiesKeepsItsSlotUntilLetGo()
    {
        TempDir dir;
        fs::create_directory(dir / "gone");
        TReceiver receiver;
        TChangeHandlerThread thread(&receiver, kMessage);
        int gone = -1;
        int stays = -1;
        QVERIFY(thread.WatchFolder(dir / "gone", 3, gone, false));
        QVERIFY(thread.WatchFolder(dir.Path(), 3, stays, false));
        fs::remove(dir / "gone");
        std::uint64_t changed = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            (changed |= thread.TakeChangedSlots()) & (std::uint64_t { 1 } << gone), kBound);
        // The owner still holds the dead watch's number: a new watch gets another one.
        int next = -1;
        QVERIFY(thread.WatchFolder(dir.Path(), 3, next, false));
        QVERIFY(next != gone && next != stays);
        QVERIFY(thread.UnwatchFolder(gone));
        QVERIFY(thread.WatchFolder(dir.Path(), 3, next, false));
        QCOMPARE(next, gone);
    }

    void itemsMadeRemovedAndRenamedElsewhereShowByThemselves()
    {
        TempDir dir;
        Touch(dir / "a");
        TWatchedList watched(dir.Path());
        TPTShellList& list = watched.List;
        QCOMPARE(Names(list), (TNames { "a" }));
        QVERIFY(!list.hasFocus());
        QCOMPARE(Run({ "touch", dir / "b" }).Status, 0);
        QTRY_COMPARE_WITH_TIMEOUT(Names(list), (TNames { "a", "b" }), kBound);
        QCOMPARE(watched.Refreshes, 2);
        QCOMPARE(Run({ "mv", dir / "a", dir / "c" }).Status, 0);
        QTRY_COMPARE_WITH_TIMEOUT(Names(list), (TNames { "b", "c" }), kBound);
        QCOMPARE(Run({ "mkdir", dir / "sub" }).Status, 0);
        QCOMPARE(Run({ "rm", dir / "b" }).Status, 0);
        QTRY_COMPARE_WITH_TIMEOUT(Names(list), (TNames { "c", "sub" }), kBound);
    }

    void theDelayIsShortWithTheFocusAndWritesChangeNothing()
    {
        TempDir dir;
        Touch(dir / "a");
        TWatchedList watched(dir.Path());
        TPTShellList& list = watched.List;
        list.activateWindow();
        list.setFocus();
        QTRY_VERIFY(list.hasFocus());
        std::ofstream(dir / "a", std::ios::app) << "more";
        AwaitEventsRead(dir.Path(), dir / "a");
        QCoreApplication::sendPostedEvents(&list);
        QVERIFY(!list.RefreshTimerRunning());
        Touch(dir / "b");
        QTRY_VERIFY_WITH_TIMEOUT(list.RefreshTimerRunning(), kBound);
        QCOMPARE(list.RefreshTimerInterval(), PTSH_CHANGE_NOTIFY_FASTDELAY);
        QTRY_COMPARE_WITH_TIMEOUT(Names(list), (TNames { "a", "b" }), kBound);
    }

    void aRenameInTheListRefreshesNothingAndAKeptNameLeavesNoFlag()
    {
        TempDir dir;
        Touch(dir / "file");
        TWatchedList watched(dir.Path());
        TPTShellList& list = watched.List;
        TListItem* item = list.Items()[0];
        for (const QString& name : { QStringLiteral("renamed"), QStringLiteral("renamed") }) {
            QVERIFY(item->EditCaption());
            auto* editor = qobject_cast<QLineEdit*>(list.indexWidget(list.Items().IndexOf(item)));
            QVERIFY(editor);
            editor->setText(name);
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(!list.IsEditing());
            // Its own notification is taken as heard; a name kept as it was expects none.
            QTRY_VERIFY_WITH_TIMEOUT(!list.OwnChangePending(), kBound);
            QVERIFY(!list.RefreshTimerRunning());
        }
        QCOMPARE(watched.Refreshes, 1);
        QCOMPARE(Names(list), (TNames { "renamed" }));
        // So the next change from elsewhere is not swallowed.
        Touch(dir / "other");
        QTRY_COMPARE_WITH_TIMEOUT(Names(list), (TNames { "other", "renamed" }), kBound);
        QCOMPARE(watched.Refreshes, 2);
    }

    void theOptionSwitchesWatchingOffAndOn()
    {
        TempDir dir;
        TWatchedList watched(dir.Path());
        TPTShellList& list = watched.List;
        const auto dynamic = ShellListOption(ptsloDynamicRefresh);
        list.SetOptions(list.Options() & ~dynamic);
        Touch(dir / "unseen");
        AwaitEventsRead(dir.Path(), dir / "unseen");
        QCoreApplication::sendPostedEvents(&list);
        QVERIFY(!list.RefreshTimerRunning());
        QCOMPARE(Names(list), TNames {});
        list.SetOptions(list.Options() | dynamic);
        Touch(dir / "seen");
        QTRY_COMPARE_WITH_TIMEOUT(Names(list), (TNames { "seen", "unseen" }), kBound);
    }

    void aFolderChangingWithoutPauseStillRefreshes()
    {
        TempDir dir;
        TWatchedList watched(dir.Path());
        std::atomic<bool> stop = false;
        std::atomic<int> made = 0;
        // Changes every 50 ms restart the delay each time; ten seconds is more than its ceiling.
        std::thread writer([&] {
            for (int i = 0; i < 200 && !stop; ++i) {
                Touch(dir / ("f" + std::to_string(i)));
                ++made;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        const bool refreshed = QTest::qWaitFor([&] { return watched.Refreshes >= 2; }, kBound);
        const bool whileChanging = made < 200;
        stop = true;
        writer.join();
        QVERIFY(refreshed);
        QVERIFY(whileChanging);
        QVERIFY(watched.List.Items().Count() > 0);
    }

    void aShownFolderThatGoesEmptiesTheList()
    {
        TempDir dir;
        fs::create_directory(dir / "shown");
        Touch(dir / "shown/a");
        TWatchedList watched(dir / "shown");
        QCOMPARE(Names(watched.List), (TNames { "a" }));
        fs::remove_all(dir / "shown");
        QTRY_COMPARE_WITH_TIMEOUT(watched.List.Items().Count(), 0, kBound);

        // One that was empty already stays so, quietly.
        fs::create_directory(dir / "empty");
        TWatchedList empty(dir / "empty");
        fs::remove(dir / "empty");
        QTRY_VERIFY_WITH_TIMEOUT(empty.List.RefreshTimerRunning(), kBound);
        QTRY_VERIFY_WITH_TIMEOUT(!empty.List.RefreshTimerRunning(), kBound);
        QCOMPARE(empty.List.Items().Count(), 0);
        QCOMPARE(empty.Refreshes, 1);
    }

    void aListThatGoesJoinsItsWorkerAndLeavesNothingOpen()
    {
        TempDir dir;
        // The first shown widget opens what the platform keeps for good.
        delete new TWatchedList(dir.Path());
        const int before = OpenDescriptors();
        {
            TWatchedList watched(dir.Path());
            QVERIFY(OpenDescriptors() > before);
            Touch(dir / "a");
            QTRY_VERIFY_WITH_TIMEOUT(watched.List.RefreshTimerRunning(), kBound);
        }
        QCOMPARE(OpenDescriptors(), before);
    }

    void aLocalFolderIsNoNetworkShare()
    {
        TempDir dir;
        TWatchedList watched(dir.Path());
        QVERIFY(!watched.List.IsFolderNetworkShare());
    }
};

QTEST_MAIN(ChangeWatchTest)
#include "ChangeWatchTest.moc"
