#include "CsvExport.h"

#include <memory>
#include <string_view>
#include <vector>

#include "CsvWriter.h"
#include "ExportEngine.h"
#include "ExportFile.h"
#include "Table.h"
#include "strutil/CodePage.h"

namespace lw {

namespace {

enum class TCsvForm { Quoted, Boolean, Plain, NotSupported };

TCsvForm CsvFormOf(TFieldType type) {
  if (IsNumberType(type)) return TCsvForm::Plain;
  switch (type) {
    case ftString:
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
      return TCsvForm::Quoted;
    case ftBoolean:
      return TCsvForm::Boolean;
    default:
      return TCsvForm::NotSupported;
  }
}

struct TCsvColumn {
  int Index;
  TCsvForm Form;
  bool Text;  // characters of the table's code page, not bytes
};

bool IsTextKind(TFieldType type) {
  return type == ftString || type == ftMemo || type == ftFmtMemo;
}

// Replaces the comma after the last value with the line end.
void EndLine(std::string& out) {
  out.back() = '\r';
  out += '\n';
}

}  // namespace

void WriteCsvExport(TExportEngine& engine) {
  TTable& source = engine.Source();
  // Looked up once: a field object stays the same for the whole run.
  std::vector<TCsvColumn> columns;
  for (const TExportRow& row : engine.Rows()) {
    if (!row.Checked) continue;
    TField& field = source.FieldByName(row.Name);
    columns.push_back({field.Index(), CsvFormOf(field.DataType()), IsTextKind(field.DataType())});
  }

  std::unique_ptr<TExportFile> output =
      engine.OutputStream() >= 0
          ? std::make_unique<TExportFile>(engine.OutputStream(), engine.OutputName())
          : std::make_unique<TExportFile>(engine.OutputName());
  TExportFile& file = *output;
  std::string& out = file.Buffer();
  const int codePage = source.FileInfo().CodePage;
  std::string converted;
  for (const TCsvColumn& c : columns) {
    AppendCsvQuoted(out, source.Fields(c.Index).FieldName());
    out += ',';
  }
  EndLine(out);
  file.Written();

  for (source.First(); !source.Eof(); source.Next()) {
    if (!engine.ProgressStep()) break;
    for (const TCsvColumn& c : columns) {
      switch (c.Form) {
        case TCsvForm::Quoted:
          if (c.Text && engine.Utf8Text()) {
            converted.clear();
            AppendUtf8(converted, source.FieldText(c.Index), codePage);
            AppendCsvQuoted(out, converted);
          } else {
            AppendCsvQuoted(out, source.FieldText(c.Index));
          }
          break;
        case TCsvForm::Boolean: {
          const std::string_view text = source.FieldText(c.Index);
          out += text.empty() ? std::string_view("False") : text;
          break;
        }
        case TCsvForm::Plain:
          out += source.FieldText(c.Index);
          break;
        case TCsvForm::NotSupported:
          out += "\"(NOT SUPPORTED)\"";
          break;
      }
      out += ',';
    }
    EndLine(out);
    file.Written();
    engine.RecordWritten();
  }
  file.Close();
}

}  // namespace lw
