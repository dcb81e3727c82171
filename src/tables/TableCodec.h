#pragma once

// The interface between the table objects (TTable, TField) and one file format.
// A codec is one open table file. It is used by one thread at a time; several codecs may be
// open on the same file at once (one per TTable), in this process and in others.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FieldDefs.h"
#include "NulText.h"
#include "Value.h"

namespace lw {

// Facts about an open file, for `ledgerwake-cli info` and for messages.
struct TTableFileInfo {
  std::string Format;  // "Paradox 7.x", "dBase III+ (0x83)", ...
  int CodePage = 0;    // 0 when the file records none
  bool Encrypted = false;
  bool Keyed = false;  // Paradox primary key present
  int KeyFieldCount = 0;
  int RecordSize = 0;
  int BlockSize = 0;  // Paradox data block size in bytes, 0 for dBase
};

struct TOpenOptions {
  bool Exclusive = false;
  bool ReadOnly = false;               // open without write access (no write lock taken)
  std::vector<std::string> Passwords;  // the session's registered passwords
};

// How one record becomes another: per field of the target, the field of the source record it
// takes (-1: none, the field stays blank) and, for text fields, an optional reformatting
// (the text is stored as reformatted when the function returns true, as it is otherwise).
using TTextReformat = std::function<bool(std::string_view text, std::string& out)>;
struct TFieldCopy {
  int Source = -1;
  TTextReformat Reformat;
};

// Appends records of one open table to another straight from their stored bytes: what
// decoding every field into a value and storing it again would give, without the values
// where both layouts agree. Built by the target's codec (TTableCodec::CopierFrom).
class TRecordCopier {
 public:
  virtual ~TRecordCopier() = default;
  // Stores a new record made from `sourceRecord` (a pointer from the source codec's Record),
  // written through as Append writes.
  virtual void Append(const uint8_t* sourceRecord) = 0;
};

class TTableCodec {
 public:
  virtual ~TTableCodec() = default;

  virtual const std::string& FileName() const = 0;
  virtual const std::vector<TFieldDef>& Fields() const = 0;
  // Indexes declared for the table: the primary key (from the header / .px) and the
  // secondary indexes found next to it.
  virtual std::vector<TIndexDef> Indexes() const = 0;
  virtual TTableFileInfo Info() const = 0;

  // Records known as of the last header read (open or Refresh).
  virtual int64_t RecordCount() const = 0;
  // Re-reads the header so that records posted through other codecs become visible.
  virtual void Refresh() = 0;

  // Raw bytes of record `recNo` (0-based, table order). The pointer stays valid until the
  // next call on this codec. Reading recNo + 1 after recNo must cost O(1) amortised (the
  // scan path); an arbitrary recNo must be reachable without reading every earlier record's
  // data (keep a block index). Throws EDatabaseError for a damaged file.
  virtual const uint8_t* Record(int64_t recNo) = 0;

  // Decoding from a pointer returned by Record(). Blob kinds read the memo/blob file.
  virtual bool IsNull(const uint8_t* rec, int field) = 0;
  virtual TValue Value(const uint8_t* rec, int field) = 0;
  // Stored text of a text field without its padding (Paradox: up to the first NUL; dBase:
  // trailing blanks removed), as a view into the record. Only for ftString fields.
  virtual std::string_view Text(const uint8_t* rec, int field) = 0;
  // For codecs whose texts end at their first NUL: where each field's text lies (what Text
  // returns, read without a call per field), or null.
  virtual const std::vector<TNulTextSlot>* NulTextSlots() const { return nullptr; }

