#include "director/app/close_relay.h"

#include <chrono>

namespace director {

void CloseRelay::DialogOpened(CloseTarget& target) {
  std::lock_guard<std::mutex> hold(mutex_);
  target_ = &target;
  if (requested_ && !posted_ && !done_) {
    posted_ = true;
    target_->PostClose();
  }
}

void CloseRelay::DialogEnded() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    target_ = nullptr;
    done_ = true;
  }
  changed_.notify_all();
}

bool CloseRelay::TakeClose() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (taken_ || done_) return false;
  taken_ = true;
  return true;
}

void CloseRelay::CloseFinished() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    done_ = true;
  }
  changed_.notify_all();
}

bool CloseRelay::RequestClose(std::uint32_t waitMs) {
  std::unique_lock<std::mutex> hold(mutex_);
  requested_ = true;
  if (target_ != nullptr && !posted_ && !done_) {
    posted_ = true;
    target_->PostClose();
  }
  return changed_.wait_for(hold, std::chrono::milliseconds(waitMs), [this] { return done_; });
}

}  // namespace director
