#include "CsvExport.h"

#include <string_view>
#include <vector>

#include "CsvWriter.h"
#include "ExportEngine.h"
#include "ExportFile.h"
#include "Table.h"

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
};

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
    columns.push_back({field.Index(), CsvFormOf(field.DataType())});
  }

  TExportFile file(engine.OutputName());
  std::string& out = file.Buffer();
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
          AppendCsvQuoted(out, source.FieldText(c.Index));
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
