#include "CliListing.h"

#include <exception>

#include "Field.h"

namespace lw::cli {

TResultListing::TResultListing(TTable& results, bool raw, std::FILE* out)
    : FResults(results), FText(results, raw), FCsv(out) {
  for (int i = 0; i < FResults.FieldCount(); ++i) FCsv.Field(FText(FResults.Fields(i).FieldName()));
  FCsv.EndRow();
}

void TResultListing::CatchUp() {
  if (Failed()) return;
  try {
    FResults.Refresh();
    if (FResults.RecordCount() > FListed) {
      const int fields = FResults.FieldCount();
      for (FResults.SetRecNo(FListed + 1); !FResults.Eof(); FResults.Next()) {
        for (int i = 0; i < fields; ++i)
          FCsv.Field(FText.Field(FResults.Fields(i), FResults.FieldText(i)));
        FCsv.EndRow();
        ++FListed;
      }
    }
    FCsv.Flush();
  } catch (const std::exception& e) {
    FError = e.what();
  }
}

void TResultListing::Flush() {
  if (Failed()) return;
  try {
    FCsv.Flush();
  } catch (const std::exception& e) {
    FError = e.what();
  }
}

}  // namespace lw::cli
