#include "FileView.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

namespace lw {

// One live view, as the SIGBUS handler sees it. Begin is stored last and cleared first, so
// the handler never takes a half-made entry for a view.
struct TViewSlot {
  std::atomic<bool> Taken{false};
  std::atomic<uintptr_t> Begin{0};
  std::atomic<uintptr_t> End{0};
  std::atomic<bool> Damaged{false};
};

namespace {

// Far more tables than anyone opens at once; past it a table is read without a mapping.
constexpr size_t kSlots = 256;
TViewSlot gSlots[kSlots];
struct sigaction gPrevious {};
uintptr_t gPageSize = 4096;
bool gGuarded = false;

static_assert(std::atomic<uintptr_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the SIGBUS handler may only use lock-free atomics");

// A fault that is not ours goes where it would have gone without this handler.
void PassOn(int sig, siginfo_t* info, void* context) {
  if (gPrevious.sa_flags & SA_SIGINFO) {
    if (gPrevious.sa_sigaction) gPrevious.sa_sigaction(sig, info, context);
    return;
  }
  if (gPrevious.sa_handler == SIG_IGN && info->si_code <= 0) return;
  if (gPrevious.sa_handler == SIG_DFL || gPrevious.sa_handler == SIG_IGN) {
    // Blocked while this handler runs: the default action ends the process once it returns
    // (and a fault would recur at the same instruction anyway).
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    raise(sig);
    return;
  }
  gPrevious.sa_handler(sig);
}

// Only async-signal-safe calls here: the fault may have struck anywhere, even inside malloc.
extern "C" void OnBusError(int sig, siginfo_t* info, void* context) {
  if (info->si_code > 0) {  // raised by the kernel for a fault: si_addr is the address
    const auto addr = reinterpret_cast<uintptr_t>(info->si_addr);
    for (TViewSlot& s : gSlots) {
      const uintptr_t begin = s.Begin.load(std::memory_order_acquire);
      if (begin == 0 || addr < begin || addr >= s.End.load(std::memory_order_relaxed)) continue;
      const int savedErrno = errno;
      void* page = reinterpret_cast<void*>(addr & ~(gPageSize - 1));
      const void* zeros =
          mmap(page, gPageSize, PROT_READ, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      errno = savedErrno;
      if (zeros == MAP_FAILED) break;
      s.Damaged.store(true, std::memory_order_relaxed);
      return;  // the read is done again, on zeros
    }
  }
  PassOn(sig, info, context);
}

// Installed with the first view rather than at start-up, so that it comes after whatever
// the runtime (a sanitizer, a crash reporter) put there first, and passes faults on to it.
bool Guard() {
  static std::once_flag once;
  std::call_once(once, [] {
    gPageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    gGuarded = sigaction(SIGBUS, &action, &gPrevious) == 0;
  });
  return gGuarded;
}

TViewSlot* Register(const void* data, uint64_t size, bool damaged) {
  if (!Guard()) return nullptr;
  for (TViewSlot& s : gSlots) {
    bool free = false;
    if (!s.Taken.compare_exchange_strong(free, true, std::memory_order_acquire)) continue;
    s.Damaged.store(damaged, std::memory_order_relaxed);
    s.End.store(reinterpret_cast<uintptr_t>(data) + size, std::memory_order_relaxed);
    s.Begin.store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
    return &s;
  }
  return nullptr;
}

void Unregister(TViewSlot* s) {
  s->Begin.store(0, std::memory_order_release);
  s->Taken.store(false, std::memory_order_release);
}

}  // namespace

bool TFileView::Cover(int fd, uint64_t size) {
  if (size <= FSize || size == 0) return false;
  void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return false;
  TViewSlot* slot = Register(p, size, Damaged());
  if (!slot) {
    ::munmap(p, size);
    return false;
  }
  // The scan reads the file front to back: read ahead of it.
  ::madvise(p, size, MADV_SEQUENTIAL);
  Unmap();
  FData = static_cast<const uint8_t*>(p);
  FSize = size;
  FSlot = slot;
  FFd = fd;
  return true;
}

void TFileView::Unmap() {
  if (FSlot) Unregister(FSlot);
  if (FData) ::munmap(const_cast<uint8_t*>(FData), FSize);
  FData = nullptr;
  FSize = 0;
  FSlot = nullptr;
}

bool TFileView::Damaged() const {
  // The flag is set by a signal handler in this thread: keep the compiler from reading it
  // before the reads that may have faulted.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  return FSlot && FSlot->Damaged.load(std::memory_order_relaxed);
}

// A file shrunk to an end inside a page leaves the rest of that page reading as zeros, with
// no fault: the page after the range shows such an end. The view's last page has none after
// it, and there the file's size tells.
bool TFileView::Readable(const uint8_t* p, size_t len) const {
  if (len == 0) return !Damaged();
  const auto base = reinterpret_cast<uintptr_t>(FData);
  const auto first = reinterpret_cast<uintptr_t>(p);
  const uintptr_t last = first + len - 1;
  const uintptr_t after = (last | (gPageSize - 1)) + 1;  // the page after the range's last
  const bool inView = after < base + FSize;
  for (uintptr_t a = first; a <= (inView ? after : last); a = (a | (gPageSize - 1)) + 1)
    (void)*reinterpret_cast<const volatile uint8_t*>(a);
  // A scan asks for the pages after these next: have them in cache by then, so that the
  // reads above wait for memory only once (a prefetch never faults, even past the view).
  __builtin_prefetch(reinterpret_cast<const void*>(after + gPageSize));
  __builtin_prefetch(reinterpret_cast<const void*>(after + 2 * gPageSize));
  if (!inView && !Damaged()) {
    struct stat st {};
    if (fstat(FFd, &st) == 0 && static_cast<uint64_t>(st.st_size) <= last - base)
      FSlot->Damaged.store(true, std::memory_order_relaxed);
  }
  return !Damaged();
}

}  // namespace lw
