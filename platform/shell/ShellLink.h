#pragma once
// The shell's link object: a shortcut file's fields behind the ANSI link interface and the
// file-persistence interface, loaded from and saved to .lnk files in the shell-link binary format
// (LinkFormat.h). Created through CoCreateInstance with CLSID_ShellLink; reference-counted, any
// one thread at a time.
//
// Targets are this system's paths (bytes). Setting a path also records the target's ID list in
// this namespace and its attributes, times and size as the link's find data. Resolving checks
// that the target is still there and, when it is not, tries the relative path the link keeps,
// from the folder of the link file; it never shows a window and never rewrites the file.

#include "ShellInterfaces.h"

namespace win32 {

using CLSID = GUID;
using REFCLSID = const CLSID&;
using LPCOLESTR = const WCHAR*;
using LPOLESTR = WCHAR*;

inline constexpr CLSID CLSID_ShellLink = ComGuid(0x00021401);
inline constexpr IID IID_IPersist = ComGuid(0x0000010C);
inline constexpr IID IID_IPersistFile = ComGuid(0x0000010B);

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);

constexpr DWORD STGM_READ = 0x0;

// IShellLink::Resolve flags.
constexpr DWORD SLR_NO_UI = 0x0001;
constexpr DWORD SLR_UPDATE = 0x0004;

class IPersistFile_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT GetClassID(CLSID* id) = 0;
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(LPCOLESTR fileName, DWORD mode) = 0;
    virtual HRESULT Save(LPCOLESTR fileName, BOOL remember) = 0;
    virtual HRESULT SaveCompleted(LPCOLESTR fileName) = 0;
    virtual HRESULT GetCurFile(LPOLESTR* fileName) = 0;

protected:
    ~IPersistFile_NRC() = default;
};

// The in-process class factory of this system: it knows the link object, and no other class.
HRESULT CoCreateInstance(
    REFCLSID id, IUnknown_NRC* outer, DWORD context, REFIID riid, void** object);

} // namespace win32
