// The address shell execution opens for what the program hands it.

#include "ShellExecute.h"

#include <gtest/gtest.h>

using sondrel::platform::ShellTargetUrl;

namespace {

TEST(ShellExecute, AddressesWithoutASchemeAreWebAddresses)
{
    const struct
    {
        const char* file;
        const char* url;
    } rows[] = {
        { "www.example.org", "http://www.example.org" },
        { "example.org/a b?x=1:2", "http://example.org/a%20b?x=1:2" },
        { "localhost:8080/index.html", "http://localhost:8080/index.html" },
        { "https://example.org/", "https://example.org/" },
        { "mailto:someone@example.org", "mailto:someone@example.org" },
        { "/tmp/read me.html", "file:///tmp/read%20me.html" },
        { "", "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ShellTargetUrl(row.file), row.url) << row.file;
}

TEST(ShellExecute, OnlyOpeningIsKnown)
{
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(
                  win32::ShellExecuteA(nullptr, "print", "www.example.org", "", "", 0)),
        win32::SE_ERR_NOASSOC);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(win32::ShellExecuteA(nullptr, "open", "", "", "", 0)),
        win32::SE_ERR_FNF);
}

} // namespace
