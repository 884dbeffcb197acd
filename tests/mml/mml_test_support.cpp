#include "mml_test_support.h"

#include <cstdio>

#include "mml/writers.h"
#include "vornlib/streams.h"

namespace mmltest {

Compiled compile(std::string_view text, bool listing, mml::CompileSettings settings) {
  Compiled result;
  result.source.beginInput("song.mml");
  result.source.appendBytes(text);
  result.source.endInput();

  vorn::ByteOutput listingFile;
  if (listing) listingFile.openMemory();
  mml::Compiler compiler(result.source, settings, listing ? &listingFile : nullptr);
  result.ok = compiler.compileSource();
  result.failure = compiler.failure();
  result.warnings = compiler.warnings();
  result.store = std::move(compiler.store());
  result.events = result.store.trackList;
  mml::orderEvents(result.events);
  if (listing) {
    listingFile.flush();
    result.listing = listingFile.memoryBytes();
  }
  return result;
}

std::string show(const mml::EventRecord& event) {
  char text[48];
  if (event.status == mml::kStatusBlockEnd) {
    std::snprintf(text, sizeof text, "%d:end", event.time);
  } else if (event.status == mml::kStatusTempo) {
    std::snprintf(text, sizeof text, "%d:tempo %u", event.time, event.extra);
  } else {
    std::snprintf(text, sizeof text, "%d:%02X %02X %02X", event.time, event.status, event.first, event.second);
  }
  return text;
}

std::string show(const mml::EventRecord& event, const mml::EventStore& store) {
  if (!event.isSysex()) return show(event);
  std::string text = std::to_string(event.time) + ":" + (event.status == mml::kStatusSysex ? "F0" : "F7");
  char byte[4];
  for (std::uint8_t b : store.sysexData(event)) {
    std::snprintf(byte, sizeof byte, " %02X", b);
    text += byte;
  }
  return text;
}

std::vector<std::string> show(const std::vector<mml::EventRecord>& events) {
  std::vector<std::string> shown;
  for (const mml::EventRecord& event : events) shown.push_back(show(event));
  return shown;
}

std::vector<std::string> events(std::string_view text, mml::CompileSettings settings) {
  Compiled c = compile(text, false, settings);
  if (!c.ok) return {"error: " + c.failure.message};
  std::vector<std::string> shown;
  for (const mml::EventRecord& event : c.events) shown.push_back(show(event, c.store));
  return shown;
}

std::vector<std::string> messages(std::string_view text, mml::CompileSettings settings) {
  Compiled c = compile(text, false, settings);
  if (!c.ok) return {"error: " + c.failure.message};
  std::vector<std::string> shown;
  for (const mml::EventRecord& event : c.events) {
    if (event.status != mml::kStatusBlockEnd) shown.push_back(show(event, c.store));
  }
  return shown;
}

std::string listingOf(std::string_view text, mml::CompileSettings settings) {
  return compile(text, true, settings).listing;
}

std::vector<std::string> notes(std::string_view text) {
  Compiled c = compile(text);
  if (!c.ok) return {"error: " + c.failure.message};
  std::vector<std::string> shown;
  for (const mml::EventRecord& e : c.events) {
    if ((e.status & 0xF0) != 0x90) continue;
    std::string line = e.second ? "on " : "off ";
    line += std::to_string(e.time) + " " + std::to_string(e.first);
    if (e.second) line += " " + std::to_string(e.second);
    shown.push_back(line);
  }
  return shown;
}

std::string errorOf(std::string_view text) {
  Compiled c = compile(text);
  return c.ok ? std::string() : c.failure.message;
}

namespace {

template <typename Write>
std::string captureOutput(std::string_view text, Write write) {
  Compiled c = compile(text);
  if (!c.ok) return "error: " + c.failure.message;
  vorn::ByteOutput& out = vorn::getouthandle();
  out.openMemory();
  write(c);
  out.flush();
  std::string bytes = out.memoryBytes();
  out.close();
  return bytes;
}

}  // namespace

std::string ostraOf(std::string_view text) {
  return captureOutput(text, [](const Compiled& c) { mml::writeOstra(c.events, c.store); });
}

std::string dornaOf(std::string_view text, double stepInterval) {
  return captureOutput(text, [&](const Compiled& c) { mml::writeDorna(c.events, c.store, stepInterval); });
}

}  // namespace mmltest
