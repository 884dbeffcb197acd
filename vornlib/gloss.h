#pragma once
// English meanings of the suite's Japanese messages. The Japanese texts stay
// exactly as they are wherever they are written (listings, files); on
// standard error a reader who does not read Japanese gets the meaning too:
//   zembra: song.mml:3:7: <}>がない。 (missing "}")
#include <span>
#include <string>
#include <string_view>

namespace vorn {

struct Gloss {
  std::string_view japanese;
  std::string_view english;
};

// Every Japanese message of the suite with its English meaning.
std::span<const Gloss> glossTable();

// The English meaning of one message ("" when it has none). Besides the
// table's texts it knows the "<c>がない。" family ("missing \"c\"").
std::string englishGloss(std::string_view japanese);

// `message` with " (meaning)" appended for the first Japanese message it
// holds; unchanged when it holds none.
std::string withGloss(std::string_view message);

}  // namespace vorn
