#include "ParadoxBlockWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "ParadoxCrypt.h"

namespace lw::paradox {

namespace {
// Enough to keep the thread busy while the batch's thread fills the next blocks, little enough
// that memory stays small when the disk is the slower of the two.
constexpr size_t kMaxQueued = 16;
// Waking a thread costs about as much as writing a block: it is woken for several at a time.
constexpr size_t kWakeAt = 4;
}  // namespace

void WriteBlockImage(TPosixFile& file, uint64_t offset, const uint8_t* plain, size_t size,
                     size_t used, uint32_t key, uint16_t block, std::vector<uint8_t>& work) {
  if (!key) {
    file.WriteAt(offset, plain, size);
    return;
  }
  const size_t chunks = std::min(size, (used + kCryptChunk - 1) / kCryptChunk * kCryptChunk);
  work.resize(size);
  EncryptDataBlockTo(plain, work.data(), chunks, key, block);
  std::memset(work.data() + chunks, 0, size - chunks);
  file.WriteAt(offset, work.data(), size);
}

TBlockWriter::TBlockWriter(TPosixFile& file, uint32_t key)
    : FFile(file), FKey(key), FThread([this] { Run(); }) {}

TBlockWriter::~TBlockWriter() {
  try {
    Wait();
  } catch (...) {
  }
  {
    std::lock_guard lock(FLock);
    FStop = true;
  }
  FWake.notify_one();
  FThread.join();
}

void TBlockWriter::Queue(uint16_t block, uint64_t offset, const uint8_t* plain, size_t size,
                         size_t used) {
  std::unique_lock lock(FLock);
  FDone.wait(lock, [this] { return FJobs.size() < kMaxQueued; });
  TJob job;
  job.Block = block;
  job.Offset = offset;
  job.Used = used;
  if (!FSpare.empty()) {
    job.Plain = std::move(FSpare.back());
    FSpare.pop_back();
  }
  job.Plain.assign(plain, plain + size);
  FJobs.push_back(std::move(job));
  const bool wake = FJobs.size() == kWakeAt && FWriting == 0;
  lock.unlock();
  if (wake) FWake.notify_one();
}

bool TBlockWriter::WriteNext(std::unique_lock<std::mutex>& lock, std::vector<uint8_t>& work) {
  if (FJobs.empty()) return false;
  TJob job = std::move(FJobs.front());
  FJobs.pop_front();
  ++FWriting;
  if (!FError) {
    lock.unlock();
    std::exception_ptr error;
    try {
      WriteBlockImage(FFile, job.Offset, job.Plain.data(), job.Plain.size(), job.Used, FKey,
                      job.Block, work);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    if (error && !FError) FError = error;
  }
  --FWriting;
  FSpare.push_back(std::move(job.Plain));
  FDone.notify_all();
  return true;
}

void TBlockWriter::Wait() {
  std::unique_lock lock(FLock);
  while (WriteNext(lock, FWork)) {
  }
  FDone.wait(lock, [this] { return FWriting == 0; });
  if (FError) std::rethrow_exception(std::exchange(FError, nullptr));
}

void TBlockWriter::Run() {
  std::vector<uint8_t> work;
  std::unique_lock lock(FLock);
  for (;;) {
    FWake.wait(lock, [this] { return FStop || FJobs.size() >= kWakeAt; });
    if (FStop) return;
    while (WriteNext(lock, work)) {
    }
  }
}

}  // namespace lw::paradox
