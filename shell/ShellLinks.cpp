#include "ShellLinks.h"

#include "ClassId.h"
#include "CodePage.h"
#include "Registry.h"
#include "ShellTypes.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace sondrel::shell {

using namespace win32;

namespace {

    template <typename T> struct Held
    {
        T* Pointer = nullptr;
        Held() = default;
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;
        ~Held()
        {
            if (Pointer)
                Pointer->Release();
        }
        void** Out() { return reinterpret_cast<void**>(&Pointer); }
    };

    // The registry answers a LONG error code.
    bool Succeeded(LONG result) { return result == static_cast<LONG>(ERROR_SUCCESS); }

    struct HeldKey
    {
        HKEY Key = nullptr;
        HeldKey() = default;
        HeldKey(const HeldKey&) = delete;
        HeldKey& operator=(const HeldKey&) = delete;
        ~HeldKey()
        {
            if (Key)
                RegCloseKey(Key);
        }
    };

    // Room for any text a link can hold: 65,535 UTF-16 units, up to 3 bytes each here.
    constexpr int kLinkTextBuffer = 3 * 0xFFFF + 1;

    HRESULT OpenLink(Held<IShellLink_NRC>& link, Held<IPersistFile_NRC>& file)
    {
        const HRESULT created = CoCreateInstance(
            CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Out());
        if (FAILED(created))
            return created;
        return link.Pointer->QueryInterface(IID_IPersistFile, file.Out());
    }

    bool DefaultValue(HKEY key, const char* subKey, std::string& value)
    {
        HeldKey opened;
        if (!Succeeded(RegOpenKeyExA(key, subKey, 0, KEY_READ, &opened.Key)))
            return false;
        DWORD type = 0;
        DWORD size = 0;
        if (!Succeeded(RegQueryValueExA(opened.Key, nullptr, nullptr, &type, nullptr, &size))
            || type != REG_SZ)
            return false;
        std::vector<BYTE> bytes(size + 1, 0);
        if (!Succeeded(RegQueryValueExA(opened.Key, nullptr, nullptr, &type, bytes.data(), &size)))
            return false;
        value.assign(reinterpret_cast<const char*>(bytes.data()));
        return true;
    }

    bool HasKey(HKEY key, const char* subKey)
    {
        HeldKey opened;
        return Succeeded(RegOpenKeyExA(key, subKey, 0, KEY_READ, &opened.Key));
    }

} // namespace

HRESULT CreateShortcut(const std::string& fileName, const TLinkData& data)
{
    Held<IShellLink_NRC> link;
    Held<IPersistFile_NRC> file;
    HRESULT hr = OpenLink(link, file);
    if (FAILED(hr))
        return hr;
    IShellLink_NRC* l = link.Pointer;
    hr = l->SetPath(data.Path.c_str());
    if (SUCCEEDED(hr) && data.Options.Contains(ldoUseDesc))
        hr = l->SetDescription(data.Description.c_str());
    if (SUCCEEDED(hr) && data.Options.Contains(ldoUseArgs))
        hr = l->SetArguments(data.Arguments.c_str());
    if (SUCCEEDED(hr) && data.Options.Contains(ldoUseIcon))
        hr = l->SetIconLocation(data.IconLocation.c_str(), data.IconIndex);
    if (SUCCEEDED(hr) && data.Options.Contains(ldoUseWorkDir))
        hr = l->SetWorkingDirectory(data.WorkingDirectory.c_str());
    if (SUCCEEDED(hr) && data.Options.Contains(ldoUseHotKey))
        hr = l->SetHotKey(data.HotKey);
    if (SUCCEEDED(hr) && data.Options.Contains(ldoUseShowCmd))
        hr = l->SetShowCmd(data.ShowCmd);
    if (FAILED(hr))
        return hr;
    const std::u16string wide = AnsiToWide(fileName);
    return file.Pointer->Save(wide.c_str(), TRUE);
}

