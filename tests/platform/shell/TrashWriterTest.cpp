// Throwing items away: the home trash, the trashes at the top of other file systems, a
// read-only file system, names that are not UTF-8.

#include "TrashWriter.h"

#include "ShellEnvironment.h"
#include "ShellTestSupport.h"
#include "UriPath.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

namespace sondrel::test {
namespace {

    using platform::TrashPlan;
    namespace fs = std::filesystem;

    struct NoQuestions : fileops::Questions
    {
        fileops::Answer<fileops::ClashAction> OnClash(const fileops::Clash&) override
        {
            ADD_FAILURE() << "no clash expected";
            return { fileops::ClashAction::Cancel };
        }
        fileops::Answer<fileops::LossAction> OnStreamsLost(
            const BytePath&, const BytePath&, const std::vector<std::string>&) override
        {
            ADD_FAILURE() << "no stream loss expected";
            return { fileops::LossAction::Cancel };
        }
        fileops::Answer<fileops::ErrorAction> OnError(const fileops::Failure&) override
        {
            return { fileops::ErrorAction::Cancel };
        }
    };

    std::string Recorded(const std::string& infoFile)
    {
        const std::string text = ReadWholeFile(infoFile);
        const std::size_t at = text.find("\nPath=");
        return text.substr(at + 6, text.find('\n', at + 1) - at - 6);
    }

    int Throw(const std::string& path, BytePath* trashedAs = nullptr)
    {
        NoQuestions questions;
        fileops::Progress progress;
        return platform::MoveToTrash(
            path, platform::PlanTrash(path), questions, progress, trashedAs);
    }

