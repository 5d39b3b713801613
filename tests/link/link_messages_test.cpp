#include "link/link_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace glink {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes into a slot full of 0xAA and gives the record's size bytes, so that unused bytes that a
// writer forgets to clear show up.
Bytes Written(const std::function<void(std::uint8_t*)>& write) {
  std::uint8_t slot[kSlotSize];
  std::memset(slot, 0xAA, sizeof slot);
  write(slot);
  return Bytes(slot, slot + RecordSize(slot));
}

// A record cut to size bytes (its size field says so too). Readers get it in a heap block of
// exactly that size, so a reader that looks past the end trips the address sanitizer.
Bytes Truncated(Bytes record, int size) {
  record.resize(static_cast<std::size_t>(size));
  PutU16(record.data(), static_cast<std::uint16_t>(size));
  return record;
}

enum Decoded { kRejected, kDifferent, kSame };
using Decoder = std::function<Decoded(const Bytes&)>;

template <typename Msg>
Decoder Decodes(bool (*read)(const std::uint8_t*, Msg*), Msg want) {
  return [=](const Bytes& record) {
    Msg got{};
    if (!read(record.data(), &got)) return kRejected;
    return got == want ? kSame : kDifferent;
  };
}

const std::uint8_t kNode[kPathNodeSize] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                           15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                           29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};

struct Layout {
  const char* name;
  std::function<void(std::uint8_t*)> write;
  Bytes bytes;
  Decoder decode;
  int minSize = 0;  // the reader rejects anything shorter; 0: the size of bytes
};

