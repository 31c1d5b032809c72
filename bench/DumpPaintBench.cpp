// Painting the visible lines of the dump: a window's worth at the end of a 16 MB stream against
// the same at the start of a 1 KB one. The paint must not grow with the stream.

#include "Benchmarks.h"
#include "DumpView.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>
#include <cstdint>
#include <memory>
#include <vector>

namespace sondrel::bench {

namespace {

    constexpr int kViewWidth = 640;
    constexpr int kViewHeight = 600; // about 38 lines

    void PaintView(const std::vector<std::uint8_t>& bytes, int top, QImage& image)
    {
        QPainter painter(&image);
        painter.translate(0, -top);
        framework::TCanvas canvas(&painter);
        canvas.Font().SetName(QStringLiteral("Courier"));
        canvas.Font().SetHeight(-11);
        canvas.Brush().SetColor(framework::clWhite);
        streams::PaintDump(canvas, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }

    void RegisterPaint(const std::string& name, std::size_t length, bool atEnd)
    {
        benchmark::RegisterBenchmark(name.c_str(), [length, atEnd](benchmark::State& state) {
            std::vector<std::uint8_t> bytes(length);
            for (std::size_t i = 0; i < length; ++i)
                bytes[i] = static_cast<std::uint8_t>(i);
            const int top = atEnd ? static_cast<int>(length / 16 * 16) - kViewHeight : 0;
            QImage image(kViewWidth, kViewHeight, QImage::Format_RGB32);
            for (auto _ : state) {
                PaintView(bytes, top, image);
                benchmark::DoNotOptimize(image.constBits());
            }
        })->Unit(benchmark::kMicrosecond);
    }

} // namespace

void RegisterDumpPaintBenchmarks(const std::string& family, std::vector<RatioTarget>& targets)
{
    const std::string big = family + "/visible_lines_of_16MB";
    const std::string small = family + "/visible_lines_of_1KB";
    RegisterPaint(big, 16u << 20, true);
    RegisterPaint(small, 1024, false);
    targets.push_back({ big, small, 1.5 });
}

} // namespace sondrel::bench
