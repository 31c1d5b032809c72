#include "LiveVolume.h"

#include "BackupSource.h"
#include "NtfsItemStreams.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/sysmacros.h>

namespace sondrel::image {

namespace {

    // mountinfo writes a space, tab, newline and backslash as octal escapes.
    std::string Unescaped(const std::string& field)
    {
        std::string out;
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 3 < field.size()) {
                const std::string digits = field.substr(i + 1, 3);
                if (digits.find_first_not_of("01234567") == std::string::npos) {
                    out += static_cast<char>(std::stoi(digits, nullptr, 8));
                    i += 3;
                    continue;
                }
            }
            out += field[i];
        }
        return out;
    }

    struct Mount
    {
        std::string Point;
        std::string Source;
    };

    // The FUSE mount of `device` whose root is the volume's root; false when there is none.
    bool FindFuseMount(std::uint64_t device, Mount& found)
    {
        std::ifstream info("/proc/self/mountinfo");
        const std::string wanted
            = std::to_string(major(device)) + ":" + std::to_string(minor(device));
        std::string line;
        while (std::getline(info, line)) {
            std::istringstream fields(line);
            std::string id, parent, numbers, root, point, field;
            fields >> id >> parent >> numbers >> root >> point;
            if (numbers != wanted || root != "/")
                continue;
            while (fields >> field && field != "-") { }
            std::string type, source;
            fields >> type >> source;
            if (type.rfind("fuse", 0) != 0)
                continue;
            found = { Unescaped(point), Unescaped(source) };
            return true;
        }
        return false;
    }

    std::optional<backup::WholeStream> ReadFromVolume(
        const std::string& path, std::uint64_t device, const std::u16string& name)
    {
        Mount mount;
        if (!FindFuseMount(device, mount) || mount.Source.empty() || mount.Source[0] != '/')
            return std::nullopt;
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr)
            return std::nullopt;
        const std::string full(resolved);
        const std::string& point = mount.Point;
        if (full != point && full.rfind(point == "/" ? point : point + "/", 0) != 0)
            return std::nullopt;
        const std::string inside
            = full == point ? "/" : full.substr(point == "/" ? 0 : point.size());
        // Opening the image or device is where a user who may not read it is refused.
        std::string error;
        const std::shared_ptr<DiskImage> disk = DiskImage::Open(mount.Source, error);
        if (!disk)
            return std::nullopt;
        const std::shared_ptr<NtfsVolume> volume
            = NtfsVolume::Open(disk, disk->NtfsVolumes().front(), error);
        if (!volume)
            return std::nullopt;
        return NamedNtfsStream(volume, inside, name);
    }

} // namespace

void InstallLiveVolumeReader() { backup::InstallNtfsVolumeReader(ReadFromVolume); }

} // namespace sondrel::image
