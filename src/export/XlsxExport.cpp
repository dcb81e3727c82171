#include "XlsxExport.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ExportEngine.h"
#include "Table.h"
#include "strutil/CodePage.h"

namespace lw {

namespace {

enum class TCellForm { Text, Number, Date, Time, DateTime, Boolean, NotSupported };

TCellForm CellFormOf(TFieldType type) {
  switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
      return TCellForm::Text;
    case ftDate:
      return TCellForm::Date;
    case ftTime:
      return TCellForm::Time;
    case ftDateTime:
      return TCellForm::DateTime;
    case ftBoolean:
      return TCellForm::Boolean;
    default:
      return IsNumberType(type) ? TCellForm::Number : TCellForm::NotSupported;
  }
}

// Characters shown of a column: the field's size for text, a fixed width for the rest, never
// narrower than the field's name.
double ColumnWidth(const TField& field, TCellForm form) {
  int chars = 12;
  switch (form) {
    case TCellForm::Text:
      chars = field.DataType() == ftString ? field.Size() : 50;
      break;
    case TCellForm::Date:
      chars = 11;
      break;
    case TCellForm::Time:
      chars = 9;
      break;
    case TCellForm::DateTime:
      chars = 20;
      break;
    case TCellForm::Boolean:
      chars = 6;
      break;
    default:
      break;
  }
  chars = std::max<int>(chars, static_cast<int>(field.FieldName().size()));
  return std::min(chars, 80) + 1;
}

struct TXlsxColumn {
  int Index;
  TCellForm Form;
};

// The day numbering's 1899-12-30, Excel's day 0 from March 1900 on. Excel counts a
// 29 February 1900 that never was, so earlier dates of 1900 are one day lower.
constexpr int32_t kExcelEpoch = 693594;
constexpr int32_t kFirstOf1900 = 693596;
constexpr int32_t kFirstOfMarch1900 = 693655;
constexpr int64_t kMsPerDay = 86400000;

double ExcelDay(int32_t dayNumber) {
  return dayNumber - kExcelEpoch - (dayNumber < kFirstOfMarch1900 ? 1 : 0);
}

class TWorkbook {
 public:
  TWorkbook(const std::string& path, bool zip64) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = zip64 ? LXW_TRUE : LXW_FALSE;
    FBook = workbook_new_opt(path.c_str(), &options);
    if (!FBook) throw std::runtime_error("Cannot create the workbook " + path + ".");
  }
  ~TWorkbook() {
    if (FBook) workbook_close(FBook);
  }
  TWorkbook(const TWorkbook&) = delete;
  TWorkbook& operator=(const TWorkbook&) = delete;
  lxw_workbook* operator->() const { return FBook; }
  lxw_workbook* Get() const { return FBook; }
  // Writes the file; what failed is named in the error.
  void Close(const std::string& path) {
    const lxw_error error = workbook_close(FBook);
    FBook = nullptr;
    if (error != LXW_NO_ERROR)
      throw std::runtime_error("Cannot write the workbook " + path + ": " + lxw_strerror(error));
  }

 private:
  lxw_workbook* FBook = nullptr;
};

void Check(lxw_error error) {
  if (error != LXW_NO_ERROR) throw std::runtime_error(lxw_strerror(error));
}

// A sheet breaks lines in a cell with LF alone; a CR would be stored as the escape
// "_x000D_", which not every reader turns back.
void LineFeedsOnly(std::string& text) {
  size_t out = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[out++] = text[i] == '\r' ? '\n' : text[i];
  }
  text.resize(out);
}

lxw_format* NumberFormat(lxw_workbook* book, const char* pattern) {
  lxw_format* format = workbook_add_format(book);
  format_set_num_format(format, pattern);
  return format;
}

// The sheet with its formats, and the one text buffer every cell's conversion reuses.
class TSheetWriter {
 public:
  TSheetWriter(TExportEngine& engine, lxw_workbook* book)
      : FEngine(engine), FSource(engine.Source()), FCodePage(FSource.FileInfo().CodePage) {
    FSheet = workbook_add_worksheet(book, "Results");
    if (!FSheet) throw std::runtime_error("Cannot add a sheet to the workbook.");
    FBold = workbook_add_format(book);
    format_set_bold(FBold);
    FDate = NumberFormat(book, "yyyy-mm-dd");
    FTime = NumberFormat(book, "hh:mm:ss");
    FDateTime = NumberFormat(book, "yyyy-mm-dd hh:mm:ss");
  }

