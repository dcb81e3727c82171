#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Field.h"
#include "FieldDefs.h"
#include "FieldType.h"
#include "TableCodec.h"

namespace lw {

class TSession;
class TDataSource;

enum class TDataSetState { dsInactive, dsBrowse, dsInsert };

// A table: a cursor over the records of one Paradox or dBase file.
//
// Threads: one thread at a time, as its codec (TableCodec.h); nothing here is guarded. Two
// threads that need the same file each open a TTable of their own (the search worker appends
// to the result file through its own table while the grid reads it through the shared data
// object's); Refresh makes records posted through the other table visible. A table belongs
// to the session it names and is freed with it when the session created it.
//
// Reading is cheap on purpose: moving the cursor fetches a pointer into the codec's decoded
// block, and FieldText() returns a field's stored text without allocating, so a scan of the
// whole table with First/Next/Eof and FieldText is bounded by the disk.
class TTable {
 public:
  TTable();
  ~TTable();
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  // --- naming (only while closed) ---
  const std::string& DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const std::string& name);
  const std::string& TableName() const { return FTableName; }
  void SetTableName(const std::string& name);
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(const std::string& name);
  TTableType TableType() const { return FTableType; }
  void SetTableType(TTableType type);
  bool Exclusive() const { return FExclusive; }
  void SetExclusive(bool value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  // The file this table names: TableName joined to the database directory (unless it is
  // already a full path).
  std::string FullPath() const;
  // ttDefault resolved from the extension (".dbf" is dBase, anything else Paradox).
  TTableType EffectiveType() const;
  TSession* Session() const;

  // --- opening ---
  bool Active() const { return FCodec != nullptr; }
  void SetActive(bool value) { value ? Open() : Close(); }
  void Open();
  void Close();
  TDataSetState State() const { return FState; }
  TTableFileInfo FileInfo() const;

  // --- cursor (positions are in IndexFieldNames order) ---
  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const { return FEof; }
  bool Bof() const { return FBof; }
  int64_t RecNo() const;         // 1-based; 0 when there is no current record
  void SetRecNo(int64_t recNo);  // 1-based; clamps to the table
  void MoveBy(int64_t distance);
  int64_t RecordCount() const;
  // Re-reads the file's header: records posted by other tables become visible. The cursor
  // stays on the same record number.
  void Refresh();
  bool IsEmpty() const { return RecordCount() == 0; }

  // --- fields of the current record ---
  int FieldCount() const { return static_cast<int>(FFields.size()); }
  TField& Fields(int index) {
    // Inline: callers reach every field of every record they store through it. A closed
    // table has no fields, so the one compare also covers that.
    if (static_cast<size_t>(static_cast<unsigned>(index)) < FFields.size())
      return *FFields[static_cast<size_t>(index)];
    MissingField(index);
  }
  TField& FieldByName(const std::string& name);  // without regard to case; throws if absent
  TField* FindField(const std::string& name);    // nullptr if absent
  // The stored text of field `index` of the current record, without allocating: a view
  // into the record for text fields, into a per-field buffer for other kinds. Valid until
  // the cursor moves.
  std::string_view FieldText(int index) {
    // The scan's path, inline: a text field read in place from the current record.
    if (FNulTextSlots && FState == TDataSetState::dsBrowse &&
        static_cast<size_t>(static_cast<unsigned>(index)) < FNulTextSlots->size()) {
      const TNulTextSlot slot = (*FNulTextSlots)[static_cast<size_t>(index)];
      const uint8_t* rec = FRecord ? FRecord : CurrentRecord();
      if (slot.Width && rec) return NulText(rec, slot);
    }
    return ReadFieldText(index);
  }

  // --- editing ---
  void Append();
  void Insert();
  void Post();
  void Cancel();

  // --- order ---
  const std::string& IndexFieldNames() const { return FIndexFieldNames; }
  // Field names separated by ';'. Empty means table order. The order changes at once.
  void SetIndexFieldNames(const std::string& names);

  // --- bound views ---
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }
  void AttachDataSource(TDataSource* ds);
  void DetachDataSource(TDataSource* ds);

