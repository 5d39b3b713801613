// The ".pth" reader: the track path of a track whose file in the simulator's "data\smx\" holds
// the input, loaded as the director loads it.
//
// A loaded path holds at most 1500 nodes, every one of them read whole from the file, with the
// centres taken from its records; nearestNode always names one of them. A file that is not
// loaded leaves no track at all.
#include <memory>

#include "director/engine/track_path.h"
#include "director/insim/gui_post.h"
#include "fuzz/fuzz_support.h"
#include "link/link_core.h"

namespace {

struct Files {
  Files() {
    plat::TempDir& dir = fuzz::Scratch();
    program = dir / "prog" + plat::kPathSep;
    simulator = dir / "sim" + plat::kPathSep;
    for (const char* d : {"prog", "sim", "sim\\data", "sim\\data\\smx"}) {
      plat::MakeDirectory(dir / plat::NativePath(d));
    }
    pathFile = director::SimulatorPathFile(simulator, "FZ1");
  }
  std::string program, simulator, pathFile;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Files files;
  fuzz::WriteInput(files.pathFile, data, size);
  director::Settings settings;
  settings.guiAccess = 1;
  auto toGui = std::make_unique<glink::MessageQueue>();
  director::GuiPost gui(*toGui, settings);
  const std::unique_ptr<director::TrackPath> path =
      director::LoadTrackPath("FZ1", files.simulator, files.program, &gui);
  fuzz::DrainChecked(*toGui);
  if (!path) return 0;

  fuzz::Check(path->nodeCount >= 1 && path->nodeCount <= director::kMaxPathNodes, "node count");
  const std::size_t header = director::kPathHeaderBytes;
  fuzz::Check(size >= header + std::size_t{path->nodeCount} * director::kPathNodeBytes,
              "nodes beyond the end of the file");
  fuzz::Check(path->cameras.count == 0, "cameras without a camera file");
  for (std::uint32_t i = 0; i < path->nodeCount; ++i) {
    const std::uint8_t* record = data + header + std::size_t{i} * director::kPathNodeBytes;
    const director::PathNode& node = path->node(i);
    fuzz::Check(std::memcmp(node.bytes, record, director::kPathNodeBytes) == 0, "node record");
    fuzz::Check(node.centreX == glink::GetI32(record) &&
                    node.centreY == glink::GetI32(record + 4) &&
                    node.centreZ == glink::GetI32(record + 8),
                "node centre");
  }
  // A few places on and far off the track.
  const std::int32_t probes[][2] = {
      {0, 0}, {INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MAX}, {path->node(0).centreX, 5}};
  for (const auto& p : probes) {
    fuzz::Check(path->nearestNode(p[0], p[1]) < path->nodeCount, "nearest node");
  }
  const director::PathNode& last = path->node(path->nodeCount - 1);
  fuzz::Check(path->nearestNode(last.centreX, last.centreY) < path->nodeCount, "nearest node");
  return 0;
}
