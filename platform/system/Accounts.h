#pragma once
// This machine's names for user and group ids, from the system's account database.

#include <cstdint>
#include <string>

namespace sondrel::platform {

// The user's (group false) or group's name, or empty when the id has none here.
[[nodiscard]] std::string LocalAccountName(bool group, std::uint32_t id);

} // namespace sondrel::platform