  // --- structure ---
  TFieldDefs& FieldDefs() { return FFieldDefs; }
  TIndexDefs& IndexDefs() { return FIndexDefs; }
  // Creates an empty table from FieldDefs and IndexDefs, replacing any old file. The table
  // must be closed.
  void CreateTable();
  // Replaces the closed table by an empty one built from FieldDefs and IndexDefs beside it and
  // protected with `password` (Paradox; empty: unprotected). A crash at any moment leaves the
  // old table or the new one; Open completes an interrupted replacement.
  void RecreateEmpty(const std::string& password);
  // Protects the closed Paradox table with a master password (empty: removes protection).
  void SetMasterPassword(const std::string& password);

  // --- used by TField ---
  bool FieldIsNull(int index);
  TValue FieldValue(int index);
  void SetFieldValue(int index, const TValue& value);
  void SetFieldText(int index, std::string_view text);
  TTableCodec* Codec() const { return FCodec.get(); }

 private:
  friend class TRecordCopy;

  void RequireActive(const char* what) const {
    if (!Active()) NotActive(what);  // inline: every move and every store asks
  }
  [[noreturn]] void NotActive(const char* what) const;
  [[noreturn]] void MissingField(int index) const;
  void RequireClosed(const char* what) const;
  void BuildFields();
  void LoadCurrent();
  void NotifyChanged();
  void NotifyScrolled();
  void ApplyOrder();
  int64_t PhysicalRecNo(int64_t pos) const;
  const uint8_t* CurrentRecord();
  std::string_view ReadFieldText(int index);
  bool Placed(int index) const {
    return FState == TDataSetState::dsInsert && FPlaced[static_cast<size_t>(index)];
  }
  std::string_view PlacedText(int index) const {
    return NulText(FEditImage.data(), FPlaceSlots[static_cast<size_t>(index)]);
  }
  void Stored();
  [[noreturn]] void Fail(const std::string& reason) const;

  std::string FDatabaseName;
  std::string FTableName;
  std::string FSessionName;
  TTableType FTableType = ttDefault;
  bool FExclusive = false;
  bool FReadOnly = false;
  TSession* FAttachedSession = nullptr;

  std::unique_ptr<TTableCodec> FCodec;
  std::vector<std::unique_ptr<TField>> FFields;
  std::vector<std::string> FTextBuffers;  // FieldText of non-text kinds
  std::vector<uint8_t> FTextFields;       // per field: a text kind (read in place)
  const std::vector<TNulTextSlot>* FNulTextSlots = nullptr;  // the codec's, when it has them
  TFieldDefs FFieldDefs{this};
  TIndexDefs FIndexDefs{this};

  TDataSetState FState = TDataSetState::dsInactive;
  int64_t FCount = 0;  // records as of the last open/refresh/post
  int64_t FPos = -1;   // current position, 0-based, -1 when none
  const uint8_t* FRecord = nullptr;
  bool FEof = true;
  bool FBof = true;
  std::vector<TValue> FEditValues;
  // With a codec that keeps texts in place (NulTextSlots), text fields being edited are written
  // straight into a record image, saving a value and its encoding per field.
  std::vector<uint8_t> FEditImage;        // empty: every field goes through FEditValues
  std::vector<TNulTextSlot> FPlaceSlots;  // per field: where it goes there, width 0: not there
  std::vector<uint8_t> FPlaced;           // per field: its text is in FEditImage, not FEditValues
  TValue FScratch;                        // a text on its way to a field of another kind
  int64_t FInsertPos = -1;                // -1: append

  std::string FIndexFieldNames;
  std::vector<int64_t> FOrder;  // position -> physical record number, empty for table order
  std::vector<int> FSortFields;
  std::vector<TValue> FLastSortKey;

  int FDisableCount = 0;
  bool FChangedWhileDisabled = false;
  std::vector<TDataSource*> FDataSources;
};

}  // namespace lw
