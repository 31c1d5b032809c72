// Selecting a file with a 16 MB data stream in the main window until its dump is on the screen:
// the file's streams are listed (each read whole, up to 16 MB), its data stream is selected and
// the content pane paints the lines in view. The baseline reads the same 16 MB into a new buffer.

#include "Baselines.h"
#include "Benchmarks.h"
#include "Main.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <memory>
#include <string>

namespace sondrel::bench {

namespace {

    framework::TListItem* ItemNamed(app::TMainForm& form, const QString& name)
    {
        framework::TListItems& items = form.FileList->Items();
        for (int i = 0; i < items.Count(); ++i)
            if (form.FileList->model()->data(items.IndexOf(items[i])).toString() == name)
                return items[i];
        return nullptr;
    }

    void SelectAndPaint(benchmark::State& state, const std::string& folder, const QString& name)
    {
        app::TMainForm form;
        form.show();
        QCoreApplication::sendPostedEvents();
        form.FileList->Folder().SetPathName(folder);
        framework::TListItem* file = ItemNamed(form, name);
        if (!file) {
            state.SkipWithError("the file list does not show the file");
            return;
        }
        for (auto _ : state) {
            file->SetSelected(true);
            // The data stream is the one after the security descriptor.
            framework::TListItems& streams = form.StreamList->Items();
            if (streams.Count() < 2) {
                state.SkipWithError("the file's data stream is not listed");
                break;
            }
            streams[1]->SetSelected(true);
            form.PaintBox1->repaint();
            state.PauseTiming();
            file->SetSelected(false);
            state.ResumeTiming();
        }
    }

} // namespace

void RegisterSelectDumpBenchmarks(
    const std::string& family, const std::string& path, std::vector<RatioTarget>& targets)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = path.substr(0, slash);
    const QString name = QString::fromStdString(path.substr(slash + 1));
    const std::string product = family + "/TMainForm";
    const std::string baseline = family + "/read_new_buffer";
    benchmark::RegisterBenchmark(product.c_str(),
        [folder, name](benchmark::State& state) { SelectAndPaint(state, folder, name); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(baseline.c_str(),
        [path](benchmark::State& state) {
            constexpr std::size_t kSize = 16u << 20;
            for (auto _ : state) {
                std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kSize]);
                benchmark::DoNotOptimize(ReadWholeFile(path, buffer.get(), kSize));
            }
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ product, baseline, 1.5 });
}

} // namespace sondrel::bench
