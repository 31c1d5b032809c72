// The content pane's decoded view in the window: the toggle shows it above the dump and the
// choice outlasts file selections; each stream kind shows its rows; a stream its decoder
// refuses, or one no decoder knows, says so while the dump stays as it was. Real files and
// xattrs on the offscreen platform; the NTFS kinds on a real volume where the machine can
// mount one.

#include "DecodedPane.h"

#include "Main.h"
#include "MainFormSupport.h"
#include "NtfsImage.h"
#include "StreamList.h"
#include "TempDir.h"

#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

using namespace sondrel;
using namespace sondrel::framework;
using test::SelectStream;
using test::ShowFile;

namespace {

// The value of the decoded row named `field`, at any depth, or "<missing>". The first row is
// the summary line, not a field.
QString Value(const app::TDecodedPane& pane, const QString& field)
{
    for (const QTreeWidgetItem* item :
        pane.findItems(field, Qt::MatchExactly | Qt::MatchRecursive, 0))
        if (item != pane.topLevelItem(0))
            return item->text(1);
    return QStringLiteral("<missing>");
}

std::string FixtureBytes(const std::string& name)
{
    std::ifstream in(std::string(SONDREL_FIXTURES_DIR) + "/attrs/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

class DecodedPaneTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toggleShowsTheViewAboveTheDumpForTheSession()
    {
        test::TempDir dir;
        if (!test::UserXattrsWork(dir.Path()))
            QSKIP("this file system keeps no user extended attributes");
        test::WriteFile(dir / "a", "0123456789");
        test::WriteFile(dir / "b", "x");
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        app::TDecodedPane& pane = *form.DecodedPane;
        QVERIFY(!pane.isVisible());
        const QRect dumpAlone = form.ScrollBox1->geometry();
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("a")));
        QCOMPARE(form.StreamList->ItemIndex(), 0);

        QTest::mouseClick(pane.Toggle(), Qt::LeftButton);
        QVERIFY(pane.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(
            form.ScrollBox1->geometry().top() >= pane.geometry().bottom(), 5000);
        QVERIFY(form.ScrollBox1->isVisible());
        QCOMPARE(pane.Summary(), QStringLiteral("Security descriptor"));
        QVERIFY(Value(pane, QStringLiteral("SDDL")).startsWith(QStringLiteral("O:")));
        QVERIFY(Value(pane, QStringLiteral("Owner")).startsWith(QStringLiteral("S-1-22-1-")));

        // Another file keeps the view; its first stream is decoded at once.
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("b")));
        QVERIFY(pane.DecodedShown());
        QCOMPARE(pane.Summary(), QStringLiteral("Security descriptor"));
        // The main data is the dump's: the view says so and the dump shows the bytes.
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        QVERIFY(pane.Summary().startsWith(QStringLiteral("No decoded view")));
        QCOMPARE(form.PaintBox1->Height(), 16);

        QTest::mouseClick(pane.Toggle(), Qt::LeftButton);
        QVERIFY(!pane.isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(form.ScrollBox1->geometry(), dumpAlone, 5000);
        // Deselecting the file lets go of every record the view knew.
        form.FileList->Selected()->SetSelected(false);
        QCOMPARE(pane.topLevelItemCount(), 0);
    }