std::vector<Layout> Catalogue() {
  const CameraMsg cam{7, 65536, -1, 0x01020304, 10, 0x1234, 0xFFFF};
  static const CarEntry cars[2] = {{5, kCarFocus, 0x100, -2}, {9, 0, 3, 4}};
  CarTableMsg table;
  table.count = 2;
  table.cars[0] = cars[0];
  table.cars[1] = cars[1];
  static const std::uint8_t plids[3] = {1, 2, 3};
  Bytes node = {53, 0, 22, 'A', 'S', '1', 0, 0, 0, 32, 0, 0, 0};
  node.insert(node.end(), kNode, kNode + kPathNodeSize);
  TrackNodeMsg nodeMsg{"AS1", 32, {}};
  std::memcpy(nodeMsg.node, kNode, kPathNodeSize);
  return {
      {"track",
       [](auto s) { WriteTrack(s, "BL1", 180, 3); },
       {17, 0, 3, 'B', 'L', '1', 0, 0, 0, 180, 0, 0, 0, 3, 0, 0, 0},
       Decodes(ReadTrack, TrackMsg{"BL1", 180, 3}),
       9},
      {"no track",
       [](auto s) { WriteTrack(s, "", 180, 3); },
       {9, 0, 3, 0, 0, 0, 0, 0, 0},
       Decodes(ReadTrack, TrackMsg{})},
      {"edit mode",
       [](auto s) { WriteEditMode(s, GLM_EDIT_MODE, true); },
       {4, 0, 4, 1},
       Decodes(ReadEditMode, true)},
      {"current camera",
       [](auto s) { WriteCameraIndex(s, GLM_CURRENT_CAMERA, 0x0102); },
       {5, 0, 5, 2, 1},
       Decodes<std::uint16_t>(ReadCameraIndex, 0x0102)},
      {"camera added",
       [=](auto s) { WriteCamera(s, GLM_CAMERA_ADDED, cam); },
       {24,   0,    8, 0, 7, 0, 0,  0, 1,    0,    0xFF, 0xFF,
        0xFF, 0xFF, 4, 3, 2, 1, 10, 0, 0x34, 0x12, 0xFF, 0xFF},
       Decodes(ReadCamera, cam)},
      {"cars",
       [](auto s) { WriteCarTable(s, 2, cars); },
       {24, 0, 14, 2, 5, 1, 0, 1, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 9, 0, 3, 0, 0, 0, 4, 0, 0, 0},
       Decodes(ReadCarTable, table)},
      {"view pos",
       [](auto s) { WriteViewPos(s, 1, -1); },
       {11, 0, 16, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
       Decodes(ReadViewPos, ViewPosMsg{1, -1})},
      {"label",
       [](auto s) { WritePlayerLabel(s, 7, "Max (2)"); },
       {11, 0, 18, 7, 'M', 'a', 'x', ' ', '(', '2', ')'},
       Decodes(ReadPlayerLabel, PlayerLabelMsg{false, 7, "Max (2)"}),
       3},
      {"label clear",
       [](auto s) { WritePlayerLabelClear(s); },
       {3, 0, 18},
       Decodes(ReadPlayerLabel, PlayerLabelMsg{true, 0, ""})},
      {"version",
       [](auto s) { WriteVersion(s, 4); },
       {6, 0, 19, 0, 2, 4},
       Decodes(ReadVersion, VersionMsg{kLinkVersion, 4}),
       5},
      {"race clock",
       [](auto s) { WriteRaceClock(s, 0x01020304); },
       {7, 0, 20, 4, 3, 2, 1},
       Decodes<std::uint32_t>(ReadRaceClock, 0x01020304)},
      {"track node", [](auto s) { WriteTrackNode(s, "AS1", 32, kNode); }, node,
       Decodes(ReadTrackNode, nodeMsg)},
      {"pick edit",
       [](auto s) {
         WritePickCamera(s, GLM_PICK_CAMERA_EDIT, {1, 2, 3, -4});
       },
       {19, 0, 2, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF},
       Decodes(ReadPickCamera, PickRect{1, 2, 3, -4})},
      {"delete camera",
       [](auto s) { WriteCameraIndex(s, GLM_DELETE_CAMERA, 3); },
       {5, 0, 12, 3, 0},
       Decodes<std::uint16_t>(ReadCameraIndex, 3)},
      {"set camera",
       [](auto s) {
         WriteSetCamera(s, {2, 0x10000, 5, 6});
       },
       {24, 0, 13, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 5, 0, 6, 0, 0, 0},
       Decodes(ReadSetCamera, SetCameraMsg{2, 0x10000, 5, 6})},
      {"follow cars",
       [](auto s) { WriteFollowCars(s, kViewFront, 3, plids); },
       {7, 0, 15, 0x83, 1, 2, 3},
       Decodes(ReadFollowCars, FollowCarsMsg{kViewFront, 3, {1, 2, 3}})},
      {"end manual control",
       [](auto s) { WriteFollowCars(s, kViewNone, 0, nullptr); },
       {4, 0, 15, 0},
       Decodes(ReadFollowCars, FollowCarsMsg{})},
      {"set edit mode",
       [](auto s) { WriteEditMode(s, GLM_SET_EDIT_MODE, false); },
       {4, 0, 17, 0},
       Decodes(ReadEditMode, false)},
      {"get nodes",
       [](auto s) { WriteGetNodes(s, 32); },
       {7, 0, 21, 32, 0, 0, 0},
       Decodes<std::uint32_t>(ReadGetNodes, 32)},
  };
}

// Each layout: the exact bytes (unused ones 0), read back to the same values, and a record one byte
// too short for the reader's fields refused.
TEST(LinkMessages, EveryLayoutIsByteExactReadsBackAndRefusesShortRecords) {
  for (const Layout& l : Catalogue()) {
    EXPECT_EQ(Written(l.write), l.bytes) << l.name;
    EXPECT_EQ(l.decode(l.bytes), kSame) << l.name;
    const int minSize = l.minSize != 0 ? l.minSize : static_cast<int>(l.bytes.size());
    EXPECT_EQ(l.decode(Truncated(l.bytes, minSize - 1)), kRejected) << l.name;
  }
}

TEST(LinkMessages, InputsAreCutToTheirLayout) {
  CarEntry many[41];
  for (int i = 0; i < 41; ++i) many[i] = {static_cast<std::uint8_t>(i), 0, i, -i};
  const Bytes full = Written([&](auto s) { WriteCarTable(s, 41, many); });
  EXPECT_EQ(full.size(), 404u);  // 40 cars fill a slot exactly
  EXPECT_EQ(full[3], 40);
  EXPECT_EQ(Written([](auto s) { WriteTrack(s, "SO4XRLONG", 1, 0); }),
            (Bytes{17, 0, 3, 'S', 'O', '4', 'X', 'R', 'L', 1, 0, 0, 0, 0, 0, 0, 0}));
  const std::string name40(40, 'x');
  EXPECT_EQ(Written([&](auto s) { WritePlayerLabel(s, 1, name40.c_str()); }).size(), 4u + 29u);
  std::uint8_t slot[kSlotSize];
  std::memset(slot, 0xAA, sizeof slot);
  WritePlayerLabel(slot, 1, "abc");
  EXPECT_EQ(slot[7], 0);  // the terminator is in the slot, outside the size
  std::uint8_t plids[70] = {};
  EXPECT_EQ(Written([&](auto s) { WriteFollowCars(s, kViewNone, 70, plids); })[3], 63);
}

TEST(LinkMessages, ReadersDecodeEdgeForms) {
  TrackMsg track;  // a 9-byte record carries neither node count nor finish
  ASSERT_TRUE(ReadTrack(Bytes{9, 0, 3, 'B', 'L', '1', 0, 0, 0}.data(), &track));
  EXPECT_EQ(track, (TrackMsg{"BL1", 0, 0}));
  ASSERT_TRUE(ReadTrack(
      Bytes{17, 0, 3, 'A', 'B', 'C', 'D', 'E', 'F', 1, 2, 0, 0, 9, 0, 0, 0}.data(), &track));
  EXPECT_EQ(track, (TrackMsg{"ABCDEF", 0x201, 9}));

  PlayerLabelMsg label;
  ASSERT_TRUE(ReadPlayerLabel(Bytes{4, 0, 18, 9}.data(), &label));
  EXPECT_EQ(label, (PlayerLabelMsg{false, 9, ""}));
  Bytes long40 = {44, 0, 18, 5};
  long40.resize(44, 'y');
  ASSERT_TRUE(ReadPlayerLabel(long40.data(), &label));
  EXPECT_EQ(std::string(label.text), std::string(30, 'y'));

  VersionMsg version;  // only the first two bytes make the version; the third may be missing
  ASSERT_TRUE(ReadVersion(Bytes{5, 0, 19, 1, 2}.data(), &version));
  EXPECT_EQ(version, (VersionMsg{258, 0}));

  CarTableMsg table;  // a count above 40 in a full record reads the 40 that fit
  Bytes cars(404, 0);
  PutU16(cars.data(), 404);
  cars[3] = 200;
  cars[4 + 39 * 10] = 77;
  ASSERT_TRUE(ReadCarTable(cars.data(), &table));
  EXPECT_EQ(table.count, 40);
  EXPECT_EQ(table.cars[39].plid, 77);

  FollowCarsMsg follow;  // a view choice without PLIDs: count 0, PLIDs read as 0
  ASSERT_TRUE(ReadFollowCars(Bytes{4, 0, 15, kViewRear}.data(), &follow));
  EXPECT_EQ(follow, (FollowCarsMsg{kViewRear, 0, {}}));
}

}  // namespace
}  // namespace glink
