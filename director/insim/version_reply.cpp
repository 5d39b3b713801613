#include "director/insim/version_reply.h"

#include <cstdio>
#include <cstring>

#include "director/insim/insim_constants.h"

namespace director {

namespace {

// Offset of the first IS_VER when the read is cut with Size counting `unit` bytes; -1 when the
// walk meets a packet it cannot cut or the read ends first.
int WalkToVersion(int unit, const std::uint8_t* data, int length, int* bytes) {
  int pos = 0;
  while (length - pos >= 4) {
    const int size = data[pos] * unit;
    if (size < 4 || size > length - pos) return -1;
    if (data[pos + 1] == ISP_VER) {
      *bytes = size;
      return pos;
    }
    pos += size;
  }
  return -1;
}

void Describe(VersionReply* reply, const std::uint8_t* data, int length, int at) {
  reply->sizeByte = data[at];
  if (at + kVerInsimVerOffset < length) reply->insimVer = data[at + kVerInsimVerOffset];
  for (int i = 0; i < kVerTextSize && at + kVerTextOffset + i < length; ++i) {
    reply->simVersion[i] = static_cast<char>(data[at + kVerTextOffset + i]);
  }
}

}  // namespace

VersionReply FindVersionReply(std::uint8_t version, const std::uint8_t* data, int length) {
  const bool v10 = version == kInsimV10;
  const int ownUnit = v10 ? kV10SizeUnit : 1;
  VersionReply reply;
  int bytes = 0;
  int at = WalkToVersion(ownUnit, data, length, &bytes);
  if (at >= 0) {
    reply.at = at;
    reply.end = at + bytes;
    Describe(&reply, data, length, at);
    // A Size of 5 also walks as a packet of 5 bytes. A byte-counted reply fits version 4 whatever
    // InSim version its byte 18 names: newer simulators serve older programs in that framing.
    if (!v10 && reply.sizeByte != kVerSize) {
      reply.fit = ReplyFit::kNewerFraming;
    }
    return reply;
  }
  // Not found in the session's own framing: the other framing may show it.
  at = WalkToVersion(v10 ? 1 : kV10SizeUnit, data, length, &bytes);
  if (at >= 0) {
    Describe(&reply, data, length, at);
    reply.fit = v10 ? ReplyFit::kOlderFraming : ReplyFit::kNewerFraming;
  }
  return reply;
}

void DescribeUnfitReply(const VersionReply& reply, char* out, std::size_t size) {
  if (reply.fit == ReplyFit::kOlderFraming) {
    std::snprintf(out, size,
                  "InSim: the simulator (version %s, InSim %d) answered in the byte-counted form "
                  "of older versions (Size byte %d): choose InSim V4 (--insim-version 4)\n",
                  reply.simVersion, reply.insimVer, reply.sizeByte);
  } else {
    std::snprintf(out, size,
                  "InSim: the simulator (version %s, InSim %d) answered in the form of InSim 9 "
                  "and later (Size byte %d): choose InSim V10 (--insim-version 10)\n",
                  reply.simVersion, reply.insimVer, reply.sizeByte);
  }
}

}  // namespace director
