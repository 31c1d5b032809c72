#pragma once
// The file version of a program file, from its version resource.

#include "UPTShellUtils.h"

#include <string>

namespace sondrel::shell {

// The fixed file version of `moduleFile`'s version resource (empty: the running program's own
// file). False, `version` unchanged, when the file has no version resource or it cannot be read.
bool GetModuleVersion(const std::string& moduleFile, TPTModuleVersion& version);

} // namespace sondrel::shell
