// Closing the director on behalf of a thread that is not the dialog's.
//
// A console control event (Ctrl+C, the console window closed, log-off, shutdown) is handled on a
// thread of its own, and the process may end as soon as that handler returns. The Close path must
// run on the dialog's thread, which owns the dialog and stops the workers, so the handler asks
// the dialog through a CloseRelay and waits, bounded, until the dialog reports the path finished:
//
//   handler thread: RequestClose(wait)  -> target.PostClose() once -> waits for CloseFinished
//   dialog thread:  the posted close    -> TakeClose() -> the Close path -> CloseFinished()
//
// A request made before the dialog exists is posted when it opens; once the dialog has ended by
// itself (Close, Cancel) a request has nothing left to wait for. Thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace director {

// The dialog as the relay reaches it from another thread (a posted window message on Win32).
class CloseTarget {
 public:
  virtual ~CloseTarget() = default;
  virtual void PostClose() = 0;
};

class CloseRelay {
 public:
  // Dialog thread: posted closes reach target from now on (a request already made is posted now).
  void DialogOpened(CloseTarget& target);
  // Dialog thread: the dialog has ended; requests return at once from now on.
  void DialogEnded();
  // Dialog thread, on the posted close: true the first time, when the Close path is to run.
  bool TakeClose();
  // Dialog thread: the Close path has finished; wakes the waiting request.
  void CloseFinished();

  // Any other thread: has the dialog run its Close path and waits up to waitMs for it. True when
  // the path has finished (or the dialog had ended), false when the wait ran out.
  bool RequestClose(std::uint32_t waitMs);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  CloseTarget* target_ = nullptr;
  bool requested_ = false;
  bool posted_ = false;
  bool taken_ = false;
  bool done_ = false;
};

}  // namespace director
