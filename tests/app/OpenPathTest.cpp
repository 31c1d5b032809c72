// The window opened on a path given to the program: a folder, a file's folder with the file
// selected and its streams listed, a path relative to the working folder, and a path that cannot
// be opened; and the program's own icon. On the offscreen platform.

#include "Application.h"
#include "ImageDrives.h"
#include "Main.h"
#include "MainFormSupport.h"
#include "Run.h"
#include "Start.h"
#include "TempDir.h"

#include <QImageReader>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

using namespace sondrel;
using namespace sondrel::framework;

namespace {

QString Caption(app::TMainForm& form, TListItem* item)
{
    return item ? form.FileList->model()->data(form.FileList->Items().IndexOf(item)).toString()
                : QString();
}

// Runs `body` in `folder` as the working folder, and comes back even when it fails.
template <class Body> void InFolder(const std::string& folder, Body body)
{
    char previous[4096];
    QVERIFY(::getcwd(previous, sizeof previous));
    QCOMPARE(::chdir(folder.c_str()), 0);
    body();
    QCOMPARE(::chdir(previous), 0);
}

} // namespace

class OpenPathTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aFolderIsShown()
    {
        test::TempDir dir;
        QCOMPARE(::mkdir((dir / "inner").c_str(), 0755), 0);
        test::WriteFile(dir / "inner/file", "x");
        app::TMainForm form;
        form.OpenPath(dir / "inner");
        QCOMPARE(form.FileList->Folder().GetPathName(), dir / "inner");
        // The tree and the combo stand on it too.
        QCOMPARE(form.PTShellTree1->SelectedPathName(), dir / "inner");
        QCOMPARE(form.PTShellCombo1->GetImageComboItem(form.PTShellCombo1->ItemIndex())->Caption(),
            QStringLiteral("inner"));
        QCOMPARE(form.FileList->Items().Count(), 1);
        QCOMPARE(Caption(form, form.FileList->Items()[0]), QStringLiteral("file"));
        QVERIFY(!form.FileList->Selected());
        // A trailing slash and dots name the same folder.
        form.OpenPath(dir.Path());
        form.OpenPath(dir / "inner/../inner/");
        QCOMPARE(form.FileList->Folder().GetPathName(), dir / "inner");
    }

    void aFileIsSelectedInItsFolderWithItsStreams()
    {
        test::TempDir dir;
        if (!test::UserXattrsWork(dir.Path()))
            QSKIP("user xattrs do not work in the temporary folder");
        // Enough files that the one asked for lies below the first screen of the list.
        for (int i = 0; i < 150; ++i)
            test::WriteFile(dir / ("file" + std::to_string(1000 + i)), "x");
        const std::string report = dir / "zz report.txt";
        test::WriteFile(report, "Quarterly figures\n");
        QVERIFY(test::SetXattr(report, "user.summary", "draft 2"));
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        form.OpenPath(report);
        QCOMPARE(form.FileList->Folder().GetPathName(), dir.Path());
        TListItem* selected = form.FileList->Selected();
        QCOMPARE(Caption(form, selected), QStringLiteral("zz report.txt"));
        QVERIFY(selected->Focused());
        const QRect row = form.FileList->visualRect(form.FileList->Items().IndexOf(selected));
        QVERIFY(form.FileList->viewport()->rect().contains(row.center()));
        // Security, data and the named stream.
        QCOMPARE(form.StreamList->Items().Count(), 3);
    }

    void aRelativePathIsTakenFromTheWorkingFolder()
    {
        test::TempDir dir;
        QCOMPARE(::mkdir((dir / "sub").c_str(), 0755), 0);
        test::WriteFile(dir / "sub/notes.txt", "n");
        app::TMainForm form;
        InFolder(dir.Path(), [&] { form.OpenPath("sub/notes.txt"); });
        QCOMPARE(form.FileList->Folder().GetPathName(), dir / "sub");
        QCOMPARE(Caption(form, form.FileList->Selected()), QStringLiteral("notes.txt"));
        InFolder(dir / "sub", [&] { form.OpenPath(".."); });
        QCOMPARE(form.FileList->Folder().GetPathName(), dir.Path());
    }

    void aPathThatCannotBeOpenedSaysWhyAndChangesNothing()
    {
        test::TempDir dir;
        app::TMainForm form;
        form.OpenPath(dir.Path());
        const std::string missing = dir / "missing/file";
        try {
            form.OpenPath(missing);
            QFAIL("a missing path opened");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                QString::fromStdString(missing + ": " + std::strerror(ENOENT)));
        }
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, form.OpenPath(""));
        QCOMPARE(form.FileList->Folder().GetPathName(), dir.Path());
    }

    void aDiskImageShowsItsFirstNtfsDriveAndADamagedOneItsReason()
    {
        const std::string packed = std::string(SONDREL_FIXTURES_DIR) + "/ntfs/grr_ntfs_img.dd.xz";
        if (::access(packed.c_str(), R_OK) != 0)
            QSKIP("the shared fixture grr_ntfs_img.dd.xz is absent");
        test::TempDir dir;
        const std::string image = dir / "disk.dd";
        QCOMPARE(test::Run({ "sh", "-c", "xz -dc \"$0\" > \"$1\"", packed, image }).Status, 0);
        app::TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        InFolder(dir.Path(), [&] { form.OpenPath("disk.dd"); });
        const std::string drive = form.FileList->Folder().GetPathName();
        QVERIFY2(platform::OnImageDrive(drive + "/x"), drive.c_str());
        QCOMPARE(form.PTShellTree1->SelectedPathName(), drive);
        QCOMPARE(form.PTShellCombo1->GetImageComboItem(form.PTShellCombo1->ItemIndex())->Caption(),
            QStringLiteral("disk.dd (1)"));
        QStringList captions;
        for (int i = 0; i < form.FileList->Items().Count(); ++i)
            captions << Caption(form, form.FileList->Items()[i]);
        QVERIFY2(captions.contains(QStringLiteral("Test Directory"))
                && captions.contains(QStringLiteral("adstest")),
            qPrintable(captions.join(QStringLiteral(", "))));
        // A file of the image shows its streams as a file on disk does.
        form.OpenPath(drive + "/Test Directory/notes.txt");
        QCOMPARE(Caption(form, form.FileList->Selected()), QStringLiteral("notes.txt"));
        QCOMPARE(form.StreamList->Items().Count(), 3);

        std::string bytes(1024 * 1024, '\0');
        {
            std::FILE* in = std::fopen(image.c_str(), "rb");
            QVERIFY(in);
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
            std::fclose(in);
        }
        // The partition table and the volume's boot sector survive; its records do not.
        std::fill(bytes.begin() + 32256 + 512, bytes.end(), '\0');
        test::WriteFile(dir / "damaged.dd", bytes);
        try {
            form.OpenPath(dir / "damaged.dd");
            QFAIL("a damaged image opened");
        } catch (const std::runtime_error& e) {
            const std::string text = e.what();
            QVERIFY2(text.starts_with(dir / "damaged.dd: ")
                    && text.size() > (dir / "damaged.dd: ").size(),
                text.c_str());
        }
        QCOMPARE(form.FileList->Folder().GetPathName(), drive + "/Test Directory");
        platform::CloseImageDrives();
    }

    void theProgramHasItsOwnIcon()
    {
        if (!QImageReader::supportedImageFormats().contains("svg"))
            QSKIP("no SVG image reader here (Debian's libqt6svg6)");
        const QIcon icon = app::SondrelIcon();
        const QImage picture = icon.pixmap(48, 48).toImage();
        QCOMPARE(picture.size(), QSize(48, 48));
        // Drawn, not blank: its corner is clear and its middle is not.
        QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
        QVERIFY(qAlpha(picture.pixel(24, 24)) > 0);
    }
};

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("Sondrel"));
    OpenPathTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OpenPathTest.moc"
