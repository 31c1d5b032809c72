// The registry stand-in over a file of the test's own, and the message formatter's inserts.

#include "Registry.h"

#include "MessageFormat.h"
#include "TempDir.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace win32;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;

namespace {

class Registry : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(m_dir / "registry",
            "# the test's registry\n"
            "[HKEY_CLASSES_ROOT\\.txt]\n"
            "@=\"txtfile\"\n"
            "\"Content Type\"=\"text/\\\"plain\\\"\"\r\n"
            "[HKCR\\txtfile\\CLSID]\n"
            "@=\"{00021401-0000-0000-C000-000000000046}\"\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer]\n"
            "\"DirectoryCols\"=hex:0a,00,FF\n"
            "\"Count\"=dword:0000010a\n"
            "\"Broken\"=hex:0a,\n"
            "not a line at all\n");
        sondrel::platform::SetRegistryFile(m_dir / "registry");
    }
    void TearDown() override { sondrel::platform::SetRegistryFile({}); }

    // The value's bytes, or "<error N>".
    static std::string Query(HKEY root, const char* key, const char* name, DWORD* type = nullptr)
    {
        HKEY opened = nullptr;
        LONG result = RegOpenKeyExA(root, key, 0, KEY_READ, &opened);
        if (result != 0)
            return "<error " + std::to_string(result) + ">";
        DWORD size = 0;
        result = RegQueryValueExA(opened, name, nullptr, type, nullptr, &size);
        std::string bytes(size, '\0');
        if (result == 0)
            result = RegQueryValueExA(
                opened, name, nullptr, type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        EXPECT_EQ(RegCloseKey(opened), 0);
        return result == 0 ? bytes : "<error " + std::to_string(result) + ">";
    }

    TempDir m_dir;
};

TEST_F(Registry, ValuesKeysAndAbsenceAsWindowsAnswersThem)
{
    using namespace std::string_literals;
    const HKEY cr = HKEY_CLASSES_ROOT;
    const HKEY cu = HKEY_CURRENT_USER;
    const char* explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    const struct
    {
        HKEY Root;
        const char* Key;
        const char* Name;
        std::string Expected;
        DWORD Type;
    } cases[] = {
        { cr, ".txt", nullptr, "txtfile\0"s, REG_SZ },
        { cr, ".TXT", "", "txtfile\0"s, REG_SZ }, // names ignore case
        { cr, ".txt", "content type", "text/\"plain\"\0"s, REG_SZ },
        { cr, "TxtFile\\Clsid", nullptr, "{00021401-0000-0000-C000-000000000046}\0"s, REG_SZ },
        { cu, explorer, "DirectoryCols", "\x0a\x00\xff"s, REG_BINARY },
        { cu, explorer, "Count", "\x0a\x01\x00\x00"s, REG_DWORD },
        { cu, explorer, "Broken", "<error 2>", REG_NONE }, // a bad line is skipped
        { cr, "txtfile", nullptr, "<error 2>", REG_NONE }, // a key without values exists
        { cr, ".doc", nullptr, "<error 2>", REG_NONE },
        { HKEY_LOCAL_MACHINE, "Software", nullptr, "<error 2>", REG_NONE },
    };
    for (const auto& c : cases) {
        DWORD type = REG_NONE;
        EXPECT_EQ(Query(c.Root, c.Key, c.Name, &type), c.Expected) << c.Key << " " << c.Name;
        EXPECT_EQ(type, c.Type) << c.Key;
    }
}

TEST_F(Registry, SmallBufferGetsTheSizeAndWritesRefused)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, KEY_READ, &key), 0);
    BYTE small[3];
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(RegCloseKey(key), 0);
    EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, KEY_READ | 0x0002, &key),
        static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(key, nullptr);
}

TEST(RegistryAbsent, AMissingFileIsAnEmptyRegistry)
{
    TempDir dir;
    sondrel::platform::SetRegistryFile(dir / "none");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, KEY_READ, &key),
        static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    sondrel::platform::SetRegistryFile({});
}

TEST(RegistryAbsent, AFifoInPlaceOfTheFileIsNeverOpened)
{
    // Opening a FIFO for reading waits for a writer. Should the lookup wait, the test releases
    // it by opening the other end, so that it fails instead of hanging.
    TempDir dir;
    const std::string fifo = dir / "registry";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
    sondrel::platform::SetRegistryFile(fifo);
    std::promise<LONG> answer;
    std::thread lookup([&answer] {
        HKEY key = nullptr;
        answer.set_value(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, KEY_READ, &key));
    });
    std::future<LONG> result = answer.get_future();
    const bool prompt = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!prompt) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
    }
    lookup.join();
    EXPECT_TRUE(prompt) << "the lookup waited on the FIFO";
    EXPECT_EQ(result.get(), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the FIFO was opened";
    ::close(watch);
    sondrel::platform::SetRegistryFile({});
}

TEST(MessageFormat, InsertsByPositionAndEscapes)
{
    const char* strings[] = { "first", "zweite", "été" };
    const struct
    {
        const char* Format;
        const char* Expected; // null: the formatter fails
    } cases[] = {
        { "%2 then %1", "zweite then first" },
        { "Unable to create the folder '%2'\n\n%1",
            "Unable to create the folder 'zweite'\n\nfirst" },
        { "%3!-5s!|%3!.2s!|%1!7s!", "été  |ét|  first" }, // widths count characters
        { "100%% %. %! %t%r%n", "100% . ! \t\r\r\n" },
        { "cut%0 here", "cut" },
        { "%4", nullptr }, // past the strings given: Windows would read beyond them
        { "%1!d!", nullptr },
        { "%1!s", nullptr },
    };
    for (const auto& c : cases) {
        std::string out;
        const bool ok = sondrel::platform::FormatMessageFromString(c.Format, strings, 3, out);
        EXPECT_EQ(ok, c.Expected != nullptr) << c.Format;
        if (ok && c.Expected) {
            EXPECT_EQ(out, c.Expected) << c.Format;
        }
    }
}

} // namespace
