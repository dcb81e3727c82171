/* px-bench: pxlib's side of `make bench`, the peer the engine is measured against.
 *   px-bench scan TABLE               full scan reading the search's ten positions through
 *                                     PX_get_record and PX_get_data_alpha
 *   px-bench write VALUES OUT.db [N]  a new Paradox table from a values file (ValuesFile.h),
 *                                     its first N records (all by default), PX_put_record
 * Each prints one line: seconds=S records=N checksum=C. */
#define _POSIX_C_SOURCE 200809L /* clock_gettime */
#include <paradox.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* TFieldType numbers of the engine (FieldType.h). */
enum {
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftBoolean = 5,
  ftFloat = 6,
  ftDate = 9,
  ftAutoInc = 14,
  ftMemo = 16
};

static const int kScanFields[] = {0, 2, 3, 4, 7, 8, 11, 12, 13, 14};

static double Now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static int Fail(const char* what) {
  fprintf(stderr, "px-bench: %s\n", what);
  return 1;
}

static int Scan(const char* path) {
  double start = Now();
  pxdoc_t* doc = PX_new();
  if (!doc || PX_open_file(doc, path) < 0) return Fail("cannot open the table");
  int fieldCount = PX_get_num_fields(doc);
  int records = PX_get_num_records(doc);
  pxfield_t* fields = PX_get_fields(doc);
  int offsets[256];
  int offset = 0;
  for (int i = 0; i < fieldCount && i < 256; ++i) {
    offsets[i] = offset;
    offset += fields[i].px_flen;
  }
  char* rec = malloc((size_t)PX_get_recordsize(doc));
  unsigned long long checksum = 0;
  for (int r = 0; r < records; ++r) {
    if (!PX_get_record(doc, r, rec)) return Fail("cannot read a record");
    for (size_t k = 0; k < sizeof kScanFields / sizeof kScanFields[0]; ++k) {
      int f = kScanFields[k];
      char* value = NULL;
      if (PX_get_data_alpha(doc, rec + offsets[f], fields[f].px_flen, &value) > 0 && value) {
        checksum += strlen(value);
        doc->free(doc, value);
      }
    }
  }
  free(rec);
  PX_close(doc);
  PX_delete(doc);
  printf("seconds=%.6f records=%d checksum=%llu\n", Now() - start, records, checksum);
  return 0;
}

/* The values file, read whole. */
struct Values {
  unsigned char* data;
  size_t size, pos;
  uint32_t fieldCount;
  uint64_t records;
  pxfield_t* fields;
};

static int Need(struct Values* v, size_t n) {
  return v->pos + n <= v->size;
}

static int LoadValues(const char* path, struct Values* v) {
  FILE* f = fopen(path, "rb");
  if (!f) return -1;
  fseek(f, 0, SEEK_END);
  v->size = (size_t)ftell(f);
  fseek(f, 0, SEEK_SET);
  v->data = malloc(v->size);
  if (fread(v->data, 1, v->size, f) != v->size) return -1;
  fclose(f);
  if (v->size < 16 || memcmp(v->data, "LWV1", 4) != 0) return -1;
  memcpy(&v->fieldCount, v->data + 4, 4);
  memcpy(&v->records, v->data + 8, 8);
  v->pos = 16;
  v->fields = calloc(v->fieldCount, sizeof(pxfield_t));
  for (uint32_t i = 0; i < v->fieldCount; ++i) {
    if (!Need(v, 4)) return -1;
    unsigned type = v->data[v->pos];
    uint16_t size;
    memcpy(&size, v->data + v->pos + 1, 2);
    unsigned nameLen = v->data[v->pos + 3];
    v->pos += 4;
    if (!Need(v, nameLen)) return -1;
    char* name = calloc(nameLen + 1, 1);
    memcpy(name, v->data + v->pos, nameLen);
    v->pos += nameLen;
    pxfield_t* pf = &v->fields[i];
    pf->px_fname = name;
    switch (type) {
      case ftString:
        pf->px_ftype = pxfAlpha;
        pf->px_flen = size;
        break;
      case ftSmallint:
        pf->px_ftype = pxfShort;
        pf->px_flen = 2;
        break;
      case ftInteger:
        pf->px_ftype = pxfLong;
        pf->px_flen = 4;
        break;
      case ftAutoInc:
        pf->px_ftype = pxfAutoInc;
        pf->px_flen = 4;
        break;
      case ftBoolean:
        pf->px_ftype = pxfLogical;
        pf->px_flen = 1;
        break;
      case ftFloat:
        pf->px_ftype = pxfNumber;
        pf->px_flen = 8;
        break;
      case ftDate:
        pf->px_ftype = pxfDate;
        pf->px_flen = 4;
        break;
      /* The engine's memo size is the part kept in the record; the field adds the 10-byte
       * blob reference. */
      case ftMemo:
        pf->px_ftype = pxfMemoBLOb;
        pf->px_flen = size + 10;
        break;
      default:
        return -1;
    }
  }
  return 0;
}

