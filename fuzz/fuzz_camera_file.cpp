// The ".cam" reader: the camera store of the stand-in's track "RS1" reading the input as its
// camera file, then writing it and reading it back.
//
// What was read is a valid store (at most 100 cameras, ranges within the path, sorted by their
// nearest nodes, each nearest node recomputed); the written file is what FormatCameraFile gives,
// and reading it back gives exactly the same cameras.
#include <memory>
#include <string>

#include "director/engine/camera_store.h"
#include "director/engine/track_path.h"
#include "fuzz/fuzz_support.h"

namespace {

struct Files {
  Files() {
    plat::TempDir& dir = fuzz::Scratch();
    input = dir / "input.cam";
    written = dir / "written.cam";
    racesim::TrackOptions options;
    const racesim::Track generated(options);
    const std::vector<std::uint8_t> pth = generated.PathFileBytes();
    track = std::make_unique<director::TrackPath>("RS1");
    fuzz::Check(director::ParsePathFile(pth.data(), pth.size(), track.get()) ==
                    director::PathFileResult::kLoaded,
                "the stand-in's path file");
  }
  std::string input, written;
  std::unique_ptr<director::TrackPath> track;
};

void CheckValid(const director::CameraStore& store, const director::TrackPath& track) {
  fuzz::Check(store.count <= director::kMaxCameras, "camera count");
  fuzz::Check(store.count == 0 || store.current < store.count, "current camera");
  for (int i = 0; i < store.count; ++i) {
    const director::CameraPosition& c = store.cameras[i];
    fuzz::Check(c.rangeStart < track.nodeCount && c.rangeEnd < track.nodeCount, "camera range");
    fuzz::Check(c.nearestNode == track.nearestNode(c.x, c.y), "nearest node");
    fuzz::Check(i == 0 || store.cameras[i - 1].nearestNode <= c.nearestNode, "camera order");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Files files;
  fuzz::WriteInput(files.input, data, size);
  auto store = std::make_unique<director::CameraStore>(*files.track, nullptr);
  store->ReadCameraFile(files.input);
  CheckValid(*store, *files.track);
  fuzz::Check(store->unsavedChanges == 0, "a store just read has nothing unsaved");

  std::remove(files.written.c_str());
  store->unsavedChanges = 1;
  fuzz::Check(store->WriteCameraFile(files.written), "writing the camera file");
  std::string text;
  fuzz::Check(plat::ReadTextFile(files.written, &text), "reading the written file");
  fuzz::Check(text == store->FormatCameraFile(), "written file");

  auto back = std::make_unique<director::CameraStore>(*files.track, nullptr);
  back->ReadCameraFile(files.written);
  fuzz::Check(back->count == store->count, "cameras read back");
  for (int i = 0; i < store->count; ++i) {
    const director::CameraPosition& a = store->cameras[i];
    const director::CameraPosition& b = back->cameras[i];
    fuzz::Check(a.x == b.x && a.y == b.y && a.z == b.z && a.rangeStart == b.rangeStart &&
                    a.rangeEnd == b.rangeEnd && a.nearestNode == b.nearestNode,
                "camera read back");
  }
  return 0;
}
