// Preloaded into the window program by window-exit-test.sh: counts the bytes the process gives
// back, freed or unmapped, once its event loop has ended, that is once its window has closed.
// The documents keep their nodes in mapped blocks of their own, hence the second door. The
// count lives in the file
// named by VLP_FREED_AFTER_LOOP, mapped shared, so it survives however the process ends: two
// 64-bit numbers, whether the loop ended and the bytes freed after that.
#include <QApplication>
#include <atomic>
#include <cstdint>
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" void __libc_free(void* aBlock);

namespace {

struct TCounts {
  std::uint64_t LoopEnded;
  std::uint64_t BytesFreed;
};

TCounts* gCounts = nullptr;
std::atomic<bool> gLoopEnded{false};

void CountAfterLoop(std::size_t aBytes) {
  if (gCounts && gLoopEnded.load(std::memory_order_relaxed))
    __atomic_fetch_add(&gCounts->BytesFreed, aBytes, __ATOMIC_RELAXED);
}

__attribute__((constructor)) void MapCounts() {
  const char* path = getenv("VLP_FREED_AFTER_LOOP");
  if (!path)
    return;
  const int file = open(path, O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (file < 0 || ftruncate(file, sizeof(TCounts)) != 0)
    return;
  void* mapped = mmap(nullptr, sizeof(TCounts), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
  close(file);
  if (mapped != MAP_FAILED)
    gCounts = static_cast<TCounts*>(mapped);
}

} // namespace

extern "C" void free(void* aBlock) {
  if (aBlock)
    CountAfterLoop(malloc_usable_size(aBlock));
  __libc_free(aBlock);
}

extern "C" int munmap(void* aBlock, std::size_t aBytes) noexcept {
  CountAfterLoop(aBytes);
  return static_cast<int>(syscall(SYS_munmap, aBlock, aBytes));
}

int QApplication::exec() {
  using TExec = int (*)();
  static const auto Real = reinterpret_cast<TExec>(dlsym(RTLD_NEXT, "_ZN12QApplication4execEv"));
  const int exitCode = Real();
  if (gCounts)
    __atomic_store_n(&gCounts->LoopEnded, 1, __ATOMIC_RELAXED);
  gLoopEnded.store(true, std::memory_order_relaxed);
  return exitCode;
}
