#pragma once
// The command-line companion: stream counts, stream lists and dumps for scripts and for people
// without a desktop.

#include <cstdio>

namespace sondrel::tools {

// Exit statuses.
constexpr int kAllOpened = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsageError = 2;

int RunCompanion(int argc, char** argv, std::FILE* out, std::FILE* err);

} // namespace sondrel::tools
