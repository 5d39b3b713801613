#include "director/engine/camera_store.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>
#include <utility>

#include "director/engine/track_path.h"
#include "director/insim/director_settings.h"
#include "link/gui_post.h"
#include "link/link_messages.h"
#include "platform/files.h"
#include "race_test_support.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Cat;
using test::Drain;
using test::LE16;
using test::LE32;
using test::Record;

// What the file holds of a camera, and its nearest node.
std::tuple<int, int, int, int, int, int> Fields(const CameraPosition& c) {
  return {c.x, c.y, c.z, c.rangeStart, c.rangeEnd, c.nearestNode};
}

// A 600-node circle; node i lies at angle i * 0.6 degrees, 500 m from the origin.
class CameraStoreTest : public ::testing::Test {
 protected:
  CameraStoreTest() { settings.guiAccess = 1; }

  // A point just outside node n, so that nearestNode gives n.
  test::NodeCentre At(int n) const {
    const PathNode& node = track->node(static_cast<std::uint32_t>(n));
    return {node.centreX + node.centreX / 50, node.centreY + node.centreY / 50};
  }
  void AddAt(int n, std::int32_t z = 0) {
    const test::NodeCentre p = At(n);
    ASSERT_TRUE(store().Add(p.x, p.y, z));
  }
  // Cameras at the nodes, with nothing posted or unsaved left from adding them.
  void Cameras(std::initializer_list<int> nodes) {
    for (int n : nodes) AddAt(n);
    Drain(toGui);
    store().unsavedChanges = 0;
  }
  CameraStore& store() { return track->cameras; }
  std::pair<int, int> Range(int i) {
    return {store().cameras[i].rangeStart, store().cameras[i].rangeEnd};
  }
  std::vector<int> Nodes() {
    std::vector<int> out;
    for (int i = 0; i < store().count; ++i) out.push_back(store().cameras[i].nearestNode);
    return out;
  }
  static Bytes Index(std::uint8_t type, std::uint16_t index) { return Record(type, LE16(index)); }
  static Bytes Camera(std::uint8_t type, std::uint16_t index, const CameraPosition& c) {
    return Record(type,
                  Cat({B({0}), LE16(index), LE32(static_cast<std::uint32_t>(c.x)),
                       LE32(static_cast<std::uint32_t>(c.y)), LE32(static_cast<std::uint32_t>(c.z)),
                       LE16(c.rangeStart), LE16(c.rangeEnd), LE16(c.nearestNode)}));
  }

  Settings settings;
  glink::MessageQueue toGui;
  glink::GuiPost gui{toGui, settings.guiAccess};
  std::unique_ptr<TrackPath> track = test::MakeTrack(test::CircleCentres(600), 0, &gui);
  CameraPositionRecord packet;
};

TEST(CameraPositionTest, HeadingsUseThreePointOneFourOneForPi) {
  CameraPosition c;
  c.x = 1000;
  c.y = -1000;
  EXPECT_EQ(c.headingTo(2000, -1000), 16384);  // along +X
  EXPECT_EQ(c.headingTo(1000, 0), 32771);      // along +Y: a little past half a turn
  EXPECT_EQ(c.headingTo(0, -1000), 49158);     // along -X
  EXPECT_EQ(c.headingTo(1000, -2000), 65533);  // along -Y: -3.09 truncated towards zero
  EXPECT_EQ(c.headingTo(2000, 0), 24577);
  c.x = INT32_MIN;  // far apart points do not overflow
  EXPECT_EQ(c.headingTo(INT32_MAX, -1000), 16384);
}

TEST(CameraPositionTest, RangesCoverTheirNodesAndWrapOverTheLine) {
  const struct {
    std::uint16_t start, end;
    std::vector<int> in, out;
  } cases[] = {
      {10, 20, {10, 20}, {9, 21}},
      {590, 10, {590, 599, 0, 10}, {589, 11}},  // over the finish line
      {0, 0, {0, 1, 299, 599, 65535}, {}},      // start = end: every node
      {42, 42, {7}, {}},
  };
  for (const auto& c : cases) {
    CameraPosition cam;
    cam.rangeStart = c.start;
    cam.rangeEnd = c.end;
    for (int n : c.in) EXPECT_TRUE(cam.coversNode(static_cast<std::uint16_t>(n))) << c.start << n;
    for (int n : c.out) EXPECT_FALSE(cam.coversNode(static_cast<std::uint16_t>(n))) << c.start << n;
  }
}

