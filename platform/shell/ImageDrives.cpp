#include "ImageDrives.h"

#include "BackupSource.h"
#include "MountTable.h"
#include "NtfsSource.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace sondrel::platform {

namespace {

    std::mutex s_mutex;
    // The drives of each image opened, by its resolved path.
    std::map<std::string, std::vector<BytePath>> s_opened;

    std::string Resolved(const std::string& path)
    {
        std::unique_ptr<char, decltype(&std::free)> real(
            ::realpath(path.c_str(), nullptr), &std::free);
        return real ? std::string(real.get()) : path;
    }

    bool NamedAsImage(std::string_view path)
    {
        const std::size_t dot = path.find_last_of("./");
        if (dot == std::string_view::npos || path[dot] != '.')
            return false;
        std::string extension(path.substr(dot + 1));
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char* known : { "e01", "dd", "img", "raw", "001" }) {
            if (extension == known)
                return true;
        }
        return false;
    }

    bool Taken(std::string_view mountPoint)
    {
        return std::any_of(s_opened.begin(), s_opened.end(), [&](const auto& entry) {
            return std::find(entry.second.begin(), entry.second.end(), mountPoint)
                != entry.second.end();
        });
    }

} // namespace

ImageDrives OpenImageDrives(const std::string& path)
{
    ImageDrives result;
    const std::string resolved = Resolved(path);
    result.Image = NamedAsImage(resolved);
    std::lock_guard lock(s_mutex);
    if (const auto known = s_opened.find(resolved); known != s_opened.end()) {
        result.MountPoints = known->second;
        result.Image = true;
        return result;
    }
    std::shared_ptr<image::DiskImage> disk = image::DiskImage::Open(resolved, result.Error);
    if (!disk)
        return result;
    const auto& extents = disk->NtfsVolumes();
    if (extents.empty()) {
        result.Error = "the image holds no NTFS volume";
        return result;
    }
    result.Image = true;
    const std::string file = resolved.substr(resolved.find_last_of('/') + 1);
    const bool bare = extents.size() == 1 && extents[0].Start == 0;
    std::vector<BytePath>& mountPoints = result.MountPoints;
    std::string firstError;
    for (std::size_t i = 0; i < extents.size(); ++i) {
        std::string reason;
        auto volume = image::NtfsVolume::Open(disk, extents[i], reason);
        if (!volume) {
            if (firstError.empty())
                firstError = reason;
            continue;
        }
        std::string label = bare ? file : file + " (" + std::to_string(i + 1) + ")";
        // Two images of one name in different folders keep apart.
        BytePath mountPoint = JoinPath(kImageDrivesRoot, label);
        for (int copy = 2; Taken(mountPoint); ++copy)
            mountPoint = JoinPath(kImageDrivesRoot, label + " [" + std::to_string(copy) + "]");
        backup::RegisterBackupSource(
            mountPoint, std::make_shared<image::NtfsSource>(std::move(volume)));
        Drive drive;
        drive.MountPoint = mountPoint;
        drive.FileSystem = "ntfs";
        drive.Source = resolved;
        drive.Device = "image:" + std::to_string(i + 1);
        drive.Label = mountPoint.substr(kImageDrivesRoot.size() + 1);
        AddImageDrive(std::move(drive));
        mountPoints.push_back(std::move(mountPoint));
    }
    if (mountPoints.empty()) {
        result.Error = firstError;
        return result;
    }
    s_opened.emplace(resolved, mountPoints);
    return result;
}

void CloseImageDrives()
{
    std::lock_guard lock(s_mutex);
    for (const auto& [image, mountPoints] : s_opened) {
        for (const BytePath& mountPoint : mountPoints) {
            RemoveImageDrive(mountPoint);
            backup::UnregisterBackupSource(mountPoint);
        }
    }
    s_opened.clear();
}

bool OnImageDrive(std::string_view path)
{
    return path.size() > kImageDrivesRoot.size()
        && path.substr(0, kImageDrivesRoot.size()) == kImageDrivesRoot
        && path[kImageDrivesRoot.size()] == '/';
}

} // namespace sondrel::platform