HRESULT CreateQuickShortcut(const std::string& fileName, const std::string& target)
{
    TLinkData data;
    data.Path = target;
    data.Description = target;
    const std::size_t slash = target.find_last_of('/');
    data.WorkingDirectory
        = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    data.Options = { ldoUseDesc, ldoUseWorkDir };
    return CreateShortcut(fileName, data);
}

HRESULT ResolveShortcut(const std::string& fileName, TLinkData& data, bool wantIdList)
{
    Held<IShellLink_NRC> link;
    Held<IPersistFile_NRC> file;
    HRESULT hr = OpenLink(link, file);
    if (FAILED(hr))
        return hr;
    const std::u16string wide = AnsiToWide(fileName);
    hr = file.Pointer->Load(wide.c_str(), STGM_READ);
    if (FAILED(hr))
        return hr;
    IShellLink_NRC* l = link.Pointer;
    hr = data.ResolveMode == 0
        ? l->Resolve(nullptr, 0)
        : l->Resolve(reinterpret_cast<HWND>(std::uintptr_t { 0xFFFFFFFF }), 0x00010000);
    if (FAILED(hr))
        return hr;
    // A path of any length this system allows, not the Windows call's 261 bytes.
    std::vector<char> text(std::max<std::size_t>(kShellPathMax + 1, kLinkTextBuffer));
    const int size = static_cast<int>(text.size());
    WIN32_FIND_DATAA found;
    if (FAILED(hr = l->GetPath(text.data(), size, &found, 0)))
        return hr;
    data.Path = text.data();
    data.FindData = found;
    if (FAILED(hr = l->GetArguments(text.data(), size)))
        return hr;
    data.Arguments = text.data();
    if (FAILED(hr = l->GetDescription(text.data(), size)))
        return hr;
    data.Description = text.data();
    int icon = 0;
    if (FAILED(hr = l->GetIconLocation(text.data(), size, &icon)))
        return hr;
    data.IconLocation = text.data();
    data.IconIndex = icon;
    if (FAILED(hr = l->GetWorkingDirectory(text.data(), size)))
        return hr;
    data.WorkingDirectory = text.data();
    int show = 0;
    if (FAILED(hr = l->GetShowCmd(&show)))
        return hr;
    data.ShowCmd = show;
    WORD hotKey = 0;
    if (FAILED(hr = l->GetHotKey(&hotKey)))
        return hr;
    data.HotKey = hotKey;
    data.Options = kAllLinkDataOptions;
    data.IdList = nullptr;
    if (wantIdList)
        hr = l->GetIDList(&data.IdList);
    return hr;
}

bool PTClsidFromFileType(const std::string& fileType, GUID& id)
{
    std::string value;
    if (fileType.empty() || !HasKey(HKEY_CLASSES_ROOT, fileType.c_str()))
        return false;
    if (!DefaultValue(HKEY_CLASSES_ROOT, fileType.c_str(), value))
        value.clear();
    std::string text;
    const std::string prefix = value.substr(0, 6);
    bool isPrefix = prefix.size() == 6;
    for (std::size_t i = 0; isPrefix && i < 6; ++i)
        isPrefix = std::tolower(static_cast<unsigned char>(prefix[i])) == "clsid\\"[i];
    if (isPrefix) {
        text = value.substr(6);
    } else if (HasKey(HKEY_CLASSES_ROOT, (fileType + "\\CLSID").c_str())) {
        if (!DefaultValue(HKEY_CLASSES_ROOT, (fileType + "\\CLSID").c_str(), text))
            return false;
    } else {
        // An empty class name would open the classes root itself.
        if (value.empty() || !DefaultValue(HKEY_CLASSES_ROOT, (value + "\\CLSID").c_str(), text))
            return false;
    }
    const std::u16string wide = AnsiToWide(text);
    return SUCCEEDED(CLSIDFromString(wide.c_str(), &id));
}

} // namespace sondrel::shell