TEST_F(CameraStoreTest, FileLinesAreReadSortedAndBounded) {
  std::string text;
  for (int i = 0; i < 120; ++i) text += " 00000001, 00000002, 00000003,   4,   5\r\n";
  store().ParseCameraFile(text);
  EXPECT_EQ(store().count, 100);
  EXPECT_EQ(store().current, 0);
  EXPECT_EQ(store().unsavedChanges, 0);

  // Both line endings, no padding, blank lines, nodes beyond the path or negative become 0,
  // and the first unreadable line ends the file.
  store().ParseCameraFile(
      "0000012C,FFFFFF00,10,700,-5\r\n"
      "\r\n"
      "   \n"
      " 1, 2, 3,  599,  600\n"
      "0x10,0X20,30,4,5 trailing words\n"
      "1,2,3,4\n"
      "9,9,9,9,9\n");
  ASSERT_EQ(store().count, 3);
  const auto node = [&](std::int32_t x, std::int32_t y) { return track->nearestNode(x, y); };
  EXPECT_EQ(Fields(store().cameras[0]), std::make_tuple(1, 2, 3, 599, 0, node(1, 2)));
  EXPECT_EQ(Fields(store().cameras[1]), std::make_tuple(16, 32, 48, 4, 5, node(16, 32)));
  EXPECT_EQ(Fields(store().cameras[2]), std::make_tuple(0x12C, -256, 16, 0, 0, node(0x12C, -256)));

  // Bytes that are not a camera file at all, and numbers beyond 32 bits: nothing.
  for (const std::string& bad :
       {std::string("\0\xff,,\n-,-,-,-,-\n", 14), std::string("FFFFFFFFF,0,0,0,0\n"),
        std::string("0,0,0,99999999999,0\n")}) {
    store().ParseCameraFile(bad);
    EXPECT_EQ(store().count, 0);
  }
}

TEST_F(CameraStoreTest, EqualNodesKeepTheirFileOrder) {
  const test::NodeCentre p = At(50);
  char text[200];
  std::snprintf(text, sizeof(text), "%X,%X,1,0,0\n%X,%X,2,0,0\n%X,%X,3,0,0\n",
                static_cast<unsigned>(At(80).x), static_cast<unsigned>(At(80).y),
                static_cast<unsigned>(p.x), static_cast<unsigned>(p.y),
                static_cast<unsigned>(p.x + 1), static_cast<unsigned>(p.y));
  store().ParseCameraFile(text);
  ASSERT_EQ(store().count, 3);
  EXPECT_EQ(store().cameras[0].z, 2);
  EXPECT_EQ(store().cameras[1].z, 3);
  EXPECT_EQ(store().cameras[2].z, 1);
}

TEST_F(CameraStoreTest, WriterFormatIsExact) {
  store().count = 2;
  store().cameras[0].x = -1;
  store().cameras[0].y = 0x10000;
  store().cameras[0].z = 0xABCDEF;
  store().cameras[0].rangeStart = 25;
  store().cameras[0].rangeEnd = 575;
  store().cameras[1].y = INT32_MIN;
  store().cameras[1].z = 7;
  store().cameras[1].rangeStart = 1499;
  EXPECT_EQ(store().FormatCameraFile(),
            " FFFFFFFF, 00010000, 00ABCDEF,  25, 575\r\n"
            " 00000000, 80000000, 00000007,1499,   0\r\n");
}

