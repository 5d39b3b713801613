#include "web/snapshot_box.h"

#include <chrono>

namespace director {

void SnapshotBox::Publish(const WebSnapshot& snapshot) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    const std::uint64_t seq = latest_->seq + 1;
    *latest_ = snapshot;
    latest_->seq = seq;
    latest_->trackVersion = trackVersion_;
  }
  changed_.notify_all();
}

void SnapshotBox::PublishTrack(WebTrack track) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    track.version = ++trackVersion_;
    track_ = std::make_shared<const WebTrack>(std::move(track));
    latest_->trackVersion = trackVersion_;
    ++latest_->seq;
  }
  changed_.notify_all();
}

void SnapshotBox::Disconnected() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!latest_->connected) return;
    latest_->connected = false;
    ++latest_->seq;
  }
  changed_.notify_all();
}

std::uint64_t SnapshotBox::Latest(WebSnapshot* out) const {
  std::lock_guard<std::mutex> hold(lock_);
  *out = *latest_;
  return latest_->seq;
}

std::uint64_t SnapshotBox::LatestSeq() const {
  std::lock_guard<std::mutex> hold(lock_);
  return latest_->seq;
}

bool SnapshotBox::WaitNewer(std::uint64_t seq, int timeoutMs) const {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                    [&] { return closed_ || latest_->seq > seq; });
  return !closed_ && latest_->seq > seq;
}

std::shared_ptr<const WebTrack> SnapshotBox::Track() const {
  std::lock_guard<std::mutex> hold(lock_);
  return track_;
}

void SnapshotBox::Close() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
  }
  changed_.notify_all();
}

void SnapshotBox::Reopen() {
  std::lock_guard<std::mutex> hold(lock_);
  closed_ = false;
}

bool SnapshotBox::Closed() const {
  std::lock_guard<std::mutex> hold(lock_);
  return closed_;
}

}  // namespace director
