#include "CsvWriter.h"

#include <cstring>
#include <stdexcept>

namespace lw {

namespace {
constexpr size_t kFlushAt = 1 << 16;
}

bool CsvNeedsQuotes(std::string_view field, char delimiter) {
  for (char c : field)
    if (c == delimiter || c == '"' || c == '\r' || c == '\n') return true;
  return false;
}

void AppendCsvField(std::string& out, std::string_view field, char delimiter) {
  if (!CsvNeedsQuotes(field, delimiter)) {
    out.append(field);
    return;
  }
  AppendCsvQuoted(out, field);
}

void AppendCsvQuoted(std::string& out, std::string_view field) {
  out += '"';
  // Copies the runs between quotes whole: most values hold none.
  while (!field.empty()) {
    const void* hit = std::memchr(field.data(), '"', field.size());
    if (!hit) {
      out.append(field);
      break;
    }
    const size_t run = static_cast<size_t>(static_cast<const char*>(hit) - field.data()) + 1;
    out.append(field.substr(0, run));
    out += '"';
    field.remove_prefix(run);
  }
  out += '"';
}

TCsvWriter::TCsvWriter(std::FILE* out, char delimiter, std::string lineEnd)
    : FOut(out), FDelimiter(delimiter), FLineEnd(std::move(lineEnd)) {
  FBuffer.reserve(kFlushAt + 4096);
}

TCsvWriter::~TCsvWriter() {
  try {
    Flush();
  } catch (...) {
  }
}

void TCsvWriter::Field(std::string_view text) {
  if (FRowStarted) FBuffer += FDelimiter;
  if (!FRowStarted) FRowStart = FBuffer.size();
  FRowStarted = true;
  AppendCsvField(FBuffer, text, FDelimiter);
}

void TCsvWriter::EndRow() {
  FBuffer += FLineEnd;
  FRowStarted = false;
  if (FBuffer.size() >= kFlushAt) Flush();
}

void TCsvWriter::Flush() {
  // Only whole rows go out: a row cut short by a failure must not look like data.
  const size_t size = FRowStarted ? FRowStart : FBuffer.size();
  if (size > 0) {
    const size_t written = std::fwrite(FBuffer.data(), 1, size, FOut);
    FBuffer.erase(0, size);
    FRowStart = 0;
    if (written != size) throw std::runtime_error("cannot write the output");
  }
  if (std::fflush(FOut) != 0) throw std::runtime_error("cannot write the output");
}

}  // namespace lw