    void namedStreamsSparseBlocksAndRefusals()
    {
        test::TempDir dir;
        if (!test::UserXattrsWork(dir.Path()))
            QSKIP("this file system keeps no user extended attributes");
        const std::string file = dir / "setup.exe";
        test::WriteFile(file, "MZ");
        QVERIFY(test::SetXattr(file, "user.Zone.Identifier",
            "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.org/setup.exe\r\n"));
        QVERIFY(test::SetXattr(file, "user.xdg.tags", "tools,windows"));
        test::WriteFile(dir / "bad", "x");
        const std::string corrupt = "ZoneId=3 but no section";
        QVERIFY(test::SetXattr(dir / "bad", "user.Zone.Identifier", corrupt));
        // A file with holes, for its sparse blocks.
        const std::string sparse = dir / "sparse";
        {
            const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            QVERIFY(fd >= 0);
            const std::string block(4096, 's');
            const bool written = ::pwrite(fd, block.data(), block.size(), 0) == 4096
                && ::pwrite(fd, block.data(), block.size(), 1 << 20) == 4096
                && ::ftruncate(fd, 2 << 20) == 0;
            ::close(fd);
            QVERIFY(written);
        }

        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        app::TDecodedPane& pane = *form.DecodedPane;
        pane.SetDecodedShown(true);
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("setup.exe")));
        QVERIFY(SelectStream(form, QStringLiteral("Zone.Identifier")));
        QCOMPARE(pane.Summary(), QStringLiteral("Download zone"));
        QCOMPARE(Value(pane, QStringLiteral("Zone")), QStringLiteral("3: Internet"));
        QCOMPARE(Value(pane, QStringLiteral("Host URL")),
            QStringLiteral("https://example.org/setup.exe"));
        QVERIFY(SelectStream(form, QStringLiteral("xdg.tags")));
        QCOMPARE(pane.findItems(QStringLiteral("Tag"), Qt::MatchExactly).size(), 2);

        // The file list's tip names the origin after the count.
        TListItem* item = form.FileList->Selected();
        QString tip;
        form.FileListInfoTip(form.FileList, item, tip);
        QCOMPARE(
            tip, QStringLiteral("setup.exe\nStreams: 4\nOrigin: https://example.org/setup.exe"));

        // A stream its decoder refuses: the reason, and the dump of the bytes as ever.
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("bad")));
        form.FileListInfoTip(form.FileList, form.FileList->Selected(), tip);
        QCOMPARE(tip, QStringLiteral("bad\nStreams: 3"));
        QVERIFY(SelectStream(form, QStringLiteral("Zone.Identifier")));
        QCOMPARE(pane.Summary(),
            QStringLiteral("Not readable as Download zone: it has no [ZoneTransfer] section"));
        QVERIFY(form.ScrollBox1->isVisible());
        QCOMPARE(form.PaintBox1->Height(), static_cast<int>((corrupt.size() - 1) / 16 * 16 + 16));

        // A file with holes: its sparse blocks and the map of the whole file.
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("sparse")));
        if (!SelectStream(form, {}, 9))
            QSKIP("this file system reports no holes");
        QCOMPARE(pane.Summary(), QStringLiteral("Sparse block"));
        QCOMPARE(Value(pane, QStringLiteral("Offset")), QStringLiteral("0 (0x0)"));
        QCOMPARE(Value(pane, QStringLiteral("File size")), QStringLiteral("2097152"));
        QCOMPARE(Value(pane, QStringLiteral("data (this block)")),
            QStringLiteral("0 to 4096 (4096 bytes)"));
    }

    void ntfsKindsOnARealVolume()
    {
        const std::string ea = FixtureBytes("ea-2.bin");
        if (ea.empty())
            QSKIP("the shared fixtures (attrs/) are absent");
        test::NtfsImage image;
        if (!image.Usable() || !image.Mount())
            QSKIP(qPrintable(
                QStringLiteral("no NTFS volume here: ") + QString::fromStdString(image.Problem())));
        test::WriteFile(image / "wsl.txt", "x");
        test::WriteFile(image / "dedup", "");
        // A deduplicated file's reparse point: no link, so the walk shows it as it is.
        const std::string payload = "chunk store";
        const std::string reparse = std::string("\x13\0\0\x80", 4)
            + static_cast<char>(payload.size()) + std::string(3, '\0') + payload;
        QVERIFY(test::SetXattr(image / "wsl.txt", "system.ntfs_ea", ea));
        QVERIFY(test::SetXattr(image / "wsl.txt", "system.ntfs_object_id", "0123456789abcdef"));
        QVERIFY(test::SetXattr(image / "dedup", "system.ntfs_reparse_data", reparse));
        // Freshly set, a reparse point still reads as a plain file until the next mount.
        QVERIFY(image.Mount());

        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        app::TDecodedPane& pane = *form.DecodedPane;
        pane.SetDecodedShown(true);
        QVERIFY(ShowFile(form, image.MountPoint(), QStringLiteral("wsl.txt")));
        QVERIFY(SelectStream(form, {}, 2));
        QCOMPARE(pane.Summary(), QStringLiteral("Extended attributes"));
        QCOMPARE(Value(pane, QStringLiteral("user.2")), QStringLiteral("\"22\""));
        QCOMPARE(Value(pane, QStringLiteral("Mode")),
            QStringLiteral("0100644 (regular file, rw-r--r--)"));
        // The NTFS kinds are named for screen readers as well.
        const QStringList names = test::StreamAccessibleNames(form);
        for (const char* kind : { "Extended attributes", "Object id", "Security descriptor" })
            QVERIFY2(names.contains(QStringLiteral("<no name>, ") + QString::fromUtf8(kind)),
                qPrintable(names.join(u';')));
        QVERIFY(SelectStream(form, {}, 7));
        QCOMPARE(pane.Summary(), QStringLiteral("Object id"));
        QCOMPARE(Value(pane, QStringLiteral("Object id")),
            QStringLiteral("{33323130-3534-3736-3839-616263646566}"));
        QVERIFY(SelectStream(form, {}, 3));
        QCOMPARE(pane.Summary(), QStringLiteral("Security descriptor"));

        QVERIFY(ShowFile(form, image.MountPoint(), QStringLiteral("dedup")));
        QVERIFY(SelectStream(form, {}, 8));
        QCOMPARE(pane.Summary(), QStringLiteral("Reparse data"));
        QVERIFY2(
            test::StreamAccessibleNames(form).contains(QStringLiteral("<no name>, Reparse data")),
            qPrintable(test::StreamAccessibleNames(form).join(u';')));
        QCOMPARE(
            Value(pane, QStringLiteral("Tag")), QStringLiteral("0x80000013: deduplicated file"));
        QCOMPARE(Value(pane, QStringLiteral("Data length")), QStringLiteral("11"));
        form.FileList->Selected()->SetSelected(false);
    }
};

QTEST_MAIN(DecodedPaneTest)
#include "DecodedPaneTest.moc"
