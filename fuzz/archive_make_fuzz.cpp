// Fuzzes the library reader: every input is a library file for Archive::make.
// An archive that reads is also copied, asked for its symbols, written and read
// back, which must give the same number of members.
//
// A name lookup that a sound file always satisfies ends the program with a
// fatal report (status 255): a specified outcome, not a fault, but one that
// would end the fuzzer. So each input is first read by a screening child
// process, which reads one input per request and answers; an input that ends
// it that way is not read again (and the next input gets a new child). Every
// other input is read in this process, where the fuzzer sees its coverage and
// its faults.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Archive.h"
#include "Reporter.h"

namespace {

std::string gInput;   // the input as a library file
std::string gOutput;  // where a read archive is written again

void removeFiles() {
  std::remove(gInput.c_str());
  std::remove(gOutput.c_str());
}

bool writeInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(gInput.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// One byte through a pipe; the fuzzer's timer signal may interrupt a call.
bool sendByte(int fd, char byte) {
  ssize_t n;
  do n = write(fd, &byte, 1);
  while (n < 0 && errno == EINTR);
  return n == 1;
}

bool receiveByte(int fd, char& byte) {
  ssize_t n;
  do n = read(fd, &byte, 1);
  while (n < 0 && errno == EINTR);
  return n == 1;
}

pid_t waitFor(pid_t pid, int& status) {
  pid_t got;
  do got = waitpid(pid, &status, 0);
  while (got < 0 && errno == EINTR);
  return got;
}

// In the child, any exit through the C library is the fatal report's.
void endChildFatally() { _exit(255); }

// The screening child: reads the input file once per request byte.
class Screen {
 public:
  // True when reading the current input ends the process with status 255.
  bool endsFatally() {
    if (cPid <= 0) start();
    char byte = 1;
    if (sendByte(cRequest, byte) && receiveByte(cAnswer, byte)) return false;
    int status = 0;
    if (waitFor(cPid, status) != cPid) std::abort();
    close(cRequest);
    close(cAnswer);
    cPid = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 255;
  }

 private:
  void start() {
    int request[2], answer[2];
    if (pipe(request) != 0 || pipe(answer) != 0) std::abort();
    cPid = fork();
    if (cPid < 0) std::abort();
    if (cPid == 0) {
      close(request[1]);
      close(answer[0]);
      serve(request[0], answer[1]);
    }
    close(request[0]);
    close(answer[1]);
    cRequest = request[1];
    cAnswer = answer[0];
  }

  [[noreturn]] static void serve(int requests, int answers) {
    std::atexit(endChildFatally);  // runs before the fuzzer's own exit handler
    char byte;
    while (receiveByte(requests, byte)) {
      Archive::make(gInput);
      if (!sendByte(answers, byte)) break;
    }
    _exit(0);
  }

  pid_t cPid = -1;
  int cRequest = -1;
  int cAnswer = -1;
};

Screen gScreen;

void exercise(const Archive& archive) {
  Archive copy(archive);
  if (!copy.cSymbols.empty()) {
    const std::string& first = copy.cSymbols.begin()->first;
    if (!copy.hasSymbol(first) || !copy.getMember(first)) std::abort();
  }
  copy.cName = gOutput;
  if (!copy.write()) return;
  std::unique_ptr<Archive> back = Archive::make(gOutput);
  if (!back || back->cMembers.size() != copy.cMembers.size()) std::abort();  // a written library reads back
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setQuiet(1);
  const char* dir = std::getenv("TMPDIR");
  std::string base = std::string(dir && *dir ? dir : "/tmp") + "/archive_make_fuzz." + std::to_string(getpid());
  gInput = base + ".in.lib";
  gOutput = base + ".out.lib";
  std::atexit(removeFiles);
  signal(SIGPIPE, SIG_IGN);  // a screening child that ended is noticed by its answer
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!writeInput(data, size)) std::abort();
  if (gScreen.endsFatally()) return 0;
  std::unique_ptr<Archive> archive = Archive::make(gInput);
  if (archive) exercise(*archive);
  return 0;
}
