#include "run_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zamotest {

ToolRun runProgram(const std::string& path, const std::vector<std::string>& args, std::string_view input,
                   const std::filesystem::path& workDir, bool stderrOnTerminal) {
  int inPipe[2], outPipe[2], errPipe[2];
  termios raw{};
  cfmakeraw(&raw);
  if (pipe(inPipe) != 0 || pipe(outPipe) != 0 ||
      (stderrOnTerminal ? openpty(&errPipe[0], &errPipe[1], nullptr, &raw, nullptr) : pipe(errPipe)) != 0) {
    throw std::runtime_error("pipe failed");
  }
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(inPipe[0], STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  // The child may stop reading early; its closed pipe must not kill us.
  signal(SIGPIPE, SIG_IGN);
  fcntl(inPipe[1], F_SETFL, O_NONBLOCK);

  ToolRun run;
  std::size_t written = 0;
  int inFd = inPipe[1];
  if (input.empty()) {
    close(inFd);
    inFd = -1;
  }
  bool outOpen = true, errOpen = true;
  char buf[65536];
  while (outOpen || errOpen) {
    pollfd fds[3];
    int n = 0;
    int outIdx = -1, errIdx = -1, inIdx = -1;
    if (outOpen) { fds[n] = {outPipe[0], POLLIN, 0}; outIdx = n++; }
    if (errOpen) { fds[n] = {errPipe[0], POLLIN, 0}; errIdx = n++; }
    if (inFd >= 0) { fds[n] = {inFd, POLLOUT, 0}; inIdx = n++; }
    if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (outIdx >= 0 && fds[outIdx].revents) {
      ssize_t r = read(outPipe[0], buf, sizeof buf);
      if (r > 0) run.out.append(buf, static_cast<std::size_t>(r));
      else outOpen = false;
    }
    if (errIdx >= 0 && fds[errIdx].revents) {
      ssize_t r = read(errPipe[0], buf, sizeof buf);
      if (r > 0) run.err.append(buf, static_cast<std::size_t>(r));
      else errOpen = false;
    }
    if (inIdx >= 0 && fds[inIdx].revents) {
      ssize_t w = write(inFd, input.data() + written, input.size() - written);
      if (w > 0) written += static_cast<std::size_t>(w);
      if (w < 0 && errno != EAGAIN) written = input.size();
      if (written == input.size()) {
        close(inFd);
        inFd = -1;
      }
    }
  }
  if (inFd >= 0) close(inFd);
  close(outPipe[0]);
  close(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

std::string hex(std::string_view data) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i) out += ' ';
    unsigned char c = static_cast<unsigned char>(data[i]);
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string unhex(std::string_view text) {
  std::string out;
  int high = -1;
  for (char c : text) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else continue;
    if (high < 0) {
      high = d;
    } else {
      out += static_cast<char>(high * 16 + d);
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd number of hex digits");
  return out;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zamo-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(std::string_view name, std::string_view content) const {
  std::filesystem::path p = path_ / name;
  std::ofstream out(p, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return p.string();
}

std::string TempDir::read(std::string_view name) const { return readFile(path_ / name); }

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace zamotest
