// The drawn dump: where each line stands, what it says, and that a paint draws only the lines
// that meet the painted area, however long the stream.

#include "DumpView.h"

#include "HexDump.h"
#include "StreamList.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QTest>

#include <vector>

using namespace sondrel;
using namespace sondrel::framework;

namespace {

// A paint device that keeps the text drawn on it, with where it went on the device.
class TTextRecorder : public QPaintDevice
{
public:
    struct TText
    {
        QString Text;
        QPointF Baseline;
    };

    TTextRecorder(int width, int height)
        : m_engine(*this)
        , m_width(width)
        , m_height(height)
    {
    }
    ~TTextRecorder() override = default;

    QPaintEngine* paintEngine() const override { return &m_engine; }
    std::vector<TText> Texts;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_width;
        case PdmHeight:
            return m_height;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
        case PdmDevicePixelRatioScaled:
            return metric == PdmDevicePixelRatio ? 1 : int(devicePixelRatioFScale());
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        default:
            return 0;
        }
    }

private:
    class TEngine : public QPaintEngine
    {
    public:
        explicit TEngine(TTextRecorder& device)
            : QPaintEngine(QPaintEngine::AllFeatures)
            , m_device(device)
        {
        }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override { }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
        void drawRects(const QRectF*, int) override { }
        void drawRects(const QRect*, int) override { }
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            m_device.Texts.push_back({ item.text(), painter()->worldTransform().map(p) });
        }
        Type type() const override { return QPaintEngine::User; }

    private:
        TTextRecorder& m_device;
    };

    mutable TEngine m_engine;
    int m_width;
    int m_height;
};

void UseDumpFont(TCanvas& canvas)
{
    canvas.Font().SetName(QStringLiteral("Courier"));
    canvas.Font().SetHeight(-11);
    canvas.Font().SetColor(clWindowText);
    canvas.Brush().SetColor(clWhite);
}

std::vector<std::uint8_t> Pattern(std::size_t length)
{
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 0x1D);
    return bytes;
}

} // namespace

class DumpViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachLineStandsAtItsPitchAndReadsAsFormatted()
    {
        const std::vector<std::uint8_t> bytes = Pattern(40);
        QImage drawn(600, 64, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QImage expected = drawn;
        int ascent = 0;
        {
            QPainter painter(&drawn);
            TCanvas canvas(&painter);
            UseDumpFont(canvas);
            streams::PaintDump(canvas, bytes.data(), 40);
            ascent = QFontMetrics(canvas.Font().ToQFont(), &drawn).ascent();
        }
        {
            QPainter painter(&expected);
            TFont font;
            font.SetName(QStringLiteral("Courier"));
            font.SetHeight(-11);
            painter.setFont(font.ToQFont());
            painter.setPen(ToQColor(clWindowText));
            for (int i = 0; i < 3; ++i) {
                const int count = std::min(16, 40 - 16 * i);
                const std::string line
                    = streams::FormatDumpLine(bytes.data() + 16 * i, count, 16 * i);
                painter.drawText(QPoint(0, 16 * i + ascent), QString::fromLatin1(line));
            }
        }
        QCOMPARE(drawn, expected);

        TTextRecorder recorder(600, 64);
        {
            QPainter painter(&recorder);
            TCanvas canvas(&painter);
            UseDumpFont(canvas);
            streams::PaintDump(canvas, bytes.data(), 40);
        }
        QCOMPARE(recorder.Texts.size(), 3u);
        QCOMPARE(recorder.Texts[2].Text,
            QString::fromLatin1(streams::FormatDumpLine(bytes.data() + 32, 8, 32)));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(recorder.Texts[i].Baseline, QPointF(0, 16 * i + ascent));
    }

    void aSmallRepaintOfALongDumpDrawsOnlyTheLinesItMeets()
    {
        const std::uint32_t length = streams::kStreamDataCap;
        std::vector<std::uint8_t> bytes(length, 0x41);
        const int top = 16 * 1000000;
        TTextRecorder recorder(600, 600);
        {
            QPainter painter(&recorder);
            painter.translate(0, -top); // scrolled a million lines down
            painter.setClipRect(QRect(0, top + 8, 600, 40));
            TCanvas canvas(&painter);
            UseDumpFont(canvas);
            streams::PaintDump(canvas, bytes.data(), length);
        }
        QCOMPARE(recorder.Texts.size(), 3u);
        QVERIFY(recorder.Texts[0].Text.startsWith(QStringLiteral("F42400  41 41")));
        QVERIFY(recorder.Texts[2].Text.startsWith(QStringLiteral("F42420  ")));
        QVERIFY(recorder.Texts[0].Baseline.y() > 0 && recorder.Texts[0].Baseline.y() < 16);

        TTextRecorder last(600, 600);
        {
            QPainter painter(&last);
            painter.translate(0, -(static_cast<int>(length) - 64));
            TCanvas canvas(&painter);
            UseDumpFont(canvas);
            streams::PaintDump(canvas, bytes.data(), length);
        }
        QCOMPARE(last.Texts.size(), 4u); // the dump ends: nothing below its last line
        QVERIFY(last.Texts.back().Text.startsWith(QStringLiteral("FFFFF0")));
    }

    void nothingIsDrawnWithoutBytesOrWithoutAnItem()
    {
        TTextRecorder recorder(600, 600);
        QPainter painter(&recorder);
        TCanvas canvas(&painter);
        const std::uint8_t byte = 0x41;
        streams::PaintDump(canvas, &byte, 0);
        QCOMPARE(streams::DumpStream(canvas, nullptr), 0u);
        TListItem bare;
        QCOMPARE(streams::DumpStream(canvas, &bare), 0u);
        QVERIFY(recorder.Texts.empty());

        streams::StreamInfo info;
        info.Header.Size.QuadPart = 1;
        info.Data.reset(new std::uint8_t[1] { 0x41 });
        info.DataLength = 1;
        TListItem item;
        item.SetData(&info);
        QCOMPARE(streams::DumpStream(canvas, &item), 1u);
        QCOMPARE(recorder.Texts.size(), 1u);
        QCOMPARE(recorder.Texts[0].Text.indexOf(u'|'), 57);
    }

    void aContentThatCouldNotBeReadWholeSaysWhyBelowItsDump()
    {
        streams::StreamInfo info;
        info.Header.Size.QuadPart = 40;
        info.Data.reset(new std::uint8_t[20]());
        info.DataLength = 20; // the read failed after 20 bytes
        info.ReadError = "Input/output error";
        TListItem item;
        item.SetData(&info);
        TTextRecorder recorder(600, 600);
        {
            QPainter painter(&recorder);
            TCanvas canvas(&painter);
            UseDumpFont(canvas);
            QCOMPARE(streams::DumpStream(canvas, &item), 20u);
        }
        QCOMPARE(recorder.Texts.size(), 3u);
        QCOMPARE(recorder.Texts[2].Text, QStringLiteral("(Input/output error)"));
        QVERIFY(recorder.Texts[2].Baseline.y() > 32 && recorder.Texts[2].Baseline.y() < 48);
        QCOMPARE(streams::DumpPaneHeight(&item), 48); // two lines of dump, one of reason

        // Nothing read: the reason takes the empty dump's one line.
        info.Data.reset();
        info.DataLength = 0;
        QCOMPARE(streams::DumpPaneHeight(&item), 16);
        // A whole stream has no such line.
        info.ReadError.clear();
        QCOMPARE(streams::DumpReasonLine(&info), std::string());
        info.Data.reset(new std::uint8_t[40]());
        info.DataLength = 40;
        QCOMPARE(streams::DumpPaneHeight(&item), 48);
    }
};

QTEST_MAIN(DumpViewTest)
#include "DumpViewTest.moc"
