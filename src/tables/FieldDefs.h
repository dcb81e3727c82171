#pragma once

#include <string>
#include <vector>

#include "FieldType.h"

namespace lw {

class TTable;

// Definition of one field: what CreateTable builds and what an open table reports.
struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;  // width of text and byte fields; decimals of BCD; 0 otherwise
  bool Required = false;
  int Precision = 0;  // dBase N/F: decimals; Paradox: unused
};

class TFieldDefs {
 public:
  explicit TFieldDefs(TTable* owner = nullptr) : FOwner(owner) {}
  void Clear() { FItems.clear(); }
  TFieldDef& Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
  int Count() const { return static_cast<int>(FItems.size()); }
  TFieldDef& operator[](int i) { return FItems.at(i); }
  const TFieldDef& operator[](int i) const { return FItems.at(i); }
  int IndexOf(const std::string& name) const;  // without regard to case; -1 when absent
  const std::vector<TFieldDef>& Items() const { return FItems; }
  std::vector<TFieldDef>& Items() { return FItems; }
  // Reads the definitions from the owner table (which must be open).
  void Update();

 private:
  TTable* FOwner;
  std::vector<TFieldDef> FItems;
};

enum TIndexOption { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8 };

struct TIndexDef {
  std::string Name;    // empty for the primary index
  std::string Fields;  // field names separated by ';'
  int Options = 0;     // TIndexOption bits
};

class TIndexDefs {
 public:
  explicit TIndexDefs(TTable* owner = nullptr) : FOwner(owner) {}
  void Clear() { FItems.clear(); }
  TIndexDef& Add(const std::string& name, const std::string& fields, int options);
  int Count() const { return static_cast<int>(FItems.size()); }
  TIndexDef& operator[](int i) { return FItems.at(i); }
  const TIndexDef& operator[](int i) const { return FItems.at(i); }
  const std::vector<TIndexDef>& Items() const { return FItems; }
  std::vector<TIndexDef>& Items() { return FItems; }
  // Reads the definitions from the owner table (which must be open).
  void Update();

 private:
  TTable* FOwner;
  std::vector<TIndexDef> FItems;
};

}  // namespace lw
