#include "frame/streams.h"

#include <cstdio>

#include "frame/console.h"
#include "vornlib/run_inputs.h"

namespace frame {

void openin(const char* name) { orEnd(vorn::openin(name)); }

void openout() { orEnd(vorn::openout()); }

void openoutf(const char* name) { orEnd(vorn::openoutf(name)); }

void closeout() { orEnd(vorn::closeout()); }

std::unique_ptr<vorn::ByteInput> nfOpenIn(const char* name) {
  std::unique_ptr<vorn::ByteInput> file;
  orEnd(vorn::nfOpenIn(name, file));
  file->setFaultHandler(endOnStreamFault);
  return file;
}

std::unique_ptr<vorn::ByteOutput> nfOpenOut(const char* name) {
  std::unique_ptr<vorn::ByteOutput> file;
  orEnd(vorn::nfOpenOut(name, file));
  file->setFaultHandler(endOnStreamFault);
  return file;
}

std::string readWholeFile(const char* name, std::size_t limit) {
  std::string bytes;
  orEnd(vorn::readWholeFile(name, limit, bytes));
  return bytes;
}

void writeWholeFile(const char* name, std::string_view bytes) {
  std::unique_ptr<vorn::ByteOutput> file = nfOpenOut(name);
  file->write(bytes);
  file->close();
}

void refuseOutputThatIsInput(const char* path) { orEnd(vorn::checkOutputIsNoInput(path)); }

int analoptionEx(const vorn::OptionDescriptor& descriptor) {
  vorn::OptionsRead read = vorn::readOptions(descriptor);
  switch (read.end) {
    case vorn::OptionsEnd::none: break;
    case vorn::OptionsEnd::printed:
      std::fwrite(read.text.data(), 1, read.text.size(), stdout);
      std::fflush(stdout);
      conEnd(kExitOk);
    case vorn::OptionsEnd::rejected:
      reportError(read.text);
      conEnd(kExitBadOption);
    case vorn::OptionsEnd::fault: fail(*read.fault);
  }
  return read.files;
}

}  // namespace frame
