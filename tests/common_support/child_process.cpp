#include "tests/common_support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestrix::testing {

pid_t SpawnChild(const std::vector<std::string>& argv, const std::string& logName,
                 ChildOutput output, std::string& failure) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const int mode = output == ChildOutput::kAppend ? O_APPEND : O_TRUNC;
  posix_spawn_file_actions_addopen(&actions, 1, logName.c_str(), O_WRONLY | O_CREAT | mode, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> args;
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    failure = std::string("posix_spawn: ") + std::strerror(spawned);
    return -1;
  }
  return pid;
}

int WaitForChild(pid_t pid, std::chrono::milliseconds limit, std::string& failure) {
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0) {
    pollfd ready{pidfd, POLLIN, 0};
    int polled;
    do {
      polled = ::poll(&ready, 1, static_cast<int>(limit.count()));
    } while (polled < 0 && errno == EINTR);
    ::close(pidfd);
    if (polled == 0) {
      failure = "killed after " + std::to_string(limit.count()) + " ms";
      ::kill(pid, SIGKILL);
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      failure += std::string("waitpid: ") + std::strerror(errno);
      return -1;
    }
  }
  if (WIFSIGNALED(status)) {
    failure += " ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
  }
  return WEXITSTATUS(status);
}

}  // namespace kestrix::testing
