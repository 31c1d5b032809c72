// The locator's notifications and its stored form, written and read through the filer.

#include "Filer.h"
#include "ShellLocator.h"
#include "ShellTestSupport.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <string>

#include <sys/stat.h>

using namespace sondrel::shell;
using sondrel::framework::EReadError;
using sondrel::framework::TMemoryStream;
using sondrel::framework::TReader;
using sondrel::framework::TWriter;
using sondrel::test::ParsePath;
using sondrel::test::TempDir;

namespace {

struct Counted
{
    TPTShellLocator Locator;
    int Changes = 0;
    Counted()
    {
        Locator.OnChange = [this](TPTShellLocator* sender) {
            EXPECT_EQ(sender, &Locator);
            ++Changes;
        };
    }
};

// The "Pidl" property data as the writer stores it; empty when it is not stored.
std::string StoredData(TPTShellLocator& locator)
{
    TMemoryStream stream;
    TWriter(stream).WriteProperties(locator);
    const std::string& bytes = stream.Bytes();
    if (bytes == std::string(1, '\0'))
        return {};
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x04Pidl\x0a"));
    return bytes.substr(10, bytes.size() - 11);
}

void Load(TPTShellLocator& locator, const std::string& data)
{
    std::string stream = std::string("\x04Pidl\x0a", 6);
    for (int i = 0; i < 4; ++i)
        stream += static_cast<char>(data.size() >> (8 * i));
    stream += data;
    stream += '\0';
    TMemoryStream in(stream);
    TReader(in).ReadProperties(locator);
}

TEST(Locator, NotifiesOnlyWhenTheFolderChanges)
{
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "a").c_str(), 0755), 0);
    const auto a = ParsePath(dir / "a");
    const auto again = ParsePath(dir / "a");
    const auto parent = ParsePath(dir.Path());
    win32::BYTE empty[2] = { 0, 0 };
    const auto* desktop = reinterpret_cast<PCItemIDList>(empty);

    Counted c;
    EXPECT_EQ(c.Locator.GetCSIDL(), csidlNone);
    c.Locator.SetIdList(desktop); // new locator: the desktop already
    c.Locator.SetIdList(nullptr);
    EXPECT_EQ(c.Changes, 0);
    c.Locator.SetIdList(a.get());
    c.Locator.SetIdList(again.get()); // the same folder
    EXPECT_EQ(c.Changes, 1);
    c.Locator.SetIdList(c.Locator.GetIdList()); // its own list
    EXPECT_EQ(c.Changes, 1);
    EXPECT_EQ(c.Locator.GetPathName(), dir / "a");
    c.Locator.SetPathName(dir.Path());
    EXPECT_EQ(c.Changes, 2);
    c.Locator.SetIdList(desktop);
    EXPECT_EQ(c.Changes, 3);
    EXPECT_EQ(c.Locator.GetIdList(), nullptr);
    c.Locator.SetPathName("relative/never/parses");
    EXPECT_EQ(c.Changes, 3);

    c.Locator.SetCSIDL(csidlPersonal);
    c.Locator.SetCSIDL(csidlPersonal);
    EXPECT_EQ(c.Changes, 4);
    EXPECT_EQ(c.Locator.GetCSIDL(), csidlPersonal);
    c.Locator.SetCSIDL(csidlDrives);
    EXPECT_EQ(c.Changes, 5);
    EXPECT_NE(c.Locator.GetIdList(), nullptr); // fetched and kept
    c.Locator.Clear();
    EXPECT_EQ(c.Changes, 6);
    EXPECT_EQ(c.Locator.GetWhich(), usePidl);

    // Assign: the same special folder does nothing, another copies and notifies once.
    Counted d;
    d.Locator.SetCSIDL(csidlDrives);
    c.Locator.SetCSIDL(csidlDrives);
    const int before = c.Changes;
    c.Locator.Assign(&d.Locator);
    EXPECT_EQ(c.Changes, before);
    d.Locator.SetCSIDL(csidlBitBucket);
    c.Locator.Assign(&d.Locator);
    EXPECT_EQ(c.Changes, before + 1);
    EXPECT_TRUE(c.Locator.IsEqual(&d.Locator));
    d.Locator.SetIdList(parent.get());
    c.Locator.Assign(&d.Locator);
    EXPECT_EQ(c.Changes, before + 2);
    EXPECT_TRUE(c.Locator.IsEqual(&d.Locator));
    EXPECT_NE(c.Locator.GetIdList(), d.Locator.GetIdList()); // a copy
    // Null names the desktop, also for a special folder whose list was never fetched.
    c.Locator.SetCSIDL(csidlTemplates);
    c.Locator.Assign(nullptr);
    EXPECT_EQ(c.Changes, before + 4);
    EXPECT_EQ(c.Locator.GetWhich(), usePidl);
    EXPECT_EQ(c.Locator.GetIdList(), nullptr);
    const sondrel::framework::TPersistent other;
    EXPECT_THROW(c.Locator.Assign(&other), sondrel::framework::EConvertError);
}

