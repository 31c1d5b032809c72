#include "ShellLink.h"

#include "CodePage.h"
#include "IdListFormat.h"
#include "LinkFormat.h"
#include "SafeOpen.h"
#include "ShellAllocator.h"
#include "ShellEnvironment.h"
#include "ShellNamespace.h"
#include "Win32Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

namespace {

    using sondrel::BytePath;
    using sondrel::shelllink::LinkRecord;

    constexpr DWORD kErrorBadFormat = 11;
    constexpr std::uint64_t kEpochDifference = 11644473600ull; // 1601 to 1970, in seconds

    HRESULT ErrnoResult(int error)
    {
        const DWORD code = Win32ErrorFromErrno(error);
        return (code & kCustomerBit) != 0 ? E_FAIL : HRESULT_FROM_WIN32(code);
    }

    // Copies `text` into a caller's buffer of `size` bytes, zero-ended, never cutting a
    // multi-byte character.
    HRESULT CopyOut(const std::string& text, LPSTR buffer, int size)
    {
        if (buffer == nullptr || size <= 0)
            return E_INVALIDARG;
        std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
        if (length < text.size()) {
            std::size_t back = 0;
            while (back < 3 && length > back
                && (static_cast<unsigned char>(text[length - back]) & 0xC0) == 0x80)
                ++back;
            if ((static_cast<unsigned char>(text[length - back]) & 0xC0) != 0x80)
                length -= back;
        }
        std::memcpy(buffer, text.data(), length);
        buffer[length] = '\0';
        return S_OK;
    }

    std::uint64_t FileTimeOf(const struct statx_timestamp& time)
    {
        if (time.tv_sec < -static_cast<std::int64_t>(kEpochDifference))
            return 0;
        return (static_cast<std::uint64_t>(
                   time.tv_sec + static_cast<std::int64_t>(kEpochDifference)))
            * 10000000ull
            + time.tv_nsec / 100;
    }

