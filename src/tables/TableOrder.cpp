#include "TableOrder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>

#include "Table.h"
#include "TableCodec.h"

namespace lw {

namespace {

bool IsNumeric(TValue::Kind k) {
  using K = TValue::Kind;
  return k == K::Integer || k == K::Float || k == K::Boolean || k == K::Date || k == K::Time ||
         k == K::DateTime;
}

// ASCII case only, whatever the locale: the order must not change with the user's settings.
inline unsigned char AsciiLower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = AsciiLower(static_cast<unsigned char>(a[i]));
    const unsigned char cb = AsciiLower(static_cast<unsigned char>(b[i]));
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

// --- one sort over keys read once ---------------------------------------------------------
// Ordering a million rows through a TValue per row (a string each) and comparisons that
// fold case character by character took seconds; these keys are read straight from the
// stored bytes, and most comparisons end in one integer compare.

// A record's text in the arenas (its folded copy at the same offset as the stored bytes).
struct TTextKey {
  uint64_t Chunk;  // folded bytes [depth, depth + 8) big-endian, zero past the end
  size_t Offset;
  uint32_t Length;
  int64_t Row;
};

// Folded bytes [depth, depth + 8) of a key as one big-endian number, zero past the text's end:
// one load and a byte swap. The folded store ends with eight zero bytes, so the load never
// leaves it.
inline uint64_t Chunk(const std::string& folded, const TTextKey& k, size_t depth) {
  if (depth >= k.Length) return 0;
  uint64_t v;
  std::memcpy(&v, folded.data() + k.Offset + depth, 8);
  v = __builtin_bswap64(v);
  const size_t left = k.Length - depth;
  return left >= 8 ? v : v & ~uint64_t{0} << (8 * (8 - left));
}

class TTextSorter {
 public:
  TTextSorter(const std::string& folded, const std::string& stored)
      : FFolded(folded), FStored(stored) {}

  // CompareText's order, stable: a multikey quicksort on the folded bytes (each part of a
  // common prefix is looked at once, not once per comparison); each run of texts equal but
  // for case is then put in order by the stored bytes and table order where it is found.
  // The rows of `keys` in that order are appended to `order`.
  void Sort(std::vector<TTextKey>& keys, std::vector<int64_t>& order) const {
    SortByFirstBytes(keys.data(), keys.size());
    for (const TTextKey& k : keys) order.push_back(k.Row);
  }

 private:
  // Texts equal but for case: by their stored bytes, then in table order. Most runs are one
  // text repeated (a city, a state), which needs no text comparison at all.
  void SortRun(TTextKey* a, size_t n) const {
    bool oneText = true;
    for (size_t i = 1; i < n && oneText; ++i)
      oneText = std::memcmp(&FStored[a[i].Offset], &FStored[a[0].Offset], a[0].Length) == 0;
    if (oneText) {
      std::sort(a, a + n, [](const TTextKey& x, const TTextKey& y) { return x.Row < y.Row; });
      return;
    }
    std::sort(a, a + n, [this](const TTextKey& x, const TTextKey& y) {
      if (int c = std::memcmp(&FStored[x.Offset], &FStored[y.Offset], x.Length)) return c < 0;
      return x.Row < y.Row;
    });
  }

  uint64_t ChunkAt(const TTextKey& k, size_t depth) const { return Chunk(FFolded, k, depth); }
  // Two texts equal in their first `depth` bytes and carrying the chunk at `depth`.
  bool SameFolded(const TTextKey& a, const TTextKey& b, size_t depth) const {
    if (a.Length != b.Length || a.Chunk != b.Chunk) return false;
    return a.Length <= depth + 8 ||
           std::memcmp(&FFolded[a.Offset + depth + 8], &FFolded[b.Offset + depth + 8],
                       a.Length - depth - 8) == 0;
  }
  // Folded order of two texts equal in their first `depth` bytes.
  bool Less(const TTextKey& a, const TTextKey& b, size_t depth) const {
    if (a.Chunk != b.Chunk) return a.Chunk < b.Chunk;
    const size_t common = std::min(a.Length, b.Length);
    if (common > depth)
      if (int c =
              std::memcmp(&FFolded[a.Offset + depth], &FFolded[b.Offset + depth], common - depth))
        return c < 0;
    return a.Length < b.Length;
  }

