// The window's run on a thread of its own, so that the window's loop turns through every stage:
// what the run tells the window waits in a queue until the window's thread takes it, and a
// question of the run (where to save) is answered there while the run waits. A stop is obeyed
// by the run at its next small step (vconvert/uRunStop.h).
#pragma once

#include "vconvert/uRunStop.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace vui {

class TRunThread {
public:
  // aWake is called on either thread when events wait: it makes the window's loop call
  // HandleEvents once, soon, and must be safe to call from any thread.
  explicit TRunThread(std::function<void()> aWake);
  // Stops a run that is still going and waits for its thread; what it had still to tell is lost.
  ~TRunThread();
  TRunThread(const TRunThread&) = delete;
  TRunThread& operator=(const TRunThread&) = delete;

  // On the window's thread: from Start until aDone has been called.
  bool Running() const { return fRunning; }
  // Runs aJob on a thread of its own. Once it has ended and everything it posted before has been
  // handled, aDone gets what it raised (none when it succeeded) on the window's thread.
  void Start(std::function<void()> aJob, std::function<void(std::exception_ptr)> aDone);
  // From any thread: the run leaves at its next step, a question it waits on included.
  void Stop();
  // Stops the run, waits for its thread and drops what it had still to tell: aDone is not called.
  void Abandon();
  const vconvert::TRunStop& StopSignal() const { return fStop; }

  // On the run's thread: aEvent runs on the window's thread, after the events posted before it.
  void Post(std::function<void()> aEvent);
  // On the run's thread: runs aQuestion on the window's thread and waits until it has returned,
  // raising what it raised; raises EStopped when the run is stopped meanwhile, and then aQuestion
  // may still run later: whatever it writes must outlive the run's wait.
  void Ask(std::function<void()> aQuestion);

  // On the window's thread: handles the events that wait, for a short slice of time at most so
  // that the loop turns between slices; events left over wake the loop again.
  void HandleEvents();

private:
  void Join();

  std::function<void()> fWake;
  vconvert::TRunStop fStop;
  std::mutex fMutex;
  std::condition_variable fAnswered;
  std::deque<std::function<void()>> fEvents;
  // A wake is on its way: more events need no other.
  bool fWakePosted = false;
  // The window's thread's own state.
  bool fRunning = false;
  bool fHandling = false;
  std::thread fThread;
};

} // namespace vui
