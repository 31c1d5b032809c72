// Copying on one file system: names, clashes, what goes along, links and special files.

#include "FileOpsSupport.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::test {
namespace {

    using namespace sondrel::fileops;
    namespace fs = std::filesystem;

    TEST(FileOperation, CopyIntoItsOwnFolderMakesNumberedCopiesAndNeverTouchesTheOriginal)
    {
        TempDir dir;
        WriteFile(dir / "a.txt", "original");
        ScriptedQuestions questions;
        for (int i = 0; i < 3; ++i) {
            const Outcome outcome = Copy({ dir / "a.txt" }, dir.Path(), questions);
            EXPECT_TRUE(outcome.Failures.empty());
        }
        EXPECT_EQ(ReadWholeFile(dir / "a.txt"), "original");
        EXPECT_EQ(ReadWholeFile(dir / "a.txt (copy)"), "original");
        EXPECT_EQ(ReadWholeFile(dir / "a.txt (copy 2)"), "original");
        EXPECT_EQ(ReadWholeFile(dir / "a.txt (copy 3)"), "original");
        EXPECT_TRUE(questions.Clashes.empty()) << "a copy beside its original asks nothing";

        // A folder copied beside itself is not a folder into itself.
        fs::create_directory(dir / "f");
        WriteFile(dir / "f/inner", "x");
        const Outcome folder = Copy({ dir / "f" }, dir.Path(), questions);
        EXPECT_FALSE(folder.Refused);
        EXPECT_EQ(ReadWholeFile(dir / "f (copy)/inner"), "x");
        ASSERT_EQ(folder.Made.size(), 1u);
        EXPECT_EQ(folder.Made[0], dir / "f (copy)");
    }

    TEST(FileOperation, AFolderIntoItselfOrBelowIsRefusedBeforeAnythingStarts)
    {
        TempDir dir;
        fs::create_directories(dir / "top/sub/deeper");
        WriteFile(dir / "other", "o");
        const auto before = Describe(dir.Path());
        ScriptedQuestions questions;
        for (const std::string& target : { dir / "top", dir / "top/sub", dir / "top/sub/deeper" }) {
            for (const Operation op : { Operation::Copy, Operation::Move }) {
                // "other" comes first: the refusal must still leave it where it was.
                const Outcome outcome = Copy({ dir / "other", dir / "top" }, target, questions, op);
                EXPECT_TRUE(outcome.Refused) << target;
                ASSERT_EQ(outcome.Failures.size(), 1u);
                EXPECT_EQ(outcome.Failures[0].Kind, Problem::IntoItself);
                EXPECT_FALSE(FailureText(outcome.Failures[0]).empty());
            }
        }
        EXPECT_EQ(Describe(dir.Path()), before);
    }