    TEST(TrashWriter, TheHomeTrashGetsARecordFirstAndNamesThatAreNotUtf8SurviveIt)
    {
        ScopedHome home;
        platform::RefreshEnvironment();
        const std::string trash = home.Path() + "/.local/share/Trash";
        const std::string odd = home.Path() + "/caf\xE9 100%.txt";
        WriteFile(odd, "one");
        BytePath trashedAs;
        ASSERT_EQ(Throw(odd, &trashedAs), 0);
        EXPECT_FALSE(fs::exists(odd));
        EXPECT_EQ(trashedAs, trash + "/files/caf\xE9 100%.txt");
        EXPECT_EQ(ReadWholeFile(trashedAs), "one");
        const std::string info = trash + "/info/caf\xE9 100%.txt.trashinfo";
        EXPECT_EQ(ReadWholeFile(info).rfind("[Trash Info]\nPath=", 0), 0u);
        EXPECT_NE(ReadWholeFile(info).find("\nDeletionDate=20"), std::string::npos);
        EXPECT_EQ(Recorded(info).find("%E9%20100%25.txt"), Recorded(info).size() - 16);
        EXPECT_EQ(platform::PercentDecode(Recorded(info)), odd);

        // The same name again, and a folder: each gets a name of its own.
        WriteFile(odd, "two");
        ASSERT_EQ(Throw(odd, &trashedAs), 0);
        EXPECT_EQ(trashedAs, trash + "/files/caf\xE9 100%.txt.2");
        EXPECT_EQ(ReadWholeFile(trashedAs), "two");
        EXPECT_TRUE(fs::exists(trash + "/info/caf\xE9 100%.txt.2.trashinfo"));
        struct stat st
        {
        };
        ASSERT_EQ(::stat((trash + "/files").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);

        // A fresh account's data folder need not exist yet: the home trash makes it.
        ::setenv("XDG_DATA_HOME", (home.Path() + "/fresh/data").c_str(), 1);
        WriteFile(home.Path() + "/new", "n");
        ASSERT_EQ(Throw(home.Path() + "/new", &trashedAs), 0);
        EXPECT_EQ(trashedAs, home.Path() + "/fresh/data/Trash/files/new");

        for (int byte = 0; byte < 256; ++byte) {
            const std::string path = "/x" + std::string(1, static_cast<char>(byte)) + "y";
            EXPECT_EQ(platform::PercentDecode(platform::PercentEncodePath(path)), path) << byte;
        }
    }

    TEST(TrashWriter, AnotherFileSystemKeepsItsItemsInTheTrashAtItsTop)
    {
        ScopedHome home;
        platform::RefreshEnvironment();
        TempDir dir;
        TmpfsMount mount(dir.Path());
        SONDREL_REQUIRE_MOUNT(mount);
        const std::string uid = std::to_string(::getuid());
        fs::create_directories(mount.Path() + "/deep/er");
        WriteFile(mount.Path() + "/deep/er/f", "on tmpfs");
        const TrashPlan plan = platform::PlanTrash(mount.Path() + "/deep/er/f");
        EXPECT_EQ(plan.How, TrashPlan::Kind::SameFileSystem);
        EXPECT_EQ(plan.TopDir, mount.Path());
        EXPECT_EQ(plan.Trash, mount.Path() + "/.Trash-" + uid);
        ASSERT_EQ(Throw(mount.Path() + "/deep/er/f"), 0);
        EXPECT_EQ(ReadWholeFile(mount.Path() + "/.Trash-" + uid + "/files/f"), "on tmpfs");
        EXPECT_EQ(Recorded(mount.Path() + "/.Trash-" + uid + "/info/f.trashinfo"), "deep/er/f")
            << "a top folder's trash records paths relative to the top";

        // An administrator's sticky .Trash is used; one that is a link is not.
        fs::create_directory(mount.Path() + "/.Trash");
        ::chmod((mount.Path() + "/.Trash").c_str(), 01777);
        WriteFile(mount.Path() + "/g", "g");
        EXPECT_EQ(platform::PlanTrash(mount.Path() + "/g").Trash, mount.Path() + "/.Trash/" + uid);
        fs::remove_all(mount.Path() + "/.Trash");
        fs::create_directory(mount.Path() + "/elsewhere");
        ::chmod((mount.Path() + "/elsewhere").c_str(), 01777);
        fs::create_directory_symlink("elsewhere", mount.Path() + "/.Trash");
        EXPECT_EQ(platform::PlanTrash(mount.Path() + "/g").Trash, mount.Path() + "/.Trash-" + uid);
    }

    // One planner serves a whole deletion: what it remembers of one folder or file system
    // must not send another's items to the wrong trash, and an item it never looked at must
    // leave nothing behind when it cannot move.
    TEST(TrashWriter, OnePlannerSendsEachItemToItsOwnTrashAndLeavesNoStrayRecord)
    {
        ScopedHome home;
        platform::RefreshEnvironment();
        TempDir dir;
        TmpfsMount mount(dir.Path());
        SONDREL_REQUIRE_MOUNT(mount);
        const std::string uid = std::to_string(::getuid());
        const std::string homeTrash = home.Path() + "/.local/share/Trash";
        const std::string topTrash = mount.Path() + "/.Trash-" + uid;
        fs::create_directories(mount.Path() + "/a");
        fs::create_directories(mount.Path() + "/b/c");
        const std::vector<std::string> items { home.Path() + "/h1", mount.Path() + "/a/x",
            mount.Path() + "/b/c/y", home.Path() + "/h2", mount.Path() + "/a/z" };
        for (const std::string& item : items)
            WriteFile(item, item);
        platform::TrashPlanner planner;
        NoQuestions questions;
        fileops::Progress progress;
        std::vector<TrashPlan> plans;
        for (const std::string& item : items)
            plans.push_back(planner.Plan(item));
        for (std::size_t i = 0; i < items.size(); ++i) {
            BytePath trashedAs;
            ASSERT_EQ(platform::MoveToTrash(items[i], plans[i], questions, progress, &trashedAs), 0)
                << items[i];
            EXPECT_EQ(ReadWholeFile(trashedAs), items[i]);
        }
        EXPECT_EQ(plans[0].Trash, homeTrash);
        EXPECT_EQ(plans[3].Trash, homeTrash);
        EXPECT_EQ(
            Recorded(homeTrash + "/info/h2.trashinfo"), platform::PercentEncodePath(items[3]));
        EXPECT_EQ(Recorded(topTrash + "/info/x.trashinfo"), "a/x");
        EXPECT_EQ(Recorded(topTrash + "/info/y.trashinfo"), "b/c/y");
        EXPECT_EQ(Recorded(topTrash + "/info/z.trashinfo"), "a/z");

        // Gone before its turn: an error, and no record of an item the trash does not hold.
        const TrashPlan gonePlan = planner.Plan(mount.Path() + "/a/gone");
        EXPECT_EQ(
            platform::MoveToTrash(mount.Path() + "/a/gone", gonePlan, questions, progress), ENOENT);
        EXPECT_FALSE(fs::exists(topTrash + "/info/gone.trashinfo"));

        // A mount point lies on another file system than its folder, yet no rename moves it:
        // it stays whole, with its contents, and leaves no record.
        TmpfsMount inner(home.Path());
        SONDREL_REQUIRE_MOUNT(inner);
        WriteFile(inner.Path() + "/kept", "kept");
        const TrashPlan innerPlan = planner.Plan(inner.Path());
        EXPECT_NE(platform::MoveToTrash(inner.Path(), innerPlan, questions, progress), 0);
        EXPECT_EQ(ReadWholeFile(inner.Path() + "/kept"), "kept");
        const std::string innerName = inner.Path().substr(inner.Path().rfind('/') + 1);
        EXPECT_FALSE(fs::exists(homeTrash + "/info/" + innerName + ".trashinfo"));
    }

    TEST(TrashWriter, AReadOnlyFileSystemNeverDeletesSilently)
    {
        ScopedHome home;
        platform::RefreshEnvironment();
        TempDir dir;
        TmpfsMount mount(dir.Path());
        SONDREL_REQUIRE_MOUNT(mount);
        WriteFile(mount.Path() + "/kept", "kept");
        ASSERT_EQ(
            ::mount(nullptr, mount.Path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        AfterMountChange();
        const TrashPlan plan = platform::PlanTrash(mount.Path() + "/kept");
        EXPECT_EQ(plan.How, TrashPlan::Kind::None);
        EXPECT_EQ(plan.Error, EROFS);
        EXPECT_EQ(Throw(mount.Path() + "/kept"), EROFS);
        EXPECT_EQ(ReadWholeFile(mount.Path() + "/kept"), "kept");
    }

} // namespace
} // namespace sondrel::test
