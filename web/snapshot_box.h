// Hands the web view's snapshots from the InSim thread to the web threads: the latest one only,
// never a queue. The InSim thread copies its snapshot in under a short lock and goes on; a reader
// copies the latest out, or waits (bounded) for one newer than the one it has. The track map is
// shared as an immutable object and replaced whole when another track is loaded.
//
// Each publication gets the next sequence number; a track gets the next track version, which the
// snapshots published after it carry. Close wakes every waiter for good (the server stopping).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "web/web_snapshot.h"
#include "web/web_track.h"

namespace director {

class SnapshotBox {
 public:
  SnapshotBox() : latest_(std::make_unique<WebSnapshot>()) {}

  // --- InSim thread ---
  // Stores a copy of snapshot as the latest (its seq and track version are the box's).
  void Publish(const WebSnapshot& snapshot);
  void PublishTrack(WebTrack track);
  // The link to the simulator is gone: the latest snapshot says so, the rest stays.
  void Disconnected();

  // --- Web threads ---
  // Copies the latest snapshot into out; returns its sequence number (0: none published yet).
  std::uint64_t Latest(WebSnapshot* out) const;
  std::uint64_t LatestSeq() const;
  // Waits at most timeoutMs for a snapshot newer than seq; true when there is one. False at once
  // once the box is closed.
  bool WaitNewer(std::uint64_t seq, int timeoutMs) const;
  std::shared_ptr<const WebTrack> Track() const;
  void Close();
  void Reopen();
  bool Closed() const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  std::unique_ptr<WebSnapshot> latest_;  // large: on the heap
  std::shared_ptr<const WebTrack> track_;
  std::uint32_t trackVersion_ = 0;
  bool closed_ = false;
};

}  // namespace director
