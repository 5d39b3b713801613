// The simulator's answer to the version request of a TCP session, found in the first read.
//
// The reply (IS_VER, 20 bytes) is looked for by walking the read in the framing the session
// speaks: a byte-counted reply has Size 20, one of InSim 9 and later Size 5 (20 / 4); byte 18 is
// the simulator's InSim version. Only the Size byte decides: a newer simulator that keeps to the
// byte-counted framing for a version 4 program (byte 18 may then say 9 or more) is read
// correctly, and refusing it would lock out a setup that works. A version 4 session whose reply
// is in the newer framing (Size not 20) does not go on: it would desynchronise at the first packet
// and reconnect for ever. It does not follow the framing either: the user chose version 4, and the
// layouts of the newer versions differ beyond the framing (16 cars an IS_MCI, the larger IS_REO,
// SMALL_RTP in ms). The attempt ends with one diagnostic that names what was seen and says which
// choice fits. A version 10 session that meets the byte-counted reply of an older simulator ends
// the same way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace director {

enum class ReplyFit {
  kFits,          // the reply (or no recognisable reply) suits the session's version
  kNewerFraming,  // version 4 session, reply in the framing of InSim 9 and later
  kOlderFraming,  // version 10 session, byte-counted reply of an older simulator
};

struct VersionReply {
  int at = -1;  // offset of the IS_VER in the read, cut by the session's framing; -1: none
  int end = 0;  // offset just after it (when at >= 0)
  ReplyFit fit = ReplyFit::kFits;
  std::uint8_t sizeByte = 0;  // the reply's Size byte as it arrived
  std::uint8_t insimVer = 0;  // its byte 18; 0 when the read ends before it
  char simVersion[9] = {};    // its version text, bytes 4-11
};

// Looks for the version reply in the first read of a version 4 or version 10 session.
VersionReply FindVersionReply(std::uint8_t version, const std::uint8_t* data, int length);

// The diagnostic line for a reply that does not fit (ends with a newline).
void DescribeUnfitReply(const VersionReply& reply, char* out, std::size_t size);

}  // namespace director