  // One counting pass on the first two bytes splits the keys into runs that the quicksort
  // below then orders each on its own: the top levels of partitioning, which touch every
  // key, are replaced by two passes over them.
  void SortByFirstBytes(TTextKey* keys, size_t n) const {
    if (n < 4096) return SortFrom(keys, n, 0);
    constexpr size_t kBuckets = 1 << 16;
    std::vector<size_t> start(kBuckets + 1, 0);
    for (size_t i = 0; i < n; ++i) ++start[(keys[i].Chunk >> 48) + 1];
    for (size_t b = 1; b <= kBuckets; ++b) start[b] += start[b - 1];
    // Left uninitialised: every element is written by the scatter below.
    std::unique_ptr<TTextKey[]> sorted(new TTextKey[n]);
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (size_t i = 0; i < n; ++i) sorted[next[keys[i].Chunk >> 48]++] = keys[i];
    std::copy(sorted.get(), sorted.get() + n, keys);
    sorted.reset();
    for (size_t b = 0; b < kBuckets; ++b) SortFrom(keys + start[b], start[b + 1] - start[b], 0);
  }

  // A multikey quicksort that takes eight bytes per level: each key carries the eight bytes
  // at the current depth, so partitioning reads the keys in order instead of the texts.
  void SortFrom(TTextKey* a, size_t n, size_t depth) const {
    while (n > 1) {
      if (n < 16) {
        for (size_t i = 1; i < n; ++i)
          for (size_t j = i; j > 0 && Less(a[j], a[j - 1], depth); --j) std::swap(a[j], a[j - 1]);
        for (size_t i = 0; i < n;) {
          size_t j = i + 1;
          while (j < n && SameFolded(a[i], a[j], depth)) ++j;
          if (j - i > 1) SortRun(a + i, j - i);
          i = j;
        }
        return;
      }
      const uint64_t x = a[0].Chunk, y = a[n / 2].Chunk, z = a[n - 1].Chunk;
      const uint64_t pivot = std::max(std::min(x, y), std::min(std::max(x, y), z));
      size_t lt = 0, i = 0, gt = n;
      while (i < gt) {
        if (a[i].Chunk < pivot)
          std::swap(a[lt++], a[i++]);
        else if (a[i].Chunk > pivot)
          std::swap(a[i], a[--gt]);
        else
          ++i;
      }
      SortFrom(a, lt, depth);
      SortFrom(a + gt, n - gt, depth);
      // The equal part: texts that end within these eight bytes come first, shorter first
      // (they differ in nothing else); the rest go on with the next eight bytes.
      a += lt;
      n = gt - lt;
      TTextKey* rest =
          std::partition(a, a + n, [depth](const TTextKey& k) { return k.Length <= depth + 8; });
      std::sort(a, rest, [](const TTextKey& p, const TTextKey& q) { return p.Length < q.Length; });
      for (TTextKey* run = a; run != rest;) {
        TTextKey* end = run + 1;
        while (end != rest && end->Length == run->Length) ++end;
        if (end - run > 1) SortRun(run, static_cast<size_t>(end - run));
        run = end;
      }
      n -= static_cast<size_t>(rest - a);
      a = rest;
      depth += 8;
      for (size_t k = 0; k < n; ++k) a[k].Chunk = ChunkAt(a[k], depth);
    }
  }

