#include "TableExport.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <sstream>
#include <vector>

#include "ExportEngine.h"
#include "ExportFieldNames.h"
#include "PrivateSession.h"
#include "Session.h"
#include "Table.h"

namespace lw {

namespace {

struct TCopyColumn {
  TField* Source;
  TField* Output = nullptr;
  bool Blob;
};

bool CopiedAsStream(TFieldType type) {
  return type == ftBlob || type == ftMemo || type == ftGraphic || type == ftFmtMemo;
}

// The output field's kind. A counter in the new table would number the records afresh, so
// a sorted result would lose its values; plain integers keep them.
TFieldType OutputType(TFieldType type, TExportFormat format) {
  return format == efParadox && type == ftAutoInc ? ftInteger : type;
}

void CopyRecord(const std::vector<TCopyColumn>& columns) {
  for (const TCopyColumn& c : columns) {
    if (c.Blob) {
      std::stringstream bytes;
      c.Source->SaveToStream(bytes);
      bytes.seekg(0);
      c.Output->LoadFromStream(bytes);
    } else {
      TValue value = c.Source->Value();
      if (!value.IsNull()) c.Output->SetValue(value);
    }
  }
}

}  // namespace

void WriteTableExport(TExportEngine& engine) {
  TTable& source = engine.Source();
  const TExportFormat format = engine.Format();
  const std::vector<std::string> names = ExportFieldNames(engine.Rows(), format);

  // The output's name is a full path: the session's database is not used.
  std::unique_ptr<TSession> session = OpenPrivateSession().Session;
  TTable* output = session->CreateTable();
  output->SetTableType(format == efDbase ? ttDBase : ttParadox);
  output->FieldDefs().Clear();
  output->SetTableName(engine.OutputName());

  std::vector<TCopyColumn> columns;
  size_t n = 0;
  for (const TExportRow& row : engine.Rows()) {
    if (!row.Checked) continue;
    TField& field = source.FieldByName(row.Name);
    output->FieldDefs().Add(names[n++], OutputType(field.DataType(), format), field.Size(), false);
    columns.push_back({&field, nullptr, CopiedAsStream(field.DataType())});
  }

  // Only the output file itself goes: its companions are the table's to replace, and a
  // broader sweep by name would take another table's memo or index files along.
  std::remove(output->FullPath().c_str());
  output->CreateTable();
  output->Open();
  for (size_t i = 0; i < columns.size(); ++i) columns[i].Output = &output->FieldByName(names[i]);

  for (source.First(); !source.Eof(); source.Next()) {
    if (!engine.ProgressStep()) break;
    // Appended, not inserted at the cursor: the output keeps the result table's order.
    output->Append();
    CopyRecord(columns);
    try {
      output->Post();
    } catch (const std::exception& e) {
      output->Cancel();
      engine.RecordNotWritten(e.what());
      continue;
    }
    engine.RecordWritten();
  }
  session->Close();
}

}  // namespace lw