TEST_F(CameraStoreTest, SavesOnlyWhatChangedKeepsWhatAFailedSaveWouldLoseAndReadsItBack) {
  plat::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir / "cam" + plat::kPathSep + "BL1.cam";
  EXPECT_TRUE(store().WriteCameraFile(path));  // nothing changed: no file
  EXPECT_FALSE(plat::FileExists(path));

  AddAt(590, -65536);
  AddAt(10, 0x7FFFFFFF);
  AddAt(300, 12);
  // The directory cannot be made (a file stands in its place): the changes stay marked.
  ASSERT_TRUE(plat::PutFile(dir / "blocked", "x"));
  EXPECT_FALSE(store().WriteCameraFile(dir / "blocked" + plat::kPathSep + "BL1.cam"));
  EXPECT_EQ(store().unsavedChanges, 1);
  ASSERT_TRUE(store().WriteCameraFile(path));  // makes the missing "cam" directory
  EXPECT_EQ(store().unsavedChanges, 0);
  EXPECT_EQ(plat::GetFile(path), store().FormatCameraFile());

  auto again = test::MakeTrack(test::CircleCentres(600));
  again->cameras.ReadCameraFile(path);
  ASSERT_EQ(again->cameras.count, 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(Fields(again->cameras.cameras[i]), Fields(store().cameras[i]));
  EXPECT_EQ(again->cameras.cameras[2].z, -65536);

  // An old file is replaced whole.
  ASSERT_TRUE(plat::PutFile(path, std::string(500, 'x')));
  for (int i = 0; i < 3; ++i) store().Delete(0, &packet);
  EXPECT_TRUE(store().WriteCameraFile(path));
  EXPECT_EQ(plat::GetFile(path), "");
}

TEST_F(CameraStoreTest, AddPlacesInNodeOrderWithAWrappingRangeUpTo100) {
  AddAt(300);
  AddAt(10);  // near the start: range start wraps over the line
  EXPECT_EQ(Nodes(), (std::vector<int>{10, 300}));
  EXPECT_EQ(store().current, 0);
  EXPECT_EQ(Range(0), std::make_pair(10 + 575, 35));
  AddAt(590);
  EXPECT_EQ(store().current, 2);
  EXPECT_EQ(Range(2), std::make_pair(565, 15));  // 615 wraps to 15
  EXPECT_EQ(Range(1), std::make_pair(275, 325));
  EXPECT_EQ(store().unsavedChanges, 1);

  const auto posted = Drain(toGui);
  ASSERT_EQ(posted.size(), 3u);
  EXPECT_EQ(posted[1], Camera(glink::GLM_CAMERA_ADDED, 0, store().cameras[0]));  // final index
  EXPECT_EQ(posted[2], Camera(glink::GLM_CAMERA_ADDED, 2, store().cameras[2]));

  store().Announce(2);
  store().Announce(3);  // no such camera
  EXPECT_EQ(Drain(toGui),
            std::vector<Bytes>{Camera(glink::GLM_CAMERA_ADDED, 2, store().cameras[2])});

  // With GUI access off the store changes without a word to the GUI.
  settings.guiAccess = 0;
  AddAt(200);
  EXPECT_EQ(toGui.pending(), 0);

  // A full store refuses another camera.
  settings.guiAccess = 1;
  while (store().count < kMaxCameras) AddAt(store().count * 5);
  Drain(toGui);
  const test::NodeCentre p = At(3);
  EXPECT_FALSE(store().Add(p.x, p.y, 0));
  EXPECT_EQ(store().count, kMaxCameras);
  EXPECT_EQ(toGui.pending(), 0);
}

TEST_F(CameraStoreTest, NextAndPreviousWrapAndShowTheCamera) {
  EXPECT_FALSE(store().Next(&packet));
  EXPECT_FALSE(store().Previous(&packet));
  Cameras({100, 400, 250});
  store().cameras[0].z = 777;
  store().current = 2;

  for (const auto& [next, expected] : {std::pair{true, 0}, {false, 2}, {false, 1}, {false, 0}}) {
    ASSERT_TRUE(next ? store().Next(&packet) : store().Previous(&packet));
    EXPECT_EQ(store().current, expected);
  }
  EXPECT_EQ(Drain(toGui),
            (std::vector<Bytes>{
                Index(glink::GLM_CURRENT_CAMERA, 0), Index(glink::GLM_CURRENT_CAMERA, 2),
                Index(glink::GLM_CURRENT_CAMERA, 1), Index(glink::GLM_CURRENT_CAMERA, 0)}));

  // The packet puts the free camera on camera 0, looking at the start of its range (node 75).
  const CameraPosition& cam = store().cameras[0];
  std::uint8_t bytes[kCameraRecordSize];
  const std::uint8_t header[4] = {'C', 'P', 'P', 0};
  WriteCameraRecord(packet, header, bytes);
  const PathNode& target = track->node(75);
  const std::uint16_t heading = cam.headingTo(target.centreX, target.centreY);
  EXPECT_EQ(Bytes(bytes, bytes + 32),
            Cat({B({'C', 'P', 'P', 0}), LE32(static_cast<std::uint32_t>(cam.x)),
                 LE32(static_cast<std::uint32_t>(cam.y)), LE32(777), LE16(heading), LE16(0),
                 LE16(0), B({0, 2}), LE32(0x41F00000), LE16(0), LE16(8)}));
}

TEST_F(CameraStoreTest, MoveChangesOnlyWhatMovedAndResorts) {
  Cameras({100, 200, 300});
  store().current = 0;
  const CameraPosition before = store().cameras[0];
  EXPECT_FALSE(store().MoveCurrent(before.x, before.y, before.z));
  EXPECT_EQ(store().unsavedChanges, 0);
  EXPECT_EQ(toGui.pending(), 0);

  const test::NodeCentre p = At(250);
  EXPECT_TRUE(store().MoveCurrent(p.x, p.y, 9));
  EXPECT_EQ(Nodes(), (std::vector<int>{200, 250, 300}));
  EXPECT_EQ(store().current, 1);
  EXPECT_EQ(Range(1), std::make_pair(0 + before.rangeStart, 0 + before.rangeEnd));  // kept
  EXPECT_EQ(store().cameras[1].z, 9);
  EXPECT_EQ(store().unsavedChanges, 1);
  // The message carries the index the camera had before it was re-sorted.
  EXPECT_EQ(Drain(toGui),
            std::vector<Bytes>{Camera(glink::GLM_CAMERA_CHANGED, 0, store().cameras[1])});

  const test::NodeCentre back = At(20);
  EXPECT_TRUE(store().MoveCurrent(back.x, back.y, 9));
  EXPECT_EQ(Nodes(), (std::vector<int>{20, 200, 300}));
  EXPECT_EQ(store().current, 0);
}

TEST_F(CameraStoreTest, DeleteSelectsTheNextCameraAlongTheLapAndDeleteNearLooksWithin6500) {
  Cameras({10, 100, 300});
  EXPECT_TRUE(store().Delete(1, &packet));
  EXPECT_EQ(Nodes(), (std::vector<int>{10, 300}));
  EXPECT_EQ(store().current, 1);
  EXPECT_EQ(packet.x, store().cameras[1].x);
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{Index(glink::GLM_CAMERA_DELETED, 1),
                                              Index(glink::GLM_CURRENT_CAMERA, 1)}));
  EXPECT_TRUE(store().Delete(1, &packet));  // the last along the lap: back to camera 0
  EXPECT_EQ(store().current, 0);
  Cameras({});

  EXPECT_FALSE(store().Delete(5, &packet));  // no such camera: nothing happens
  EXPECT_EQ(store().count, 1);
  EXPECT_EQ(store().unsavedChanges, 0);
  EXPECT_EQ(toGui.pending(), 0);

  packet = CameraPositionRecord();
  EXPECT_FALSE(store().Delete(0, &packet));  // the only camera: no packet
  EXPECT_EQ(store().count, 0);
  EXPECT_EQ(store().unsavedChanges, 1);
  EXPECT_EQ(packet.fov, 0.0f);
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Index(glink::GLM_CAMERA_DELETED, 0)});

  // Delete near finds a camera within 6500 units on every axis.
  Cameras({100, 200});
  const CameraPosition c = store().cameras[1];
  for (const auto& [dx, dy, dz] : {std::tuple{6500, 0, 0}, {0, -6500, 0}, {0, 0, 6500}}) {
    EXPECT_FALSE(store().DeleteNear(c.x + dx, c.y + dy, c.z + dz, &packet));
  }
  EXPECT_EQ(store().count, 2);
  EXPECT_TRUE(store().DeleteNear(c.x + 6499, c.y - 6499, c.z + 6499, &packet));
  EXPECT_EQ(Nodes(), std::vector<int>{100});
  EXPECT_EQ(packet.fov, kCameraPacketFov);
}

