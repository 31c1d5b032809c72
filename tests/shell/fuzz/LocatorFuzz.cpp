// libFuzzer target: a property stream holding a locator's "Pidl" property. The filer and the
// stored-form parser must never read outside the bytes, and a form they accept must be written
// back to the same bytes.
#include "Filer.h"
#include "LocatorForm.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class Stored : public sondrel::framework::TPersistent
{
public:
    void DefineProperties(sondrel::framework::TFiler& filer) override
    {
        using sondrel::framework::TStream;
        filer.DefineBinaryProperty(
            "Pidl",
            [](TStream& stream) {
                std::string bytes;
                char chunk[256];
                for (std::size_t got; (got = stream.Read(chunk, sizeof chunk)) > 0;)
                    bytes.append(chunk, got);
                using namespace sondrel::shell::locatorform;
                StoredLocator locator;
                if (Parse(
                        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), locator)
                    != ParseResult::Ok)
                    return;
                // Any non-zero kind byte means a special folder; the writer says 1.
                std::string expected = bytes;
                if (expected[0] != 0)
                    expected[0] = 1;
                if (Write(locator) != expected)
                    std::abort();
            },
            [](TStream&) {}, false);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sondrel::framework::TMemoryStream stream(
        std::string(reinterpret_cast<const char*>(data), size));
    Stored stored;
    try {
        sondrel::framework::TReader(stream).ReadProperties(stored);
    } catch (const sondrel::framework::EReadError&) {
    }
    return 0;
}
