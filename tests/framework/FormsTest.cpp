// Forms and their small controls on real widgets: docking by alignment, key preview, hints on
// or off, the scroll box's logical range and keys, timers and posted messages.

#include "Align.h"
#include "Application.h"
#include "FirstPaint.h"
#include "Form.h"
#include "Messages.h"
#include "PaintBox.h"
#include "ScrollBox.h"
#include "StdCtrls.h"
#include "Timer.h"

#include <QHelpEvent>
#include <QScrollBar>
#include <QTest>

using namespace sondrel::framework;

namespace {

// A form that loads itself like one made from a description.
class TTestForm : public TForm
{
public:
    TTestForm() { resize(300, 200); }
    void Load() { Loaded(); }
};

QWidget* Child(QWidget* parent, TAlign align, int w, int h)
{
    auto* child = new QWidget(parent);
    child->resize(w, h);
    child->setProperty("Align", QVariant::fromValue(align));
    return child;
}

class TReceiver : public QObject
{
public:
    QList<int> Messages;
    QList<std::intptr_t> Params;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() >= static_cast<QEvent::Type>(WM_USER)) {
            auto* message = static_cast<TMessageEvent*>(event);
            Messages << message->Msg();
            Params << message->LParam;
            return true;
        }
        return QObject::event(event);
    }
};

} // namespace

class FormsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void childrenDockByAlignmentInTheOrderMade()
    {
        TTestForm form;
        QWidget* top1 = Child(&form, alTop, 10, 20);
        QWidget* bottom = Child(&form, alBottom, 10, 30);
        QWidget* left = Child(&form, alLeft, 40, 10);
        QWidget* client = Child(&form, alClient, 1, 1);
        QWidget* top2 = Child(&form, alTop, 10, 5); // after top1 although made later than others
        QWidget* right = Child(&form, alRight, 25, 10);
        QWidget* free = new QWidget(&form);
        free->setGeometry(7, 8, 9, 10);
        form.Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(top1->geometry(), QRect(0, 0, 300, 20));
        QCOMPARE(top2->geometry(), QRect(0, 20, 300, 5));
        QCOMPARE(bottom->geometry(), QRect(0, 170, 300, 30));
        QCOMPARE(left->geometry(), QRect(0, 25, 40, 145));
        QCOMPARE(right->geometry(), QRect(275, 25, 25, 145));
        QCOMPARE(client->geometry(), QRect(40, 25, 235, 145));
        QCOMPARE(free->geometry(), QRect(7, 8, 9, 10));

        form.resize(400, 300);
        QTRY_COMPARE(client->geometry(), QRect(40, 25, 335, 245));
        bottom->hide();
        QTRY_COMPARE(client->geometry(), QRect(40, 25, 335, 275));
    }

    void publishedFontsColoursAndHintsAreApplied()
    {
        TTestForm form;
        auto* label = new TLabel(&form);
        label->setProperty("FontName", QStringLiteral("Courier"));
        label->setProperty("FontHeight", -11);
        label->setProperty("FontColor", QStringLiteral("clRed"));
        label->setProperty("FontStyle", QStringLiteral("fsBold|fsUnderline"));
        label->setToolTip(QStringLiteral("a hint"));
        auto* box = new TPaintBox(&form);
        box->setProperty("FontName", QStringLiteral("Courier"));
        box->setProperty("FontHeight", -11);
        int created = 0;
        form.OnCreate = [&](TObject* sender) {
            QCOMPARE(sender, &form);
            ++created;
        };
        form.Load();
        QCOMPARE(created, 1);
        QCOMPARE(label->font().pixelSize(), 11);
        QVERIFY(label->font().bold() && label->font().underline());
        QVERIFY(QFontInfo(label->font()).fixedPitch());
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(label->accessibleDescription(), QStringLiteral("a hint"));
        QCOMPARE(box->Font().Name(), QStringLiteral("Courier"));
        QCOMPARE(box->Font().Height(), -11);
    }

    void keyPreviewSeesKeysFirstAndMayTakeThem()
    {
        TTestForm form;
        auto* button = new TSpeedButton(&form);
        QStringList keys;
        form.OnKeyDown = [&](TObject*, int& key, Qt::KeyboardModifiers) {
            keys << QKeySequence(key).toString();
            if (key == Qt::Key_Space)
                key = 0;
        };
        int clicks = 0;
        button->OnClick = [&](TObject*) { ++clicks; };
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(button, Qt::Key_Space);
        QVERIFY(keys.isEmpty()); // without key preview the form hears nothing
        QCOMPARE(clicks, 1);
        form.SetKeyPreview(true);
        QTest::keyClick(button, Qt::Key_Space);
        QTest::keyClick(button, Qt::Key_A);
        QCOMPARE(keys, (QStringList { QStringLiteral("Space"), QStringLiteral("A") }));
        QCOMPARE(clicks, 1); // the form took the space
    }

    void hintsShowAsTipsOnlyWhileShowHint()
    {
        TTestForm form;
        auto* label = new TLabel(&form);
        SetHint(label, QStringLiteral("tip"));
        QCOMPARE(label->accessibleDescription(), QStringLiteral("tip"));
        auto* inner = new QWidget(label);
        QCOMPARE(GetHint(inner), QStringLiteral("tip")); // no hint of its own: the parent's
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), label->mapToGlobal(QPoint(1, 1)));
        form.SetShowHint(false);
        QVERIFY(QApplication::sendEvent(label, &tip)); // eaten by the form
        QVERIFY(Application);
        QString hints;
        Application->OnHint = [&](TObject*) { hints += Application->Hint() + u';'; };
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(inner, &enter);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(label, &leave);
        QApplication::sendEvent(label, &enter); // the same hint again: no event
        QApplication::sendEvent(label, &enter);
        Application->OnHint = nullptr;
        QCOMPARE(hints, QStringLiteral("tip;;tip;"));
    }

    void scrollBoxScrollsALogicalHeight()
    {
        TScrollBox box;
        box.resize(200, 100);
        auto* paint = new TPaintBox(&box);
        SetAlign(paint, alTop);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QList<TRect> painted;
        paint->OnPaint = [&](TObject*) { painted << paint->Canvas().ClipRect(); };
        paint->SetHeight(50000000); // far taller than any widget may be
        QCOMPARE(box.ContentHeight(), 50000000);
        QScrollBar* bar = box.VertScrollBar();
        QCOMPARE(bar->maximum(), 50000000 - 100);
        QTest::keyClick(&box, Qt::Key_End);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(paint->height(), 100);
        QCOMPARE(paint->VisibleTop(), 50000000 - 100);
        painted.clear();
        paint->repaint();
        QVERIFY(!painted.isEmpty());
        QCOMPARE(painted.back().Top, 50000000 - 100);
        QCOMPARE(painted.back().Bottom, 50000000);
        QTest::keyClick(&box, Qt::Key_Up);
        QCOMPARE(bar->value(), bar->maximum() - 16);
        QTest::keyClick(&box, Qt::Key_Home);
        QCOMPARE(paint->VisibleTop(), 0);

        paint->SetHeight(40); // shorter than the box: no scrolling, the box keeps its height
        QCOMPARE(bar->maximum(), 0);
        QCOMPARE(paint->height(), 40);
    }

    // Deferred start-up work runs once, from the loop, after the window has painted (a child's
    // paint counts); a window gone before its first paint never runs it.
    void workAfterFirstPaintRunsOnceAfterThePaint()
    {
        TForm form;
        auto* child = new TPanel(&form);
        child->setGeometry(0, 0, 200, 200);
        form.resize(200, 200);
        int runs = 0;
        AfterFirstPaint(child, [&] { ++runs; });
        QCoreApplication::processEvents();
        QCOMPARE(runs, 0);
        form.show();
        QTRY_COMPARE(runs, 1);
        form.repaint();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(runs, 1);

        int never = 0;
        {
            TForm gone;
            AfterFirstPaint(&gone, [&] { ++never; });
        }
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(never, 0);
    }

    void timersAndPostedMessagesRunFromTheLoop()
    {
        TTimer timer;
        int ticks = 0;
        timer.OnTimer = [&](TObject*) { ++ticks; };
        timer.SetInterval(1);
        QTRY_VERIFY(ticks >= 2);
        timer.SetEnabled(false);
        const int stopped = ticks;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(ticks, stopped);

        TReceiver receiver;
        PostMessage(&receiver, WM_USER + 103, 0, 7);
        PostMessage(&receiver, WM_USER + 101, 0, 8);
        QVERIFY(receiver.Messages.isEmpty()); // posted, not sent
        QTRY_COMPARE(receiver.Messages, (QList<int> { WM_USER + 103, WM_USER + 101 }));
        QCOMPARE(receiver.Params, (QList<std::intptr_t> { 7, 8 }));
    }
};

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    FormsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FormsTest.moc"
