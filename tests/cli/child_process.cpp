#include "child_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

extern char** environ;

namespace karvelm::testing {

namespace {

pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int outFd,
            int errFd) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + program);
  return pid;
}

}  // namespace

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      double timeoutSeconds, double interruptAfterSeconds, int interruptSignal) {
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = Spawn(program, args, outPipe[1], errPipe[1]);
  close(outPipe[1]);
  close(errPipe[1]);
  TRunResult result;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  const auto deadline = start + std::chrono::duration<double>(timeoutSeconds);
  const auto interruptAt = start + std::chrono::duration<double>(interruptAfterSeconds);
  bool interrupted = interruptAfterSeconds <= 0;
  while (open > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    if (!interrupted) {
      const auto untilInterrupt = std::chrono::duration_cast<std::chrono::milliseconds>(
          interruptAt - std::chrono::steady_clock::now());
      if (untilInterrupt.count() <= 0) {
        kill(pid, interruptSignal);
        interrupted = true;
        continue;
      }
      left = std::min(left, untilInterrupt);
    }
    const int ready = poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 || (ready == 0 && interrupted)) break;
    if (ready == 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  for (pollfd& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  int status = 0;
  if (open > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  } else {
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

TSimProcess::TSimProcess(const std::vector<std::string>& extraArgs, const std::string& errFile) {
  int outPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> args = {"--bind", "127.0.0.1", "--port", "0"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  int devNull = errFile.empty()
                    ? open("/dev/null", O_WRONLY | O_CLOEXEC)
                    : open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_ = Spawn(KARVELM_SIM_PATH, args, outPipe[1], devNull);
  close(devNull);
  close(outPipe[1]);
  out_ = outPipe[0];
  std::string seen;
  const std::string marker = "listening on 127.0.0.1:";
  pollfd fd{out_, POLLIN, 0};
  while (poll(&fd, 1, 5000) > 0) {
    char buffer[256];
    ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<size_t>(n));
    size_t at = seen.find(marker);
    if (at != std::string::npos && seen.find('\n', at) != std::string::npos) {
      port_ = std::stoi(seen.substr(at + marker.size()));
      return;
    }
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  close(out_);
  throw std::runtime_error("karvelm-sim did not start: " + seen);
}

int TSimProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    pid_ = -1;
  }
  return exitCode_;
}

TSimProcess::~TSimProcess() {
  const bool running = pid_ > 0;
  const int code = Stop();
  if (running) {
    EXPECT_EQ(code, 0) << "karvelm-sim saw protocol violations (3) or failed";
  }
  if (out_ >= 0) close(out_);
}

}  // namespace karvelm::testing
