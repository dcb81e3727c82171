#include "CsvWriter.h"

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
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
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
  FRowStarted = true;
  AppendCsvField(FBuffer, text, FDelimiter);
}

void TCsvWriter::EndRow() {
  FBuffer += FLineEnd;
  FRowStarted = false;
  if (FBuffer.size() >= kFlushAt) Flush();
}

void TCsvWriter::Flush() {
  if (!FBuffer.empty()) {
    const size_t size = FBuffer.size();
    const size_t written = std::fwrite(FBuffer.data(), 1, size, FOut);
    FBuffer.clear();
    if (written != size) throw std::runtime_error("cannot write the output");
  }
  if (std::fflush(FOut) != 0) throw std::runtime_error("cannot write the output");
}

}  // namespace lw
