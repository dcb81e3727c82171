#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace lw {

// RFC 4180 quoting: a field is enclosed in double quotes when it holds the delimiter, a
// double quote, CR or LF; quotes inside it are doubled. Anything else is written as it is.
bool CsvNeedsQuotes(std::string_view field, char delimiter = ',');
void AppendCsvField(std::string& out, std::string_view field, char delimiter = ',');
// The field always enclosed in double quotes, quotes inside it doubled (the export's form for
// text, where a value never needs to be told apart from a number).
void AppendCsvQuoted(std::string& out, std::string_view field);

// Writes rows of fields to a stream through a buffer. Rows end with CRLF as RFC 4180 asks.
// Only complete rows are written: a row not ended by EndRow never reaches the stream.
// A failed write throws std::runtime_error.
class TCsvWriter {
 public:
  explicit TCsvWriter(std::FILE* out, char delimiter = ',', std::string lineEnd = "\r\n");
  ~TCsvWriter();  // flushes, swallowing errors: call Flush() to see them
  TCsvWriter(const TCsvWriter&) = delete;
  TCsvWriter& operator=(const TCsvWriter&) = delete;

  void Field(std::string_view text);
  void EndRow();
  void Flush();

 private:
  std::FILE* FOut;
  char FDelimiter;
  std::string FLineEnd;
  std::string FBuffer;
  bool FRowStarted = false;
  size_t FRowStart = 0;  // where the unfinished row begins in FBuffer
};

}  // namespace lw
