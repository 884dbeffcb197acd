// Runs every example of docs/kel.md, so that the reference and the
// evaluator cannot drift apart.
//
// An example block is fenced as ```kel or ```kel <mode>. Its lines are
// expression text, closed by "=> <value>" (a KEL literal) or
// "=> error: <message>". Directives: "given name = literal, $n = literal"
// sets host variables and positional parameters for the block; "left
// <literal>" is the text the previous example left for the caller; in praven
// mode "reply <literal>" queues what the instrument answers and
// "sends <literal>" what the next example must send.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kel_test_support.h"

namespace {

// Evaluates a literal written in the document.
kel::Value literal(const std::string& text) {
  kel::Session session;
  kel::Result<kel::Evaluated> result = session.evaluateAll(text, 0);
  EXPECT_TRUE(result) << "bad literal in docs/kel.md: " << text;
  return result ? result.value().value : kel::Value();
}

// The names the examples use: the block's "given" values, and for praven the
// function syx(s) that sends and the variable syx that receives.
class DocHost : public kel::Host {
 public:
  std::map<std::string, kel::Value, std::less<>> variables;
  std::map<std::int32_t, std::string> positionals;
  bool praven = false;
  std::deque<kel::Value> replies;
  std::vector<kel::Value> sent;

  bool hasVariable(std::string_view name) override {
    return variables.find(name) != variables.end() || (praven && name == "syx");
  }
  kel::Result<kel::Value> readVariable(std::string_view name) override {
    if (name != "syx" || !praven) return variables.find(name)->second;
    if (replies.empty()) return kel::Value::ofInt(0);  // praven's time-out
    kel::Value reply = replies.front();
    replies.pop_front();
    return reply;
  }
  bool hasFunction(std::string_view name) override { return praven && name == "syx"; }
  kel::Result<kel::Value> callFunction(std::string_view, std::span<const kel::Value> args) override {
    if (args.size() != 1 || !args[0].isBytes()) return kel::Error::host("syx: one byte string");
    sent.push_back(args[0]);
    return kel::Value::ofInt(1);
  }
  std::optional<std::string> positional(std::int32_t n) override {
    auto found = positionals.find(n);
    if (found == positionals.end()) return std::nullopt;
    return found->second;
  }
};

struct Outcome {
  kel::Result<kel::Evaluated> result = kel::Error{};
  std::string left;
};

Outcome evaluate(const std::string& mode, const std::string& text, DocHost& host) {
  kel::Session session(&host);
  Outcome outcome;
  if (mode == "operand") {
    outcome.result = session.evaluateOperand(text, 0);
  } else if (mode == "paren" || mode == "bracket") {
    outcome.result = session.evaluateClosed(text, 0, mode == "paren" ? kel::Closer::Paren : kel::Closer::Bracket);
  } else if (mode == "praven") {
    // As praven runs a script: one expression at a time, each giving bytes
    // that are written out.
    std::string written;
    std::size_t pos = kel::Session::skipSeparators(text, 0);
    while (pos < text.size()) {
      outcome.result = session.evaluateNext(text, pos, kel::Want::Bytes);
      if (!outcome.result) return outcome;
      written += outcome.result.value().value.asBytes();
      pos = kel::Session::skipSeparators(text, outcome.result.value().end);
    }
    outcome.result = kel::Evaluated{kel::Value::ofBytes(written), text.size()};
  } else {
    outcome.result = session.evaluateAll(text, 0);
  }
  if (outcome.result) outcome.left = text.substr(outcome.result.value().end);
  return outcome;
}

void applyGiven(const std::string& list, DocHost& host) {
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    std::size_t eq = item.find(" = ");
    ASSERT_NE(eq, std::string::npos) << "bad given: " << item;
    std::string name = item.substr(item.find_first_not_of(' '), eq - item.find_first_not_of(' '));
    kel::Value value = literal(item.substr(eq + 3));
    if (name[0] == '$') {
      host.positionals[std::stoi(name.substr(1))] = value.asBytes();
    } else {
      host.variables[name] = value;
    }
  }
}

bool startsWith(const std::string& line, std::string_view prefix) { return line.rfind(prefix, 0) == 0; }

TEST(KelDocs, EveryExampleGivesTheDocumentedResult) {
  std::ifstream in(std::string(ZAMO_SOURCE_DIR) + "/docs/kel.md");
  ASSERT_TRUE(in) << "cannot read docs/kel.md";

  const std::vector<std::string> modes = {"", "zembra", "operand", "paren", "bracket", "praven"};
  std::string line, mode, pending;
  bool inBlock = false;
  int lineNumber = 0, examples = 0, blocks = 0;
  int blockExamples = 0;
  DocHost host;
  Outcome last;
  std::vector<kel::Value> expectedSends;
  while (std::getline(in, line)) {
    ++lineNumber;
    SCOPED_TRACE("docs/kel.md:" + std::to_string(lineNumber));
    if (!inBlock) {
      if (startsWith(line, "```kel")) {
        mode = line.size() > 7 ? line.substr(7) : "";
        ASSERT_NE(std::find(modes.begin(), modes.end(), mode), modes.end()) << "unknown mode " << mode;
        inBlock = true;
        ++blocks;
        blockExamples = 0;
        host = DocHost();
        host.praven = mode == "praven";
        pending.clear();
      }
      continue;
    }
    if (line == "```") {
      EXPECT_TRUE(pending.empty()) << "example without a result: " << pending;
      EXPECT_GT(blockExamples, 0) << "block without examples";
      inBlock = false;
    } else if (startsWith(line, "given ")) {
      applyGiven(line.substr(6), host);
    } else if (startsWith(line, "reply ")) {
      host.replies.push_back(literal(line.substr(6)));
    } else if (startsWith(line, "sends ")) {
      expectedSends.push_back(literal(line.substr(6)));
    } else if (startsWith(line, "left ")) {
      ASSERT_TRUE(last.result);
      EXPECT_EQ(last.left, literal(line.substr(5)).asBytes());
    } else if (startsWith(line, "=> ")) {
      std::string expected = line.substr(3);
      host.sent.clear();
      last = evaluate(mode, pending, host);
      EXPECT_EQ(host.sent, expectedSends) << pending;
      expectedSends.clear();
      if (startsWith(expected, "error: ")) {
        ASSERT_FALSE(last.result) << pending;
        EXPECT_EQ(last.result.error().message, expected.substr(7)) << pending;
      } else {
        ASSERT_TRUE(last.result) << pending << "\n  " << last.result.error().message;
        EXPECT_EQ(last.result.value().value, literal(expected)) << pending;
      }
      pending.clear();
      ++examples;
      ++blockExamples;
    } else {
      pending += (pending.empty() ? "" : "\n") + line;
    }
  }
  EXPECT_FALSE(inBlock) << "unclosed example block";
  // The document holds dozens of examples; finding none means the format
  // drifted away from what this test reads.
  EXPECT_GE(blocks, 10);
  EXPECT_GE(examples, 50);
}

}  // namespace
