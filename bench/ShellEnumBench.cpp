#include "Baselines.h"
#include "Benchmarks.h"
#include "ShellAllocator.h"
#include "ShellNamespace.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    using namespace win32;

    // What the shell list asks of each item while it fills: the attributes of its request mask
    // and the in-folder display name.
    constexpr SFGAOF kListRequest = 0x700F0037;

    std::u16string Wide(const std::string& path)
    {
        return std::u16string(path.begin(), path.end());
    }

    std::size_t EnumerateNamespace(const std::string& folder)
    {
        IShellFolder_NRC* desktop = nullptr;
        SHGetDesktopFolder(&desktop);
        const std::u16string wide = Wide(folder);
        PIDLIST pidl = nullptr;
        desktop->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, &pidl, nullptr);
        IShellFolder_NRC* shellFolder = nullptr;
        desktop->BindToObject(
            pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&shellFolder));
        platform::ShellAllocator().Free(pidl);
        desktop->Release();
        if (shellFolder == nullptr)
            return 0;
        IEnumIDList_NRC* list = nullptr;
        std::size_t bytes = 0;
        if (SUCCEEDED(shellFolder->EnumObjects(nullptr, 0xE0, &list))) {
            PIDLIST item = nullptr;
            while (list->Next(1, &item, nullptr) == S_OK) {
                SFGAOF attributes = kListRequest;
                PCIDLIST items[] = { item };
                shellFolder->GetAttributesOf(1, items, &attributes);
                STRRET name;
                name.uType = STRRET_CSTR;
                if (SUCCEEDED(shellFolder->GetDisplayNameOf(item, SHGDN_INFOLDER, &name))) {
                    std::string text;
                    if (name.uType == STRRET_CSTR) {
                        text = name.cStr;
                    } else if (name.uType == STRRET_WSTR) {
                        text.assign(1, static_cast<char>(name.pOleStr[0]));
                        platform::ShellAllocator().Free(name.pOleStr);
                    }
                    bytes += text.size() + (attributes & 1);
                }
                platform::ShellAllocator().Free(item);
            }
            list->Release();
        }
        shellFolder->Release();
        return bytes;
    }

} // namespace

// The same facts by hand: every name from readdir and one stat of each.
std::size_t ReaddirStat(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    std::size_t bytes = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        struct stat st
        {
        };
        const std::string path = folder + "/" + entry->d_name;
        const bool found = ::lstat(path.c_str(), &st) == 0;
        const std::string text = entry->d_name;
        bytes += text.size() + (found && (st.st_mode & 0222) != 0 ? 1 : 0);
    }
    ::closedir(dir);
    return bytes;
}

void RegisterShellEnumBenchmarks(
    const std::string& family, const std::string& folder, std::vector<RatioTarget>& targets)
{
    if (EnumerateNamespace(folder) != ReaddirStat(folder))
        std::fprintf(
            stderr, "sondrel-bench: %s: the namespace and readdir disagree\n", family.c_str());
    const std::string product = family + "/namespace";
    const std::string baseline = family + "/readdir_stat";
    benchmark::RegisterBenchmark(product.c_str(),
        [folder](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(EnumerateNamespace(folder));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    RegisterReaddirStat(baseline, folder);
    targets.push_back({ product, baseline, 2.0 });
}

void RegisterReaddirStat(const std::string& name, const std::string& folder, std::int64_t items)
{
    benchmark::RegisterBenchmark(name.c_str(),
        [folder, items](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(ReaddirStat(folder));
            if (items > 0)
                state.SetItemsProcessed(state.iterations() * items);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace sondrel::bench