  // Stores one record; values are already converted to each field's type (ConvertValue),
  // one per field; auto-increment fields are filled by the codec whatever the value says.
  // When this returns, the record and the header count are written through to the file.
  // Append adds at the end (keyed tables: at its key position). Insert stores before
  // record `recNo` in unkeyed tables (keyed tables ignore the position).
  virtual void Append(const std::vector<TValue>& values) = 0;
  virtual void Insert(int64_t recNo, const std::vector<TValue>& values) = 0;
  // Append (recNo < 0) or Insert of a record whose text fields marked in `placed` are already
  // in `image`, a record of this codec's layout, where NulTextSlots says (the image's other
  // bytes are ignored); the other fields come from `values`. Only for codecs with NulTextSlots:
  // the table's edit buffer writes texts there directly. This default reads them back into
  // values.
  virtual void StorePlaced(int64_t recNo, const std::vector<TValue>& values, const uint8_t* image,
                           const std::vector<uint8_t>& placed);

  // A copier of records from `source` into this table following `plan` (one entry per field
  // of this table), or null when this codec has none for that pair (the caller then copies
  // through values). The copier is used while both codecs are open.
  virtual std::unique_ptr<TRecordCopier> CopierFrom(TTableCodec& source,
                                                    const std::vector<TFieldCopy>& plan) {
    static_cast<void>(source);
    static_cast<void>(plan);
    return nullptr;
  }

  // Between BeginBatch and EndBatch the codec may keep its writer lock from one store to the
  // next, saving two system calls a record; other writers wait until EndBatch (or until the
  // codec is closed). Every store is still complete in the file when it returns, unless
  // HoldStores was called in the batch: then stores may stay in memory until EndBatch, which
  // writes them (and throws when it cannot); until then RecordCount and the codec's reads leave
  // them out, as every other reader does. Call EndBatch before anything that may wait for
  // another thread or process, and before telling anyone that held records are stored.
  virtual void BeginBatch() {}
  virtual void HoldStores() {}
  virtual void EndBatch() {}
};

// Paradox (.db with .mb and .px). Declared here, defined in paradox/.
std::unique_ptr<TTableCodec> OpenParadoxTable(const std::string& path, const TOpenOptions& opt);
// Creates an empty table (replacing the .db and its .mb, .px and secondary index files).
// `indexes`: the primary index (ixPrimary) makes the table keyed on its fields, which must be
// the leading fields; other indexes are recorded where the format allows and ignored
// otherwise. An empty password creates an unprotected table.
void CreateParadoxTable(const std::string& path, const std::vector<TFieldDef>& fields,
                        const std::vector<TIndexDef>& indexes, const std::string& password = "");
// Protects (or, with an empty password, unprotects) a closed Paradox table with a master
// password, rewriting its blocks and its .mb in the format other Paradox readers decrypt.
void SetParadoxMasterPassword(const std::string& path, const std::string& password,
                              const std::vector<std::string>& knownPasswords);
// The 32-bit password checksum stored in encrypted headers ("123" gives 0x0A25E09A).
uint32_t ParadoxPasswordChecksum(std::string_view password);

// dBase (.dbf with .dbt). Declared here, defined in dbase/.
std::unique_ptr<TTableCodec> OpenDbaseTable(const std::string& path, const TOpenOptions& opt);
// Creates an empty dBase III+ table; other field kinds are mapped (see dbase/). Throws for a
// name longer than 10 characters, a duplicate name or a field wider than the format allows.
void CreateDbaseTable(const std::string& path, const std::vector<TFieldDef>& fields);

// Deletes a table file and its companions (.mb, .px, .Xnn, .Ynn, .XGn, .YGn / .dbt, .mdx).
void DeleteTableFiles(const std::string& path);

// Replaces the table at `path` and its companions by the table `build` creates at the path it
// is given: the same file name in a directory beside the table. The old table is never
// touched until the new one is complete, and a crash at any moment leaves either the old
// table or a finished replacement that RecoverTableFiles completes. Refused while anyone else
// has the table open.
void ReplaceTableFiles(const std::string& path,
                       const std::function<void(const std::string& stagedPath)>& build);
// Completes a replacement of the table at `path` that a crash interrupted after its new files
// were complete, or discards one interrupted before that. Nothing to do is the usual case.
void RecoverTableFiles(const std::string& path);

}  // namespace lw
