// What the calling tool answers: its variables, functions and positional
// parameters, the order in which names are looked up, and the local
// variables a session keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kel_test_support.h"

namespace {

using keltest::expectCases;
using keltest::run;

class KelHost : public ::testing::Test {
 protected:
  KelHost() {
    host.variables["tick"] = kel::Value::ofInt(480);
    host.variables["syx"] = kel::Value::ofBytes("\xF0\x41\xF7");
    host.variables["str"] = kel::Value::ofInt(7);  // hides nothing: str() stays the built-in
    host.functions = {"syx", "out", "len"};
    host.positionals = {{1, "song.syx"}, {0, "1"}, {-1, "3"}};
  }

  keltest::RecordingHost host;
};

TEST_F(KelHost, AnswersVariablesFunctionsAndPositionals) {
  expectCases({
      {"tick / 4", "120"},
      {"syx", R"(x"F0 41 F7")"},
      {"syx(x\"F0 7E F7\")", "1"},
      {"$1", R"("song.syx")"},
      {"$0 + $-1", R"("13")"},
      {"int($-1) * 2", "6"},
      {"$2", "UnknownName@0"},
  }, &host);
  EXPECT_EQ(host.calls, std::vector<std::string>{"syx(x\"F0 7E F7\")"});
}

TEST_F(KelHost, HostNamesComeBeforeBuiltins) {
  // The host answers len(), so the built-in is not reached; str is the
  // host's as a variable and the built-in's as a function.
  expectCases({
      {R"(len("abc"))", "1"},
      {"str", "7"},
      {"str(5)", R"("5")"},
  }, &host);
  EXPECT_EQ(host.calls, std::vector<std::string>{R"(len("abc"))"});
}

TEST_F(KelHost, ArgumentsAreEvaluatedInOrderBeforeTheCall) {
  EXPECT_EQ(run(R"(out(out(1), 1 + 1, "a" + "b"))", &host), "2");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"out(1)", R"(out(1,2,"ab"))"}));
  EXPECT_EQ(run("0 && out(9); if(0, out(8), 0)", &host), "0");
  EXPECT_EQ(host.calls.size(), 2u);
}

TEST_F(KelHost, EachMentionReadsTheVariableOnce) {
  EXPECT_EQ(run("(syx; syx; tick)", &host), "480");
  EXPECT_EQ(host.reads["syx"], 2);
  EXPECT_EQ(host.reads["tick"], 1);
}

TEST_F(KelHost, HostNamesCannotBeAssignedAndAreNotRead) {
  expectCases({
      {"tick = 1", "ReadOnly@0"},
      {"syx = out(1)", "ReadOnly@0"},
      {"out = 2", "ReadOnly@0"},
      {"for(tick, 1, 2, out(3))", "ReadOnly@4"},
  }, &host);
  // Neither the right side nor the loop body ran, and praven's "syx" (which
  // waits for a message when read) was not read.
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(host.reads["syx"], 0);
}

TEST_F(KelHost, FunctionNameWithoutCallIsAnError) {
  expectCases({
      {"out", "Syntax@0"},
      {"tick(1)", "UnknownName@0"},
  }, &host);
}

TEST_F(KelHost, RefusalsKeepTheHostsCodeAndMessageAtTheName) {
  host.refusal = kel::Error::host("the output is not open");
  kel::Error error = keltest::errorOf("1 + syx(x\"F0 F7\")", &host);
  EXPECT_EQ(error.code, vorn::kErrKelHost);
  EXPECT_EQ(error.offset, 4u);
  EXPECT_EQ(error.message, "the output is not open");

  host.refusal = kel::Error::host("timeout: wants an integer", vorn::kErrKelType);
  EXPECT_EQ(run("\n  out(\"x\")", &host), "Type@3");
}

TEST_F(KelHost, NoHostMeansOnlyBuiltinsAndLocals) {
  expectCases({
      {"tick", "UnknownName@0"},
      {"$1", "UnknownName@0"},
      {"out(1)", "UnknownName@0"},
      {"tick = 5; tick + 1", "6"},
  });
}

TEST(KelSession, LocalsPersistWithinASessionOnly) {
  kel::Session session;
  ASSERT_TRUE(session.evaluateAll("a = 40", 0));
  kel::Result<kel::Evaluated> result = session.evaluateOperand("a", 0);
  ASSERT_TRUE(result);
  EXPECT_EQ(result.value().value, kel::Value::ofInt(40));
  ASSERT_NE(session.local("a"), nullptr);
  EXPECT_EQ(*session.local("a"), kel::Value::ofInt(40));

  // An assignment made before a failure stays.
  EXPECT_FALSE(session.evaluateAll("b = 2; 1 / 0", 0));
  EXPECT_NE(session.local("b"), nullptr);

  EXPECT_EQ(run("a"), "UnknownName@0");
  session.clearLocals();
  EXPECT_EQ(session.local("a"), nullptr);
  EXPECT_FALSE(session.evaluateOperand("a", 0));
}

TEST(KelSession, HostCanBeChangedBetweenEvaluations) {
  keltest::RecordingHost first;
  first.variables["tick"] = kel::Value::ofInt(1);
  keltest::RecordingHost second;
  second.variables["tick"] = kel::Value::ofInt(2);
  kel::Session session(&first);
  EXPECT_EQ(keltest::show(session.evaluateOperand("tick", 0)), "1");
  session.setHost(&second);
  EXPECT_EQ(keltest::show(session.evaluateOperand("tick", 0)), "2");
  session.setHost(nullptr);
  EXPECT_EQ(keltest::show(session.evaluateOperand("tick", 0)), "UnknownName@0");
}

}  // namespace
