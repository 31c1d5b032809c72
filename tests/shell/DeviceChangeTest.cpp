// The device-change relay: deferral, order, subscription, and a real mount while running.
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "UPTShellUtils.h"

#include <QCoreApplication>
#include <QTest>

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

    void aMountMadeWhileRunningIsOneArrival()
    {
        std::vector<std::pair<int, win32::WPARAM>> calls;
        Subscriber watcher(3, calls);
        PTDeviceChangeHandler()->Add(watcher.Event());
        sondrel::test::TempDir dir;
        sondrel::test::TmpfsMount mount(dir.Path());
        if (!mount.Usable()) {
            PTDeviceChangeHandler()->Remove(watcher.Event());
            QSKIP(qPrintable(
                QStringLiteral("no tmpfs mount here: ") + QString::fromStdString(mount.Problem())));
        }
        QTRY_COMPARE(calls.size(), std::size_t { 1 });
        QCOMPARE(calls[0].second, win32::DBT_DEVICEARRIVAL);
        mount.Unmount();
        QTRY_COMPARE(calls.size(), std::size_t { 2 });
        QCOMPARE(calls[1].second, win32::DBT_DEVICEREMOVECOMPLETE);
        PTDeviceChangeHandler()->Remove(watcher.Event());
    }
};

QTEST_GUILESS_MAIN(DeviceChangeTest)
#include "DeviceChangeTest.moc"
