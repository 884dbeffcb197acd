#include "vornlib/run_args.h"

#include <string>
#include <vector>

namespace vorn {
namespace {

std::string gBanner = "ZAMO";
std::string gToolName = "zamo";
std::vector<const char*> gArgs;

std::string lowerName(std::string_view banner) {
  std::string name;
  for (char c : banner) {
    if (c == ' ') break;
    name += static_cast<char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
  }
  return name;
}

}  // namespace

void setRunArguments(std::string_view banner, int argc, char** argv) {
  gBanner = std::string(banner);
  gToolName = lowerName(banner);
  gArgs.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string_view toolName() { return gToolName; }
std::string_view toolBanner() { return gBanner; }

int argumentCount() { return static_cast<int>(gArgs.size()); }

const char* argument(int index) {
  return (index >= 0 && index < argumentCount()) ? gArgs[static_cast<std::size_t>(index)] : nullptr;
}

}  // namespace vorn
