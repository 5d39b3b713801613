// What the fuzz targets share: a scratch directory for the whole run, input files written to one
// reused path, a packet sink that checks every packet the director sends, a drain of GUI link
// queues that checks every record, and the director's program and simulator directories with the
// stand-in's generated track "RS1" in them.
//
// A broken rule ends the run with abort(), which libFuzzer reports as a crash with its input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "director/insim/packets.h"
#include "link/link_frame.h"
#include "link/message_queue.h"
#include "platform/files.h"
#include "platform/thread.h"
#include "tests/platform/temp_dir.h"
#include "tools/racesim/track.h"

namespace fuzz {

inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}
inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// One scratch directory per process, removed at exit.
inline plat::TempDir& Scratch() {
  static plat::TempDir dir;
  Check(dir.ok(), "scratch directory");
  return dir;
}

// Writes the bytes to path, replacing what was there.
inline void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  Check(plat::PutFile(path, std::string(reinterpret_cast<const char*>(data), size)),
        "writing the input file");
}

// Every packet the director sends must be one the simulator can cut and read: in version 4 a
// Size byte that is the packet's length, a multiple of 4; in version 3 an identifier of three
// capital letters and a zero, and no more than the largest packet.
class CheckedSink : public director::PacketSink {
 public:
  explicit CheckedSink(std::uint8_t version) : version_(version) {}
  void SendPacket(const std::uint8_t* data, int size) override {
    Check(size >= 4 && size <= 255, "packet size");
    if (version_ == 4) {
      Check(data[0] == size && size % 4 == 0, "version 4 Size byte");
    } else {
      for (int i = 0; i < 3; ++i) Check(data[i] >= 'A' && data[i] <= 'Z', "version 3 identifier");
      Check(data[3] == 0, "version 3 identifier end");
    }
    ++sent;
  }
  int sent = 0;

 private:
  std::uint8_t version_;
};

// Takes every record of a queue; each must be a record a frame can carry.
inline int DrainChecked(glink::MessageQueue& queue) {
  int n = 0;
  glink::LinkRecord record;
  while (queue.take(record.bytes)) {
    Check(record.size() >= 3 && record.size() <= glink::kSlotSize, "queued record size");
    ++n;
  }
  return n;
}

// The receiving half of a GUI link connection as FrameReceiver runs it, fed from an input in
// reads of a fixed length: each read goes into the 1000-byte buffer behind the kept bytes and is
// cut into the queue by ParseFrames; bytes kept while the queue was full are cut again once it
// has room.
class FrameFeed {
 public:
  enum Result { kProgress, kStalled, kEnded };

  FrameFeed(const std::uint8_t* data, std::size_t size, std::size_t readLength)
      : data_(data), size_(size), readLength_(readLength) {}

  // One pass of the receiver. kStalled: nothing could be done until the consumer takes records;
  // kEnded: the connection ends (goodbye, a stream that cannot be cut, or nothing left).
  Result Pass(glink::MessageQueue& queue, plat::Clock& clock) {
    if (pos_ < size_ && kept_ < glink::kReceiveBufferSize) {
      std::size_t n = size_ - pos_ < readLength_ ? size_ - pos_ : readLength_;
      const std::size_t room = static_cast<std::size_t>(glink::kReceiveBufferSize - kept_);
      if (n > room) n = room;
      std::memcpy(buffer_ + kept_, data_ + pos_, n);
      pos_ += n;
      return Parse(kept_ + static_cast<int>(n), queue, clock);
    }
    if (kept_ >= glink::kReceiveBufferSize &&
        std::memcmp(buffer_, glink::kFrameMagic, glink::kFrameHeader) != 0) {
      return kEnded;  // a full buffer that is no frame: nothing could ever be cut from it
    }
    if (kept_ > 0 && queue.pending() < glink::kQueueSlots) {
      const int before = kept_;
      const Result r = Parse(kept_, queue, clock);
      if (r == kProgress && kept_ == before && pos_ >= size_) return kEnded;  // incomplete end
      return r;
    }
    if (pos_ >= size_ && kept_ == 0) return kEnded;
    return kStalled;
  }

 private:
  Result Parse(int count, glink::MessageQueue& queue, plat::Clock& clock) {
    const int left = glink::ParseFrames(buffer_, count, queue, clock);
    Check(left <= count, "kept more than was there");
    kept_ = left < 0 ? 0 : left;
    return left < 0 ? kEnded : kProgress;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t readLength_;
  std::size_t pos_ = 0;
  std::uint8_t buffer_[glink::kReceiveBufferSize] = {};
  int kept_ = 0;
};

// The director's program directory (with "pth" and "cam") and the simulator's directory, in the
// scratch directory; the track "RS1" (600 nodes) has its path file in the program's "pth" and 12
// cameras in "cam\RS1.cam". ResetCameras puts the camera file back as it was, so that a run that
// saved cameras does not change the next one.
struct Install {
  Install() {
    plat::TempDir& dir = Scratch();
    program = dir / "prog" + plat::kPathSep;
    simulator = dir / "sim" + plat::kPathSep;
    for (const char* d : {"prog", "prog\\pth", "prog\\cam", "sim", "sim\\data", "sim\\data\\smx"}) {
      plat::MakeDirectory(dir / plat::NativePath(d));
    }
    racesim::TrackOptions options;
    const racesim::Track track(options);
    const std::vector<std::uint8_t> pth = track.PathFileBytes();
    Check(plat::PutFile(program + "pth" + plat::kPathSep + "RS1.pth",
                        std::string(pth.begin(), pth.end())),
          "writing the path file");
    cameraFile = program + "cam" + plat::kPathSep + "RS1.cam";
    cameraText = racesim::CameraFileText(racesim::PlaceCameras(track, 12, 1));
    ResetCameras();
  }
  void ResetCameras() const { Check(plat::PutFile(cameraFile, cameraText), "camera file"); }

  std::string program, simulator, cameraFile, cameraText;
};

}  // namespace fuzz
