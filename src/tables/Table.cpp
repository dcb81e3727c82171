#include "Table.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <numeric>

#include "DataSource.h"
#include "DatabaseError.h"
#include "NameCompare.h"
#include "Session.h"
#include "TableOrder.h"

namespace lw {

namespace {

std::string LowerExt(const std::string& name) {
  auto slash = name.find_last_of('/');
  auto dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

TTable::TTable() = default;

TTable::~TTable() {
  try {
    Close();
  } catch (...) {
    // Closing only drops descriptors; nothing the caller could act on.
  }
  for (TDataSource* ds : FDataSources) ds->DataSetDestroyed();
}

// ---------------------------------------------------------------- naming

void TTable::RequireClosed(const char* what) const {
  if (Active()) Fail(std::string("cannot ") + what + " of an open table");
}

void TTable::NotActive(const char* what) const {
  Fail(std::string("cannot ") + what + ": the table is not open");
}

void TTable::Fail(const std::string& reason) const {
  ThrowTableError(FullPath(), reason);
}

void TTable::SetDatabaseName(const std::string& name) {
  RequireClosed("change the database name");
  FDatabaseName = name;
}

void TTable::SetTableName(const std::string& name) {
  RequireClosed("change the table name");
  FTableName = name;
}

void TTable::SetSessionName(const std::string& name) {
  RequireClosed("change the session");
  FSessionName = name;
}

void TTable::SetTableType(TTableType type) {
  RequireClosed("change the table type");
  FTableType = type;
}

void TTable::SetExclusive(bool value) {
  RequireClosed("change the exclusive mode");
  FExclusive = value;
}

void TTable::SetReadOnly(bool value) {
  RequireClosed("change the read-only mode");
  FReadOnly = value;
}

TTableType TTable::EffectiveType() const {
  if (FTableType != ttDefault) return FTableType;
  return LowerExt(FTableName) == "dbf" ? ttDBase : ttParadox;
}

std::string TTable::FullPath() const {
  std::string name = FTableName;
  if (LowerExt(name).empty() && !name.empty()) name += FTableType == ttDBase ? ".dbf" : ".db";
  if (name.empty() || name.front() == '/' || FDatabaseName.empty()) return name;
  std::string dir = FDatabaseName;
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return dir + "/" + name;
}

TSession* TTable::Session() const {
  return TSession::Find(FSessionName);
}

// ---------------------------------------------------------------- opening

void TTable::Open() {
  if (Active()) return;
  if (FTableName.empty()) throw EDatabaseError("Table name is missing");
  TSession* session = Session();
  if (!session) Fail("session '" + FSessionName + "' not found");
  if (!session->Active()) session->Open();

  TOpenOptions opt;
  opt.Exclusive = FExclusive;
  opt.ReadOnly = FReadOnly;
  opt.Passwords = session->Passwords();
  const std::string path = FullPath();
  // A replacement (RecreateEmpty) that a crash cut short is finished before anyone reads.
  if (!FReadOnly) RecoverTableFiles(path);
  FCodec = EffectiveType() == ttDBase ? OpenDbaseTable(path, opt) : OpenParadoxTable(path, opt);

  BuildFields();
  FState = TDataSetState::dsBrowse;
  FCount = FCodec->RecordCount();
  session->Attach(this);
  FAttachedSession = session;
  try {
    ApplyOrder();
  } catch (...) {
    Close();
    throw;
  }
  FPos = FCount > 0 ? 0 : -1;
  FBof = true;
  FEof = FCount == 0;
  FRecord = nullptr;
  NotifyChanged();
}

void TTable::Close() {
  if (!Active()) return;
  FCodec.reset();
  FFields.clear();
  FTextBuffers.clear();
  FTextFields.clear();
  FNulTextSlots = nullptr;
  FEditValues.clear();
  FEditImage.clear();
  FPlaceSlots.clear();
  FPlaced.clear();
  FOrder.clear();
  FState = TDataSetState::dsInactive;
  FCount = 0;
  FPos = -1;
  FRecord = nullptr;
  FEof = FBof = true;
  if (FAttachedSession) FAttachedSession->Detach(this);
  FAttachedSession = nullptr;
  NotifyChanged();
}

TTableFileInfo TTable::FileInfo() const {
  RequireActive("read the file information");
  return FCodec->Info();
}

void TTable::BuildFields() {
  FFields.clear();
  const auto& defs = FCodec->Fields();
  for (size_t i = 0; i < defs.size(); ++i) {
    const TFieldDef& d = defs[i];
    FFields.push_back(std::make_unique<TField>(this, static_cast<int>(i), d.Name, d.DataType,
                                               d.Size, d.Required));
  }
  FTextBuffers.assign(defs.size(), std::string());
  FTextFields.clear();
  for (const TFieldDef& d : defs) FTextFields.push_back(d.DataType == ftString);
  FNulTextSlots = FCodec->NulTextSlots();
  if (FNulTextSlots && FNulTextSlots->size() != defs.size()) FNulTextSlots = nullptr;
  FEditImage.clear();
  FPlaceSlots.clear();
  if (FNulTextSlots && !FReadOnly) {  // a read-only table never edits
    for (size_t i = 0; i < defs.size(); ++i) {
      TNulTextSlot slot = (*FNulTextSlots)[i];
      if (defs[i].DataType != ftString) slot.Width = 0;
      if (defs[i].Size > 0) slot.Width = std::min(slot.Width, static_cast<uint32_t>(defs[i].Size));
      if (slot.Width) FEditImage.assign(slot.Offset + slot.Readable, 0);
      FPlaceSlots.push_back(slot);
    }
  }
}

// ---------------------------------------------------------------- cursor

int64_t TTable::PhysicalRecNo(int64_t pos) const {
  return FOrder.empty() ? pos : FOrder[static_cast<size_t>(pos)];
}

void TTable::LoadCurrent() {
  // Fetched lazily by the field accessors: moving is cheap, and Post need not read back.
  FRecord = nullptr;
  NotifyScrolled();
}

void TTable::First() {
  RequireActive("move to the first record");
  if (FState == TDataSetState::dsInsert) Cancel();
  FBof = true;
  FEof = FCount == 0;
  FPos = FCount > 0 ? 0 : -1;
  LoadCurrent();
}

void TTable::Next() {
  RequireActive("move to the next record");
  if (FState == TDataSetState::dsInsert) Cancel();
  if (FPos + 1 < FCount) {
    ++FPos;
    FBof = false;
    FRecord = nullptr;
    if (!FDataSources.empty()) NotifyScrolled();
  } else {
    FEof = true;
  }
}

void TTable::Prior() {
  RequireActive("move to the prior record");
  if (FState == TDataSetState::dsInsert) Cancel();
  if (FPos > 0) {
    --FPos;
    FEof = false;
    LoadCurrent();
  } else {
    FBof = true;
  }
}

void TTable::Last() {
  RequireActive("move to the last record");
  if (FState == TDataSetState::dsInsert) Cancel();
  FEof = true;
  FBof = FCount == 0;
  FPos = FCount - 1;
  LoadCurrent();
}

int64_t TTable::RecNo() const {
  if (!Active() || FState == TDataSetState::dsInsert) return 0;
  return FPos + 1;
}

void TTable::SetRecNo(int64_t recNo) {
  RequireActive("move to a record");
  if (FState == TDataSetState::dsInsert) Cancel();
  if (FCount == 0) return;
  FPos = std::clamp<int64_t>(recNo, 1, FCount) - 1;
  FEof = FBof = false;
  LoadCurrent();
}

void TTable::MoveBy(int64_t distance) {
  RequireActive("move");
  if (FCount == 0) return;
  int64_t target = FPos + distance;
  if (target >= FCount) {
    SetRecNo(FCount);
    FEof = true;
  } else if (target < 0) {
    SetRecNo(1);
    FBof = true;
  } else {
    SetRecNo(target + 1);
  }
}

int64_t TTable::RecordCount() const {
  return Active() ? FCount : 0;
}

void TTable::Refresh() {
  RequireActive("refresh");
  if (FState == TDataSetState::dsInsert) Fail("cannot refresh while a record is being inserted");
  const int64_t before = FCount;
  FCodec->Refresh();
  FCount = FCodec->RecordCount();
  if (!FIndexFieldNames.empty()) {
    if (FCount >= before && !FOrder.empty())
      ExtendOrder(*this, FOrder, before, FCount, FSortFields, FLastSortKey);
    else
      ApplyOrder();
  }
  if (FCount == 0) {
    FPos = -1;
    FEof = FBof = true;
  } else {
    if (FPos < 0) FPos = 0;
    FPos = std::min(FPos, FCount - 1);
    FEof = FBof = false;
  }
  FRecord = nullptr;
  NotifyChanged();
}

// ---------------------------------------------------------------- fields

void TTable::MissingField(int index) const {
  RequireActive("read a field");
  Fail("field index " + std::to_string(index) + " out of range");
}

TField* TTable::FindField(const std::string& name) {
  for (auto& f : FFields)
    if (SameName(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField& TTable::FieldByName(const std::string& name) {
  RequireActive("read a field");
  if (TField* f = FindField(name)) return *f;
  Fail("field '" + name + "' not found");
}

const uint8_t* TTable::CurrentRecord() {
  if (FPos < 0 || FPos >= FCount) return nullptr;
  if (!FRecord) FRecord = FCodec->Record(PhysicalRecNo(FPos));
  return FRecord;
}

std::string_view TTable::ReadFieldText(int index) {
  // One unsigned compare covers a negative index and a closed table (no fields); the scan
  // calls this for every field of every record.
  if (static_cast<size_t>(static_cast<unsigned>(index)) >= FFields.size()) MissingField(index);
  if (FState == TDataSetState::dsInsert) {
    if (Placed(index)) return PlacedText(index);
    FTextBuffers[static_cast<size_t>(index)] = FEditValues[static_cast<size_t>(index)].ToString();
    return FTextBuffers[static_cast<size_t>(index)];
  }
  const uint8_t* rec = FRecord ? FRecord : CurrentRecord();
  if (!rec) return {};
  if (FNulTextSlots) {
    const TNulTextSlot slot = (*FNulTextSlots)[static_cast<size_t>(index)];
    if (slot.Width) return NulText(rec, slot);
  }
  if (FTextFields[static_cast<size_t>(index)]) return FCodec->Text(rec, index);
  std::string& buf = FTextBuffers[static_cast<size_t>(index)];
  buf = FCodec->Value(rec, index).ToString();
  return buf;
}

bool TTable::FieldIsNull(int index) {
  // A placed text counts as set, even when empty, as a text value does.
  if (Placed(index)) return false;
  if (FState == TDataSetState::dsInsert) return FEditValues[static_cast<size_t>(index)].IsNull();
  const uint8_t* rec = CurrentRecord();
  return rec ? FCodec->IsNull(rec, index) : true;
}

TValue TTable::FieldValue(int index) {
  if (Placed(index)) return TValue::String(PlacedText(index));
  if (FState == TDataSetState::dsInsert) return FEditValues[static_cast<size_t>(index)];
  const uint8_t* rec = CurrentRecord();
  return rec ? FCodec->Value(rec, index) : TValue::Null();
}

void TTable::SetFieldValue(int index, const TValue& value) {
  if (FState != TDataSetState::dsInsert) Fail("table is not in insert mode");
  const TField& f = *FFields[static_cast<size_t>(index)];
  FEditValues[static_cast<size_t>(index)] =
      StoredFieldValue(value, f.DataType(), f.Size(), f.FieldName());
  if (FPlaced[static_cast<size_t>(index)]) {
    // The image's bytes of a field not placed stay zero (see SetFieldText).
    const TNulTextSlot slot = FPlaceSlots[static_cast<size_t>(index)];
    std::memset(FEditImage.data() + slot.Offset, 0, slot.Width);
    FPlaced[static_cast<size_t>(index)] = 0;
  }
}

void TTable::SetFieldText(int index, std::string_view text) {
  const size_t i = static_cast<size_t>(index);
  if (FState == TDataSetState::dsInsert && i < FPlaceSlots.size() && FPlaceSlots[i].Width) {
    // The bytes the codec would store: the text cut to the field, zeros after it. The field's
    // bytes are zero since Append unless a text was placed there since.
    const TNulTextSlot slot = FPlaceSlots[i];
    const size_t n = std::min<size_t>(text.size(), slot.Width);
    uint8_t* p = FEditImage.data() + slot.Offset;
    std::memcpy(p, text.data(), n);
    if (FPlaced[i]) std::memset(p + n, 0, slot.Width - n);
    FPlaced[i] = 1;
    return;
  }
  const TField& f = *FFields[i];
  const TFieldType type = f.DataType();
  const bool textKind = type == ftString || type == ftMemo || type == ftFmtMemo;
  if (FState != TDataSetState::dsInsert || !textKind) {
    FScratch.AssignString(text);
    return SetFieldValue(index, FScratch);
  }
  // Text into a text field: cut to size and stored in one step, without a converted copy.
  if (type == ftString && f.Size() > 0 && text.size() > static_cast<size_t>(f.Size()))
    text = text.substr(0, static_cast<size_t>(f.Size()));
  FEditValues[i].AssignString(text);
}

// ---------------------------------------------------------------- editing

void TTable::Append() {
  RequireActive("append");
  if (FReadOnly) Fail("cannot modify a read-only table");
  FState = TDataSetState::dsInsert;
  // The buffer is kept from record to record: its texts keep their storage.
  FEditValues.resize(FFields.size());
  for (TValue& v : FEditValues) v.Clear();
  FPlaced.assign(FFields.size(), 0);
  std::fill(FEditImage.begin(), FEditImage.end(), uint8_t{0});
  FInsertPos = -1;
  NotifyScrolled();
}

void TTable::Insert() {
  Append();
  FInsertPos = FPos >= 0 && FPos < FCount ? PhysicalRecNo(FPos) : -1;
}

void TTable::Post() {
  RequireActive("post");
  if (FState != TDataSetState::dsInsert) return;
  for (size_t i = 0; i < FFields.size(); ++i) {
    if (FFields[i]->Required() && FFields[i]->DataType() != ftAutoInc && FEditValues[i].IsNull() &&
        !FPlaced[i])
      Fail("field '" + FFields[i]->FieldName() + "' must have a value");
  }
  if (!FEditImage.empty())
    FCodec->StorePlaced(FInsertPos, FEditValues, FEditImage.data(), FPlaced);
  else if (FInsertPos < 0)
    FCodec->Append(FEditValues);
  else
    FCodec->Insert(FInsertPos, FEditValues);
  FState = TDataSetState::dsBrowse;
  Stored();
}

// After a record went into the file: the count, the order and the position follow it.
void TTable::Stored() {
  const int64_t before = FCount;
  FCount = FCodec->RecordCount();
  if (!FIndexFieldNames.empty()) ApplyOrder();
  if (FCount > 0) {
    FPos = (FInsertPos < 0 || !FOrder.empty()) ? std::min(FCount - 1, std::max<int64_t>(before, 0))
                                               : FInsertPos;
    if (FPos >= FCount) FPos = FCount - 1;
    FEof = FBof = false;
  }
  FRecord = nullptr;
  if (!FDataSources.empty()) NotifyChanged();
}

void TTable::Cancel() {
  if (FState != TDataSetState::dsInsert) return;
  FState = TDataSetState::dsBrowse;
  FEditValues.clear();
  NotifyScrolled();
}

// ---------------------------------------------------------------- order

void TTable::SetIndexFieldNames(const std::string& names) {
  if (names == FIndexFieldNames && !FOrder.empty()) return;
  std::string old = FIndexFieldNames;
  FIndexFieldNames = names;
  if (!Active()) return;
  const int64_t phys = FPos >= 0 ? PhysicalRecNo(FPos) : -1;
  try {
    ApplyOrder();
  } catch (...) {
    FIndexFieldNames = old;
    ApplyOrder();
    throw;
  }
  // Stay on the same record in the new order.
  if (phys >= 0) {
    if (FOrder.empty()) {
      FPos = phys;
    } else {
      auto it = std::find(FOrder.begin(), FOrder.end(), phys);
      FPos = it == FOrder.end() ? 0 : it - FOrder.begin();
    }
  }
  FRecord = nullptr;
  NotifyChanged();
}

void TTable::ApplyOrder() {
  FOrder.clear();
  FSortFields.clear();
  FLastSortKey.clear();
  if (FIndexFieldNames.empty() || !Active()) return;
  size_t start = 0;
  while (start <= FIndexFieldNames.size()) {
    size_t end = FIndexFieldNames.find(';', start);
    if (end == std::string::npos) end = FIndexFieldNames.size();
    std::string name = FIndexFieldNames.substr(start, end - start);
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (!name.empty()) {
      TField* f = FindField(name);
      if (!f) Fail("field '" + name + "' not found");
      FSortFields.push_back(f->Index());
    }
    start = end + 1;
  }
  BuildOrder(*this, FOrder, FSortFields, FLastSortKey);
}

// ---------------------------------------------------------------- bound views

void TTable::DisableControls() {
  ++FDisableCount;
}

void TTable::EnableControls() {
  if (FDisableCount > 0 && --FDisableCount == 0 && FChangedWhileDisabled) {
    FChangedWhileDisabled = false;
    NotifyChanged();
  }
}

void TTable::AttachDataSource(TDataSource* ds) {
  if (std::find(FDataSources.begin(), FDataSources.end(), ds) == FDataSources.end())
    FDataSources.push_back(ds);
}

void TTable::DetachDataSource(TDataSource* ds) {
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), ds), FDataSources.end());
}

void TTable::NotifyChanged() {
  if (FDisableCount > 0) {
    FChangedWhileDisabled = true;
    return;
  }
  for (TDataSource* ds : FDataSources) ds->NotifyChanged();
}

void TTable::NotifyScrolled() {
  if (FDisableCount > 0) {
    FChangedWhileDisabled = true;
    return;
  }
  for (TDataSource* ds : FDataSources) ds->NotifyScrolled();
}

// ---------------------------------------------------------------- structure

void TTable::CreateTable() {
  RequireClosed("create the table");
  if (FFieldDefs.Count() == 0) Fail("cannot create a table without field definitions");
  const std::string path = FullPath();
  if (EffectiveType() == ttDBase)
    CreateDbaseTable(path, FFieldDefs.Items());
  else
    CreateParadoxTable(path, FFieldDefs.Items(), FIndexDefs.Items());
}

void TTable::RecreateEmpty(const std::string& password) {
  RequireClosed("recreate the table");
  if (FFieldDefs.Count() == 0) Fail("cannot create a table without field definitions");
  const bool dbase = EffectiveType() == ttDBase;
  if (dbase && !password.empty()) Fail("only Paradox tables can be protected with a password");
  ReplaceTableFiles(FullPath(), [&](const std::string& staged) {
    if (dbase)
      CreateDbaseTable(staged, FFieldDefs.Items());
    else
      CreateParadoxTable(staged, FFieldDefs.Items(), FIndexDefs.Items(), password);
  });
}

void TTable::SetMasterPassword(const std::string& password) {
  RequireClosed("change the password");
  if (EffectiveType() != ttParadox) Fail("only Paradox tables can be protected with a password");
  TSession* s = Session();
  SetParadoxMasterPassword(FullPath(), password, s ? s->Passwords() : std::vector<std::string>());
}

}  // namespace lw
