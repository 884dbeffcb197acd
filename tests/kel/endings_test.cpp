// The four ways an expression ends: each must consume exactly its own text
// and leave what follows for the caller.
#include <gtest/gtest.h>

#include <string>

#include "kel_test_support.h"

namespace {

using keltest::show;
using kel::Closer;
using kel::Want;

struct Ending {
  std::string_view text;
  std::size_t pos;
  std::string_view value;  // as show() writes it
  std::size_t end;         // ignored for errors
};

class KelEndings : public ::testing::Test {
 protected:
  KelEndings() { host.variables["tick"] = kel::Value::ofInt(480); host.positionals[1] = "9"; }

  template <class Evaluate>
  void check(std::initializer_list<Ending> cases, Evaluate evaluate) {
    for (const Ending& c : cases) {
      kel::Session session(&host);
      kel::Result<kel::Evaluated> result = evaluate(session, c.text, c.pos);
      EXPECT_EQ(show(result), c.value) << "text: " << c.text;
      if (result) {
        EXPECT_EQ(result.value().end, c.end) << "text: " << c.text;
      }
    }
  }

  keltest::RecordingHost host;
};

TEST_F(KelEndings, OperandTakesOneOperandOnly) {
  check({
      {"tick+1", 0, "480", 4},
      {"42c4", 0, "42", 2},
      {"  7 d", 0, "7", 3},
      {"(1+2)*3", 0, "3", 5},
      {"(1; tick)c", 0, "480", 9},
      {R"(len("ab")x)", 0, "2", 9},
      {"tick (c)", 0, "480", 4},
      {"$1abc", 0, R"("9")", 2},
      {"0x1Fg", 0, "31", 4},
      {R"("a"b)", 0, R"("a")", 3},
      {R"(x"F0"G)", 0, R"(x"F0")", 5},
      {"l_tick c", 2, "480", 6},
      {"o_-1", 2, "Syntax@2", 0},
      {"_", 1, "Syntax@1", 0},
      {"(1+2 c", 0, "Syntax@5", 0},
  }, [](kel::Session& s, std::string_view text, std::size_t pos) { return s.evaluateOperand(text, pos); });
}

TEST_F(KelEndings, ClosedByParenthesisConsumesIt) {
  check({
      {"1+2) c d", 0, "3", 4},
      {"a=1; a+1)rest", 0, "2", 9},
      {"(1))x", 0, "1", 4},
      {"1 + 2 )z", 0, "3", 7},
      {"=(x\"41\" + x\"42\") 12;", 2, R"("AB")", 16},
      {"1 ]", 0, "Syntax@2", 0},
      {")", 0, "Syntax@0", 0},
      {"1", 0, "Syntax@1", 0},
      {"1; 2 3)", 0, "Syntax@5", 0},
  }, [](kel::Session& s, std::string_view text, std::size_t pos) {
    return s.evaluateClosed(text, pos, Closer::Paren);
  });
}

TEST_F(KelEndings, ClosedByBracketConsumesIt) {
  check({
      {R"(for(i,1,2,"c")]c4)", 0, R"("cc")", 15},
      {"@[ (1; 2) ] d", 2, "2", 11},
      {"(1])", 0, "Syntax@2", 0},
      {"1)]", 0, "Syntax@1", 0},
  }, [](kel::Session& s, std::string_view text, std::size_t pos) {
    return s.evaluateClosed(text, pos, Closer::Bracket);
  });
}

TEST_F(KelEndings, NextTakesOneExpressionOfAScript) {
  check({
      {"1 2", 0, "1", 1},
      {"  ;; 1 + 2 ;3", 0, "3", 10},
      {"tick; 5", 4, "5", 7},
      {"1)", 0, "Syntax@1", 0},
      {"1+2x", 0, "Syntax@3", 0},
      {R"(len("a")len("b"))", 0, "Syntax@8", 0},
      {"  ; ", 0, "Syntax@4", 0},
  }, [](kel::Session& s, std::string_view text, std::size_t pos) { return s.evaluateNext(text, pos); });
}

TEST_F(KelEndings, AllTakesTheWholeText) {
  check({
      {R"(x"F0" ; x"F7")", 0, R"(x"F7")", 13},
      {"skip: 1+1", 6, "2", 9},
      {"a = 2\n a * a  ", 0, "4", 14},
      {"", 0, "Syntax@0", 0},
      {" ; ", 0, "Syntax@3", 0},
      {"1 2)", 0, "Syntax@3", 0},
  }, [](kel::Session& s, std::string_view text, std::size_t pos) { return s.evaluateAll(text, pos); });
}

TEST_F(KelEndings, ScriptLoopVisitsEachExpressionWithSharedLocals) {
  const std::string script = " n = 2; str(n)  n * 10 ;";
  kel::Session session(&host);
  std::string values;
  for (std::size_t pos = kel::Session::skipSeparators(script, 0); pos < script.size();) {
    kel::Result<kel::Evaluated> result = session.evaluateNext(script, pos);
    ASSERT_TRUE(result) << result.error().message;
    values += kel::toLiteral(result.value().value) + " ";
    pos = kel::Session::skipSeparators(script, result.value().end);
  }
  EXPECT_EQ(values, R"(2 "2" 20 )");
}

TEST_F(KelEndings, AllParsesEverythingBeforeEvaluatingAnything) {
  host.functions = {"out"};
  kel::Session session(&host);
  EXPECT_EQ(show(session.evaluateAll("out(1) out(2) )", 0)), "Syntax@14");
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(show(session.evaluateAll("out(1) out(2)", 0)), "2");
  EXPECT_EQ(host.calls.size(), 2u);
}

TEST_F(KelEndings, WantedKindIsChecked) {
  kel::Session session(&host);
  EXPECT_EQ(show(session.evaluateOperand(R"("a")", 0, Want::Integer)), "Type@0");
  EXPECT_EQ(show(session.evaluateOperand(R"("a")", 0, Want::Bytes)), R"("a")");
  EXPECT_EQ(show(session.evaluateClosed(" 1)", 0, Closer::Paren, Want::Bytes)), "Type@1");
  EXPECT_EQ(show(session.evaluateClosed("1; \"a\"]", 0, Closer::Bracket, Want::Integer)), "Type@3");
  EXPECT_EQ(show(session.evaluateNext("(1; x\"F7\")", 0, Want::Integer)), "Type@4");
  EXPECT_EQ(show(session.evaluateAll("1; \"a\"", 0, Want::Integer)), "Type@3");
  EXPECT_EQ(show(session.evaluateAll("\"a\"; 1", 0, Want::Integer)), "1");
  EXPECT_EQ(show(session.evaluateNext("tick", 0, Want::Any)), "480");
}

TEST_F(KelEndings, StartBeyondTheTextIsAnError) {
  kel::Session session;
  EXPECT_EQ(show(session.evaluateOperand("ab", 3)), "Range@2");
  EXPECT_EQ(show(session.evaluateAll("ab", 2)), "Syntax@2");
}

}  // namespace
