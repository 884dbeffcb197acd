#pragma once
// The run's name and arguments, as the frame's runner received them.
#include <string_view>

namespace vorn {

// Keeps the banner ("ZEMBRA 1.00"), the tool's name made of it ("zembra")
// and the arguments after argv[0].
void setRunArguments(std::string_view banner, int argc, char** argv);

// "zembra" for the banner "ZEMBRA 1.00"; "zamo" before the run started.
std::string_view toolName();
std::string_view toolBanner();

int argumentCount();
const char* argument(int index);

}  // namespace vorn
