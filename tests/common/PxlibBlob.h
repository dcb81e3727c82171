#pragma once

// pxlib, the Paradox library the interoperability tests read our tables with: its header,
// the stream functions libpx exports without declaring them, and a way to attach a blob file.
#include <cstdio>
#include <string>

extern "C" {  // the header has no C++ guard
#include <paradox.h>

// Exported by libpx, not declared in its header.
pxstream_t* px_stream_new_file(pxdoc_t* pxdoc, int mode, int close, FILE* fp);
size_t px_mb_read(pxblob_t* p, pxstream_t* stream, size_t numbytes, void* buffer);
int px_mb_seek(pxblob_t* p, pxstream_t* stream, long offset, int whence);
long px_mb_tell(pxblob_t* p, pxstream_t* stream);
size_t px_mb_write(pxblob_t* p, pxstream_t* stream, size_t numbytes, void* buffer);
mbhead_t* get_mb_head(pxblob_t* pxblob, pxstream_t* pxs);
}

namespace lw::test {

// PX_set_blob_file of Debian's pxlib 0.6.8 overruns a stack buffer in its block-list scan;
// reading needs no block list, so the file is attached through pxlib's own stream functions.
inline int AttachBlobFile(pxdoc_t* doc, const std::string& path) {
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (!fp) return -1;
  pxblob_t* blob = PX_new_blob(doc);
  blob->mb_stream = px_stream_new_file(doc, pxfFileRead, px_true, fp);
  blob->read = px_mb_read;
  blob->seek = px_mb_seek;
  blob->tell = px_mb_tell;
  blob->write = px_mb_write;
  blob->mb_name = PX_strdup(doc, path.c_str());
  blob->mb_head = get_mb_head(blob, blob->mb_stream);
  return blob->mb_head ? 0 : -1;
}

}  // namespace lw::test