    FILETIME SplitTime(std::uint64_t ticks)
    {
        return FILETIME { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    }

    std::string LastComponent(const std::string& path)
    {
        const std::size_t slash = path.find_last_of('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    std::string FolderOf(const std::string& path)
    {
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos)
            return ".";
        return slash == 0 ? "/" : path.substr(0, slash);
    }

    bool Exists(const std::string& path)
    {
        struct stat st
        {
        };
        return !path.empty() && ::lstat(path.c_str(), &st) == 0;
    }

    // The list of `path` in this namespace; empty when it does not parse.
    std::string ParsedList(const std::string& path)
    {
        IShellFolder_NRC* desktop = nullptr;
        if (path.empty() || FAILED(SHGetDesktopFolder(&desktop)))
            return {};
        const std::u16string wide = AnsiToWide(path);
        ULONG eaten = 0;
        PIDLIST pidl = nullptr;
        std::string bytes;
        if (SUCCEEDED(
                desktop->ParseDisplayName(nullptr, nullptr, wide.c_str(), &eaten, &pidl, nullptr))
            && pidl != nullptr)
            bytes.assign(reinterpret_cast<const char*>(pidl), sondrel::idlist::ListSize(pidl));
        desktop->Release();
        if (pidl)
            sondrel::platform::ShellAllocator().Free(pidl);
        return bytes;
    }

    // Whether the bytes are an absolute list of this namespace (foreign links carry others).
    bool IsOurList(const std::string& bytes)
    {
        std::vector<sondrel::idlist::Item> items;
        return !bytes.empty()
            && sondrel::idlist::DecodeList(
                reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), items)
            && sondrel::idlist::IsAbsoluteShape(items);
    }

    class ShellLink final : public IShellLink_NRC, public IPersistFile_NRC
    {
    public:
        HRESULT QueryInterface(REFIID riid, void** object) override
        {
            if (object == nullptr)
                return E_POINTER;
            if (riid == IID_IUnknown || riid == IID_IShellLinkA)
                *object = static_cast<IShellLink_NRC*>(this);
            else if (riid == IID_IPersistFile || riid == IID_IPersist)
                *object = static_cast<IPersistFile_NRC*>(this);
            else {
                *object = nullptr;
                return E_NOINTERFACE;
            }
            AddRef();
            return S_OK;
        }
        ULONG AddRef() override { return ++m_references; }
        ULONG Release() override
        {
            const ULONG left = --m_references;
            if (left == 0)
                delete this;
            return left;
        }

        // The link interface.
        HRESULT GetPath(LPSTR file, int size, WIN32_FIND_DATAA* data, DWORD) override
        {
            const std::string path = TargetPath();
            const HRESULT copied = CopyOut(path, file, size);
            if (FAILED(copied))
                return copied;
            if (data != nullptr) {
                *data = WIN32_FIND_DATAA {};
                data->dwFileAttributes = m_record.FileAttributes;
                data->ftCreationTime = SplitTime(m_record.CreationTime);
                data->ftLastAccessTime = SplitTime(m_record.AccessTime);
                data->ftLastWriteTime = SplitTime(m_record.WriteTime);
                data->nFileSizeLow = m_record.FileSize;
                (void)CopyOut(LastComponent(path), data->cFileName, MAX_PATH);
            }
            return path.empty() ? S_FALSE : S_OK;
        }
        HRESULT GetIDList(PIDLIST* pidl) override
        {
            if (pidl == nullptr)
                return E_POINTER;
            *pidl = nullptr;
            std::string bytes
                = IsOurList(m_record.IdList) ? m_record.IdList : ParsedList(TargetPath());
            if (bytes.empty())
                return S_FALSE;
            *pidl = sondrel::platform::MakeIdList(
                std::string_view(bytes).substr(0, bytes.size() - sondrel::idlist::kTerminator));
            return *pidl ? S_OK : E_OUTOFMEMORY;
        }
        HRESULT SetIDList(PCIDLIST pidl) override
        {
            if (pidl == nullptr)
                return E_INVALIDARG;
            const std::size_t size = sondrel::idlist::ListSize(pidl);
            if (size > 0xFFFF)
                return E_INVALIDARG;
            BytePath path;
            if (!sondrel::platform::GetPathFromIdList(pidl, path))
                path.clear();
            m_path = path;
            m_record.IdList.assign(reinterpret_cast<const char*>(pidl), size);
            RecordTarget();
            return S_OK;
        }
        HRESULT GetDescription(LPSTR name, int size) override
        {
            return CopyOut(m_record.Description.value_or(""), name, size);
        }
        HRESULT SetDescription(LPCSTR name) override { return SetText(m_record.Description, name); }
        HRESULT GetWorkingDirectory(LPSTR dir, int size) override
        {
            return CopyOut(m_record.WorkingDirectory.value_or(""), dir, size);
        }
        HRESULT SetWorkingDirectory(LPCSTR dir) override
        {
            return SetText(m_record.WorkingDirectory, dir);
        }
        HRESULT GetArguments(LPSTR args, int size) override
        {
            return CopyOut(m_record.Arguments.value_or(""), args, size);
        }
        HRESULT SetArguments(LPCSTR args) override { return SetText(m_record.Arguments, args); }
        HRESULT GetHotKey(WORD* hotKey) override
        {
            if (hotKey == nullptr)
                return E_POINTER;
            *hotKey = m_record.HotKey;
            return S_OK;
        }
        HRESULT SetHotKey(WORD hotKey) override
        {
            m_record.HotKey = hotKey;
            m_dirty = true;
            return S_OK;
        }
        HRESULT GetShowCmd(int* showCmd) override
        {
            if (showCmd == nullptr)
                return E_POINTER;
            *showCmd = static_cast<int>(m_record.ShowCommand);
            return S_OK;
        }
        HRESULT SetShowCmd(int showCmd) override
        {
            m_record.ShowCommand = static_cast<std::uint32_t>(showCmd);
            m_dirty = true;
            return S_OK;
        }
        HRESULT GetIconLocation(LPSTR iconPath, int size, int* icon) override
        {
            if (icon == nullptr)
                return E_POINTER;
            *icon = m_record.IconIndex;
            return CopyOut(m_record.IconLocation.value_or(""), iconPath, size);
        }
        HRESULT SetIconLocation(LPCSTR iconPath, int icon) override
        {
            const HRESULT set = SetText(m_record.IconLocation, iconPath);
            if (SUCCEEDED(set))
                m_record.IconIndex = icon;
            return set;
        }
        HRESULT SetRelativePath(LPCSTR path, DWORD) override
        {
            const std::string target = TargetPath();
            if (path == nullptr || path[0] != '/' || target.empty() || target[0] != '/')
                return E_INVALIDARG;
            m_record.RelativePath = Relative(FolderOf(sondrel::platform::NormalizePath(path)),
                sondrel::platform::NormalizePath(target));
            m_dirty = true;
            return S_OK;
        }
        HRESULT Resolve(HWND, DWORD) override
        {
            const std::string target = TargetPath();
            if (target.empty())
                // A list without a file-system path names a folder of the namespace itself.
                return IsOurList(m_record.IdList) ? S_OK : E_FAIL;
            if (Exists(target))
                return S_OK;
            if (m_record.RelativePath && !m_file.empty()) {
                std::string relative = *m_record.RelativePath;
                for (char& c : relative)
                    if (c == '\\')
                        c = '/';
                if (!relative.empty() && relative[0] != '/') {
                    const BytePath found
                        = sondrel::platform::NormalizePath(FolderOf(m_file) + '/' + relative);
                    if (Exists(found)) {
                        SetTarget(found);
                        return S_OK;
                    }
                }
            }
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }
        HRESULT SetPath(LPCSTR file) override
        {
            if (file == nullptr)
                return E_INVALIDARG;
            if (std::strlen(file) >= kShellPathMax)
                return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
            SetTarget(file);
            return S_OK;
        }

        // The file-persistence interface.
        HRESULT GetClassID(CLSID* id) override
        {
            if (id == nullptr)
                return E_POINTER;
            *id = CLSID_ShellLink;
            return S_OK;
        }
        HRESULT IsDirty() override { return m_dirty ? S_OK : S_FALSE; }
        HRESULT Load(LPCOLESTR fileName, DWORD) override
        {
            if (fileName == nullptr)
                return E_INVALIDARG;
            const std::string file = WideToAnsi(fileName);
            std::string bytes;
            const HRESULT read = ReadFile(file, bytes);
            if (FAILED(read))
                return read;
            LinkRecord record;
            if (!sondrel::shelllink::ReadLink(
                    reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), record))
                return HRESULT_FROM_WIN32(kErrorBadFormat);
            m_record = std::move(record);
            m_path = m_record.TargetPath();
            m_file = file;
            m_dirty = false;
            return S_OK;
        }
        HRESULT Save(LPCOLESTR fileName, BOOL remember) override
        {
            const std::string file = fileName ? WideToAnsi(fileName) : m_file;
            if (file.empty())
                return E_INVALIDARG;
            if (file.size() >= kShellPathMax)
                return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
            LinkRecord record = m_record;
            record.LocalBasePath = m_path;
            record.CommonPathSuffix.clear();
            record.NetName.clear();
            record.LinkInfoIgnored = false;
            const std::optional<std::string> bytes = sondrel::shelllink::WriteLink(record);
            if (!bytes)
                return E_INVALIDARG;
            const HRESULT written = WriteFile(file, *bytes);
            if (SUCCEEDED(written) && (remember || fileName == nullptr)) {
                m_file = file;
                m_dirty = false;
            }
            return written;
        }
        HRESULT SaveCompleted(LPCOLESTR) override { return S_OK; }
        HRESULT GetCurFile(LPOLESTR* fileName) override
        {
            if (fileName == nullptr)
                return E_POINTER;
            *fileName = nullptr;
            if (m_file.empty())
                return S_FALSE;
            const std::u16string wide = AnsiToWide(m_file);
            auto* copy = static_cast<LPOLESTR>(
                sondrel::platform::ShellAllocator().Alloc((wide.size() + 1) * sizeof(WCHAR)));
            if (copy == nullptr)
                return E_OUTOFMEMORY;
            std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
            *fileName = copy;
            return S_OK;
        }

    private:
        ~ShellLink() = default;

        [[nodiscard]] std::string TargetPath() const
        {
            if (!m_path.empty() || !IsOurList(m_record.IdList))
                return m_path;
            BytePath path;
            return sondrel::platform::GetPathFromIdList(
                       reinterpret_cast<PCIDLIST>(m_record.IdList.data()), path)
                ? path
                : std::string();
        }

        HRESULT SetText(std::optional<std::string>& field, LPCSTR text)
        {
            if (text == nullptr)
                return E_INVALIDARG;
            std::string value(text);
            if (!sondrel::shelllink::FitsLinkString(value))
                return E_INVALIDARG;
            field = std::move(value);
            m_dirty = true;
            return S_OK;
        }

        void SetTarget(const std::string& path)
        {
            m_path = path;
            m_record.IdList = ParsedList(path);
            if (m_record.IdList.size() > 0xFFFF)
                m_record.IdList.clear();
            RecordTarget();
        }

        // The target's attributes, times and size, as the link reports them later.
        void RecordTarget()
        {
            m_dirty = true;
            m_record.FileAttributes = 0;
            m_record.CreationTime = m_record.AccessTime = m_record.WriteTime = 0;
            m_record.FileSize = 0;
            struct statx st
            {
            };
            if (m_path.empty()
                || ::statx(AT_FDCWD, m_path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
                return;
            DWORD attributes = 0;
            if (S_ISDIR(st.stx_mode))
                attributes |= FILE_ATTRIBUTE_DIRECTORY;
            if ((st.stx_mode & 0222) == 0)
                attributes |= FILE_ATTRIBUTE_READONLY;
            if (LastComponent(m_path).starts_with('.'))
                attributes |= FILE_ATTRIBUTE_HIDDEN;
            m_record.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
            if ((st.stx_mask & STATX_BTIME) != 0)
                m_record.CreationTime = FileTimeOf(st.stx_btime);
            m_record.AccessTime = FileTimeOf(st.stx_atime);
            m_record.WriteTime = FileTimeOf(st.stx_mtime);
            m_record.FileSize = static_cast<std::uint32_t>(st.stx_size);
        }

        static std::string Relative(const std::string& from, const std::string& to)
        {
            auto split = [](const std::string& path) {
                std::vector<std::string> parts;
                std::size_t at = 1;
                while (at < path.size()) {
                    const std::size_t slash = path.find('/', at);
                    const std::size_t end = slash == std::string::npos ? path.size() : slash;
                    parts.push_back(path.substr(at, end - at));
                    at = end + 1;
                }
                return parts;
            };
            const std::vector<std::string> a = split(from);
            const std::vector<std::string> b = split(to);
            std::size_t common = 0;
            while (common < a.size() && common < b.size() && a[common] == b[common])
                ++common;
            std::string relative = ".";
            for (std::size_t i = common; i < a.size(); ++i)
                relative += "/..";
            for (std::size_t i = common; i < b.size(); ++i)
                relative += '/' + b[i];
            return relative;
        }

        static HRESULT ReadFile(const std::string& file, std::string& bytes)
        {
            // Only a regular file is opened, its type checked before it is: a FIFO, socket or
            // device named .lnk, or a link to one, is refused unopened, so nothing blocks, no
            // writer is released and no device sees an open.
            sondrel::platform::OpenedItem opened;
            if (const int error = sondrel::platform::OpenForReading(file, true, opened))
                return ErrnoResult(error);
            const struct stat& st = opened.Stat();
            if (S_ISDIR(st.st_mode))
                return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
            if (!S_ISREG(st.st_mode))
                return HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE);
            if (st.st_size > static_cast<off_t>(sondrel::shelllink::kMaxLinkFile))
                return HRESULT_FROM_WIN32(kErrorBadFormat);
            const int fd = opened.Fd();
            HRESULT result = S_OK;
            char chunk[8192];
            while (SUCCEEDED(result)) {
                const ssize_t got = ::read(fd, chunk, sizeof chunk);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0)
                    result = ErrnoResult(errno);
                else if (got == 0)
                    break;
                else if (bytes.size() + static_cast<std::size_t>(got)
                    > sondrel::shelllink::kMaxLinkFile)
                    result = HRESULT_FROM_WIN32(kErrorBadFormat);
                else
                    bytes.append(chunk, static_cast<std::size_t>(got));
            }
            return result;
        }

        // Written beside the file and renamed over it, so a failed save leaves what was there.
        static HRESULT WriteFile(const std::string& file, const std::string& bytes)
        {
            const std::string folder = FolderOf(file);
            std::random_device random;
            std::string temporary;
            int fd = -1;
            for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
                temporary = folder + "/." + LastComponent(file).substr(0, 200) + '.'
                    + std::to_string(random() % 1000000);
                fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                if (fd < 0 && errno != EEXIST)
                    return ErrnoResult(errno);
            }
            if (fd < 0)
                return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
            std::size_t done = 0;
            int error = 0;
            while (done < bytes.size() && error == 0) {
                const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
                if (put < 0 && errno != EINTR)
                    error = errno;
                else if (put > 0)
                    done += static_cast<std::size_t>(put);
            }
            if (error == 0 && ::fsync(fd) != 0)
                error = errno;
            if (::close(fd) != 0 && error == 0)
                error = errno;
            if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0)
                error = errno;
            if (error != 0) {
                ::unlink(temporary.c_str());
                return ErrnoResult(error);
            }
            return S_OK;
        }

        std::atomic<ULONG> m_references { 1 };
        LinkRecord m_record;
        std::string m_path;
        std::string m_file;
        bool m_dirty = false;
    };

} // namespace

HRESULT CoCreateInstance(REFCLSID id, IUnknown_NRC* outer, DWORD, REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (id != CLSID_ShellLink)
        return REGDB_E_CLASSNOTREG;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    auto* link = new ShellLink;
    const HRESULT asked = link->QueryInterface(riid, object);
    link->Release();
    return asked;
}

} // namespace win32
