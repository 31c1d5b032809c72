#pragma once
// Running a program as the tests' users would: its output, errors and exit status.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::test {

struct RunResult
{
    int Status = -1; // the exit status, or -1 when it did not exit normally
    bool TimedOut = false; // killed (with its process group) for running past its time
    std::string Out;
    std::string Err;
};

// Runs `argv` with no input; one that runs past `timeout` is killed, so no test waits forever.
[[nodiscard]] RunResult Run(
    const std::vector<std::string>& argv, std::chrono::seconds timeout = std::chrono::seconds(120));
// The companion built with the tests.
[[nodiscard]] RunResult RunCompanion(const std::vector<std::string>& args);
// The SHA-256 of `bytes` in lower-case hex, as sha256sum computes it; empty when it cannot run.
[[nodiscard]] std::string Sha256Hex(std::string_view bytes);
// Whether `program` is on the PATH.
[[nodiscard]] bool HaveProgram(const std::string& program);

} // namespace sondrel::test