  // The bold header row, frozen, over columns as wide as their fields.
  void Header(const std::vector<TXlsxColumn>& columns) {
    for (size_t c = 0; c < columns.size(); ++c) {
      TField& field = FSource.Fields(columns[c].Index);
      const auto col = static_cast<lxw_col_t>(c);
      Check(worksheet_set_column(FSheet, col, col, ColumnWidth(field, columns[c].Form), nullptr));
      Text(0, col, field.FieldName(), FBold);
    }
    worksheet_freeze_panes(FSheet, 1, 0);
  }

  // The current record's value of one column; nulls and empty texts leave the cell empty.
  void Cell(lxw_row_t r, lxw_col_t col, const TXlsxColumn& column) {
    if (column.Form == TCellForm::Text) {
      const std::string_view value = FSource.FieldText(column.Index);
      if (!value.empty()) Text(r, col, value, nullptr);
      return;
    }
    if (column.Form == TCellForm::NotSupported) {
      Check(worksheet_write_string(FSheet, r, col, "(NOT SUPPORTED)", nullptr));
      return;
    }
    const TValue value = FSource.FieldValue(column.Index);
    if (value.IsNull()) return;
    switch (column.Form) {
      case TCellForm::Number:
        Check(worksheet_write_number(FSheet, r, col, value.ToFloat(), nullptr));
        break;
      case TCellForm::Boolean:
        Check(worksheet_write_boolean(FSheet, r, col, value.ToBoolean() ? 1 : 0, nullptr));
        break;
      case TCellForm::Date:
        // A sheet's calendar starts in 1900; earlier dates stay readable as text.
        if (value.Int() < kFirstOf1900)
          Text(r, col, FormatDate(static_cast<int32_t>(value.Int())), nullptr);
        else
          Check(worksheet_write_number(FSheet, r, col, ExcelDay(static_cast<int32_t>(value.Int())),
                                       FDate));
        break;
      case TCellForm::Time:
        Check(worksheet_write_number(FSheet, r, col, static_cast<double>(value.Int()) / kMsPerDay,
                                     FTime));
        break;
      case TCellForm::DateTime: {
        const auto day = static_cast<int32_t>(value.Int() / kMsPerDay);
        if (day < kFirstOf1900) {
          Text(r, col, FormatDateTime(value.Int()), nullptr);
        } else {
          const double fraction = static_cast<double>(value.Int() % kMsPerDay) / kMsPerDay;
          Check(worksheet_write_number(FSheet, r, col, ExcelDay(day) + fraction, FDateTime));
        }
        break;
      }
      default:
        break;
    }
  }

 private:
  void Text(lxw_row_t r, lxw_col_t c, std::string_view bytes, lxw_format* format) {
    // The code page has one character per byte, so the cut is made before converting.
    if (bytes.size() > static_cast<size_t>(kXlsxMaxCellText)) {
      bytes = bytes.substr(0, kXlsxMaxCellText);
      FEngine.ValueCut();
    }
    FText.clear();
    AppendUtf8(FText, bytes, FCodePage);
    if (FText.find('\r') != std::string::npos) LineFeedsOnly(FText);
    Check(worksheet_write_string(FSheet, r, c, FText.c_str(), format));
  }

  TExportEngine& FEngine;
  TTable& FSource;
  const int FCodePage;
  lxw_worksheet* FSheet;
  lxw_format* FBold;
  lxw_format* FDate;
  lxw_format* FTime;
  lxw_format* FDateTime;
  std::string FText;
};

}  // namespace

void WriteXlsxExport(TExportEngine& engine) {
  TTable& source = engine.Source();
  std::vector<TXlsxColumn> columns;
  // A row's sheet text at most, about: the markup of each cell and its characters (UTF-8
  // takes up to two bytes for a character of the code page; memos counted at a guess).
  int64_t rowBytes = 0;
  for (const TExportRow& row : engine.Rows()) {
    if (!row.Checked) continue;
    TField& field = source.FieldByName(row.Name);
    columns.push_back({field.Index(), CellFormOf(field.DataType())});
    rowBytes += 64 + (field.DataType() == ftString             ? 2 * field.Size()
                      : columns.back().Form == TCellForm::Text ? 4096
                                                               : 0);
  }
  // Past 4 GB of sheet text the zip needs its 64-bit extensions, which older readers lack, so
  // they are used only when the sheet may come near that.
  const bool zip64 = source.RecordCount() * rowBytes > (int64_t{2} << 30);
  TWorkbook book(engine.OutputName(), zip64);
  TSheetWriter sheet(engine, book.Get());
  sheet.Header(columns);

  lxw_row_t r = 0;
  for (source.First(); !source.Eof(); source.Next()) {
    if (!engine.ProgressStep()) break;
    ++r;
    for (size_t c = 0; c < columns.size(); ++c)
      sheet.Cell(r, static_cast<lxw_col_t>(c), columns[c]);
    engine.RecordWritten();
  }
  book.Close(engine.OutputName());
}

}  // namespace lw
