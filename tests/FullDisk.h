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
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    // The write fails with EFBIG instead of the process being stopped.
    FSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = FSaved;
    lowered.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~TFullDisk() {
    ::setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FSavedHandler);
  }
  TFullDisk(const TFullDisk&) = delete;
  TFullDisk& operator=(const TFullDisk&) = delete;

private:
  rlimit FSaved{};
  void (*FSavedHandler)(int) = nullptr;
};
#endif
