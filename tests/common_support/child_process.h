#pragma once
// Outside programs run by the tests: started without standard input, their
// output in a file, and waited for with a time limit so that a program that
// stops answering fails its test instead of hanging it.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kestrix::testing {

enum class ChildOutput { kTruncate, kAppend };

// Starts argv (argv[0] a full path), its standard output and error going to
// `logName`; -1 with why in `failure` when it cannot be started.
pid_t SpawnChild(const std::vector<std::string>& argv, const std::string& logName,
                 ChildOutput output, std::string& failure);

// Waits for a child, killing it past `limit`; its exit code, or -1 with why
// in `failure`.
int WaitForChild(pid_t pid, std::chrono::milliseconds limit, std::string& failure);

}  // namespace kestrix::testing
