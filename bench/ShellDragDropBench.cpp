// Drag and drop and menus of many items in the shell list: starting a drag of 10,000 selected
// items (their data object with both blocks, what leaves on the wire, the effects allowed), one
// step of a 10,000-item drag over a folder (the files read once when the drag entered), and
// building the context menu of 1,000 selected items. Each is reported beside readdir and one
// lstat per name of the same folder; the targets are the times themselves.

#include "Baselines.h"
#include "Benchmarks.h"
#include "ShellContextMenu.h"
#include "ShellDragDrop.h"
#include "ShellList.h"
#include "ShellMenu.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QMenu>
#include <QMimeData>

#include <benchmark/benchmark.h>
#include <memory>

namespace sondrel::bench {

namespace {

    using namespace shell;

    // A shown list on `folder` with its first `selected` items selected.
    void ShowSelected(TPTShellList& list, const std::string& folder, int selected)
    {
        list.SetMultiSelect(true);
        list.resize(640, 400);
        list.show();
        list.Folder().SetPathName(folder);
        QCoreApplication::sendPostedEvents(&list);
        for (int i = 0; i < list.Items().Count() && i < selected; ++i)
            list.Items()[i]->SetSelected(true);
    }

    void DragStart(benchmark::State& state, const std::string& folder, int count)
    {
        TPTShellList list;
        ShowSelected(list, folder, count);
        for (auto _ : state) {
            IDataObject_NRC* held = nullptr;
            TPTShellDataObject* data = list.NewSelectionDataObject();
            (void)data->QueryInterface(win32::IID_IDataObject, reinterpret_cast<void**>(&held));
            const std::unique_ptr<QMimeData> mime(MimeDataOf(*data));
            benchmark::DoNotOptimize(list.GetDragDropAttributesForAllSelected());
            if (data->Paths().size() != static_cast<std::size_t>(count)) {
                state.SkipWithError("the drag does not carry every file");
                held->Release();
                break;
            }
            held->Release();
        }
    }

    void DragOver(
        benchmark::State& state, const std::string& folder, const std::string& empty, int count)
    {
        TPTShellList source;
        ShowSelected(source, folder, count);
        IDataObject_NRC* held = nullptr;
        TPTShellDataObject* data = source.NewSelectionDataObject();
        (void)data->QueryInterface(win32::IID_IDataObject, reinterpret_cast<void**>(&held));
        const std::unique_ptr<QMimeData> mime(MimeDataOf(*data));
        held->Release();
        TPTShellList target;
        target.resize(640, 400);
        target.show();
        target.Folder().SetPathName(empty);
        QCoreApplication::sendPostedEvents(&target);
        const QPoint at(300, 200);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target.viewport(), &enter);
        for (auto _ : state) {
            QDragMoveEvent move(
                at, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, {});
            QApplication::sendEvent(target.viewport(), &move);
            if (!move.isAccepted()) {
                state.SkipWithError("the folder refused the drag");
                break;
            }
        }
        QDragLeaveEvent leave;
        QApplication::sendEvent(target.viewport(), &leave);
    }

    void MenuOf(benchmark::State& state, const std::string& folder, int count)
    {
        TPTShellList list;
        ShowSelected(list, folder, count);
        for (auto _ : state) {
            TShellContextMenu menu;
            IContextMenu_NRC* commands = nullptr;
            if (FAILED(list.GetUIObjectForAllSelected(
                    win32::IID_IContextMenu, reinterpret_cast<void**>(&commands)))) {
                state.SkipWithError("no menu for the selection");
                break;
            }
            menu.Interface.Reset(commands);
            (void)commands->QueryContextMenu(
                &menu.Model, 0, kFirstShellCommand, kLastShellCommand, win32::CMF_EXPLORE);
            const std::unique_ptr<QMenu> built(BuildMenu(menu.Model, &list));
            benchmark::DoNotOptimize(built->actions().size());
        }
    }

} // namespace

void RegisterShellDragDropBenchmarks(const std::string& folder, int count, const std::string& empty,
    std::vector<RatioTarget>& targets)
{
    const std::string family = std::to_string(count);
    const std::string baseline = "drag_drop_" + family + "/readdir_stat";
    benchmark::RegisterBenchmark(("drag_start_" + family + "/TPTShellList").c_str(),
        [=](benchmark::State& state) { DragStart(state, folder, count); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("drag_over_" + family + "/TPTShellList").c_str(),
        [=](benchmark::State& state) { DragOver(state, folder, empty, count); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(
        "menu_1000/TPTShellList", [=](benchmark::State& state) { MenuOf(state, folder, 1000); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    RegisterReaddirStat(baseline, folder);
    targets.push_back({ "drag_start_" + family + "/TPTShellList", baseline, 0 });
    targets.push_back({ "drag_over_" + family + "/TPTShellList", baseline, 0 });
    targets.push_back({ "menu_1000/TPTShellList", baseline, 0 });
}

} // namespace sondrel::bench
