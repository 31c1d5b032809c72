// Custom drawing of the tree and list bases on real widgets: which notifications come, what a
// handler's font, brush and flags do to the painted pixels, and whose result survives.

#include "Application.h"
#include "UPTTreeList.h"

#include <QTest>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace sondrel::framework;
using namespace sondrel::shell;

namespace {

struct TNotice
{
    std::uint32_t Stage;
    std::int32_t Result;
    bool Wrapper;
};

// A handler as both views call it: the wrapper and the text of the item it draws (empty at the
// control's stages).
using THandler = std::function<void(TPTCustomDraw*, const QString&)>;

class TLoggingTree : public TPTTreeView
{
public:
    QList<TNotice> Log;

protected:
    std::unique_ptr<TPTCustomDraw> PTCustomDraw(
        TNMCustomDraw& record, std::int32_t& result) override
    {
        auto draw = TPTTreeView::PTCustomDraw(record, result);
        Log.append({ record.dwDrawStage, result, draw != nullptr });
        return draw;
    }
};

class TLoggingList : public TPTListView
{
public:
    QList<TNotice> Log;

protected:
    std::unique_ptr<TPTCustomDraw> PTCustomDraw(
        TNMCustomDraw& record, std::int32_t& result) override
    {
        auto draw = TPTListView::PTCustomDraw(record, result);
        Log.append({ record.dwDrawStage, result, draw != nullptr });
        return draw;
    }
};

// One of the two views with the items "x" and "y", seen the same way by the tests.
struct TView
{
    std::unique_ptr<QWidget> Widget;
    QList<TNotice>* Log = nullptr;
    std::function<void(const THandler&, bool ex)> SetHandler;
    std::function<QRect(int)> RowRect;

    QImage Paint() const { return Widget->grab().toImage(); }
};

TView MakeView(bool tree)
{
    TView view;
    if (tree) {
        auto* t = new TLoggingTree;
        view.Widget.reset(t);
        view.Log = &t->Log;
        t->Items().AddChild(nullptr, QStringLiteral("xxxxxxxx"));
        t->Items().AddChild(nullptr, QStringLiteral("yyyyyyyy"));
        view.SetHandler = [t](const THandler& handler, bool ex) {
            auto event = [handler](TObject*, TPTCustomDraw* cd, TTreeNode* node) {
                handler(cd, node ? node->Text() : QString());
            };
            (ex ? t->OnPTCustomDrawEx : t->OnPTCustomDraw) = event;
        };
        view.RowRect = [t](int row) {
            const QRect r = t->visualRect(t->Items().IndexOf(t->Items().TopLevelItem(row)));
            return QRect(t->viewport()->mapTo(t, r.topLeft()), r.size());
        };
    } else {
        auto* l = new TLoggingList;
        view.Widget.reset(l);
        view.Log = &l->Log;
        l->Columns().Add()->SetWidth(150);
        l->Items().Add()->SetCaption(QStringLiteral("xxxxxxxx"));
        l->Items().Add()->SetCaption(QStringLiteral("yyyyyyyy"));
        view.SetHandler = [l](const THandler& handler, bool ex) {
            auto event = [handler](TObject*, TPTCustomDraw* cd, TListItem* item) {
                handler(cd, item ? item->Caption() : QString());
            };
            (ex ? l->OnPTCustomDrawEx : l->OnPTCustomDraw) = event;
        };
        view.RowRect = [l](int row) {
            const QRect r = l->visualRect(l->Items().IndexOf(l->Items()[row]));
            return QRect(l->viewport()->mapTo(l, r.topLeft()), r.size());
        };
    }
    view.Widget->resize(200, 120);
    return view;
}

int CountPixels(const QImage& image, const QRect& rect, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += test(image.pixelColor(x, y));
    return count;
}

bool IsLime(QColor c) { return c == QColor(0, 255, 0); }
bool IsReddish(QColor c) { return c.red() > 150 && c.green() < 110 && c.blue() < 110; }

QImage Crop(const QImage& image, const QRect& rect) { return image.copy(rect); }

void AddKinds()
{
    QTest::addColumn<bool>("tree");
    QTest::newRow("tree") << true;
    QTest::newRow("list") << false;
}

} // namespace

class CustomDrawTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutHandlersNoWrapperAndOnlyTheListAsksForItems_data() { AddKinds(); }
    void withoutHandlersNoWrapperAndOnlyTheListAsksForItems()
    {
        QFETCH(bool, tree);
        TView view = MakeView(tree);
        view.Paint();
        QVERIFY(!view.Log->isEmpty());
        QCOMPARE(view.Log->first().Stage, CDDS_PREPAINT);
        QCOMPARE(view.Log->first().Result, tree ? CDRF_DODEFAULT : CDRF_NOTIFYITEMDRAW);
        int items = 0;
        for (const TNotice& notice : *view.Log) {
            QVERIFY(!notice.Wrapper);
            items += notice.Stage == CDDS_ITEMPREPAINT;
        }
        QCOMPARE(items, tree ? 0 : 2);
    }

    void aHandlerThatOnlyReadsChangesNothing_data() { AddKinds(); }
    void aHandlerThatOnlyReadsChangesNothing()
    {
        QFETCH(bool, tree);
        TView view = MakeView(tree);
        const QImage before = view.Paint();
        std::int32_t itemResult = -1;
        view.SetHandler(
            [&](TPTCustomDraw* cd, const QString&) {
                (void)cd->Font().Color();
                (void)cd->Brush().Color();
                (void)cd->Font().Name();
            },
            false);
        const QImage after = view.Paint();
        for (const TNotice& notice : *view.Log)
            if (notice.Stage == CDDS_ITEMPREPAINT)
                itemResult = notice.Result;
        QCOMPARE(itemResult & CDRF_NEWFONT, 0); // no font selected
        QCOMPARE(after, before);
    }

    void aChangedFontAndBrushReachThePixels_data() { AddKinds(); }
    void aChangedFontAndBrushReachThePixels()
    {
        QFETCH(bool, tree);
        TView view = MakeView(tree);
        const QImage before = view.Paint();
        view.SetHandler(
            [](TPTCustomDraw* cd, const QString& text) {
                if (!text.startsWith(u'x'))
                    return;
                cd->Brush().SetColor(clLime);
                cd->Font().SetColor(clRed);
                cd->Font().SetStyle(fsBold);
            },
            false);
        const QImage after = view.Paint();
        const QRect x = view.RowRect(0);
        const QRect y = view.RowRect(1);
        QVERIFY(CountPixels(after, x, IsLime) > x.width() * x.height() / 2);
        QVERIFY(CountPixels(after, x, IsReddish) > 0);
        QCOMPARE(CountPixels(before, x, IsReddish), 0);
        QCOMPARE(Crop(after, y), Crop(before, y)); // the other item keeps its look
        bool newFont = false;
        for (const TNotice& notice : *view.Log)
            newFont |= notice.Stage == CDDS_ITEMPREPAINT && (notice.Result & CDRF_NEWFONT);
        QVERIFY(newFont);
    }

    void skipDefaultLeavesTheItemUndrawn_data() { AddKinds(); }
    void skipDefaultLeavesTheItemUndrawn()
    {
        QFETCH(bool, tree);
        TView view = MakeView(tree);
        const QImage before = view.Paint();
        view.SetHandler(
            [](TPTCustomDraw* cd, const QString& text) {
                if (!text.startsWith(u'x'))
                    return;
                cd->Brush().SetColor(clLime); // not applied: the item is not drawn at all
                cd->SetSkipDefault(true);
            },
            false);
        view.Log->clear();
        const QImage after = view.Paint();
        const QRect x = view.RowRect(0);
        const QColor background = after.pixelColor(x.right(), x.center().y());
        QCOMPARE(CountPixels(after, x, [&](QColor c) { return c != background; }), 0);
        QVERIFY(CountPixels(before, x, [&](QColor c) { return c != background; }) > 0);
        QCOMPARE(Crop(after, view.RowRect(1)), Crop(before, view.RowRect(1)));
        QCOMPARE(view.Log->at(1).Result & CDRF_SKIPDEFAULT, CDRF_SKIPDEFAULT);
    }

    void theTreeKeepsAHandlersResultTheListDoesNot_data() { AddKinds(); }
    void theTreeKeepsAHandlersResultTheListDoesNot()
    {
        QFETCH(bool, tree);
        TView view = MakeView(tree);
        QList<TPTCustomDrawStage> stages;
        view.SetHandler(
            [&](TPTCustomDraw* cd, const QString& text) {
                stages << cd->DrawStage();
                QCOMPARE(cd->IsItem(), !text.isEmpty());
                if (cd->DrawStage() == ptcdsItemPrePaint && text.startsWith(u'x'))
                    cd->SetResult(CDRF_NOTIFYPOSTPAINT);
            },
            true);
        view.Paint();
        QCOMPARE(stages.count(ptcdsItemPostPaint), tree ? 1 : 0);
        QCOMPARE(stages.count(ptcdsItemPrePaint), 2);
        QCOMPARE(stages.first(), ptcdsPrePaint);
        // The pre-paint stages always ask for the items.
        QCOMPARE(view.Log->at(0).Result & CDRF_NOTIFYITEMDRAW, CDRF_NOTIFYITEMDRAW);
    }

    void aFailingHandlerLeavesTheDefaultLookAndIsReportedAfterThePaint_data() { AddKinds(); }
    void aFailingHandlerLeavesTheDefaultLookAndIsReportedAfterThePaint()
    {
        QFETCH(bool, tree);
        TView view = MakeView(tree);
        const QImage before = view.Paint();
        QStringList reported;
        Application->OnException = [&](TObject*, std::exception_ptr error) {
            reported << TApplication::ExceptionMessage(error);
        };
        view.SetHandler(
            [](TPTCustomDraw* cd, const QString& text) {
                cd->Brush().SetColor(clLime);
                if (text == QStringLiteral("yyyyyyyy"))
                    throw std::runtime_error("drawing failed");
            },
            false);
        const QImage after = view.Paint();
        // The row whose handler failed is drawn as it was; the one before it as its handler said.
        QCOMPARE(Crop(after, view.RowRect(1)), Crop(before, view.RowRect(1)));
        QVERIFY(CountPixels(after, view.RowRect(0), IsLime) > 0);
        QVERIFY(reported.isEmpty()); // no box inside a paint
        QTRY_COMPARE(reported, QStringList { QStringLiteral("drawing failed") });
        Application->OnException = nullptr;
    }
};

int main(int argc, char** argv)
{
    // The application object is what reports a failing handler.
    TApplication application(argc, argv);
    CustomDrawTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "CustomDrawTest.moc"
