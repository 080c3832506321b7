// Test helper: files stop growing beyond a few bytes while an object of TFullDisk lives, so that
// a save fails in its write as on a full disk, through the system's own calls and without root.
// The system's reason is that of a file grown too large, ReasonOfFullDisk.
#pragma once

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>

class TFullDisk {
public:
  static constexpr const char* ReasonOfFullDisk = "File too large";

  TFullDisk() {
    ::getrlimit(RLIMIT_FSIZE, &fSaved);
    // The write fails with EFBIG instead of the process being stopped.
    fSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = fSaved;
    lowered.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~TFullDisk() {
    ::setrlimit(RLIMIT_FSIZE, &fSaved);
    std::signal(SIGXFSZ, fSavedHandler);
  }
  TFullDisk(const TFullDisk&) = delete;
  TFullDisk& operator=(const TFullDisk&) = delete;

private:
  rlimit fSaved{};
  void (*fSavedHandler)(int) = nullptr;
};
#endif
