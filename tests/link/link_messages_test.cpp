#include "link/link_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link_peer.h"
#include "platform/bytes.h"

namespace glink {
namespace {

using linktest::Bytes;
using linktest::Hex;

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
  plat::PutU16(record.data(), static_cast<std::uint16_t>(size));
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

struct Layout {
  const char* name;
  std::function<void(std::uint8_t*)> write;
  const char* hex;  // the record
  Decoder decode;
  int minSize = 0;  // the reader rejects anything shorter; 0: the record's size
};

std::vector<Layout> Catalogue() {
  static std::uint8_t node[kPathNodeSize];
  for (int i = 0; i < kPathNodeSize; ++i) node[i] = static_cast<std::uint8_t>(i + 1);
  TrackNodeMsg nodeMsg{"AS1", 32, {}};
  std::memcpy(nodeMsg.node, node, kPathNodeSize);
  const CameraMsg cam{7, 65536, -1, 0x01020304, 10, 0x1234, 0xFFFF};
  static const CarEntry cars[2] = {{5, kCarFocus, 0x100, -2}, {9, 0, 3, 4}};
  CarTableMsg table{2, {cars[0], cars[1]}};
  static const std::uint8_t plids[3] = {1, 2, 3};
  const PickRect rect{1, 2, 3, -4};
  const SetCameraMsg set{2, 0x10000, 5, 6};
  return {
      {"track", [](auto s) { WriteTrack(s, "BL1", 180, 3); },
       "1100 03 424C31000000 B4000000 03000000", Decodes(ReadTrack, TrackMsg{"BL1", 180, 3}), 9},
      {"no track", [](auto s) { WriteTrack(s, "", 180, 3); }, "0900 03 000000000000",
       Decodes(ReadTrack, TrackMsg{})},
      {"edit mode", [](auto s) { WriteEditMode(s, GLM_EDIT_MODE, true); }, "0400 04 01",
       Decodes(ReadEditMode, true)},
      {"current camera", [](auto s) { WriteCameraIndex(s, GLM_CURRENT_CAMERA, 0x0102); },
       "0500 05 0201", Decodes<std::uint16_t>(ReadCameraIndex, 0x0102)},
      {"camera added", [=](auto s) { WriteCamera(s, GLM_CAMERA_ADDED, cam); },
       "1800 08 00 0700 00000100 FFFFFFFF 04030201 0A00 3412 FFFF", Decodes(ReadCamera, cam)},
      {"cars", [](auto s) { WriteCarTable(s, 2, cars); },
       "1800 0E 02 05 01 00010000 FEFFFFFF 09 00 03000000 04000000", Decodes(ReadCarTable, table)},
      {"view pos", [](auto s) { WriteViewPos(s, 1, -1); }, "0B00 10 01000000 FFFFFFFF",
       Decodes(ReadViewPos, ViewPosMsg{1, -1})},
      {"label", [](auto s) { WritePlayerLabel(s, 7, "Max (2)"); }, "0B00 12 07 4D617820283229",
       Decodes(ReadPlayerLabel, PlayerLabelMsg{false, 7, "Max (2)"}), 3},
      {"label clear", [](auto s) { WritePlayerLabelClear(s); }, "0300 12",
       Decodes(ReadPlayerLabel, PlayerLabelMsg{true, 0, ""})},
      {"version", [](auto s) { WriteVersion(s, 4); }, "0600 13 00 02 04",
       Decodes(ReadVersion, VersionMsg{kLinkVersion, 4}), 5},
      {"shot reason", [](auto s) { WriteShotReason(s, "hold"); }, "0700 17 686F6C64",
       Decodes(ReadShotReason, ShotReasonMsg{"hold"}), 3},
      {"race clock", [](auto s) { WriteRaceClock(s, 0x01020304); }, "0700 14 04030201",
       Decodes<std::uint32_t>(ReadRaceClock, 0x01020304)},
      {"track node", [](auto s) { WriteTrackNode(s, "AS1", 32, node); },
       "3500 16 415331000000 20000000 0102030405060708090A0B0C0D0E0F1011121314"
       "15161718191A1B1C1D1E1F202122232425262728",
       Decodes(ReadTrackNode, nodeMsg)},
      {"pick edit", [=](auto s) { WritePickCamera(s, GLM_PICK_CAMERA_EDIT, rect); },
       "1300 02 01000000 02000000 03000000 FCFFFFFF", Decodes(ReadPickCamera, rect)},
      {"delete camera", [](auto s) { WriteCameraIndex(s, GLM_DELETE_CAMERA, 3); }, "0500 0C 0300",
       Decodes<std::uint16_t>(ReadCameraIndex, 3)},
      {"set camera", [=](auto s) { WriteSetCamera(s, set); },
       "1800 0D 00 0200 0000000000000000 00000100 0500 0600 0000", Decodes(ReadSetCamera, set)},
      {"follow cars", [](auto s) { WriteFollowCars(s, kViewFront, 3, plids); }, "0700 0F 83 010203",
       Decodes(ReadFollowCars, FollowCarsMsg{kViewFront, 3, {1, 2, 3}})},
      {"end manual control", [](auto s) { WriteFollowCars(s, kViewNone, 0, nullptr); },
       "0400 0F 00", Decodes(ReadFollowCars, FollowCarsMsg{})},
      {"set edit mode", [](auto s) { WriteEditMode(s, GLM_SET_EDIT_MODE, false); }, "0400 11 00",
       Decodes(ReadEditMode, false)},
      {"get nodes", [](auto s) { WriteGetNodes(s, 32); }, "0700 15 20000000",
       Decodes<std::uint32_t>(ReadGetNodes, 32)},
  };
}

// Each layout: the exact bytes (unused ones 0), read back to the same values, and a record one byte
// too short for the reader's fields refused.
TEST(LinkMessages, EveryLayoutIsByteExactReadsBackAndRefusesShortRecords) {
  for (const Layout& l : Catalogue()) {
    const Bytes bytes = Hex(l.hex);
    EXPECT_EQ(Written(l.write), bytes) << l.name;
    EXPECT_EQ(l.decode(bytes), kSame) << l.name;
    const int minSize = l.minSize != 0 ? l.minSize : static_cast<int>(bytes.size());
    EXPECT_EQ(l.decode(Truncated(bytes, minSize - 1)), kRejected) << l.name;
  }
}

// Writers cut their inputs to the layout; readers decode the edge forms of what may arrive.
TEST(LinkMessages, InputsAreCutAndEdgeFormsRead) {
  CarEntry many[41];
  for (int i = 0; i < 41; ++i) many[i] = {static_cast<std::uint8_t>(i), 0, i, -i};
  const Bytes full = Written([&](auto s) { WriteCarTable(s, 41, many); });
  EXPECT_EQ(full.size(), 404u);  // 40 cars fill a slot exactly
  EXPECT_EQ(full[3], 40);
  EXPECT_EQ(Written([](auto s) { WriteTrack(s, "SO4XRLONG", 1, 0); }),
            Hex("1100 03 534F3458524C 01000000 00000000"));
  const std::string name40(40, 'x');
  EXPECT_EQ(Written([&](auto s) { WritePlayerLabel(s, 1, name40.c_str()); }).size(), 4u + 29u);
  std::uint8_t slot[kSlotSize];
  std::memset(slot, 0xAA, sizeof slot);
  WritePlayerLabel(slot, 1, "abc");
  EXPECT_EQ(slot[7], 0);  // the terminator is in the slot, outside the size
  std::uint8_t plids[70] = {};
  EXPECT_EQ(Written([&](auto s) { WriteFollowCars(s, kViewNone, 70, plids); })[3], 63);

  TrackMsg track;  // a 9-byte record carries neither node count nor finish
  ASSERT_TRUE(ReadTrack(Hex("0900 03 424C31000000").data(), &track));
  EXPECT_EQ(track, (TrackMsg{"BL1", 0, 0}));
  ASSERT_TRUE(ReadTrack(Hex("1100 03 414243444546 01020000 09000000").data(), &track));
  EXPECT_EQ(track, (TrackMsg{"ABCDEF", 0x201, 9}));

  PlayerLabelMsg label;
  ASSERT_TRUE(ReadPlayerLabel(Hex("0400 12 09").data(), &label));
  EXPECT_EQ(label, (PlayerLabelMsg{false, 9, ""}));
  Bytes long40 = {44, 0, 18, 5};
  long40.resize(44, 'y');
  ASSERT_TRUE(ReadPlayerLabel(long40.data(), &label));
  EXPECT_EQ(std::string(label.text), std::string(30, 'y'));

  VersionMsg version;  // only the first two bytes make the version; the third may be missing
  ASSERT_TRUE(ReadVersion(Hex("0500 13 01 02").data(), &version));
  EXPECT_EQ(version, (VersionMsg{258, 0}));

  CarTableMsg table;  // a count above 40 in a full record reads the 40 that fit
  Bytes cars(404, 0);
  plat::PutU16(cars.data(), 404);
  cars[3] = 200;
  cars[4 + 39 * 10] = 77;
  ASSERT_TRUE(ReadCarTable(cars.data(), &table));
  EXPECT_EQ(table.count, 40);
  EXPECT_EQ(table.cars[39].plid, 77);

  const std::string reason60(60, 'r');  // a reason is cut to 47 characters both ways
  EXPECT_EQ(Written([&](auto s) { WriteShotReason(s, reason60.c_str()); }).size(), 3u + 47u);
  Bytes long60 = {63, 0, GLM_SHOT_REASON};
  long60.resize(63, 'z');
  ShotReasonMsg reason;
  ASSERT_TRUE(ReadShotReason(long60.data(), &reason));
  EXPECT_EQ(std::string(reason.text), std::string(47, 'z'));

  FollowCarsMsg follow;  // a view choice without PLIDs: count 0, PLIDs read as 0
  ASSERT_TRUE(ReadFollowCars(Hex("0400 0F C0").data(), &follow));
  EXPECT_EQ(follow, (FollowCarsMsg{kViewRear, 0, {}}));
}

}  // namespace
}  // namespace glink
