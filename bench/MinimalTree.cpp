// sondrel-minimal-tree
//
// The start-up baseline: the least a Qt Widgets program does to put a list on the screen, a
// tree view of ten rows in a window. It quits as soon as the window has painted, so that its
// run time is its time to the first paint (bench/run times it beside sondrel-first-paint).

#include "QuitAfterPaint.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTreeView>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    sondrel::bench::TQuitAfterPaint quit;
    application.installEventFilter(&quit);
    QStandardItemModel model(10, 1);
    for (int row = 0; row < 10; ++row)
        model.setItem(row, new QStandardItem(QStringLiteral("Row %1").arg(row)));
    QTreeView view;
    view.setModel(&model);
    view.resize(640, 480);
    view.show();
    return application.exec();
}
