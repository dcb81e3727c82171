// The export's files through readers no one here wrote, compared with the result table's
// values: Python's csv module and sqlite3's CSV import, shapelib's DBF API and dbfdump, pxlib,
// openpyxl.
#include <gtest/gtest.h>

#ifdef LW_HAVE_SHAPELIB
#include <shapefil.h>
#endif
#ifdef LW_HAVE_PXLIB
#include "PxlibBlob.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ExportFieldNames.h"
#include "ExportFixture.h"

namespace lw::test {
namespace {

std::string RunCommand(const std::string& command, int& status) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) {
    status = -1;
    return out;
  }
  char buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  status = ::pclose(p);
  return out;
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string Hex(const std::string& s) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// A result table with the values that break careless writers and readers: quotes, commas,
// CR LF and bare LF inside text, 8-bit letters, nulls of every kind, binary blobs.
class ExportInterop : public ::testing::Test {
 protected:
  static std::vector<TFieldDef> Defs() {
    std::vector<TFieldDef> defs = {Def("Result", ftAutoInc),
                                   Def("COMPANY", ftString, 35),
                                   Def("SIC DESCRIPTION", ftString, 50),
                                   Def("CITY", ftString, 25),
                                   Def("YEAR FOUNDED", ftSmallint),
                                   Def("EMPLOYEES", ftInteger),
                                   Def("LATITUDE", ftFloat),
                                   Def("LAST VERIFIED", ftDate),
                                   Def("HEADQUARTERS", ftBoolean),
                                   Def("NOTES", ftMemo, 10),
                                   Def("LOGO", ftGraphic, 0),
                                   Def("STATE", ftString, 2),
                                   Def("ZIP", ftString, 10),
                                   Def("CONTACT-LAST", ftString, 20),
                                   Def("CONTACT-FIRST-NAME", ftString, 15)};
    return defs;
  }

  ExportInterop()
      : FSource(
            FDir.File("swap.db"), Defs(),
            {{TValue::Null(), TValue::String("Acme \"Best\" Tools, Inc."),
              TValue::String("Hardware, wholesale"), TValue::String("Line 1\r\nLine 2"),
              TValue::Integer(1999), TValue::Integer(120000), TValue::Float(40.712776),
              TValue::Date(DayNumberFromCivil(2023, 1, 5)), TValue::Boolean(true),
              TValue::String("memo with \"quotes\", commas\nand a bare LF"),
              TValue::Bytes(std::string("\x89PNG\r\n\x1a\n\x01\x02\"", 11)), TValue::String("NY"),
              TValue::String("10001-1234"), TValue::String("O'Neil"), TValue::String("Ann")},
             {},
             {TValue::Null(), TValue::String("\""), TValue::String(","), TValue::String("only\nLF"),
              TValue::Integer(-5), TValue::Integer(0), TValue::Float(-73.5),
              TValue::Date(DayNumberFromCivil(1900, 2, 28)), TValue::Boolean(false),
              TValue::String("Caf\xe9 na\xefve"), TValue::Bytes("GIF89a"), TValue::String("CA"),
              TValue::String(""), TValue::String("Zo\xeb"), TValue::String("B\xe9la")}}) {}

  // Runs an export of every field to `name` in `format`; returns the output's path.
  std::string Export(TExportFormat format, const std::string& name) {
    const std::string out = FDir.File(name);
    TExportEngine engine(*FSource);
    TExportRecorder recorder;
    recorder.Attach(engine);
    engine.SetAllRows();
    engine.SetFormat(format);
    engine.SetOutputName(out);
    TExportResult r = engine.Execute();
    EXPECT_EQ(r.Outcome, TExportOutcome::Completed) << r.Message;
    EXPECT_EQ(r.Written, 3);
    return out;
  }

  // The CSV text a value stands for: what a reader of the file must get back.
  std::vector<std::vector<std::string>> CsvExpected() {
    std::vector<std::vector<std::string>> rows(1);
    for (int i = 0; i < FSource->FieldCount(); ++i)
      rows[0].push_back(FSource->Fields(i).FieldName());
    for (FSource->First(); !FSource->Eof(); FSource->Next()) {
      rows.emplace_back();
      for (int i = 0; i < FSource->FieldCount(); ++i) {
        TField& f = FSource->Fields(i);
        rows.back().push_back(f.DataType() == ftBoolean ? (f.AsBoolean() ? "True" : "False")
                                                        : f.AsString());
      }
    }
    return rows;
  }

