#pragma once
// TPTShellLocator names one folder of the namespace, as a special folder or by its absolute ID
// list, and calls its owner back (OnChange) whenever the folder it names changes. It is stored in
// form descriptions as the binary property "Pidl" (LocatorForm.h). Lists handed in are copied;
// the list handed out stays the locator's. GUI thread; owned by the control that holds it.

#include "Filer.h"
#include "UPTShellUtils.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sondrel::shell {

enum TPTShellLocator_Which : std::uint8_t { usePidl, useCSIDL };

class TPTShellLocator;
using TPTLocatorNotifyEvent = std::function<void(TPTShellLocator* Sender)>;

class TPTShellLocator : public framework::TPersistent
{
public:
    TPTShellLocator() = default;
    ~TPTShellLocator() override;
    TPTShellLocator(const TPTShellLocator&) = delete;
    TPTShellLocator& operator=(const TPTShellLocator&) = delete;

    // The folder's list (null: the desktop, or a special folder this system lacks). For a
    // special folder it is fetched once and kept until the designation changes.
    [[nodiscard]] PCItemIDList GetIdList();
    void SetIdList(PCItemIDList pidl);
    // The special folder, or csidlNone when the folder is named by list.
    [[nodiscard]] TCSIDL GetCSIDL() const;
    void SetCSIDL(TCSIDL csidl);
    [[nodiscard]] std::string GetPathName();
    // A path that does not parse names the desktop.
    void SetPathName(const std::string& path);
    void Clear();
    [[nodiscard]] bool IsEqual(const TPTShellLocator* other) const;
    [[nodiscard]] TPTShellLocator_Which GetWhich() const { return m_which; }

    // Copies another locator's designation (notifying only when it differs); null names the
    // desktop by list, as Clear does.
    void Assign(const framework::TPersistent* source) override;
    [[nodiscard]] std::string ClassName() const override { return "TPTShellLocator"; }
    void DefineProperties(framework::TFiler& filer) override;

    TPTLocatorNotifyEvent OnChange;

protected:
    virtual void Changed();

private:
    void ReadData(framework::TStream& stream);
    void WriteData(framework::TStream& stream);
    void FreeList();

    TPTShellLocator_Which m_which = usePidl;
    PItemIDList m_idList = nullptr;
    TCSIDL m_csidl = csidlDesktop;
};

} // namespace sondrel::shell
