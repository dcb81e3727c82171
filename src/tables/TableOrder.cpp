#include "TableOrder.h"

#include <algorithm>
#include <cctype>
#include <numeric>

#include "Table.h"

namespace lw {

namespace {

bool IsNumeric(TValue::Kind k) {
  using K = TValue::Kind;
  return k == K::Integer || k == K::Float || k == K::Boolean || k == K::Date || k == K::Time ||
         k == K::DateTime;
}

int CompareText(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void ReadKey(TTableCodec& codec, int64_t recNo, const std::vector<int>& fields, TValue* out) {
  const uint8_t* rec = codec.Record(recNo);
  for (size_t f = 0; f < fields.size(); ++f) out[f] = codec.Value(rec, fields[f]);
}

int CompareKeys(const TValue* a, const TValue* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (int c = CompareValues(a[i], b[i])) return c;
  return 0;
}

}  // namespace

int CompareValues(const TValue& a, const TValue& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : a.IsNull() ? -1 : 1;
  if (IsNumeric(a.GetKind()) && IsNumeric(b.GetKind())) {
    if (a.GetKind() == TValue::Kind::Float || b.GetKind() == TValue::Kind::Float) {
      double x = a.ToFloat(), y = b.ToFloat();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    return a.Int() < b.Int() ? -1 : a.Int() > b.Int() ? 1 : 0;
  }
  return CompareText(a.ToString(), b.ToString());
}

void BuildOrder(TTable& table, std::vector<int64_t>& order, const std::vector<int>& fields,
                std::vector<TValue>& lastKey) {
  TTableCodec& codec = *table.Codec();
  const int64_t n = codec.RecordCount();
  const size_t k = fields.size();
  std::vector<TValue> keys(static_cast<size_t>(n) * k);
  for (int64_t r = 0; r < n; ++r) ReadKey(codec, r, fields, &keys[static_cast<size_t>(r) * k]);
  order.resize(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int64_t x, int64_t y) {
    return CompareKeys(&keys[static_cast<size_t>(x) * k], &keys[static_cast<size_t>(y) * k], k) < 0;
  });
  if (n > 0) {
    const TValue* last = &keys[static_cast<size_t>(order.back()) * k];
    lastKey.assign(last, last + k);
  } else {
    lastKey.clear();
  }
}

void ExtendOrder(TTable& table, std::vector<int64_t>& order, int64_t from, int64_t to,
                 const std::vector<int>& fields, std::vector<TValue>& lastKey) {
  TTableCodec& codec = *table.Codec();
  std::vector<TValue> key(fields.size());
  for (int64_t r = from; r < to; ++r) {
    ReadKey(codec, r, fields, key.data());
    if (!lastKey.empty() && CompareKeys(key.data(), lastKey.data(), key.size()) < 0) {
      BuildOrder(table, order, fields, lastKey);
      return;
    }
    order.push_back(r);
    lastKey = key;
  }
}

}  // namespace lw