    TEST(FileOperation, ClashesAreAskedAndEveryAnswerKeepsOneWholeVersion)
    {
        TempDir dir;
        fs::create_directories(dir / "src");
        fs::create_directories(dir / "dst");
        WriteFile(dir / "src/a", "new content");
        WriteFile(dir / "dst/a", "old");
        ScriptedQuestions questions;

        questions.ClashAnswers = { { ClashAction::Skip } };
        EXPECT_TRUE(Copy({ dir / "src/a" }, dir / "dst", questions).Made.empty());
        EXPECT_EQ(ReadWholeFile(dir / "dst/a"), "old");
        ASSERT_EQ(questions.Clashes.size(), 1u);
        EXPECT_EQ(questions.Clashes[0].Target, dir / "dst/a");

        questions.ClashAnswers = { { ClashAction::KeepBoth } };
        (void)Copy({ dir / "src/a" }, dir / "dst", questions);
        EXPECT_EQ(ReadWholeFile(dir / "dst/a"), "old");
        EXPECT_EQ(ReadWholeFile(dir / "dst/a (copy)"), "new content");

        // Replace swaps in a whole copy: a reader of the old file still reads all of it.
        const int reader = ::open((dir / "dst/a").c_str(), O_RDONLY);
        ASSERT_GE(reader, 0);
        questions.ClashAnswers = { { ClashAction::Replace } };
        (void)Copy({ dir / "src/a" }, dir / "dst", questions);
        EXPECT_EQ(ReadWholeFile(dir / "dst/a"), "new content");
        char old[8] = {};
        EXPECT_EQ(::pread(reader, old, sizeof old, 0), 3);
        EXPECT_STREQ(old, "old");
        ::close(reader);
        for (const auto& entry : fs::directory_iterator(dir / "dst"))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".sondrel-"))
                << "a temporary file stayed behind";

        // Cancel stops everything after it; "for all" answers later clashes too.
        WriteFile(dir / "src/b", "b");
        WriteFile(dir / "dst/b", "old b");
        questions.ClashAnswers = { { ClashAction::Cancel } };
        const Outcome cancelled = Copy({ dir / "src/a", dir / "src/b" }, dir / "dst", questions);
        EXPECT_TRUE(cancelled.Cancelled);
        EXPECT_EQ(ReadWholeFile(dir / "dst/b"), "old b");
        questions.Clashes.clear();
        questions.ClashAnswers = { { ClashAction::Skip, true } };
        (void)Copy({ dir / "src/a", dir / "src/b" }, dir / "dst", questions);
        EXPECT_EQ(questions.Clashes.size(), 1u);
        EXPECT_EQ(ReadWholeFile(dir / "dst/b"), "old b");

        // A file never replaces a folder nor the other way round.
        fs::create_directory(dir / "dst/c");
        WriteFile(dir / "src/c", "file");
        questions.ClashAnswers = { { ClashAction::Replace } };
        const Outcome kinds = Copy({ dir / "src/c" }, dir / "dst", questions);
        ASSERT_EQ(kinds.Failures.size(), 1u);
        EXPECT_EQ(kinds.Failures[0].Kind, Problem::KindDiffers);
        EXPECT_TRUE(fs::is_directory(dir / "dst/c"));
    }

    TEST(FileOperation, ReplacingAFolderMergesAndAsksForEachClashInside)
    {
        TempDir dir;
        fs::create_directories(dir / "src/f");
        fs::create_directories(dir / "dst/f");
        WriteFile(dir / "src/f/new", "n");
        WriteFile(dir / "src/f/both", "from src");
        WriteFile(dir / "dst/f/both", "from dst");
        WriteFile(dir / "dst/f/only", "o");
        ScriptedQuestions questions;
        questions.ClashAnswers = { { ClashAction::Replace }, { ClashAction::Skip } };
        (void)Copy({ dir / "src/f" }, dir / "dst", questions);
        ASSERT_EQ(questions.Clashes.size(), 2u);
        EXPECT_TRUE(questions.Clashes[0].SourceIsFolder && questions.Clashes[0].TargetIsFolder);
        EXPECT_EQ(ReadWholeFile(dir / "dst/f/new"), "n");
        EXPECT_EQ(ReadWholeFile(dir / "dst/f/both"), "from dst");
        EXPECT_EQ(ReadWholeFile(dir / "dst/f/only"), "o");
    }

    TEST(FileOperation, StreamsAclModeTimesLinksAndHolesArriveAsTheyWere)
    {
        TempDir dir;
        if (!UserXattrsWork(dir.Path()))
            GTEST_SKIP() << "user.* xattrs do not work in " << dir.Path();
        fs::create_directories(dir / "tree/sub");
        WriteFile(dir / "tree/plain", "plain bytes");
        ASSERT_TRUE(SetXattr(dir / "tree/plain", "user.one", "first stream"));
        ASSERT_TRUE(SetXattr(dir / "tree/plain", "user.two", std::string(3000, 'z')));
        ASSERT_TRUE(SetXattr(dir / "tree/sub", "user.folder", "on a folder"));
        ::chmod((dir / "tree/plain").c_str(), 0640);
        ::chmod((dir / "tree/sub").c_str(), 0750);
        // An ACL that says more than the mode bits (user 65534 may read).
        const std::string acl("\x02\x00\x00\x00"
                              "\x01\x00\x06\x00\xff\xff\xff\xff"
                              "\x02\x00\x04\x00\xfe\xff\x00\x00"
                              "\x04\x00\x04\x00\xff\xff\xff\xff"
                              "\x10\x00\x04\x00\xff\xff\xff\xff"
                              "\x20\x00\x00\x00\xff\xff\xff\xff",
            44);
        const bool aclWorks = ::setxattr((dir / "tree/plain").c_str(), "system.posix_acl_access",
                                  acl.data(), acl.size(), 0)
            == 0;
        // A sparse file: one block at 1 MiB in a 4 MiB file.
        {
            const int fd = ::open((dir / "tree/sparse").c_str(), O_WRONLY | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::pwrite(fd, "data", 4, 1 << 20), 4);
            ASSERT_EQ(::ftruncate(fd, 4 << 20), 0);
            ::close(fd);
        }
        fs::create_directory_symlink("sub", dir / "tree/link-to-folder");
        fs::create_symlink("/nonexistent/target", dir / "tree/dangling");
        // Old times, set last, on every item.
        const timespec old[2] = { { 1000000, 5 }, { 2000000, 7 } };
        for (const char* name : { "tree/plain", "tree/sparse", "tree/sub", "tree/link-to-folder",
                 "tree/dangling", "tree" })
            ::utimensat(AT_FDCWD, (dir / name).c_str(), old, AT_SYMLINK_NOFOLLOW);

        fs::create_directory(dir / "dst");
        ScriptedQuestions questions;
        const Outcome outcome = Copy({ dir / "tree" }, dir / "dst", questions);
        EXPECT_TRUE(outcome.Failures.empty());
        EXPECT_EQ(Describe(dir / "tree"), Describe(dir / "dst/tree"));
        EXPECT_TRUE(fs::is_symlink(dir / "dst/tree/link-to-folder"))
            << "a link to a folder is copied as a link, not as the folder";
        struct stat sparse
        {
        };
        ASSERT_EQ(::stat((dir / "dst/tree/sparse").c_str(), &sparse), 0);
        EXPECT_LT(sparse.st_blocks * 512, 1 << 20) << "holes stay holes";
        if (aclWorks) {
            char value[64];
            EXPECT_EQ(::getxattr((dir / "dst/tree/plain").c_str(), "system.posix_acl_access", value,
                          sizeof value),
                44);
        }
    }

    TEST(FileOperation, AFifoInACopiedTreeIsRecreatedNeverOpened)
    {
        TempDir dir;
        fs::create_directories(dir / "tree");
        ASSERT_EQ(::mkfifo((dir / "tree/pipe").c_str(), 0644), 0);
        WriteFile(dir / "tree/after", "after the pipe");
        fs::create_directory(dir / "dst");
        const int status = RunBounded(
            [&] {
                ScriptedQuestions questions;
                const Outcome outcome = Copy({ dir / "tree" }, dir / "dst", questions);
                return outcome.Failures.empty() ? 0 : 1;
            },
            20);
        EXPECT_EQ(status, 0);
        struct stat st
        {
        };
        ASSERT_EQ(::lstat((dir / "dst/tree/pipe").c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0644u);
        EXPECT_EQ(ReadWholeFile(dir / "dst/tree/after"), "after the pipe");
    }

    TEST(FileOperation, AMissingSourceIsReportedAndTheRestGoesOn)
    {
        TempDir dir;
        WriteFile(dir / "there", "t");
        fs::create_directory(dir / "dst");
        ScriptedQuestions questions;
        const Outcome outcome = Copy({ dir / "gone", dir / "there" }, dir / "dst", questions);
        ASSERT_EQ(questions.Errors.size(), 1u);
        EXPECT_EQ(questions.Errors[0].Path, dir / "gone");
        EXPECT_EQ(questions.Errors[0].Error, ENOENT);
        EXPECT_EQ(ReadWholeFile(dir / "dst/there"), "t");

        // Cancel on an error stops what follows.
        questions.OnErrors = ErrorAction::Cancel;
        fs::remove(dir / "dst/there");
        const Outcome stopped = Copy({ dir / "gone", dir / "there" }, dir / "dst", questions);
        EXPECT_TRUE(stopped.Cancelled);
        EXPECT_FALSE(fs::exists(dir / "dst/there"));
    }

} // namespace
} // namespace sondrel::test
