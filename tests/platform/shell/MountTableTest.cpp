// The drives of "Computer" from mount tables, and the broadcasts of a mount made while running.
#include "MountTable.h"

#include "MountWatch.h"
#include "ShellTestSupport.h"

#include <gtest/gtest.h>

using namespace sondrel::platform;
using namespace sondrel::test;

TEST(MountTable, KeepsWhatAUserCaresAboutRootFirst)
{
    const std::string table = "22 1 0:21 / /proc rw - proc proc rw\n"
                              "25 1 252:0 / / rw,relatime - ext4 /dev/vda rw\n"
                              "30 25 0:5 / /dev rw - devtmpfs udev rw\n"
                              "31 30 0:26 / /dev/shm rw - tmpfs tmpfs rw\n"
                              "40 25 0:40 / /mnt/my\\040disk ro,relatime - vfat /dev/sdb1 ro\n"
                              "41 25 0:41 / /home/u/ram rw - tmpfs tmpfs rw\n"
                              "42 25 0:42 / /srv/share rw shared:5 - nfs4 server:/x rw\n"
                              "43 25 0:43 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                              "44 25 0:44 / /run/media/u/STICK rw - exfat /dev/sdc1 rw\n"
                              "45 25 0:45 / /media/cd ro - iso9660 /dev/sr0 ro\n"
                              "46 25 0:46 / /mnt/img rw - fuseblk /dev/loop0 rw\n"
                              "47 25 0:47 / /mnt/my\\040disk rw - ext4 /dev/sdd1 rw\n"
                              "garbage line\n";
    const DriveList drives = ParseMountInfo(table);
    struct Want
    {
        const char* Mount;
        win32::UINT Type;
        bool ReadOnly;
    };
    const Want wanted[] = {
        { "/", win32::DRIVE_FIXED, false },
        { "/home/u/ram", win32::DRIVE_RAMDISK, false },
        { "/media/cd", win32::DRIVE_CDROM, true },
        { "/mnt/img", win32::DRIVE_FIXED, false },
        { "/mnt/my disk", win32::DRIVE_FIXED, false }, // the later mount hides the earlier
        { "/run/media/u/STICK", win32::DRIVE_FIXED, false },
        { "/srv/share", win32::DRIVE_REMOTE, false },
    };
    ASSERT_EQ(drives.size(), std::size(wanted));
    for (std::size_t i = 0; i < drives.size(); ++i) {
        EXPECT_EQ(drives[i].MountPoint, wanted[i].Mount);
        EXPECT_EQ(drives[i].Type, wanted[i].Type) << wanted[i].Mount;
        EXPECT_EQ(drives[i].ReadOnly, wanted[i].ReadOnly) << wanted[i].Mount;
    }
    EXPECT_EQ(DriveOfPath(drives, "/mnt/my disk/a")->MountPoint, "/mnt/my disk");
    EXPECT_EQ(DriveOfPath(drives, "/mnt/my diskette")->MountPoint, "/");
    EXPECT_EQ(DriveOfPath(drives, "/home/u/ram")->MountPoint, "/home/u/ram");
    EXPECT_EQ(ParseMountInfo("").front().MountPoint, "/");
}

TEST(MountWatch, AMountMadeWhileRunningIsOneArrivalAndOneRemoval)
{
    TempDir dir;
    MountWatch watch;
    ASSERT_TRUE(watch.Watching());
    std::vector<std::pair<win32::WPARAM, QByteArray>> seen;
    QObject::connect(&watch, &MountWatch::DeviceChange,
        [&](win32::WPARAM event, const QByteArray& mount) { seen.emplace_back(event, mount); });
    TmpfsMount mount(dir.Path());
    SONDREL_REQUIRE_MOUNT(mount);
    // Other tests may mount and unmount meanwhile: only this test's mount counts.
    auto ours = [&] {
        std::vector<win32::WPARAM> events;
        for (const auto& [event, path] : seen)
            if (path.toStdString() == mount.Path())
                events.push_back(event);
        return events;
    };
    watch.CheckNow();
    watch.CheckNow();
    EXPECT_EQ(ours(), std::vector<win32::WPARAM> { win32::DBT_DEVICEARRIVAL });
    mount.Unmount();
    watch.CheckNow();
    EXPECT_EQ(ours(),
        (std::vector<win32::WPARAM> { win32::DBT_DEVICEARRIVAL, win32::DBT_DEVICEREMOVECOMPLETE }));
}
