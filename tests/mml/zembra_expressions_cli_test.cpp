// KEL inside zembra, run as a user runs it: Ctrl-C during a long expression,
// the work bound, and expressions in a Shift-JIS source.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "run_tool.h"

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;

namespace {

const char* const kOneNote = "00 90 3C 40 FF F8 00 00 81 90 3C 00 60 FF 00 00";

// Starts zembra with `args` (stdin empty, stdout and stderr into files of
// `dir`), sends it `signal` after `delay` and waits for it to end.
zamotest::ToolRun runAndSignal(const std::vector<std::string>& args, int signal, std::chrono::milliseconds delay,
                               const TempDir& dir) {
  std::string outPath = dir.file("out").string();
  std::string errPath = dir.file("err").string();
  std::string tool = zamotest::toolPath("zembra");
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  zamotest::ToolRun run;
  if (pid < 0) return run;
  std::this_thread::sleep_for(delay);
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = zamotest::readFile(outPath);
  run.err = zamotest::readFile(errPath);
  return run;
}

// A loop that builds nothing and so runs into neither bound for a long time:
// its body adds "i" 2000 times, a million times over.
std::string longIntegerLoop() {
  std::string body = "i";
  for (int n = 1; n < 2000; ++n) body += "+i";
  return ":$0={ @[for(i, 1, 1000000, " + body + "); \"\"] }";
}

// The break path is taken, not an error report. (The concatenation loop
// that used to run for minutes now ends by the work bound within
// milliseconds, too soon for a signal after 300 ms.)
TEST(ZembraKel, ABreakStopsALongExpressionAsABreak) {
  struct SignalCase {
    int signal;
    int status;
  };
  for (SignalCase c : {SignalCase{SIGINT, 130}, SignalCase{SIGTERM, 143}}) {
    SCOPED_TRACE(c.signal);
    TempDir dir;
    zamotest::ToolRun run = runAndSignal({longIntegerLoop()}, c.signal, std::chrono::milliseconds(300), dir);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");
  }
}

TEST(ZembraKel, TheHostileLoopsEndWithTheWorkError) {
  for (const char* program : {R"(:$0={ @[s=""; for(i,1,1000000, (s = s + "c "; "")); ""] })",
                              R"(:$0={ @[for(i,1,1000000,len("x"*16000000)); ""] })"}) {
    auto run = runTool("zembra", {program});
    EXPECT_EQ(run.status, 1) << program;
    EXPECT_NE(run.err.find("(too much work: more than 268435456 bytes built in one evaluation)"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(ZembraKel, ExpressionsInAShiftJisSource) {
  TempDir dir;
  std::string listing = dir.file("song.lst").string();
  struct Case {
    const char* source;
    const char* listed;  // bytes the listing must hold, "" for none
  };
  const Case cases[] = {
      // out() writes "ソ" and a line feed from its escape into the listing.
      {"$0={ @[out(\"\x83\x5C\\n\"); \"c\"] }\n", "\x83\x5C\n"},
      // The expansion's text holds an MML comment with "表" (95 5C).
      {"$0={ @[\"/*\x95\x5C*/c\"] }\n", ""},
      {"$0={ @[if(len(\"\x83\x5C\x83\x7C\") == 4, \"c\", \"d\")] }\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(hex(c.source));
    std::string file = dir.write("song.mml", c.source);
    auto run = runTool("zembra", {"-L" + listing, file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(hex(run.out), kOneNote);
    EXPECT_NE(zamotest::readFile(listing).find(c.listed), std::string::npos);
  }
}

}  // namespace
