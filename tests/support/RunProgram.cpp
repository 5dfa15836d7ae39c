#include "RunProgram.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

void drain(int outFd, int errFd, std::string& out, std::string& err) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? out : err).append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

// Starts the program; `seconds`, when not 0, bounds its run.
static RunResult runBounded(const std::string& exe, const std::vector<std::string>& args,
                            const std::string& cwd, const std::vector<std::string>& env,
                            unsigned seconds) {
  RunResult r;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(outPipe[1]);
    close(errPipe[0]);
    close(errPipe[1]);
    int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, 0);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    // The program starts as from a shell, whatever this process ignores.
    signal(SIGXFSZ, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    for (const std::string& e : env) putenv(strdup(e.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    signal(SIGALRM, SIG_DFL);
    if (seconds) alarm(seconds);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  drain(outPipe[0], errPipe[0], r.out, r.err);
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}

RunResult runProgram(const std::string& exe, const std::vector<std::string>& args,
                     const std::string& cwd, const std::vector<std::string>& env) {
  return runBounded(exe, args, cwd, env, 0);
}

RunResult runProgramWithin(unsigned seconds, const std::string& exe,
                           const std::vector<std::string>& args, const std::string& cwd) {
  return runBounded(exe, args, cwd, {}, seconds);
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/zvtest.XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  char* made = mkdtemp(buf.data());
  if (made == nullptr) {
    ADD_FAILURE() << "cannot create a temporary directory";
    return;
  }
  cPath = made;
}

TempDir::~TempDir() {
  if (cPath.empty()) return;
  std::error_code ec;
  // Directories made read-only by a test must be writable again to be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(cPath, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec)) chmod(it->path().c_str(), 0700);
  }
  chmod(cPath.c_str(), 0700);
  std::filesystem::remove_all(cPath, ec);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
  std::ofstream f(file(name), std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) ADD_FAILURE() << "cannot write " << file(name);
}

std::string TempDir::read(const std::string& name) const {
  std::ifstream f(file(name), std::ios::binary);
  if (!f) {
    ADD_FAILURE() << "cannot read " << file(name);
    return std::string();
  }
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool TempDir::exists(const std::string& name) const {
  struct stat st;
  return ::stat(file(name).c_str(), &st) == 0;
}

std::vector<std::string> TempDir::list() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(cPath, ec)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
