// The web link label opens its address on the press, through the desktop's URL handlers, which
// this test takes over for the web schemes.

#include "URLStatic.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QImage>
#include <QTest>
#include <QUrl>

using sondrel::components::TURLStatic;

class Opened : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class URLStaticTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_opened.urls.clear();
        for (const QString& scheme : { QStringLiteral("http"), QStringLiteral("https") })
            QDesktopServices::setUrlHandler(scheme, &m_opened, "open");
    }

    void cleanup()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void looksLikeALink()
    {
        TURLStatic label;
        QCOMPARE(label.URL(), QString());
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(label.font().underline());
        QVERIFY(!label.font().bold());
        QCOMPARE(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(!label.autoFillBackground());
    }

    // Screen readers meet a link, named by its text until it is given a name of its own.
    void isALinkToScreenReaders()
    {
        TURLStatic label;
        label.setText(QStringLiteral("Sondrel on the web"));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&label);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Link);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Sondrel on the web"));
        label.setAccessibleName(QStringLiteral("Vaskel"));
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Vaskel"));
    }

    // It draws its text in the link's blue, fits it, and shows where Tab has put the keyboard.
    void drawsItsTextAndItsFocus()
    {
        QWidget window;
        auto* label = new TURLStatic(&window);
        label->setText(QStringLiteral("Sondrel on the web"));
        label->resize(label->sizeHint());
        QVERIFY(
            label->sizeHint().width() > label->fontMetrics().horizontalAdvance(QLatin1Char('S')));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto blue = [](const QImage& image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += c.blue() > 150 && c.red() < 100 && c.green() < 100;
                }
            return count;
        };
        const QImage plain = label->grab().toImage();
        QVERIFY(blue(plain) > 20);
        label->setFocusPolicy(Qt::TabFocus);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_Tab);
        QTRY_VERIFY(label->hasFocus());
        QVERIFY(label->grab().toImage() != plain);
        label->setText(QString());
        QCOMPARE(blue(label->grab().toImage()), 0);
    }

    void opensOnThePress_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("button");
        QTest::addColumn<QList<QUrl>>("opened");
        QTest::newRow("without a scheme")
            << QStringLiteral("sondrel.example.org/download") << int(Qt::LeftButton)
            << QList<QUrl> { QUrl(QStringLiteral("http://sondrel.example.org/download")) };
        QTest::newRow("with a scheme")
            << QStringLiteral("https://sondrel.example.org/") << int(Qt::LeftButton)
            << QList<QUrl> { QUrl(QStringLiteral("https://sondrel.example.org/")) };
        QTest::newRow("empty: nothing opens") << QString() << int(Qt::LeftButton) << QList<QUrl>();
        QTest::newRow("right button")
            << QStringLiteral("sondrel.example.org") << int(Qt::RightButton) << QList<QUrl>();
    }

    void opensOnThePress()
    {
        QFETCH(QString, url);
        QFETCH(int, button);
        QFETCH(QList<QUrl>, opened);
        TURLStatic label;
        label.setText(QStringLiteral("Sondrel on the web"));
        label.SetURL(url);
        label.show();
        const auto b = static_cast<Qt::MouseButton>(button);
        QTest::mousePress(&label, b, {}, QPoint(5, 5));
        QCOMPARE(m_opened.urls, opened); // before any release
        QTest::mouseRelease(&label, b, {}, QPoint(5, 5));
        QCOMPARE(m_opened.urls, opened);
    }

    void opensFromTheKeyboard()
    {
        TURLStatic label;
        label.SetURL(QStringLiteral("sondrel.example.org"));
        QTest::keyClick(&label, Qt::Key_A);
        QVERIFY(m_opened.urls.isEmpty());
        QTest::keyClick(&label, Qt::Key_Return);
        QTest::keyClick(&label, Qt::Key_Space);
        QCOMPARE(m_opened.urls.size(), 2);
    }

private:
    Opened m_opened;
};

QTEST_MAIN(URLStaticTest)
#include "URLStaticTest.moc"