  TTempDir FDir;
  TSourceTable FSource;
};

TEST_F(ExportInterop, PythonCsvModuleReadsBackEveryValue) {
  if (!*LW_PYTHON3) GTEST_SKIP() << "python3 is not installed";
  const std::string csv = Export(efCsv, "result.csv");
  const std::string script = FDir.File("read.py");
  WriteFile(script,
            "import csv, sys\n"
            "out = sys.stdout.buffer\n"
            "with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
            "    for row in csv.reader(f):\n"
            "        out.write(b'%d\\n' % len(row))\n"
            "        for v in row:\n"
            "            b = v.encode('latin-1')\n"
            "            out.write(b'%d:' % len(b) + b + b'\\n')\n");
  int status = 0;
  const std::string text =
      RunCommand(std::string(LW_PYTHON3) + " " + Quote(script) + " " + Quote(csv), status);
  ASSERT_EQ(status, 0) << text;
  std::vector<std::vector<std::string>> rows;
  size_t at = 0;
  while (at < text.size()) {
    const size_t nl = text.find('\n', at);
    const int n = std::stoi(text.substr(at, nl - at));
    at = nl + 1;
    rows.emplace_back();
    for (int i = 0; i < n; ++i) {
      const size_t colon = text.find(':', at);
      const size_t len = std::stoul(text.substr(at, colon - at));
      rows.back().push_back(text.substr(colon + 1, len));
      at = colon + 1 + len + 1;
    }
  }
  EXPECT_EQ(rows, CsvExpected());
}

TEST_F(ExportInterop, Sqlite3CsvImportReadsBackEveryValue) {
  if (!*LW_SQLITE3) GTEST_SKIP() << "sqlite3 is not installed";
  const std::string csv = Export(efCsv, "result.csv");
  const std::string db = FDir.File("import.sqlite");
  int status = 0;
  std::string out = RunCommand(std::string(LW_SQLITE3) + " " + Quote(db) + " " +
                                   Quote(".import --csv " + csv + " result") + " 2>&1",
                               status);
  ASSERT_EQ(status, 0) << out;
  const auto expected = CsvExpected();
  std::string select = "SELECT ";
  for (size_t i = 0; i < expected[0].size(); ++i)
    select += std::string(i ? "||'|'||" : "") + "hex(\"" + expected[0][i] + "\")";
  select += " FROM result ORDER BY rowid;";
  out = RunCommand(std::string(LW_SQLITE3) + " " + Quote(db) + " " + Quote(select), status);
  ASSERT_EQ(status, 0) << out;
  std::string want;
  for (size_t r = 1; r < expected.size(); ++r) {
    for (size_t i = 0; i < expected[r].size(); ++i) want += (i ? "|" : "") + Hex(expected[r][i]);
    want += "\n";
  }
  EXPECT_EQ(out, want);
}

TEST_F(ExportInterop, OpenpyxlReadsTheWorkbookWithItsTypes) {
  if (!*LW_DEBIAN_PYTHON3 ||
      std::system((std::string(LW_DEBIAN_PYTHON3) + " -c 'import openpyxl'").c_str()))
    GTEST_SKIP() << "python3-openpyxl is not installed";
  // A fourth record: a zip code with leading zeros and a memo past a cell's 32,767 characters.
  FSource->Append();
  FSource->FieldByName("ZIP").SetValue(TValue::String("00501"));
  FSource->FieldByName("NOTES").SetValue(TValue::String(std::string(40000, 'm')));
  FSource->Post();
  const std::string out = FDir.File("result.xlsx");
  TExportEngine engine(*FSource);
  engine.SetAllRows();
  engine.SetFormat(efXlsx);
  engine.SetOutputName(out);
  const TExportResult r = engine.Execute();
  ASSERT_EQ(r.Outcome, TExportOutcome::Completed) << r.Message;
  EXPECT_EQ(r.Written, 4);
  EXPECT_EQ(r.Cut, 1);
  EXPECT_NE(r.Message.find("1 value was longer than a cell holds and cut to 32767"),
            std::string::npos)
      << r.Message;
  const std::string script = FDir.File("read.py");
  WriteFile(
      script,
      "import sys, openpyxl\n"
      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
      "print(ws.max_row, ws.freeze_panes, ws['A1'].font.b)\n"
      "for row in ws.iter_rows(min_row=2, values_only=True):\n"
      "    print(ascii([len(v) if isinstance(v, str) and len(v) > 99 else v for v in row]))\n");
  int status = 0;
  const std::string text =
      RunCommand(std::string(LW_DEBIAN_PYTHON3) + " " + Quote(script) + " " + Quote(out), status);
  ASSERT_EQ(status, 0) << text;
  const char* const dt = "datetime.datetime";
  EXPECT_EQ(text,
            std::string("5 A2 True\n") +
                "[1, 'Acme \"Best\" Tools, Inc.', 'Hardware, wholesale', "
                "'Line 1\\nLine 2', 1999, 120000, 40.712776, " +
                dt +
                "(2023, 1, 5, 0, 0), True, 'memo with \"quotes\", commas\\nand a bare LF', "
                "'(NOT SUPPORTED)', 'NY', '10001-1234', \"O'Neil\", 'Ann']\n"
                "[2, None, None, None, None, None, None, None, None, None, '(NOT SUPPORTED)', "
                "None, None, None, None]\n"
                "[3, '\"', ',', 'only\\nLF', -5, 0, -73.5, " +
                dt +
                "(1900, 2, 28, 0, 0), False, 'Caf\\xe9 na\\xefve', '(NOT SUPPORTED)', 'CA', "
                "None, 'Zo\\xeb', 'B\\xe9la']\n"
                "[4, None, None, None, None, None, None, None, None, 32767, '(NOT SUPPORTED)', "
                "None, '00501', None, None]\n");
}

#ifdef LW_HAVE_SHAPELIB
struct TDbfCloser {
  void operator()(DBFInfo* h) const { DBFClose(h); }
};

TEST_F(ExportInterop, ShapelibReadsTheDbaseTableWithRenamedFields) {
  const std::string path = Export(efDbase, "result.dbf");
  std::unique_ptr<DBFInfo, TDbfCloser> dbf(DBFOpen(path.c_str(), "rb"));
  ASSERT_TRUE(dbf);
  ASSERT_EQ(DBFGetFieldCount(dbf.get()), FSource->FieldCount());
  ASSERT_EQ(DBFGetRecordCount(dbf.get()), 3);
  std::vector<TExportRow> rows;
  for (int i = 0; i < FSource->FieldCount(); ++i)
    rows.push_back({FSource->Fields(i).FieldName(), true});
  const std::vector<std::string> names = ExportFieldNames(rows, efDbase);
  EXPECT_EQ(names[2], "SICDESC003");
  EXPECT_EQ(names[14], "CONTACT015");
  int r = 0;
  for (FSource->First(); !FSource->Eof(); FSource->Next(), ++r) {
    for (int i = 0; i < FSource->FieldCount(); ++i) {
      char title[12] = {};
      int width = 0, decimals = 0;
      const DBFFieldType type = DBFGetFieldInfo(dbf.get(), i, title, &width, &decimals);
      ASSERT_EQ(std::string(title), names[static_cast<size_t>(i)]);
      TField& f = FSource->Fields(i);
      SCOPED_TRACE(f.FieldName() + " of record " + std::to_string(r + 1));
      const char letter = DBFGetNativeFieldType(dbf.get(), i);
      if (letter == 'M') continue;  // shapelib reads no memo files
      if (f.IsNull() && f.DataType() != ftAutoInc) {
        // A blank date is eight blanks, which shapelib 1.5.0 trims to "" without calling it
        // null (later versions do).
        EXPECT_TRUE(
            DBFIsAttributeNULL(dbf.get(), r, i) ||
            (letter == 'D' && std::string(DBFReadStringAttribute(dbf.get(), r, i)).empty()));
        continue;
      }
      switch (letter) {
        case 'C':
          EXPECT_EQ(DBFReadStringAttribute(dbf.get(), r, i), f.AsString());
          break;
        case 'N':
          if (type == FTInteger)
            EXPECT_EQ(DBFReadIntegerAttribute(dbf.get(), r, i), f.AsInteger());
          else
            EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(dbf.get(), r, i), f.AsFloat());
          break;
        case 'D': {
          std::string iso = f.AsString();  // YYYY-MM-DD
          EXPECT_EQ(DBFReadStringAttribute(dbf.get(), r, i),
                    iso.substr(0, 4) + iso.substr(5, 2) + iso.substr(8, 2));
          break;
        }
        case 'L':
          EXPECT_EQ(DBFReadLogicalAttribute(dbf.get(), r, i)[0], f.AsBoolean() ? 'T' : 'F');
          break;
        default:
          ADD_FAILURE() << "unexpected column type " << letter;
      }
    }
  }

