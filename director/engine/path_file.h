// The simulator's track path files as bytes: the one place for each layout, and the reading of
// both formats into a TrackPath.
//
// "LFSPTH" (simulators before 0.8): the magic with version and revision bytes 0, the node count
// (u32), the finish node (u32), then one 40-byte node body per node.
//
// "SRPATH" version 0 (0.8 onwards): a 56-byte header (revision, path flags, mini revision, three
// u16 node counts: the main path, pit lanes 0 and 1; the finish node and three split nodes, the
// pole position), then 44-byte nodes: the main ones, then pit lane 0, then pit lane 1, each a
// flags byte and three zero bytes followed by the same 40-byte node body as LFSPTH.
//
// Both load into the same TrackPath: the main nodes (at most 1500: a longer path is cut there and
// its finish node kept as read, as LFSPTH files always were), the finish node, and from SRPATH
// the pit lanes (at most 1500 nodes each, cut the same way) and the node flags. A file is used
// whole or not at all; bytes after the last announced node are ignored. An SRPATH file is refused
// when its version is not 0, its revision above 252 or its mini revision above 9 (a later layout
// may differ), when it ends before every node its three counts announce, or when its finish node
// is not one of its main nodes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/path_node.h"

namespace director {

class TrackPath;

// The node body of both formats is the link's node (link/path_node.h): the director forwards it
// to the GUI client unchanged.
inline constexpr int kPathNodeBytes = glink::kPathNodeSize;

// LFSPTH: the first 8 bytes are compared as one block, so another version or revision counts as
// another format.
inline constexpr int kPathHeaderBytes = 16;
inline constexpr std::uint8_t kPathMagic[8] = {'L', 'F', 'S', 'P', 'T', 'H', 0, 0};
namespace lfspth {
inline constexpr std::size_t kNodeCount = 8, kFinishNode = 12, kNodes = kPathHeaderBytes;
}  // namespace lfspth

namespace srpath {
inline constexpr std::uint8_t kMagic[6] = {'S', 'R', 'P', 'A', 'T', 'H'};
inline constexpr std::size_t kVersion = 6, kRevision = 7, kPathFlags = 8, kMiniRevision = 12,
                             kMainCount = 16, kPitCount0 = 18, kPitCount1 = 20, kFinishNode = 24,
                             kSplit1 = 28, kSplit2 = 32, kSplit3 = 36, kPole = 40, kNodes = 56;
// The pole position: i32 X, Y, Z in world units, then the heading as a float.
inline constexpr std::size_t kPoleX = 0, kPoleY = 4, kPoleZ = 8, kPoleHeading = 12;
// A node: its flags byte, three zero bytes, the node body.
inline constexpr std::size_t kNodeBytes = 44, kNodeFlags = 0, kNodeBody = 4;
inline constexpr std::uint8_t kKnownVersion = 0, kLastRevision = 252, kLastMiniRevision = 9;
inline constexpr std::uint32_t kNoSplit = 0xFFFFFFFFu;
}  // namespace srpath

enum class PathFileResult {
  kLoaded,
  kWrongMagic,        // neither format, or LFSPTH of another version or revision
  kTruncated,         // ends inside the header or inside the nodes it announces
  kUnknownRevision,   // SRPATH of a version, revision or mini revision not known here
  kFinishOutOfRange,  // SRPATH whose finish node is not one of its main nodes
};

// Fills the nodes, node count, finish node and pit lanes from a file's bytes. Anything but
// kLoaded leaves the node count, the finish node and the pit lanes' node counts at 0.
PathFileResult ParsePathFile(const std::uint8_t* data, std::size_t size, TrackPath* path);

// Why a file was not used, for the director's diagnostic line.
const char* PathFileProblem(PathFileResult result);

}  // namespace director
