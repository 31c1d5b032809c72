// Build-time tool: writes a C++ source that embeds a version-information block in the ELF
// section the program reads its version from.
//
//   sondrel-verinfo-gen OUTPUT FILE_VERSION PRODUCT_VERSION PRODUCT_NAME DESCRIPTION

#include "CodePage.h"
#include "VersionInfo.h"
#include "VersionResource.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr,
            "usage: %s OUTPUT FILE_VERSION PRODUCT_VERSION PRODUCT_NAME DESCRIPTION\n", argv[0]);
        return 2;
    }
    using sondrel::platform::ParseVersionNumbers;
    sondrel::platform::VersionInfoFields fields;
    ParseVersionNumbers(argv[2], fields.FileVersion);
    ParseVersionNumbers(argv[3], fields.ProductVersion);
    fields.Strings = {
        { u"FileDescription", win32::AnsiToWide(argv[5]) },
        { u"FileVersion", win32::AnsiToWide(argv[2]) },
        { u"ProductName", win32::AnsiToWide(argv[4]) },
        { u"ProductVersion", win32::AnsiToWide(argv[3]) },
    };
    std::vector<std::uint8_t> block;
    try {
        block = sondrel::platform::BuildVersionInfo(fields);
    } catch (const std::length_error& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }

    std::string text = "// Generated at build time: this program's version resource.\n"
                       "__attribute__((section(\"";
    text += sondrel::platform::kVersionSection;
    text += "\"), used, aligned(4))) extern const unsigned char sondrel_version_resource[] = {";
    for (std::size_t i = 0; i < block.size(); ++i) {
        text += i % 16 == 0 ? "\n    " : " ";
        text += std::to_string(block[i]) + ",";
    }
    text += "\n};\n";

    // Written only when changed, so that an unchanged version relinks nothing.
    std::ifstream old(argv[1], std::ios::binary);
    const std::string previous((std::istreambuf_iterator<char>(old)), {});
    if (previous == text)
        return 0;
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << text;
    return out.good() ? 0 : 1;
}
