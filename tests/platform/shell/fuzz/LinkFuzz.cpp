// libFuzzer target: .lnk bytes of any origin. The reader must never read outside them, and what
// it accepts must be written and read back to the same fields.
#include "LinkFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace sondrel::shelllink;
    LinkRecord record;
    if (!ReadLink(data, size, record))
        return 0;
    (void)record.TargetPath();
    const std::optional<std::string> written = WriteLink(record);
    if (!written)
        return 0;
    LinkRecord back;
    if (!ReadLink(reinterpret_cast<const unsigned char*>(written->data()), written->size(), back))
        std::abort();
    if (back.IdList != record.IdList || back.LocalBasePath != record.LocalBasePath
        || back.Description != record.Description || back.Arguments != record.Arguments
        || back.WorkingDirectory != record.WorkingDirectory || back.HotKey != record.HotKey
        || back.IconIndex != record.IconIndex || back.ShowCommand != record.ShowCommand)
        std::abort();
    return 0;
}
