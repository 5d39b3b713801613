// The receiving half of one GUI link connection, shared by the director's server and the client.
//
// Each Pass polls the socket without waiting, receives what arrived behind the bytes kept from
// earlier passes (1000-byte buffer) and cuts the complete frames into the receiving queue. Bytes
// kept because the queue was full are parsed again on a later pass as soon as the queue has room,
// even when nothing new arrives: the peer may have gone quiet after its last frame. A pass tells
// why the connection must end: the peer's goodbye frame, the peer closing its side (a receive of
// 0 bytes, treated like a goodbye), a poll or receive error, or a stream that cannot go on (a
// size that is no record, or a full buffer that does not start with a frame: no byte of it could
// ever be parsed, and nothing more could be received).
#pragma once

#include <cstdint>

#include "link/link_frame.h"
#include "link/message_queue.h"
#include "platform/net.h"

namespace plat {
class Clock;
}

namespace glink {

enum class ReceiveStatus {
  kOpen,      // the connection goes on
  kGoodbye,   // the peer sent the goodbye frame
  kClosed,    // the peer closed its side
  kError,     // poll or receive failed
  kUnusable,  // the peer does not speak the link's framing
};

class FrameReceiver {
 public:
  // Forgets kept bytes; called at the start of every connection.
  void Reset() { kept_ = 0; }
  // Waits up to maxMs, and no longer than until the socket is readable, so a frame is taken in as
  // soon as it arrives while the loop around still turns at least every maxMs. With a full buffer
  // nothing could be received (kept bytes wait for queue room): then it sleeps maxMs on clock
  // instead of waking at once on a socket that stays readable.
  void Wait(plat::Socket socket, int maxMs, plat::Clock& clock);
  ReceiveStatus Pass(plat::Socket socket, MessageQueue& receiving, plat::Clock& clock);
  int Kept() const { return kept_; }

 private:
  std::uint8_t buffer_[kReceiveBufferSize] = {};
  int kept_ = 0;
};

// Builds the record's frame in frame (408 bytes) and sends it in one call; false when the send
// failed or sent less. A record that cannot be framed is skipped (true, nothing sent). With
// waitMs of 0 or more the send gives up (false) when the peer has not taken the frame within that
// time; the stream may then end inside the frame, so the connection must be closed.
bool SendRecord(plat::Socket socket, const std::uint8_t* record, std::uint8_t* frame,
                int waitMs = -1);

}  // namespace glink
