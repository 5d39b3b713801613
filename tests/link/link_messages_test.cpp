#include "link/link_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/thread.h"

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

// The record in a heap block of exactly its size: a reader that looks past the end trips the
// address sanitizer.
struct Exact {
  explicit Exact(Bytes b) : bytes(std::move(b)) {}
  const std::uint8_t* data() const { return bytes.data(); }
  Bytes bytes;
};
Exact Truncated(Bytes record, int size) {
  record.resize(static_cast<std::size_t>(size));
  PutU16(record.data(), static_cast<std::uint16_t>(size));
  return Exact(record);
}

const std::uint8_t kNode[kPathNodeSize] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                           15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                           29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};

TEST(LinkMessages, DirectorToGuiLayoutsAreByteExact) {
  EXPECT_EQ(Written([](auto s) { WriteTrack(s, "BL1", 180, 3); }),
            (Bytes{17, 0, 3, 'B', 'L', '1', 0, 0, 0, 180, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(Written([](auto s) { WriteTrack(s, "", 180, 3); }), (Bytes{9, 0, 3, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Written([](auto s) { WriteTrack(s, "SO4XRLONG", 1, 0); }),
            (Bytes{17, 0, 3, 'S', 'O', '4', 'X', 'R', 'L', 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Written([](auto s) { WriteEditMode(s, GLM_EDIT_MODE, true); }), (Bytes{4, 0, 4, 1}));
  EXPECT_EQ(Written([](auto s) { WriteCameraIndex(s, GLM_CURRENT_CAMERA, 0x0102); }),
            (Bytes{5, 0, 5, 2, 1}));
  CameraMsg cam{7, 65536, -1, 0x01020304, 10, 0x1234, 0xFFFF};
  EXPECT_EQ(Written([&](auto s) { WriteCamera(s, GLM_CAMERA_ADDED, cam); }),
            (Bytes{24,   0,    8, 0, 7, 0, 0,  0, 1,    0,    0xFF, 0xFF,
                   0xFF, 0xFF, 4, 3, 2, 1, 10, 0, 0x34, 0x12, 0xFF, 0xFF}));
  const CarEntry cars[2] = {{5, 1, 0x100, -2}, {9, 0, 3, 4}};
  EXPECT_EQ(Written([&](auto s) { WriteCarTable(s, 2, cars); }),
            (Bytes{24,   0,    14, 2, 5, 1, 0, 1, 0, 0, 0xFE, 0xFF,
                   0xFF, 0xFF, 9,  0, 3, 0, 0, 0, 4, 0, 0,    0}));
  EXPECT_EQ(Written([](auto s) { WriteViewPos(s, 1, -1); }),
            (Bytes{11, 0, 16, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Written([](auto s) { WritePlayerLabel(s, 7, "Max (2)"); }),
            (Bytes{11, 0, 18, 7, 'M', 'a', 'x', ' ', '(', '2', ')'}));
  EXPECT_EQ(Written([](auto s) { WritePlayerLabelClear(s); }), (Bytes{3, 0, 18}));
  EXPECT_EQ(Written([](auto s) { WriteVersion(s, 4); }), (Bytes{6, 0, 19, 0, 2, 4}));
  EXPECT_EQ(Written([](auto s) { WriteRaceClock(s, 0x01020304); }), (Bytes{7, 0, 20, 4, 3, 2, 1}));
  Bytes node = {53, 0, 22, 'A', 'S', '1', 0, 0, 0, 32, 0, 0, 0};
  node.insert(node.end(), kNode, kNode + kPathNodeSize);
  EXPECT_EQ(Written([](auto s) { WriteTrackNode(s, "AS1", 32, kNode); }), node);
}

TEST(LinkMessages, GuiToDirectorLayoutsAreByteExact) {
  EXPECT_EQ(Written([](auto s) {
              WritePickCamera(s, GLM_PICK_CAMERA_EDIT, {1, 2, 3, -4});
            }),
            (Bytes{19, 0, 2, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Written([](auto s) { WriteCameraIndex(s, GLM_DELETE_CAMERA, 3); }),
            (Bytes{5, 0, 12, 3, 0}));
  EXPECT_EQ(Written([](auto s) {
              WriteSetCamera(s, {2, 0x10000, 5, 6});
            }),
            (Bytes{24, 0, 13, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 5, 0, 6, 0, 0, 0}));
  const std::uint8_t plids[3] = {1, 2, 3};
  EXPECT_EQ(Written([&](auto s) { WriteFollowCars(s, kViewFront, 3, plids); }),
            (Bytes{7, 0, 15, 0x83, 1, 2, 3}));
  EXPECT_EQ(Written([](auto s) { WriteFollowCars(s, kViewNone, 0, nullptr); }),
            (Bytes{4, 0, 15, 0}));
  EXPECT_EQ(Written([](auto s) { WriteEditMode(s, GLM_SET_EDIT_MODE, false); }),
            (Bytes{4, 0, 17, 0}));
  EXPECT_EQ(Written([](auto s) { WriteGetNodes(s, 32); }), (Bytes{7, 0, 21, 32, 0, 0, 0}));
}

TEST(LinkMessages, LimitsOfCarsLabelsAndFollowedCars) {
  CarEntry many[41];
  for (int i = 0; i < 41; ++i) many[i] = {static_cast<std::uint8_t>(i), 0, i, -i};
  const Bytes full = Written([&](auto s) { WriteCarTable(s, 41, many); });
  EXPECT_EQ(full.size(), 404u);  // 40 cars fill a slot exactly
  EXPECT_EQ(full[3], 40);
  CarTableMsg table;
  ASSERT_TRUE(ReadCarTable(Exact(full).data(), &table));
  EXPECT_EQ(table.count, 40);
  EXPECT_EQ(table.cars[39].plid, 39);
  EXPECT_EQ(table.cars[39].y, -39);

  const std::string name40(40, 'x');
  const Bytes label = Written([&](auto s) { WritePlayerLabel(s, 1, name40.c_str()); });
  EXPECT_EQ(label.size(), 4u + 29u);
  std::uint8_t slot[kSlotSize];
  WritePlayerLabel(slot, 1, "abc");
  EXPECT_EQ(slot[7], 0);  // terminator in the slot, outside the size

  std::uint8_t plids[70] = {};
  EXPECT_EQ(Written([&](auto s) { WriteFollowCars(s, kViewNone, 70, plids); })[3], 63);
}

TEST(LinkMessages, ReadersRejectRecordsTooShortForTheirFields) {
  const CameraMsg cam{1, 2, 3, 4, 5, 6, 7};
  const struct {
    const char* name;
    Bytes record;
    std::function<bool(const std::uint8_t*)> read;
    int minSize;
  } cases[] = {
      {"track", Written([](auto s) { WriteNoTrack(s); }),
       [](auto r) {
         TrackMsg m;
         return ReadTrack(r, &m);
       },
       9},
      {"edit mode", Written([](auto s) { WriteEditMode(s, GLM_EDIT_MODE, true); }),
       [](auto r) {
         bool on;
         return ReadEditMode(r, &on);
       },
       4},
      {"camera index", Written([](auto s) { WriteCameraIndex(s, GLM_EDIT_CAMERA, 1); }),
       [](auto r) {
         std::uint16_t i;
         return ReadCameraIndex(r, &i);
       },
       5},
      {"camera", Written([&](auto s) { WriteCamera(s, GLM_CAMERA_CHANGED, cam); }),
       [](auto r) {
         CameraMsg m;
         return ReadCamera(r, &m);
       },
       24},
      {"view pos", Written([](auto s) { WriteViewPos(s, 1, 2); }),
       [](auto r) {
         ViewPosMsg m;
         return ReadViewPos(r, &m);
       },
       11},
      {"version", Written([](auto s) { WriteVersion(s, 3); }),
       [](auto r) {
         VersionMsg m;
         return ReadVersion(r, &m);
       },
       5},
      {"race clock", Written([](auto s) { WriteRaceClock(s, 1); }),
       [](auto r) {
         std::uint32_t m;
         return ReadRaceClock(r, &m);
       },
       7},
      {"track node", Written([](auto s) { WriteTrackNode(s, "BL1", 1, kNode); }),
       [](auto r) {
         TrackNodeMsg m;
         return ReadTrackNode(r, &m);
       },
       53},
      {"pick", Written([](auto s) {
         WritePickCamera(s, GLM_PICK_CAMERA, {1, 2, 3, 4});
       }),
       [](auto r) {
         PickRect m;
         return ReadPickCamera(r, &m);
       },
       19},
      {"set camera", Written([](auto s) {
         WriteSetCamera(s, {1, 2, 3, 4});
       }),
       [](auto r) {
         SetCameraMsg m;
         return ReadSetCamera(r, &m);
       },
       24},
      {"get nodes", Written([](auto s) { WriteGetNodes(s, 1); }),
       [](auto r) {
         std::uint32_t m;
         return ReadGetNodes(r, &m);
       },
       7},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(c.read(Exact(c.record).data())) << c.name;
    EXPECT_TRUE(c.read(Truncated(c.record, c.minSize).data())) << c.name;
    EXPECT_FALSE(c.read(Truncated(c.record, c.minSize - 1).data())) << c.name;
  }

  const CarEntry cars[3] = {};  // three cars announced, room for two
  CarTableMsg table;
  EXPECT_FALSE(ReadCarTable(
      Truncated(Written([&](auto s) { WriteCarTable(s, 3, cars); }), 24).data(), &table));
  EXPECT_FALSE(ReadCarTable(Exact({3, 0, 14}).data(), &table));
  const std::uint8_t plids[5] = {1, 2, 3, 4, 5};
  FollowCarsMsg follow;
  EXPECT_FALSE(ReadFollowCars(
      Truncated(Written([&](auto s) { WriteFollowCars(s, 0, 5, plids); }), 8).data(), &follow));
  EXPECT_FALSE(ReadFollowCars(Exact({3, 0, 15}).data(), &follow));
  PlayerLabelMsg label;
  EXPECT_FALSE(ReadPlayerLabel(Exact({2, 0}).data(), &label));
}

TEST(LinkMessages, ReadersDecodeEdgeForms) {
  TrackMsg track;  // the no-track form carries neither node count nor finish
  ASSERT_TRUE(ReadTrack(Exact({9, 0, 3, 'B', 'L', '1', 0, 0, 0}).data(), &track));
  EXPECT_STREQ(track.name, "BL1");
  EXPECT_EQ(track.nodeCount, 0u);
  ASSERT_TRUE(ReadTrack(
      Exact({17, 0, 3, 'A', 'B', 'C', 'D', 'E', 'F', 1, 2, 0, 0, 9, 0, 0, 0}).data(), &track));
  EXPECT_STREQ(track.name, "ABCDEF");
  EXPECT_EQ(track.nodeCount, 0x201u);
  EXPECT_EQ(track.finishNode, 9u);

  PlayerLabelMsg label;
  ASSERT_TRUE(ReadPlayerLabel(Exact({3, 0, 18}).data(), &label));
  EXPECT_TRUE(label.clearAll);
  ASSERT_TRUE(ReadPlayerLabel(Exact({4, 0, 18, 9}).data(), &label));
  EXPECT_FALSE(label.clearAll);
  EXPECT_EQ(label.plid, 9);
  EXPECT_STREQ(label.text, "");
  Bytes long40 = {44, 0, 18, 5};
  long40.resize(44, 'y');
  ASSERT_TRUE(ReadPlayerLabel(Exact(long40).data(), &label));
  EXPECT_EQ(std::string(label.text), std::string(30, 'y'));

  VersionMsg version;
  ASSERT_TRUE(ReadVersion(Exact({6, 0, 19, 0, 2, 77}).data(), &version));
  EXPECT_EQ(version.linkVersion, kLinkVersion);
  ASSERT_TRUE(ReadVersion(Exact({5, 0, 19, 1, 2}).data(), &version));
  EXPECT_EQ(version.linkVersion, 258);
  EXPECT_EQ(version.insimVersion, 0);

  CarTableMsg table;  // a count above 40 in a full record reads the 40 that fit
  Bytes cars(404, 0);
  PutU16(cars.data(), 404);
  cars[3] = 200;
  cars[4 + 39 * 10] = 77;
  ASSERT_TRUE(ReadCarTable(Exact(cars).data(), &table));
  EXPECT_EQ(table.count, 40);
  EXPECT_EQ(table.cars[39].plid, 77);

  FollowCarsMsg follow;  // view choice with no PLID: the count stays 0, the PLIDs read as 0
  ASSERT_TRUE(ReadFollowCars(Exact({4, 0, 15, kViewRear}).data(), &follow));
  EXPECT_EQ(follow.viewChoice, kViewRear);
  EXPECT_EQ(follow.count, 0);
  EXPECT_EQ(follow.plids[0], 0);
}

// Every layout posted on one side arrives through frames and the parser and reads back the same.
TEST(LinkMessages, EveryLayoutSurvivesTheLink) {
  ToGuiQueue out;
  const CameraMsg cam{3, -100, 200, 300, 1499, 0, 750};
  const CarEntry cars[2] = {{1, kCarFocus, -5, 6}, {200, 0, 7, -8}};
  const std::uint8_t plids[2] = {4, 9};
  ASSERT_TRUE(PostTrack(out, "KY3R", 1200, 17));
  ASSERT_TRUE(PostNoTrack(out));
  ASSERT_TRUE(PostEditMode(out, GLM_EDIT_MODE, true));
  ASSERT_TRUE(PostCameraIndex(out, GLM_CAMERA_DELETED, 99));
  ASSERT_TRUE(PostCamera(out, GLM_CAMERA_ADDED, cam));
  ASSERT_TRUE(PostCarTable(out, 2, cars));
  ASSERT_TRUE(PostViewPos(out, -1, 1));
  ASSERT_TRUE(PostPlayerLabel(out, 12, "Ann (1)"));
  ASSERT_TRUE(PostPlayerLabelClear(out));
  ASSERT_TRUE(PostVersion(out, 4));
  ASSERT_TRUE(PostRaceClock(out, 123456));
  ASSERT_TRUE(PostTrackNode(out, "KY3R", 1199, kNode));
  ASSERT_TRUE(PostPickCamera(out, GLM_PICK_CAMERA, {-10, 20, 10, -20}));
  ASSERT_TRUE(PostSetCamera(out, {3, 400, 12, 11}));
  ASSERT_TRUE(PostFollowCars(out, kViewIncar, 2, plids));
  ASSERT_TRUE(PostGetNodes(out, 1472));

  std::uint8_t buf[kReceiveBufferSize];
  int kept = 0;
  ToGuiQueue in;
  plat::ManualClock clock;
  LinkRecord r;
  while (out.take(r)) {
    kept += BuildFrame(r.bytes, buf + kept);
    kept = ParseFrames(buf, kept, in, clock);
  }
  ASSERT_EQ(kept, 0);
  ASSERT_EQ(in.pending(), 16);

  auto next = [&](std::uint8_t type) {
    EXPECT_TRUE(in.take(r));
    EXPECT_EQ(r.type(), type);
    return r.bytes;
  };
  TrackMsg track;
  ASSERT_TRUE(ReadTrack(next(GLM_TRACK), &track));
  EXPECT_STREQ(track.name, "KY3R");
  EXPECT_EQ(track.nodeCount, 1200u);
  EXPECT_EQ(track.finishNode, 17u);
  ASSERT_TRUE(ReadTrack(next(GLM_TRACK), &track));
  EXPECT_STREQ(track.name, "");
  bool on = false;
  ASSERT_TRUE(ReadEditMode(next(GLM_EDIT_MODE), &on));
  EXPECT_TRUE(on);
  std::uint16_t index = 0;
  ASSERT_TRUE(ReadCameraIndex(next(GLM_CAMERA_DELETED), &index));
  EXPECT_EQ(index, 99);
  CameraMsg camIn;
  ASSERT_TRUE(ReadCamera(next(GLM_CAMERA_ADDED), &camIn));
  EXPECT_EQ(camIn, cam);
  CarTableMsg table;
  ASSERT_TRUE(ReadCarTable(next(GLM_CARS), &table));
  ASSERT_EQ(table.count, 2);
  EXPECT_EQ(table.cars[0].flags, kCarFocus);
  EXPECT_EQ(table.cars[1].plid, 200);
  EXPECT_EQ(table.cars[1].y, -8);
  ViewPosMsg view;
  ASSERT_TRUE(ReadViewPos(next(GLM_VIEW_POS), &view));
  EXPECT_EQ(view.x, -1);
  EXPECT_EQ(view.y, 1);
  PlayerLabelMsg label;
  ASSERT_TRUE(ReadPlayerLabel(next(GLM_PLAYER_LABEL), &label));
  EXPECT_EQ(label.plid, 12);
  EXPECT_STREQ(label.text, "Ann (1)");
  ASSERT_TRUE(ReadPlayerLabel(next(GLM_PLAYER_LABEL), &label));
  EXPECT_TRUE(label.clearAll);
  VersionMsg version;
  ASSERT_TRUE(ReadVersion(next(GLM_VERSION), &version));
  EXPECT_EQ(version.linkVersion, 2);
  EXPECT_EQ(version.insimVersion, 4);
  std::uint32_t ms = 0;
  ASSERT_TRUE(ReadRaceClock(next(GLM_RACE_CLOCK), &ms));
  EXPECT_EQ(ms, 123456u);
  TrackNodeMsg node;
  ASSERT_TRUE(ReadTrackNode(next(GLM_TRACK_NODE), &node));
  EXPECT_STREQ(node.name, "KY3R");
  EXPECT_EQ(node.index, 1199u);
  EXPECT_EQ(std::memcmp(node.node, kNode, kPathNodeSize), 0);
  PickRect rect;
  ASSERT_TRUE(ReadPickCamera(next(GLM_PICK_CAMERA), &rect));
  EXPECT_EQ(rect.left, -10);
  EXPECT_EQ(rect.top, 20);
  EXPECT_EQ(rect.right, 10);
  EXPECT_EQ(rect.bottom, -20);
  SetCameraMsg set;
  ASSERT_TRUE(ReadSetCamera(next(GLM_SET_CAMERA), &set));
  EXPECT_EQ(set.index, 3);
  EXPECT_EQ(set.z, 400);
  EXPECT_EQ(set.startNode, 12);
  EXPECT_EQ(set.endNode, 11);
  FollowCarsMsg follow;
  ASSERT_TRUE(ReadFollowCars(next(GLM_FOLLOW_CARS), &follow));
  EXPECT_EQ(follow.viewChoice, kViewIncar);
  ASSERT_EQ(follow.count, 2);
  EXPECT_EQ(follow.plids[1], 9);
  std::uint32_t first = 0;
  ASSERT_TRUE(ReadGetNodes(next(GLM_GET_NODES), &first));
  EXPECT_EQ(first, 1472u);
}

TEST(LinkMessages, PostingOnAFullQueueLosesTheRecord) {
  ToGuiQueue q;
  for (int i = 0; i < kQueueSlots; ++i)
    ASSERT_TRUE(PostRaceClock(q, static_cast<std::uint32_t>(i)));
  EXPECT_FALSE(PostVersion(q, 4));
  EXPECT_FALSE(PostNoTrack(q));
  LinkRecord r;
  ASSERT_TRUE(q.take(r));
  std::uint32_t ms = 99;
  ASSERT_TRUE(ReadRaceClock(r.bytes, &ms));
  EXPECT_EQ(ms, 0u);
}

}  // namespace
}  // namespace glink
