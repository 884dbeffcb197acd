#include "sysex/file_selection.h"

#include <cerrno>
#include <new>
#include <string>

#include "sysex/scan.h"
#include "vornlib/errors.h"

namespace sysex {

vorn::Status selectFromFile(Selector& selector, vorn::ByteInput& in, vorn::ByteOutput& out, const char* name) {
  const std::string shownName = vorn::inputDisplayName(name);
  SelectFault fault;
  try {
    fault = selector.selectFile(in, out, name);
  } catch (const std::bad_alloc&) {
    return vorn::Fault{"out of memory holding the message", selector.messageStart(), ENOMEM, shownName};
  }
  switch (fault.kind) {
    case SelectFault::None:
      break;
    case SelectFault::MalformedMessage:
      return vorn::Fault{cutMessageText(in, selector.messageStart()), in.offset(), vorn::kErrMalformedInput,
                         vorn::inputDisplayName(in.name())};
    case SelectFault::MessageTooLong:
      return vorn::Fault{"a message longer than 4 GiB", selector.messageStart(), vorn::kErrMalformedInput, shownName};
    case SelectFault::BadPattern:
      return vorn::Fault{vorn::errorText(vorn::kErrBadSelection) + ": pattern " + std::to_string(fault.pattern) +
                             " opens a range while one is open, or closes one that is not open",
                         std::nullopt, vorn::kErrBadSelection};
  }
  return {};
}

}  // namespace sysex
