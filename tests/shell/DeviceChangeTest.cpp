// The device-change relay: deferral, order, subscription, and a real mount while running.
#include "NtfsImage.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "UPTShellUtils.h"

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

using namespace sondrel::shell;

class Subscriber
{
public:
    Subscriber(int id, std::vector<std::pair<int, win32::WPARAM>>& calls)
        : m_id(id)
        , m_calls(calls)
    {
    }
    void Changed(TPTDeviceChangeHandler*, TMessage& message)
    {
        m_calls.emplace_back(m_id, message.WParam);
        if (LeaveOnCall)
            PTDeviceChangeHandler()->Remove(Event());
    }
    TPTDeviceChangeEvent Event()
    {
        return MakeDeviceChangeEvent<Subscriber, &Subscriber::Changed>(this);
    }
    bool LeaveOnCall = false;

private:
    int m_id;
    std::vector<std::pair<int, win32::WPARAM>>& m_calls;
};

class DeviceChangeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void broadcastsAreDeferredAndInOrder()
    {
        std::vector<std::pair<int, win32::WPARAM>> calls;
        Subscriber first(1, calls), second(2, calls);
        TPTDeviceChangeHandler* relay = PTDeviceChangeHandler();
        QCOMPARE(PTDeviceChangeHandler(), relay);
        relay->Add(first.Event());
        relay->Add(second.Event());
        TMessage message { win32::WM_DEVICECHANGE, win32::DBT_DEVICEARRIVAL, 0, 0 };
        relay->WndProc(message);
        QVERIFY(calls.empty()); // nothing before the event loop runs
        QCoreApplication::processEvents();
        QCOMPARE(calls.size(), std::size_t { 2 });
        QCOMPARE(calls[0].first, 1);
        QCOMPARE(calls[1].first, 2);
        QCOMPARE(calls[0].second, win32::DBT_DEVICEARRIVAL);
        QCoreApplication::processEvents();
        QCOMPARE(calls.size(), std::size_t { 2 }); // exactly one re-post per broadcast

        // A subscriber that leaves during a broadcast does not cost the next one its call.
        calls.clear();
        first.LeaveOnCall = true;
        relay->WndProc(message);
        QCoreApplication::processEvents();
        QCOMPARE(calls.size(), std::size_t { 2 });
        calls.clear();
        relay->WndProc(message);
        QCoreApplication::processEvents();
        QCOMPARE(calls.size(), std::size_t { 1 });
        QCOMPARE(calls[0].first, 2);

        calls.clear();
        relay->SetEnabled(false);
        relay->WndProc(message);
        QCoreApplication::processEvents();
        QVERIFY(calls.empty());
        relay->SetEnabled(true);
        relay->Remove(second.Event());
        relay->Remove(second.Event()); // not subscribed: nothing happens
        relay->WndProc(message);
        QCoreApplication::processEvents();
        QVERIFY(calls.empty());
    }

    void aMountMadeWhileRunningArrivesAndItsUnmountIsRemoved()
    {
        // Other programs and parallel tests mount and unmount too, and a broadcast does not say
        // which mount it is about: each call is judged by whether this test's mount was in the
        // table when it came, and only calls that fit this mount's own changes count.
        struct Seen
        {
            win32::WPARAM Event;
            bool Mounted;
        };
        std::vector<Seen> seen;
        std::string mountPoint;
        struct Watcher
        {
            std::vector<Seen>* Calls;
            const std::string* Path;
            void Changed(TPTDeviceChangeHandler*, TMessage& message)
            {
                Calls->push_back({ message.WParam, sondrel::test::IsMounted(*Path) });
            }
        } watcher { &seen, &mountPoint };
        const auto event = MakeDeviceChangeEvent<Watcher, &Watcher::Changed>(&watcher);
        PTDeviceChangeHandler()->Add(event);
        sondrel::test::TempDir dir;
        sondrel::test::TmpfsMount mount(dir.Path());
        mountPoint = mount.Path();
        if (!mount.Usable()) {
            PTDeviceChangeHandler()->Remove(event);
            QSKIP(qPrintable(
                QStringLiteral("no tmpfs mount here: ") + QString::fromStdString(mount.Problem())));
        }
        auto arrived = [&seen](std::size_t from, win32::WPARAM kind, bool mounted) {
            return std::any_of(seen.begin() + static_cast<std::ptrdiff_t>(from), seen.end(),
                [&](const Seen& s) { return s.Event == kind && s.Mounted == mounted; });
        };
        QTRY_VERIFY(arrived(0, win32::DBT_DEVICEARRIVAL, true));
        const std::size_t beforeUnmount = seen.size();
        mount.Unmount();
        QTRY_VERIFY(arrived(beforeUnmount, win32::DBT_DEVICEREMOVECOMPLETE, false));
        PTDeviceChangeHandler()->Remove(event);
    }
};

QTEST_GUILESS_MAIN(DeviceChangeTest)
#include "DeviceChangeTest.moc"
