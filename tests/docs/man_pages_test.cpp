// The man pages read the same without a UTF-8 locale: their sources are
// ASCII (Japanese texts as \[uXXXX] escapes), groff formats them under
// LANG=C without a warning, the UTF-8 rendering holds every Japanese
// character, and the ASCII rendering (what man uses in the C locale) stays
// free of warnings too, through man itself where it is installed. Both the
// tools' pages (section 1) and the overview page zamo(7) are checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <regex>
#include <string>
#include <vector>

#include "run_tool.h"

namespace {

namespace fs = std::filesystem;

std::string utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

zamotest::ToolRun groff(const fs::path& page, const char* device) {
  return zamotest::runProgram("/usr/bin/env",
                              {"-u", "LC_ALL", "-u", "LC_CTYPE", "LANG=C", "groff", "-ww", "-man", device, page.string()});
}

// The pages of docs/man: NAME.1 for the tools, NAME.7 for the overview.
std::vector<fs::path> manPages() {
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(fs::path(ZAMO_SOURCE_DIR) / "docs/man")) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".1" || extension == ".7") pages.push_back(entry.path());
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

TEST(ManPages, RenderAlikeWithoutAUtf8Locale) {
  const std::vector<fs::path> pages = manPages();
  ASSERT_GE(pages.size(), 7u);
  ASSERT_TRUE(std::any_of(pages.begin(), pages.end(), [](const fs::path& p) { return p.filename() == "zamo.7"; }))
      << "the overview page zamo.7 is missing";
  ASSERT_EQ(zamotest::runProgram("/usr/bin/env", {"groff", "--version"}).status, 0)
      << "groff is missing (scripts/setup --tests installs groff-base)";
  const std::regex kEscape(R"(\\\[u([0-9A-F]{4,5})\])");
  int japanese = 0;
  for (const fs::path& page : pages) {
    SCOPED_TRACE(page.filename().string());
    std::string source = zamotest::readFile(page);
    auto nonAscii = std::find_if(source.begin(), source.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
    EXPECT_TRUE(nonAscii == source.end()) << "a character outside ASCII at byte " << (nonAscii - source.begin());

    zamotest::ToolRun shown = groff(page, "-Tutf8");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.err, "") << "warnings in UTF-8";
    for (std::sregex_iterator it(source.begin(), source.end(), kEscape), end; it != end; ++it) {
      auto code = static_cast<char32_t>(std::stoul((*it)[1].str(), nullptr, 16));
      EXPECT_NE(shown.out.find(utf8(code)), std::string::npos) << "U+" << (*it)[1].str() << " is not shown";
      ++japanese;
    }
    zamotest::ToolRun plain = groff(page, "-Tascii");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "") << "warnings in ASCII";
  }
  EXPECT_GT(japanese, 0) << "the pages quote Japanese messages; none were found";
  if (!fs::exists("/usr/bin/man")) std::cout << "man is not installed: checked through groff alone\n";
}

TEST(ManPages, ManShowsThemWithoutWarningsWithLangUnset) {
  if (!fs::exists("/usr/bin/man")) GTEST_SKIP() << "man is not installed (groff's ASCII rendering is checked above)";
  for (const fs::path& page : manPages()) {
    SCOPED_TRACE(page.filename().string());
    zamotest::ToolRun shown = zamotest::runProgram(
        "/usr/bin/env", {"-i", "PATH=/usr/bin:/bin", "MANWIDTH=80", "man", "-l", page.string()});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.err, "");
    // A tool's page shows how to call it; an overview page has no synopsis.
    const char* heading = page.extension() == ".1" ? "SYNOPSIS" : "DESCRIPTION";
    EXPECT_NE(shown.out.find(heading), std::string::npos) << "no " << heading;
  }
}

}  // namespace
