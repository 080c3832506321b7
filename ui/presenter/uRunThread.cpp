#include "vpresenter/uRunThread.h"

#include <chrono>
#include <memory>

namespace vui {

namespace {

// A turn of the window's loop spends at most this much on the run's events, well below what a
// person notices as a stuck window.
constexpr std::chrono::milliseconds EventSlice{20};

} // namespace

TRunThread::TRunThread(std::function<void()> aWake) : fWake(std::move(aWake)) {}

TRunThread::~TRunThread() {
  Abandon();
}

void TRunThread::Abandon() {
  Stop();
  Join();
  const std::lock_guard lock(fMutex);
  fEvents.clear();
  fRunning = false;
}

void TRunThread::Join() {
  if (fThread.joinable())
    fThread.join();
}

void TRunThread::Start(std::function<void()> aJob, std::function<void(std::exception_ptr)> aDone) {
  Join();
  fStop.Reset();
  fRunning = true;
  fThread = std::thread([this, job = std::move(aJob), done = std::move(aDone)]() mutable {
    std::exception_ptr error;
    try {
      job();
    } catch (...) {
      error = std::current_exception();
    }
    // The end comes after everything the job told: the window sees the run in order. The thread
    // is joined by the next run or at the end: it may still be leaving this call meanwhile.
    Post([this, error, done = std::move(done)] {
      fRunning = false;
      done(error);
    });
  });
}

void TRunThread::Stop() {
  fStop.Request();
  // Taken so that a run about to wait sees the request before it sleeps.
  { const std::lock_guard lock(fMutex); }
  fAnswered.notify_all();
}

void TRunThread::Post(std::function<void()> aEvent) {
  bool wake = false;
  {
    const std::lock_guard lock(fMutex);
    fEvents.push_back(std::move(aEvent));
    wake = !fWakePosted;
    fWakePosted = true;
  }
  if (wake)
    fWake();
}

void TRunThread::Ask(std::function<void()> aQuestion) {
  struct TAnswer {
    bool Given = false;
    std::exception_ptr Error;
  };
  const auto answer = std::make_shared<TAnswer>();
  Post([this, answer, question = std::move(aQuestion)] {
    // A run stopped before its question came up has no use for the answer: no dialog opens.
    if (fStop.Requested())
      return;
    std::exception_ptr error;
    try {
      question();
    } catch (...) {
      error = std::current_exception();
    }
    {
      const std::lock_guard lock(fMutex);
      answer->Given = true;
      answer->Error = error;
    }
    fAnswered.notify_all();
  });
  std::unique_lock lock(fMutex);
  fAnswered.wait(lock, [&] { return answer->Given || fStop.Requested(); });
  if (answer->Error)
    std::rethrow_exception(answer->Error);
  if (!answer->Given)
    fStop.Check();
}

void TRunThread::HandleEvents() {
  // A dialog that an event opens runs a loop of its own: the events after it wait for it.
  if (fHandling)
    return;
  fHandling = true;
  const auto end = std::chrono::steady_clock::now() + EventSlice;
  for (;;) {
    std::function<void()> event;
    {
      const std::lock_guard lock(fMutex);
      if (fEvents.empty()) {
        fWakePosted = false;
        break;
      }
      event = std::move(fEvents.front());
      fEvents.pop_front();
    }
    try {
      event();
    } catch (...) {
      fHandling = false;
      throw;
    }
    if (std::chrono::steady_clock::now() >= end) {
      // fWakePosted stays set: this wake is the one on its way.
      fWake();
      break;
    }
  }
  fHandling = false;
}

} // namespace vui