TEST_F(CameraStoreTest, RectanglePicksStrictlyInsideAndPostsTwice) {
  Cameras({100, 200});
  const CameraPosition c = store().cameras[1];
  // Edges through the camera's X or Y do not select it.
  EXPECT_FALSE(store().SelectInRectangle(c.x, c.y + 10, c.x + 10, c.y - 10, &packet));
  EXPECT_FALSE(store().SelectInRectangle(c.x - 10, c.y, c.x + 10, c.y - 10, &packet));
  EXPECT_EQ(toGui.pending(), 0);
  store().current = 0;
  EXPECT_TRUE(store().SelectInRectangle(c.x - 1, c.y + 1, c.x + 1, c.y - 1, &packet));
  EXPECT_EQ(store().current, 1);
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{Index(glink::GLM_CURRENT_CAMERA, 1),
                                              Index(glink::GLM_CURRENT_CAMERA, 1)}));
}

TEST_F(CameraStoreTest, EditSetsHeightAndRangeAndAlwaysShowsTheCamera) {
  Cameras({100, 200});
  const CameraPosition c = store().cameras[0];
  ASSERT_TRUE(store().Edit(0, c.z, c.rangeStart, c.rangeEnd, &packet));  // unchanged values
  EXPECT_EQ(store().unsavedChanges, 0);
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Index(glink::GLM_CURRENT_CAMERA, 0)});

  ASSERT_TRUE(store().Edit(1, 4000, 190, 5, &packet));
  EXPECT_EQ(store().current, 1);
  EXPECT_EQ(store().unsavedChanges, 1);
  EXPECT_EQ(store().cameras[1].z, 4000);
  EXPECT_EQ(Range(1), std::make_pair(190, 5));
  EXPECT_EQ(packet.z, 4000);
  EXPECT_EQ(store().cameras[1].nearestNode, 200);  // the order stays valid

  // A node beyond the path is taken as 0, as the file reader does, so the camera packet never
  // looks at a node that is not there.
  ASSERT_TRUE(store().Edit(1, 4000, 60000, 600, &packet));
  EXPECT_EQ(Range(1), std::make_pair(0, 0));
  EXPECT_FALSE(store().Edit(2, 0, 0, 0, &packet));
}

}  // namespace
}  // namespace director
