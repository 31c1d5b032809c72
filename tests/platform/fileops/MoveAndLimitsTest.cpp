// Moving, and the limits of a copy: other file systems, a full disk, a cancel, a target that
// cannot hold named streams.

#include "FileOperationThread.h"
#include "FileOpsSupport.h"
#include "NtfsImage.h"
#include "TempDir.h"

#include <algorithm>
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

    std::vector<std::string> Names(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void MakeTree(const std::string& root)
    {
        fs::create_directories(root + "/sub");
        WriteFile(root + "/a", "alpha");
        WriteFile(root + "/sub/b", std::string(100000, 'b'));
        fs::create_symlink("a", root + "/link");
        (void)SetXattr(root + "/a", "user.stream", "named");
    }

    TEST(MoveOperation, WithinAFileSystemAMoveIsARenameThatNeverReplaces)
    {
        TempDir dir;
        MakeTree(dir / "tree");
        fs::create_directory(dir / "dst");
        const auto before = Describe(dir / "tree");
        struct stat st
        {
        };
        ASSERT_EQ(::stat((dir / "tree/sub/b").c_str(), &st), 0);
        ScriptedQuestions questions;
        const Outcome outcome = Copy({ dir / "tree" }, dir / "dst", questions, Operation::Move);
        EXPECT_TRUE(outcome.Failures.empty());
        EXPECT_FALSE(fs::exists(dir / "tree"));
        EXPECT_EQ(Describe(dir / "dst/tree"), before);
        struct stat moved
        {
        };
        ASSERT_EQ(::stat((dir / "dst/tree/sub/b").c_str(), &moved), 0);
        EXPECT_EQ(moved.st_ino, st.st_ino) << "renamed, not copied";

        // Onto an existing name: asked; Skip leaves both where they are.
        WriteFile(dir / "x", "mine");
        WriteFile(dir / "dst/x", "theirs");
        questions.ClashAnswers = { { ClashAction::Skip } };
        (void)Copy({ dir / "x" }, dir / "dst", questions, Operation::Move);
        EXPECT_EQ(ReadWholeFile(dir / "x"), "mine");
        EXPECT_EQ(ReadWholeFile(dir / "dst/x"), "theirs");
        // Into its own folder: nothing to do.
        EXPECT_TRUE(Copy({ dir / "x" }, dir.Path(), questions, Operation::Move).Failures.empty());
        EXPECT_EQ(ReadWholeFile(dir / "x"), "mine");
    }

    TEST(MoveOperation, AcrossFileSystemsTheSourceGoesOnlyAfterEverythingArrived)
    {
        TempDir dir;
        ScratchMount tmpfs(ScratchMount::Kind::Tmpfs, 16);
        SONDREL_REQUIRE_SCRATCH(tmpfs);
        MakeTree(tmpfs.Path() + "/tree");
        const auto before = Describe(tmpfs.Path() + "/tree");
        ScriptedQuestions questions;
        const Outcome outcome
            = Copy({ tmpfs.Path() + "/tree" }, dir.Path(), questions, Operation::Move);
        EXPECT_TRUE(outcome.Failures.empty());
        EXPECT_TRUE(outcome.Kept.empty());
        EXPECT_FALSE(fs::exists(tmpfs.Path() + "/tree"));
        EXPECT_EQ(Describe(dir / "tree"), before);

        // Back onto a full tmpfs: the file that does not fit stays at its source, whole.
        ScratchMount small(ScratchMount::Kind::Tmpfs, 1);
        SONDREL_REQUIRE_SCRATCH(small);
        WriteFile(dir / "big", std::string(3 << 20, 'q'));
        WriteFile(dir / "small", "fits");
        const Outcome full
            = Copy({ dir / "small", dir / "big" }, small.Path(), questions, Operation::Move);
        ASSERT_EQ(full.Failures.size(), 1u);
        EXPECT_EQ(full.Failures[0].Error, ENOSPC);
        EXPECT_NE(FailureText(full.Failures[0]).find("space"), std::string::npos)
            << FailureText(full.Failures[0]);
        EXPECT_EQ(ReadWholeFile(dir / "big").size(), 3u << 20);
        EXPECT_FALSE(fs::exists(dir / "small"));
        EXPECT_EQ(Names(small.Path()), std::vector<std::string> { "small" })
            << "the partial copy was removed";
    }

    TEST(MoveOperation, OntoAnNtfsVolumeNamedStreamsArriveAndTheSourceGoes)
    {
        NtfsImage image;
        SONDREL_REQUIRE_NTFS(image);
        ASSERT_TRUE(image.Mount()) << image.Problem();
        TempDir dir;
        MakeTree(dir / "tree");
        fs::remove(dir / "tree/link"); // NTFS links are another story
        ScriptedQuestions questions;
        const Outcome outcome
            = Copy({ dir / "tree" }, image.MountPoint(), questions, Operation::Move);
        EXPECT_TRUE(outcome.Failures.empty()) << FailureText(outcome.Failures.at(0));
        EXPECT_TRUE(questions.Losses.empty());
        EXPECT_FALSE(fs::exists(dir / "tree"));
        EXPECT_EQ(ReadWholeFile(image / "tree/a"), "alpha");
        EXPECT_EQ(ReadWholeFile(image / "tree/sub/b").size(), 100000u);
        char value[16] = {};
        EXPECT_EQ(::getxattr((image / "tree/a").c_str(), "user.stream", value, sizeof value), 5);
        image.Unmount();
    }

    TEST(CopyLimits, ACancelInTheMiddleOfABigFileRemovesOnlyThatPartialFile)
    {
        TempDir dir;
        WriteFile(dir / "first", "whole");
        {
            // Real bytes, not a hole, so that the copy takes many chunks.
            const int fd = ::open((dir / "big").c_str(), O_WRONLY | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            const std::string block(1 << 20, 'x');
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ(::write(fd, block.data(), block.size()), 1 << 20);
            ::close(fd);
        }
        fs::create_directory(dir / "dst");
        WriteFile(dir / "dst/theirs", "kept");
        ScriptedQuestions questions;
        CancellingProgress progress(20u << 20);
        const Outcome outcome
            = RunFileOperation({ Operation::Copy, { dir / "first", dir / "big" }, dir / "dst", {} },
                questions, progress);
        EXPECT_TRUE(outcome.Cancelled);
        EXPECT_LT(progress.Snapshot().BytesDone, 64u << 20);
        EXPECT_EQ(Names(dir / "dst"), (std::vector<std::string> { "first", "theirs" }));
        EXPECT_EQ(ReadWholeFile(dir / "dst/first"), "whole");

        // The same through the worker thread, whose progress says what it is doing.
        Progress threaded;
        FileOperationThread thread(
            { Operation::Copy, { dir / "big" }, dir / "dst", {} }, questions, threaded);
        thread.Wait();
        EXPECT_TRUE(thread.Finished());
        EXPECT_EQ(threaded.Snapshot().BytesDone, 64u << 20);
        EXPECT_EQ(threaded.Snapshot().ItemsDone, 1u);
        EXPECT_EQ(threaded.Snapshot().Current, dir / "big");
        EXPECT_EQ(fs::file_size(dir / "dst/big"), 64u << 20);
    }

    // Copies named streams onto `target`, a file system that cannot hold them.
    void ExpectQuestionBeforeStreamsAreLost(const std::string& target)
    {
        TempDir dir;
        WriteFile(dir / "a", "content");
        ASSERT_TRUE(SetXattr(dir / "a", "user.s1", "one"));
        ASSERT_TRUE(SetXattr(dir / "a", "user.s2", "two"));
        WriteFile(dir / "plain", "no streams");
        ScriptedQuestions questions;

        questions.LossAnswers = { { LossAction::Skip } };
        (void)Copy({ dir / "a", dir / "plain" }, target, questions);
        ASSERT_EQ(questions.Losses.size(), 1u);
        EXPECT_EQ(questions.Losses[0], (std::vector<std::string> { "user.s1", "user.s2" }));
        EXPECT_TRUE(fs::exists(target + "/plain"));
        EXPECT_FALSE(fs::exists(target + "/a"));

        // A move that drops the streams copies and keeps its source with them.
        questions.LossAnswers = { { LossAction::DropStreams } };
        const Outcome moved = Copy({ dir / "a" }, target, questions, Operation::Move);
        EXPECT_EQ(moved.Kept, std::vector<std::string> { dir / "a" });
        EXPECT_EQ(ReadWholeFile(target + "/a"), "content");
        char value[8] = {};
        EXPECT_EQ(::getxattr((dir / "a").c_str(), "user.s1", value, sizeof value), 3);

        // Cancel leaves nothing of the item behind.
        fs::remove(target + "/a");
        questions.LossAnswers = { { LossAction::Cancel } };
        EXPECT_TRUE(Copy({ dir / "a" }, target, questions).Cancelled);
        EXPECT_FALSE(fs::exists(target + "/a"));
    }

    TEST(CopyLimits, ATargetWithoutStreamsIsAskedAboutBeforeAnyIsLost)
    {
        TempDir probe;
        if (!UserXattrsWork(probe.Path()))
            GTEST_SKIP() << "user.* xattrs do not work in " << probe.Path();
        std::string skipped;
        ScratchMount vfat(ScratchMount::Kind::Vfat, 8);
        if (vfat.Usable()) {
            SCOPED_TRACE("vfat");
            ExpectQuestionBeforeStreamsAreLost(vfat.Path());
        } else {
            skipped += "vfat: " + vfat.Problem() + "; ";
        }
        // A FUSE volume without xattrs: ntfs-3g with no stream interface.
        NtfsImage image;
        if (image.Usable() && image.Mount("streams_interface=none")) {
            SCOPED_TRACE("ntfs-3g without streams");
            ExpectQuestionBeforeStreamsAreLost(image.MountPoint());
            image.Unmount();
        } else {
            skipped += "ntfs-3g: " + image.Problem();
        }
        if (!vfat.Usable() && skipped.find("ntfs-3g") != std::string::npos)
            GTEST_SKIP() << "no file system without streams here: " << skipped;
    }

} // namespace
} // namespace sondrel::test
