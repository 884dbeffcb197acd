#pragma once
// The fields of one line of a midicsv listing, blanks after the commas
// dropped: "2, 96, Note_on_c, 0, 60, 0" gives {"2", "96", "Note_on_c", ...}.
// (Quoted texts of meta events may hold commas; the tests read no such field.)
#include <sstream>
#include <string>
#include <vector>

namespace seqtest {

inline std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) {
    std::size_t start = field.find_first_not_of(' ');
    out.push_back(start == std::string::npos ? "" : field.substr(start));
  }
  return out;
}

}  // namespace seqtest