TEST(Locator, StoredFormsByteForByte)
{
    TempDir dir;
    const auto folder = ParsePath(dir.Path());
    const std::string list(reinterpret_cast<const char*>(folder.get()), IdListLen(folder.get()));

    TPTShellLocator desktop;
    EXPECT_EQ(StoredData(desktop), ""); // not stored at all
    TPTShellLocator special;
    special.SetCSIDL(csidlPersonal);
    EXPECT_EQ(StoredData(special), std::string("\x01\x05", 2));
    TPTShellLocator byList;
    byList.SetIdList(folder.get());
    const std::string data = StoredData(byList);
    ASSERT_EQ(data.size(), 1 + 4 + list.size());
    EXPECT_EQ(data.substr(5), list);

    Counted back;
    Load(back.Locator, data);
    EXPECT_EQ(back.Changes, 0); // reading never notifies
    EXPECT_TRUE(back.Locator.IsEqual(&byList));
    Load(back.Locator, std::string("\x07\x11", 2));
    EXPECT_EQ(back.Locator.GetCSIDL(), csidlDrives);
    Load(back.Locator, std::string(5, '\0')); // L = 0: the desktop by special folder
    EXPECT_EQ(back.Locator.GetWhich(), useCSIDL);
    EXPECT_EQ(back.Locator.GetCSIDL(), csidlDesktop);
}

TEST(Locator, BadStoredFormsFailAndChangeNothing)
{
    TempDir dir;
    const auto folder = ParsePath(dir.Path());
    const std::string list(reinterpret_cast<const char*>(folder.get()), IdListLen(folder.get()));
    std::string length(4, '\0');
    for (int i = 0; i < 4; ++i)
        length[i] = static_cast<char>(list.size() >> (8 * i));
    const std::string cases[] = {
        "", // ends before the kind
        std::string("\x01", 1), // before the special folder
        std::string("\x01\x33", 2), // CSIDL 51: none such
        std::string("\x01\x05\x00", 3), // bytes left over
        std::string("\x00\x02\x00", 3), // inside the length
        std::string(1, '\0') + length + list.substr(0, list.size() - 1), // cut list
        std::string("\x00\x04\x00\x00\x00\x09\x00\x00\x00", 9), // sizes run past L
        std::string("\x00\xff\xff\xff\xff\x00\x00", 7), // 4 GB claimed by 2 bytes
    };
    for (const std::string& data : cases) {
        Counted c;
        c.Locator.SetCSIDL(csidlTemplates);
        EXPECT_THROW(Load(c.Locator, data), EReadError) << data.size();
        EXPECT_EQ(c.Locator.GetCSIDL(), csidlTemplates);
    }
    // The filer's own framing: an undeclared property and a stream that ends early.
    TPTShellLocator locator;
    TMemoryStream unknown(std::string("\x03Xyz\x0a\x00\x00\x00\x00\x00", 10));
    EXPECT_THROW(TReader(unknown).ReadProperties(locator), EReadError);
    TMemoryStream cut(std::string("\x04Pidl\x0a\x09\x00", 8));
    EXPECT_THROW(TReader(cut).ReadProperties(locator), EReadError);
}

} // namespace
