#pragma once

// Whole new blocks of a table written on a thread of their own, in the order they are queued,
// so that their encryption and writes overlap with whatever the batch's thread does next (a
// search scans on while the blocks it filled go to the file). What it writes lies past the
// table's counted blocks: nothing reaches it until the table links and counts the blocks, which
// it does after Wait.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "PosixFile.h"

namespace lw::paradox {

// Writes block `block` at `offset` from `plain`, its whole image with the bytes from `used` on
// zero: one write. Encrypted (`key` not 0), only the chunks up to `used` are encrypted, the rest
// is written as zeros (no record lies there yet). `work` is scratch space.
void WriteBlockImage(TPosixFile& file, uint64_t offset, const uint8_t* plain, size_t size,
                     size_t used, uint32_t key, uint16_t block, std::vector<uint8_t>& work);

class TBlockWriter {
 public:
  TBlockWriter(TPosixFile& file, uint32_t key);
  ~TBlockWriter();  // waits for the queue; a failure nobody waited for is dropped
  TBlockWriter(const TBlockWriter&) = delete;
  TBlockWriter& operator=(const TBlockWriter&) = delete;

  // Queues a copy of the block's image (see WriteBlockImage). Waits while many are queued.
  void Queue(uint16_t block, uint64_t offset, const uint8_t* plain, size_t size, size_t used);
  // Returns once every queued block is written, writing those the thread has not taken up
  // itself; throws the first failure since the last Wait.
  void Wait();

 private:
  struct TJob {
    uint16_t Block = 0;
    uint64_t Offset = 0;
    size_t Used = 0;
    std::vector<uint8_t> Plain;
  };
  void Run();
  // Writes the first queued job with the lock released; false when there is none.
  bool WriteNext(std::unique_lock<std::mutex>& lock, std::vector<uint8_t>& work);

  TPosixFile& FFile;
  const uint32_t FKey;
  std::mutex FLock;
  std::condition_variable FWake;  // the thread: jobs enough to be worth waking for, or stop
  std::condition_variable FDone;  // Queue and Wait: a job was written
  std::deque<TJob> FJobs;
  std::vector<std::vector<uint8_t>> FSpare;  // buffers of written jobs, for the next ones
  std::vector<uint8_t> FWork;                // the caller's scratch space in Wait
  int FWriting = 0;                          // jobs taken up and not yet written
  bool FStop = false;
  std::exception_ptr FError;
  std::thread FThread;  // last: started once everything above is ready
};

}  // namespace lw::paradox