  if (!*LW_DBFDUMP) return;
  int status = 0;
  const std::string dump = RunCommand(std::string(LW_DBFDUMP) + " -h " + Quote(path), status);
  ASSERT_EQ(status, 0) << dump;
  EXPECT_NE(dump.find("Title=`CONTACT015'"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Title=`SICDESC003'"), std::string::npos);
  EXPECT_NE(dump.find("Acme \"Best\" Tools, Inc."), std::string::npos);
}
#endif

#ifdef LW_HAVE_PXLIB
void IgnoreErrors(pxdoc_t*, int, const char*, void*) {}

TEST_F(ExportInterop, PxlibReadsTheParadoxTableWithItsBlobs) {
  const std::string path = Export(efParadox, "result.db");
  pxdoc_t* doc = PX_new3(IgnoreErrors, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(PX_open_file(doc, path.c_str()), 0);
  ASSERT_EQ(AttachBlobFile(doc, FDir.File("result.mb")), 0);
  ASSERT_EQ(PX_get_num_fields(doc), FSource->FieldCount());
  ASSERT_EQ(PX_get_num_records(doc), 3);
  std::vector<char> rec(static_cast<size_t>(PX_get_recordsize(doc)));
  int r = 0;
  for (FSource->First(); !FSource->Eof(); FSource->Next(), ++r) {
    ASSERT_TRUE(PX_get_record(doc, r, rec.data()));
    char* data = rec.data();
    for (int i = 0; i < FSource->FieldCount(); ++i) {
      pxfield_t* pf = PX_get_field(doc, i);
      TField& f = FSource->Fields(i);
      SCOPED_TRACE(f.FieldName() + " of record " + std::to_string(r + 1));
      EXPECT_EQ(std::string(pf->px_fname), f.FieldName());
      const bool null = f.IsNull();
      switch (pf->px_ftype) {
        case pxfAlpha: {
          char* s = nullptr;
          EXPECT_EQ(PX_get_data_alpha(doc, data, pf->px_flen, &s) > 0,
                    !null && !f.AsString().empty());
          EXPECT_EQ(s ? std::string(s) : std::string(), f.AsString());
          if (s) doc->free(doc, s);
          break;
        }
        case pxfLong:
        case pxfDate: {
          long l = 0;
          const int got = PX_get_data_long(doc, data, 4, &l);
          if (null) {  // pxlib's blank test reads 8 bytes here; the stored bytes tell
            EXPECT_EQ(std::string(data, 4), std::string(4, '\0'));
          } else {
            ASSERT_GT(got, 0);
            EXPECT_EQ(l, f.DataType() == ftDate ? f.Value().Int() : f.AsInteger());
          }
          break;
        }
        case pxfShort: {
          short s = 0;
          ASSERT_EQ(PX_get_data_short(doc, data, 2, &s) > 0, !null);
          EXPECT_EQ(s, f.AsInteger());
          break;
        }
        case pxfNumber: {
          double d = 0;
          ASSERT_EQ(PX_get_data_double(doc, data, 8, &d) > 0, !null);
          EXPECT_EQ(d, f.AsFloat());
          break;
        }
        case pxfLogical: {
          char c = 0;
          ASSERT_EQ(PX_get_data_byte(doc, data, 1, &c) > 0, !null);
          EXPECT_EQ(c != 0, f.AsBoolean());
          break;
        }
        case pxfMemoBLOb:
        case pxfGraphic: {
          int mod = 0, size = 0;
          char* blob = nullptr;
          const int got = pf->px_ftype == pxfGraphic
                              ? PX_get_data_graphic(doc, data, pf->px_flen, &mod, &size, &blob)
                              : PX_get_data_blob(doc, data, pf->px_flen, &mod, &size, &blob);
          EXPECT_EQ(got > 0 && size > 0, !null);
          EXPECT_EQ(Hex(blob ? std::string(blob, static_cast<size_t>(size)) : std::string()),
                    Hex(f.AsString()));
          if (blob) doc->free(doc, blob);
          break;
        }
        default:
          ADD_FAILURE() << "unexpected field type " << static_cast<int>(pf->px_ftype);
      }
      data += pf->px_flen;
    }
  }
  PX_close(doc);
  PX_delete(doc);
}
#endif

// Our own engine on the Paradox output: every value, blobs included, and the counter's values
// kept as plain integers.
TEST_F(ExportInterop, OurEngineReadsTheParadoxTableWithItsBlobs) {
  FSource->SetIndexFieldNames("COMPANY");
  const std::string path = Export(efParadox, "result.db");
  TTable t;
  t.SetTableName(path);
  t.Open();
  EXPECT_EQ(t.FieldByName("Result").DataType(), ftInteger);
  FSource->First();
  for (t.First(); !t.Eof(); t.Next(), FSource->Next()) {
    for (int i = 0; i < FSource->FieldCount(); ++i) {
      SCOPED_TRACE(FSource->Fields(i).FieldName());
      EXPECT_EQ(t.Fields(i).IsNull(), FSource->Fields(i).IsNull());
      EXPECT_EQ(Hex(t.Fields(i).AsString()), Hex(FSource->Fields(i).AsString()));
    }
  }
}

}  // namespace
}  // namespace lw::test
