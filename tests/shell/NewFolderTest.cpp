// The new-folder command in real folders: the two name series, names taken by folders and by
// files (never touched), and the one warning a failure gives.

#include "NewFolder.h"

#include "TempDir.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace sondrel::shell;
using sondrel::test::TempDir;

namespace {

bool IsFolder(const std::string& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Closes every message box that opens while it lives and keeps their texts.
class BoxCloser
{
public:
    BoxCloser()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Texts << box->text();
                box->accept();
            }
        });
        m_timer.start();
    }
    QStringList Texts;

private:
    QTimer m_timer;
};

} // namespace

class NewFolderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondSeriesAfterTheFirstIsTaken()
    {
        TempDir dir;
        QVERIFY(::mkdir((dir / "New Folder").c_str(), 0755) == 0);
        sondrel::test::WriteFile(dir / "New Folder (2)", "a file keeps its name and content");
        BoxCloser boxes;
        std::string name;
        QVERIFY(PTShCreateNewFolder(dir.Path(), name));
        QCOMPARE(name, std::string("New Folder (3)"));
        QVERIFY(IsFolder(dir / "New Folder (3)"));
        QCOMPARE(sondrel::test::ReadWholeFile(dir / "New Folder (2)"),
            std::string("a file keeps its name and content"));

        for (int i = 4; i <= PTSH_MAX_FOLDER_ATTEMPTS; ++i)
            QVERIFY(::mkdir((dir / ("New Folder (" + std::to_string(i) + ")")).c_str(), 0755) == 0);
        QVERIFY(PTShCreateNewFolder(dir.Path() + "/", name));
        QCOMPARE(name, std::string("fldr"));
        QVERIFY(PTShCreateNewFolder(dir.Path(), name));
        QCOMPARE(name, std::string("fldr2"));
        QVERIFY(boxes.Texts.isEmpty());

        for (int i = 3; i <= PTSH_MAX_FOLDER_ATTEMPTS; ++i)
            QVERIFY(::mkdir((dir / ("fldr" + std::to_string(i))).c_str(), 0755) == 0);
        name = "unchanged";
        QVERIFY(!PTShCreateNewFolder(dir.Path(), name));
        QCOMPARE(name, std::string("unchanged"));
        QTRY_COMPARE(boxes.Texts.size(), 1);
        QCOMPARE(boxes.Texts.first(),
            QStringLiteral("Unable to create the folder 'New Folder'\n\n")
                + QString::fromLocal8Bit(std::strerror(EEXIST)));
    }

    void aRealFailureIsSaidOnce()
    {
        TempDir dir;
        BoxCloser boxes;
        std::string name;
        QVERIFY(!PTShCreateNewFolder(dir / "missing", name));
        QTRY_COMPARE(boxes.Texts.size(), 1);
        QCOMPARE(boxes.Texts.first(),
            QStringLiteral("Unable to create the folder 'New Folder'\n\n")
                + QString::fromLocal8Bit(std::strerror(ENOENT)));
        QVERIFY(!IsFolder(dir / "fldr"));
    }

    void emptyPathIsTheCurrentFolder()
    {
        TempDir dir;
        char before[4096];
        QVERIFY(::getcwd(before, sizeof before) != nullptr);
        QVERIFY(::chdir(dir.Path().c_str()) == 0);
        std::string name;
        const bool made = PTShCreateNewFolder("", name);
        QVERIFY(::chdir(before) == 0);
        QVERIFY(made);
        QVERIFY(IsFolder(dir / "New Folder"));
    }
};

QTEST_MAIN(NewFolderTest)
#include "NewFolderTest.moc"
