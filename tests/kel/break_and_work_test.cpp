// Long work: a pending break stops it, and the bytes one evaluation may
// build are bounded, so that no expression keeps a tool busy for long.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <string_view>

#include "kel_test_support.h"
#include "frame/console.h"

namespace {

using keltest::codeName;
using keltest::expectCases;

// The two loops that used to run for minutes and hours, and a loop of
// integer work that builds no bytes at all.
constexpr std::string_view kConcatenationLoop = R"(s = ""; for(i, 1, 1000000, (s = s + "c "; "")); "")";
constexpr std::string_view kRepetitionLoop = R"(for(i, 1, 1000000, len("x" * 16000000)); "")";
// 999 + 999 * 1000 iterations: just inside the iteration limit.
constexpr std::string_view kIntegerLoop = "for(i, 1, 999, for(j, 1, 1000, i * j))";

TEST(KelBreak, APendingBreakStopsTheLoopAtOnce) {
  struct BreakCase {
    std::string_view text;
    int firesAt;  // the question to the break check that first gets "yes"
  };
  const BreakCase cases[] = {
      {kConcatenationLoop, 1},  {kConcatenationLoop, 40}, {kRepetitionLoop, 1},
      {kRepetitionLoop, 9},     {kIntegerLoop, 1},         {kIntegerLoop, 5000},
  };
  for (const BreakCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / break at question " + std::to_string(c.firesAt));
    kel::Session session;
    int asked = 0;
    session.setBreakCheck([&] { return ++asked >= c.firesAt; });
    auto result = session.evaluateAll(c.text, 0);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(codeName(result.error().code), "Interrupted");
    EXPECT_EQ(result.error().message, "interrupted");
    // Nothing more was done after the first "yes", and every iteration asks.
    EXPECT_EQ(asked, c.firesAt);
    // A break that comes before the loop starts leaves no "i".
    const kel::Value* i = session.local("i");
    if (i != nullptr) {
      EXPECT_LE(i->asInt(), c.firesAt);
    } else {
      EXPECT_LE(c.firesAt, 5);
    }
  }
}

TEST(KelBreak, WithoutABreakTheCheckChangesNothing) {
  kel::Session session;
  int asked = 0;
  session.setBreakCheck([&] {
    ++asked;
    return false;
  });
  auto result = session.evaluateAll(kIntegerLoop, 0);
  ASSERT_TRUE(result.ok()) << result.error().message;
  EXPECT_EQ(result.value().value, kel::Value::ofInt(999000));
  EXPECT_GE(asked, 999999);
  // An empty check never interrupts.
  session.setBreakCheck({});
  EXPECT_EQ(keltest::show(session.evaluateAll("for(i, 1, 3, str(i))", 0)), "\"123\"");
}

kel::Error gErrorAfterSignal;

int evaluateAfterSigint() {
  std::raise(SIGINT);
  kel::Session session;
  auto result = session.evaluateAll(kIntegerLoop, 0);
  gErrorAfterSignal = result ? kel::Error{} : result.error();
  return 1;
}

// The runner's SIGINT handler sets the flag a default session asks.
TEST(KelBreak, TheDefaultCheckIsTheConsoleBreakFlag) {
  char name[] = "kel_test";
  char* argv[] = {name, nullptr};
  frame::resetRunState();
  frame::runMainProc("KELTEST 1.00", 1, argv, evaluateAfterSigint);
  frame::resetRunState();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  EXPECT_EQ(codeName(gErrorAfterSignal.code), "Interrupted");
}

TEST(KelWork, TheHostileLoopsEndWithTheWorkError) {
  for (std::string_view text : {kConcatenationLoop, kRepetitionLoop}) {
    kel::Error error = keltest::errorOf(text);
    EXPECT_EQ(codeName(error.code), "TooMuchWork") << text;
    EXPECT_EQ(error.message, "too much work: more than 268435456 bytes built in one evaluation") << text;
  }
  // Each round copies the 16 MiB in s twice (reading s, assigning t).
  EXPECT_EQ(keltest::run(R"(s = "x" * 16000000; for(i, 1, 1000000, (t = s; 0)))"), "TooMuchWork@44");
}

TEST(KelWork, EveryByteStringBuiltCounts) {
  kel::Limits small;
  small.maxBytesBuilt = 1000;
  expectCases(
      {
          // A literal counts its bytes, a repetition its whole result.
          {R"(len("ab" * 499))", "998"},
          {R"(len("ab" * 500))", "TooMuchWork@9"},
          {R"(str(12345) * 200)", "TooMuchWork@11"},
          // 1000 bytes are allowed; the next literal's byte is one too many.
          {R"(x"00" * 999 + x"00")", "TooMuchWork@14"},
          // Reading a variable copies it (201 bytes to build s, then 100 a round).
          {R"(s = "x" * 100; for(i, 1, 100, len(s)))", "TooMuchWork@34"},
          // A loop's result counts what it appends: 10 * 10 literal bytes and 9 * 10 appended.
          {R"(len(for(i, 1, 10, "abcdefghij")))", "100"},
          // Integers build nothing.
          {"for(i, 1, 100000, i)", "100000"},
      },
      nullptr, small);

  keltest::RecordingHost host;
  host.variables["h"] = kel::Value::ofBytes(std::string(100, 'h'));
  EXPECT_EQ(keltest::run("for(i, 1, 11, len(h))", &host, small), "TooMuchWork@18");

  // The count starts again with every entry call.
  kel::Session session(nullptr, small);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(keltest::show(session.evaluateAll(R"(len("x" * 900))", 0)), "900") << "round " << round;
  }
}

}  // namespace