  const std::string& FFolded;
  const std::string& FStored;
};

// Texts that end at their first NUL are read straight from the record (a blank one is null);
// others through the codec.
void OrderByText(TTableCodec& codec, int field, std::vector<int64_t>& order) {
  const int64_t n = codec.RecordCount();
  const auto* slots = codec.NulTextSlots();
  const TNulTextSlot slot = slots ? (*slots)[static_cast<size_t>(field)] : TNulTextSlot{};
  std::vector<TTextKey> keys;
  keys.reserve(static_cast<size_t>(n));
  std::string stored, folded;
  // Sized for the widest texts up front (up to a quarter of a gigabyte each, growing as needed
  // beyond): only the pages the texts fill are ever touched, and they are not copied as the
  // stores grow.
  const size_t width =
      static_cast<size_t>(std::max(0, codec.Fields()[static_cast<size_t>(field)].Size));
  const size_t room = std::min<size_t>(static_cast<size_t>(n) * width, size_t{1} << 28) + 8;
  stored.reserve(room);
  folded.reserve(room);
  order.clear();
  order.reserve(static_cast<size_t>(n));
  for (int64_t r = 0; r < n; ++r) {
    const uint8_t* rec = codec.Record(r);
    std::string_view text;
    bool null;
    if (slot.Width) {
      text = NulText(rec, slot);
      null = text.empty();
    } else {
      null = codec.IsNull(rec, field);
      if (!null) text = codec.Text(rec, field);
    }
    if (null) {
      order.push_back(r);  // nulls first, in table order
      continue;
    }
    TTextKey k{0, stored.size(), static_cast<uint32_t>(text.size()), r};
    stored.append(text);
    folded.append(text);
    for (char* p = folded.data() + k.Offset; p != folded.data() + folded.size(); ++p)
      *p = static_cast<char>(AsciiLower(static_cast<unsigned char>(*p)));
    keys.push_back(k);
  }
  folded.append(8, '\0');
  for (TTextKey& k : keys) k.Chunk = Chunk(folded, k, 0);
  TTextSorter(folded, stored).Sort(keys, order);
}

template <typename T>
struct TNumberKey {
  T Value;
  int64_t Row;
  bool Null;
};

template <typename T>
void SortNumbers(std::vector<TNumberKey<T>>& keys, std::vector<int64_t>& order) {
  std::sort(keys.begin(), keys.end(), [](const TNumberKey<T>& a, const TNumberKey<T>& b) {
    if (a.Null != b.Null) return a.Null;
    if (a.Value != b.Value) return a.Value < b.Value;
    return a.Row < b.Row;
  });
  order.resize(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].Row;
}

// Numbers and calendar values: whole numbers compare as such, and all as doubles as soon as
// one value is a float, as CompareValues does.
void OrderByNumber(TTableCodec& codec, int field, std::vector<int64_t>& order) {
  const int64_t n = codec.RecordCount();
  std::vector<TNumberKey<int64_t>> whole(static_cast<size_t>(n));
  std::vector<double> real(static_cast<size_t>(n));
  bool anyFloat = false;
  for (int64_t r = 0; r < n; ++r) {
    const TValue v = codec.Value(codec.Record(r), field);
    const auto i = static_cast<size_t>(r);
    whole[i] = {v.IsNull() ? 0 : v.Int(), r, v.IsNull()};
    real[i] = v.IsNull() ? 0 : v.ToFloat();
    anyFloat = anyFloat || v.GetKind() == TValue::Kind::Float;
  }
  if (!anyFloat) return SortNumbers(whole, order);
  std::vector<TNumberKey<double>> keys(whole.size());
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = {real[i], whole[i].Row, whole[i].Null};
  SortNumbers(keys, order);
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
  const TFieldType type =
      k == 1 ? codec.Fields().at(static_cast<size_t>(fields[0])).DataType : ftUnknown;
  if (type == ftString || type == ftBoolean || IsNumberType(type)) {
    if (type == ftString)
      OrderByText(codec, fields[0], order);
    else
      OrderByNumber(codec, fields[0], order);
    lastKey.assign(n > 0 ? k : 0, TValue::Null());
    if (n > 0) ReadKey(codec, order.back(), fields, lastKey.data());
    return;
  }
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