static int Write(const char* valuesPath, const char* outPath, long limit) {
  struct Values v;
  memset(&v, 0, sizeof v);
  if (LoadValues(valuesPath, &v) < 0) return Fail("cannot read the values file");
  uint64_t records = v.records;
  if (limit >= 0 && (uint64_t)limit < records) records = (uint64_t)limit;
  int recordSize = 0;
  int hasBlob = 0;
  for (uint32_t i = 0; i < v.fieldCount; ++i) {
    recordSize += v.fields[i].px_flen;
    if (v.fields[i].px_ftype == pxfMemoBLOb) hasBlob = 1;
  }
  char* rec = malloc((size_t)recordSize);
  char text[65536];

  double start = Now();
  pxdoc_t* doc = PX_new();
  if (!doc || PX_create_file(doc, v.fields, (int)v.fieldCount, outPath, pxfFileTypNonIndexDB) < 0)
    return Fail("cannot create the table");
  if (hasBlob) {
    char mb[4096];
    snprintf(mb, sizeof mb, "%.*s.mb", (int)(strlen(outPath) - 3), outPath);
    if (PX_set_blob_file(doc, mb) < 0) return Fail("cannot create the blob file");
  }
  unsigned long long checksum = 0;
  for (uint64_t r = 0; r < records; ++r) {
    int offset = 0;
    memset(rec, 0, (size_t)recordSize);
    for (uint32_t i = 0; i < v.fieldCount; ++i) {
      pxfield_t* pf = &v.fields[i];
      char* data = rec + offset;
      offset += pf->px_flen;
      if (!Need(&v, 2)) return Fail("truncated values file");
      uint16_t len;
      memcpy(&len, v.data + v.pos, 2);
      v.pos += 2;
      if (len == 0xFFFF) continue;
      if (!Need(&v, len)) return Fail("truncated values file");
      memcpy(text, v.data + v.pos, len);
      text[len] = '\0';
      v.pos += len;
      checksum += len;
      switch (pf->px_ftype) {
        case pxfAlpha:
          PX_put_data_alpha(doc, data, pf->px_flen, text);
          break;
        case pxfShort:
          PX_put_data_short(doc, data, 2, (short)atoi(text));
          break;
        case pxfLong:
        case pxfAutoInc:
          PX_put_data_long(doc, data, 4, atoi(text));
          break;
        case pxfLogical:
          PX_put_data_byte(doc, data, 1, text[0] == 'T' || text[0] == '1');
          break;
        case pxfNumber:
          PX_put_data_double(doc, data, 8, strtod(text, NULL));
          break;
        case pxfDate: {
          int y, m, d;
          if (sscanf(text, "%d-%d-%d", &y, &m, &d) == 3)
            PX_put_data_long(doc, data, 4, (int)(PX_GregorianToSdn(y, m, d) - 1721425));
          break;
        }
        case pxfMemoBLOb:
          PX_put_data_blob(doc, data, pf->px_flen, text, len);
          break;
      }
    }
    if (PX_put_record(doc, rec) < 0) return Fail("cannot write a record");
  }
  PX_close(doc);
  PX_delete(doc);
  printf("seconds=%.6f records=%llu checksum=%llu\n", Now() - start, (unsigned long long)records,
         checksum);
  free(rec);
  return 0;
}

int main(int argc, char** argv) {
  PX_boot();
  if (argc == 3 && strcmp(argv[1], "scan") == 0) return Scan(argv[2]);
  if ((argc == 4 || argc == 5) && strcmp(argv[1], "write") == 0)
    return Write(argv[2], argv[3], argc == 5 ? atol(argv[4]) : -1);
  fputs("usage: px-bench scan TABLE | write VALUES OUT.db [N]\n", stderr);
  return 1;
}
