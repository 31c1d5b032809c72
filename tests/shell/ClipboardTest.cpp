// The clipboard with other programs, under a real X server: what Ctrl+C offers, byte for byte,
// as xclip reads it, and pastes of what xclip offers in the forms other file managers write.
// Runs only on the xcb platform (ctest starts it under Xvfb); elsewhere it skips.

#include "Run.h"
#include "ShellList.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace sondrel;
using namespace sondrel::shell;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Runs xclip while this process keeps serving the clipboard; its output, or a failed test.
QByteArray Xclip(const QStringList& args, const QByteArray& input = {})
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), args);
    if (!xclip.waitForStarted(5000))
        return {};
    if (!input.isNull()) {
        xclip.write(input);
        xclip.closeWriteChannel();
    }
    // The event loop must run: the clipboard's owner answers xclip from it.
    for (int i = 0; i < 200 && xclip.state() != QProcess::NotRunning; ++i)
        QTest::qWait(50);
    if (xclip.state() != QProcess::NotRunning) {
        xclip.kill();
        xclip.waitForFinished(1000);
        return {};
    }
    return xclip.readAllStandardOutput();
}

// Offers `bytes` as `target` from an xclip that keeps running in the background as the owner.
bool OfferWithXclip(const QString& target, const QByteArray& bytes)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
        { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), target,
            QStringLiteral("-i") });
    if (!xclip.waitForStarted(5000))
        return false;
    xclip.write(bytes);
    xclip.closeWriteChannel();
    // xclip forks a child that owns the selection and exits itself.
    if (!xclip.waitForFinished(5000))
        return false;
    for (int i = 0; i < 100; ++i) {
        if (QGuiApplication::clipboard()->mimeData()->hasFormat(target)
            || QGuiApplication::clipboard()->mimeData()->hasText())
            return true;
        QTest::qWait(50);
    }
    return false;
}

QString UriOf(const QString& path)
{
    QString uri = QStringLiteral("file://");
    for (const char c : QFile::encodeName(path)) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~')
            uri += QLatin1Char(c);
        else
            uri += QStringLiteral("%%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return uri;
}

// A shown list on `folder`, with the focus.
struct TShownList
{
    TPTShellList List;
    explicit TShownList(const QString& folder)
    {
        List.resize(400, 300);
        List.show();
        (void)QTest::qWaitForWindowExposed(&List);
        List.Folder().SetPathName(Bytes(folder));
        List.setFocus();
    }
};

framework::TListItem* ItemNamed(TPTShellList& list, const QString& name)
{
    for (int i = 0; i < list.Items().Count(); ++i)
        if (list.model()->data(list.model()->index(i, 0)).toString() == name)
            return list.Items()[i];
    return nullptr;
}

} // namespace

class ClipboardTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir { QDir::currentPath() + QStringLiteral("/clipboard-XXXXXX") };

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X server (ctest runs this under Xvfb with the xcb platform)");
        if (!test::HaveProgram("xclip"))
            QSKIP("needs xclip (scripts/bootstrap installs it)");
    }

    void ctrlCOffersEveryFormatByteForByte()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("copy"));
        const QString file = m_dir.filePath(QStringLiteral("copy/a b.txt"));
        QFile(file).open(QIODevice::WriteOnly);
        TShownList shown(m_dir.filePath(QStringLiteral("copy")));
        shown.List.SetSelected(ItemNamed(shown.List, QStringLiteral("a b.txt")));
        QTest::keyClick(&shown.List, Qt::Key_C, Qt::ControlModifier);

        const QByteArray targets = Xclip({ QStringLiteral("-o"), QStringLiteral("-selection"),
            QStringLiteral("clipboard"), QStringLiteral("-t"), QStringLiteral("TARGETS") });
        for (const char* target : { "text/uri-list", "x-special/gnome-copied-files",
                 "application/x-sondrel-shell-idlist-array" })
            QVERIFY2(targets.contains(target), targets.constData());
        QVERIFY(!targets.contains("application/x-kde-cutselection"));
        auto read = [](const char* target) {
            return Xclip({ QStringLiteral("-o"), QStringLiteral("-selection"),
                QStringLiteral("clipboard"), QStringLiteral("-t"), QString::fromLatin1(target) });
        };
        const QByteArray uri = UriOf(file).toUtf8();
        QCOMPARE(read("text/uri-list"), uri + "\r\n");
        QCOMPARE(read("x-special/gnome-copied-files"), "copy\n" + uri);
    }

    void aGnomeCutPastedMovesTheFileAndClearsTheClipboard()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("from"));
        QDir(m_dir.path()).mkpath(QStringLiteral("to"));
        const QString file = m_dir.filePath(QStringLiteral("from/moved"));
        QFile(file).open(QIODevice::WriteOnly);
        QVERIFY(OfferWithXclip(
            QStringLiteral("x-special/gnome-copied-files"), "cut\n" + UriOf(file).toUtf8()));
        TShownList shown(m_dir.filePath(QStringLiteral("to")));
        QTest::keyClick(&shown.List, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("to/moved"))));
        QVERIFY(!QFile::exists(file));
        QTRY_VERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(
            QStringLiteral("x-special/gnome-copied-files")));
    }

    void theOlderTextFormIsUnderstood()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("old"));
        QDir(m_dir.path()).mkpath(QStringLiteral("old-to"));
        const QString file = m_dir.filePath(QStringLiteral("old/copied"));
        QFile(file).open(QIODevice::WriteOnly);
        QVERIFY(OfferWithXclip(QStringLiteral("UTF8_STRING"),
            "x-special/nautilus-clipboard\ncopy\n" + UriOf(file).toUtf8() + "\n"));
        TShownList shown(m_dir.filePath(QStringLiteral("old-to")));
        QTest::keyClick(&shown.List, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("old-to/copied"))));
        QVERIFY2(QFile::exists(file), "a copy keeps its source");
    }
};

QTEST_MAIN(ClipboardTest)
#include "ClipboardTest.moc"
