#include "web/snapshot_box.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace director {
namespace {

TEST(SnapshotBox, EveryPublicationIsTheNextNumberAndOnlyTheLatestIsKept) {
  SnapshotBox box;
  auto s = std::make_unique<WebSnapshot>();
  auto out = std::make_unique<WebSnapshot>();
  EXPECT_EQ(box.Latest(out.get()), 0u);
  s->rowCount = 1;
  s->seq = 99;  // the box numbers its publications itself
  box.Publish(*s);
  s->rowCount = 2;
  box.Publish(*s);
  EXPECT_EQ(box.Latest(out.get()), 2u);
  EXPECT_EQ(out->seq, 2u);
  EXPECT_EQ(out->rowCount, 2);

  WebTrack track;
  track.name = "BL1";
  box.PublishTrack(track);
  EXPECT_EQ(box.Track()->version, 1u);
  EXPECT_EQ(box.Latest(out.get()), 3u) << "viewers hear of the new track";
  EXPECT_EQ(out->trackVersion, 1u);
  box.Publish(*s);
  box.Latest(out.get());
  EXPECT_EQ(out->trackVersion, 1u) << "later snapshots carry the track's version";
}

TEST(SnapshotBox, ALostLinkIsPublishedOnce) {
  SnapshotBox box;
  auto s = std::make_unique<WebSnapshot>();
  s->connected = true;
  box.Publish(*s);
  box.Disconnected();
  box.Disconnected();
  auto out = std::make_unique<WebSnapshot>();
  EXPECT_EQ(box.Latest(out.get()), 2u);
  EXPECT_FALSE(out->connected);
}

TEST(SnapshotBox, AWaiterWakesOnPublicationAndOnClose) {
  SnapshotBox box;
  auto s = std::make_unique<WebSnapshot>();
  EXPECT_FALSE(box.WaitNewer(0, 0));
  bool woke = false;
  std::thread waiter([&] { woke = box.WaitNewer(0, 60000); });
  box.Publish(*s);
  waiter.join();
  EXPECT_TRUE(woke);

  std::thread closed([&] { woke = box.WaitNewer(1, 60000); });
  box.Close();
  closed.join();
  EXPECT_FALSE(woke);
  EXPECT_TRUE(box.Closed());
  box.Reopen();
  EXPECT_FALSE(box.Closed());
}

}  // namespace
}  // namespace director
