// Writes the fuzz targets' seed corpora: make_corpus <corpus directory>.
//
// Every seed is made by the project's own code: InSim packets by the simulator stand-in's
// builders from one of its races on its generated track "RS1", GUI link frames by the link's
// posting functions, the path and camera files by the stand-in's track, settings files by the
// settings store itself. The files are committed; run this again after a format changes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "director/insim/packets.h"
#include "link/link_frame.h"
#include "link/link_messages.h"
#include "link/message_queue.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "tools/racesim/race.h"
#include "tools/racesim/track.h"
#include "tools/racesim/wire/camera.h"
#include "tools/racesim/wire/players.h"
#include "tools/racesim/wire/positions.h"
#include "tools/racesim/wire/race_events.h"
#include "tools/racesim/wire/requests.h"
#include "tools/racesim/wire/state.h"
#include "tools/racesim/wire/texts.h"

namespace {

using racesim::Bytes;

std::string root;

void Write(const char* target, const char* name, const Bytes& bytes) {
  const std::string dir = root + "/" + target;
  plat::MakeDirectory(dir);
  std::FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
      std::fclose(f) != 0) {
    std::fprintf(stderr, "make_corpus: cannot write %s/%s\n", dir.c_str(), name);
    std::exit(1);
  }
}
void Write(const char* target, const char* name, const std::string& text) {
  Write(target, name, Bytes(text.begin(), text.end()));
}

void Append(Bytes* out, const Bytes& more) { out->insert(out->end(), more.begin(), more.end()); }

// --- InSim ---

constexpr std::uint16_t kInGame = director::ISS_GAME | director::ISS_SHIFTU_NO_OPT;

racesim::StateReport State(std::uint16_t flags) {
  racesim::StateReport s;
  s.flags = flags;
  s.numP = 6;
  s.raceInProg = 1;
  s.raceLaps = 3;
  s.track = "RS1";
  return s;
}

racesim::PlayerInfo Player(const racesim::Race& race, int i) {
  const racesim::Car& car = race.Cars()[static_cast<std::size_t>(i)];
  racesim::PlayerInfo p;
  p.plid = car.plid;
  p.flags = car.driver.flags;
  p.name = car.driver.name;
  p.car = car.driver.car;
  return p;
}

// The car positions of the race now, as the simulator sends a set.
std::vector<racesim::CarRecord> Cars(const racesim::Race& race) {
  std::vector<racesim::CarRecord> cars;
  for (int i = 0; i < static_cast<int>(race.Cars().size()); ++i) cars.push_back(race.Record(i));
  return cars;
}

// A race of six cars on RS1: state, players, race start, then seconds of position sets with a
// lap, a split and a pit stop among them, and the results.
Bytes V4Race(const racesim::Track& track, bool withText) {
  racesim::RaceOptions options;
  options.cars = 6;
  racesim::Race race(track, options);
  Bytes s = racesim::EncodeSta(0, State(kInGame | director::ISS_SHOW_2D));
  for (int i = 0; i < 6; ++i) Append(&s, racesim::EncodeNpl({1, Player(race, i), 6}));
  Append(&s, racesim::EncodeRst({1, 3, 6, "RS1", static_cast<std::uint16_t>(track.NodeCount()),
                                 static_cast<std::uint16_t>(track.FinishNode()), 100, 300}));
  if (withText) Append(&s, racesim::EncodeMso({0, 0, 0, 0, "activate Morvane"}));
  race.Start();
  for (int set = 0; set < 12; ++set) {
    race.Step(200);
    for (const Bytes& mci : racesim::EncodeMci(Cars(race), racesim::kCarsPerMci)) Append(&s, mci);
    if (set == 4) Append(&s, racesim::EncodeSmall({1, director::SMALL_RTP, race.TimeMs()}));
    if (set == 5) Append(&s, racesim::EncodeTiny({0, director::TINY_NONE}));
  }
  Append(&s, racesim::EncodeSpx({race.Cars()[0].plid, 30000, 30000, 1, 0}));
  Append(&s, racesim::EncodeLap({race.Cars()[1].plid, 61000, 61000, 1, 0}));
  Append(&s, racesim::EncodePit({race.Cars()[2].plid, 1, 1}));
  Append(&s, Bytes{8, 31, 0, race.Cars()[3].plid, 1, 2, 0, 0});  // IS_TOC: a driver change
  racesim::ResultInfo result;
  result.player = Player(race, 0);
  result.totalMs = 190000;
  result.bestLapMs = 61000;
  result.lapsDone = 3;
  result.numRes = 1;
  Append(&s, racesim::EncodeRes(result));
  if (withText) Append(&s, racesim::EncodeMso({0, 0, 0, 0, "deactivate Morvane"}));
  return s;
}

void InsimV4(const racesim::Track& track) {
  auto seed = [](std::uint8_t options, std::uint8_t readLength, const Bytes& stream) {
    Bytes b = {options, readLength};
    Append(&b, stream);
    return b;
  };
  Write("insim_v4", "race_active", seed(0x01, 255, V4Race(track, false)));
  Write("insim_v4", "race_text_split_at_every_byte", seed(0x00, 0, V4Race(track, true)));
  Write("insim_v4", "race_no_overlay_reads_of_7", seed(0x03, 6, V4Race(track, false)));
  // Edit mode's chat commands and camera positions in free view, then the front end.
  Bytes edit = racesim::EncodeSta(0, State(kInGame | director::ISS_SHIFTU | director::ISS_SHOW_2D));
  for (const char* text : {": e", ": a", ": n", ": p", ": d", ": s", ": x"}) {
    racesim::CameraRecord rec;
    rec.x = 100 * 65536;
    rec.y = -50 * 65536;
    rec.z = 5 * 65536;
    rec.fov = 30.0f;
    Append(&edit, racesim::EncodeCpp(1, rec));
    Append(&edit, racesim::EncodeMso({0, 0, 0, 0, text}));
  }
  Append(&edit, racesim::EncodeSta(0, State(0)));
  Write("insim_v4", "edit_commands", seed(0x00, 127, edit));
  // A track without a path file, a paused replay, and a stream that cannot be cut.
  racesim::StateReport other = State(director::ISS_REPLAY | director::ISS_PAUSED);
  other.track = "XX9";
  Bytes odd = racesim::EncodeSta(0, other);
  Append(&odd, racesim::EncodeTiny({0, director::TINY_NONE}));
  Append(&odd, Bytes{2, 3, 0, 0});
  Write("insim_v4", "unknown_track_then_size_2", seed(0x01, 40, odd));
}

Bytes Datagrams(const std::vector<Bytes>& datagrams) {
  Bytes b;
  for (const Bytes& d : datagrams) {
    b.push_back(static_cast<std::uint8_t>(d.size()));
    b.push_back(static_cast<std::uint8_t>(d.size() >> 8));
    Append(&b, d);
  }
  return b;
}

void InsimV3(const racesim::Track& track) {
  racesim::RaceOptions options;
  options.cars = 10;
  racesim::Race race(track, options);
  std::vector<Bytes> d;
  d.push_back(racesim::EncodeV3Sta(State(kInGame | director::ISS_SHOW_2D)));
  for (int i = 0; i < 10; ++i) {
    d.push_back(racesim::EncodeV3Npl(Player(race, i), static_cast<std::uint8_t>(i),
                                     static_cast<std::uint16_t>(100 + i)));
  }
  d.push_back(racesim::EncodeV3Rst({0, 3, 10, "RS1"}, 7));
  race.Start();
  for (int set = 0; set < 10; ++set) {
    race.Step(200);
    for (const Bytes& mci : racesim::EncodeV3Mci(Cars(race))) d.push_back(mci);
  }
  d.push_back(racesim::EncodeV3Lap({race.Cars()[0].plid, 61000, 61000, 1, 0}, 9));
  d.push_back(racesim::EncodeV3Split({race.Cars()[1].plid, 30000, 0, 1, 0}, 10));
  d.push_back(racesim::EncodeV3Pit({race.Cars()[2].plid, 0, 1}, 11));
  racesim::ResultInfo result;
  result.player = Player(race, 0);
  result.totalMs = 190000;
  result.lapsDone = 3;
  d.push_back(racesim::EncodeV3Res(result, 12));
  Bytes seed = {0x01};
  Append(&seed, Datagrams(d));
  Write("insim_v3", "race_active", seed);

  // Several packets in one datagram, a camera position and chat, an unknown identifier.
  Bytes many = racesim::EncodeV3Sta(State(kInGame | director::ISS_SHIFTU));
  racesim::CameraRecord rec;
  rec.x = 65536;
  rec.fov = 30.0f;
  Append(&many, racesim::EncodeV3Cpp(rec));
  Append(&many, racesim::EncodeV3Mso(": e"));
  Append(&many, racesim::EncodeV3Mso("activate Morvane"));
  Bytes unknown = {'X', 'Y', 'Z', 0, 1, 2, 3, 4};
  Append(&unknown, racesim::EncodeV3Rst({0, 3, 1, "RS1"}, 3));
  seed = {0x00};
  Append(&seed, Datagrams({many, unknown, racesim::EncodeV3Mci(Cars(race))[0]}));
  Write("insim_v3", "packed_datagrams", seed);
}

// --- GUI link ---

// The frames of every record posted to a queue.
Bytes Frames(glink::MessageQueue& q) {
  Bytes out;
  glink::LinkRecord record;
  std::uint8_t frame[glink::kFrameBufferSize];
  while (q.take(record.bytes)) {
    const int n = glink::BuildFrame(record.bytes, frame);
    out.insert(out.end(), frame, frame + n);
  }
  return out;
}

void LinkClient(const racesim::Track& track) {
  auto q = std::make_unique<glink::MessageQueue>();
  const std::vector<std::uint8_t> pth = track.PathFileBytes();
  auto seed = [](std::uint8_t options, std::uint8_t readLength, const Bytes& stream) {
    Bytes b = {options, readLength};
    Append(&b, stream);
    return b;
  };

  // A session: the version, the track with its first 64 nodes, edit mode with cameras, cars
  // with labels, the race clock, the view position, then the goodbye.
  glink::PostVersion(*q, 4);
  glink::PostTrack(*q, "RS1", static_cast<std::uint32_t>(track.NodeCount()),
                   static_cast<std::uint32_t>(track.FinishNode()));
  Bytes session = Frames(*q);
  for (std::uint32_t i = 0; i < 64; ++i) {
    glink::PostTrackNode(*q, "RS1", i, pth.data() + 16 + 40 * i);
    if (q->pending() == glink::kQueueSlots) Append(&session, Frames(*q));
  }
  glink::PostEditMode(*q, glink::GLM_EDIT_MODE, true);
  for (std::uint16_t i = 0; i < 3; ++i) {
    glink::CameraMsg camera;
    camera.index = i;
    camera.x = 65536 * 10 * i;
    camera.y = -65536 * 20;
    camera.z = 65536 * 5;
    camera.startNode = static_cast<std::uint16_t>(i * 50);
    camera.endNode = static_cast<std::uint16_t>(i * 50 + 49);
    camera.positionNode = static_cast<std::uint16_t>(i * 50 + 25);
    glink::PostCamera(*q, glink::GLM_CAMERA_ADDED, camera);
  }
  glink::PostCameraIndex(*q, glink::GLM_CURRENT_CAMERA, 1);
  glink::PostCameraIndex(*q, glink::GLM_EDIT_CAMERA, 2);
  glink::PostCameraIndex(*q, glink::GLM_CAMERA_DELETED, 0);
  glink::PostEditMode(*q, glink::GLM_EDIT_MODE, false);
  racesim::RaceOptions options;
  options.cars = 8;
  racesim::Race race(track, options);
  race.Start();
  race.Step(5000);
  glink::CarEntry cars[8];
  for (int i = 0; i < 8; ++i) {
    const racesim::CarRecord c = race.Record(i);
    cars[i].plid = c.plid;
    cars[i].x = c.x;
    cars[i].y = c.y;
    cars[i].flags = i == 0 ? glink::kCarFocus : 0;
    glink::PostPlayerLabel(*q, c.plid,
                           race.Cars()[static_cast<std::size_t>(i)].driver.name.c_str());
  }
  glink::PostCarTable(*q, 8, cars);
  glink::PostRaceClock(*q, race.TimeMs());
  glink::PostViewPos(*q, 65536 * 3, -65536 * 4);
  glink::PostPlayerLabelClear(*q);
  Append(&session, Frames(*q));
  Bytes goodbye(glink::kGoodbyeFrame, glink::kGoodbyeFrame + sizeof glink::kGoodbyeFrame);
  Write("link_client", "session", seed(0x01, 255, session));
  Write("link_client", "session_split_at_every_byte", seed(0x00, 0, session));
  Bytes ended = session;
  Append(&ended, goodbye);
  Write("link_client", "session_goodbye_queue_filling", seed(0x00, 199, ended));
  // Another link version, and a record before any version.
  glink::PostVersion(*q, 3);
  Bytes v3 = Frames(*q);
  v3[glink::kFrameHeader + 3] = 9;
  Write("link_client", "other_version", seed(0x01, 255, v3));
  glink::PostNoTrack(*q);
  Write("link_client", "no_version_first", seed(0x01, 255, Frames(*q)));
}

// The requests of a GUI client: the track's nodes, edit mode with a camera picked, edited and
// deleted, manual selections with each view, automatic direction again.
void LinkDirector(const racesim::Track& track) {
  auto q = std::make_unique<glink::MessageQueue>();
  const std::vector<racesim::CameraSpot> cams = racesim::PlaceCameras(track, 12, 1);
  const racesim::CameraSpot& c = cams[2];
  const glink::PickRect around = {c.x - 65536, c.y + 65536, c.x + 65536, c.y - 65536};
  glink::PostGetNodes(*q, 0);
  glink::PostGetNodes(*q, 32);
  glink::PostGetNodes(*q, 599);
  glink::PostEditMode(*q, glink::GLM_SET_EDIT_MODE, true);
  glink::PostPickCamera(*q, glink::GLM_PICK_CAMERA, around);
  glink::PostPickCamera(*q, glink::GLM_PICK_CAMERA_EDIT, around);
  glink::SetCameraMsg set;
  set.index = 2;
  set.z = 7 * 65536;
  set.startNode = 590;
  set.endNode = 20;
  glink::PostSetCamera(*q, set);
  glink::PostCameraIndex(*q, glink::GLM_DELETE_CAMERA, 3);
  glink::PostEditMode(*q, glink::GLM_SET_EDIT_MODE, false);
  const std::uint8_t plids[] = {1, 2, 3, 200};
  glink::PostFollowCars(*q, glink::kViewIncar, 2, plids);
  glink::PostFollowCars(*q, glink::kViewRear, 4, plids);
  glink::PostFollowCars(*q, glink::kViewNone, 0, plids);
  const Bytes requests = Frames(*q);
  auto seed = [](std::uint8_t options, std::uint8_t readLength, const Bytes& stream) {
    Bytes b = {options, readLength};
    Append(&b, stream);
    return b;
  };
  Write("link_director", "requests_free_view", seed(0x05, 255, requests));
  Write("link_director", "requests_active_split_at_every_byte", seed(0x01, 0, requests));
  Bytes ended = requests;
  Append(&ended, Bytes(glink::kGoodbyeFrame, glink::kGoodbyeFrame + sizeof glink::kGoodbyeFrame));
  Write("link_director", "requests_no_track_goodbye", seed(0x08, 63, ended));
}

// --- Files ---

void Files(const racesim::Track& track) {
  const std::vector<std::uint8_t> pth = track.PathFileBytes();
  Write("track_path", "rs1_600_nodes", Bytes(pth.begin(), pth.end()));
  racesim::TrackOptions small;
  small.name = "SM1";
  small.nodeCount = 16;
  const std::vector<std::uint8_t> sm = racesim::Track(small).PathFileBytes();
  Write("track_path", "sm1_16_nodes", Bytes(sm.begin(), sm.end()));
  Write("track_path", "cut_in_the_nodes", Bytes(sm.begin(), sm.begin() + 16 + 40 * 7 + 13));
  // The 0.8 format: the main nodes and the pit lane, and the same lane split over both lanes
  // (counts at 18 and 20).
  racesim::TrackOptions sr;
  sr.pathFormat = racesim::PathFormat::kSrPath;
  const std::vector<std::uint8_t> srpath = racesim::Track(sr).PathFileBytes();
  Write("track_path", "rs1_srpath_with_pit_lane", Bytes(srpath.begin(), srpath.end()));
  small.pathFormat = racesim::PathFormat::kSrPath;
  small.nodeSpacing = 20.0;  // a short pit lane: 19 nodes
  Bytes two = racesim::Track(small).PathFileBytes();
  const std::uint16_t lane = plat::GetU16(two.data() + 18);
  plat::PutU16(two.data() + 18, static_cast<std::uint16_t>(lane - 5));
  plat::PutU16(two.data() + 20, 5);
  Write("track_path", "sm1_srpath_two_pit_lanes", two);
  Write("track_path", "srpath_cut_in_the_pit_lane", Bytes(two.begin(), two.end() - 50));

  const std::string cams = racesim::CameraFileText(racesim::PlaceCameras(track, 12, 1));
  Write("camera_file", "rs1_12_cameras", cams);
  std::string lf;
  for (char c : cams) {
    if (c != '\r') lf += c;
  }
  Write("camera_file", "lf_blank_line_and_end", "\n" + lf + "\n 1,2,3,4\n 5, 6, 7, 8, 9\n");
  Write("camera_file", "unpadded_ranges_past_the_path",
        "1,2,3,4,5\r\nFFFFFFFF,0,7FFFFFFF,599,2000\r\n");

  Write("profile", "morvane_cfg",
        "[default]\r\nPath2LFS = \"C:\\LFS\\\"\r\n\r\n[Activate]\r\nDelay=0x1F4\r\n"
        "[Output]\r\nColorT = 9\r\n");
  Write("profile", "alias_ini",
        "; nicknames\n[AliasNames]\nNumber=3\nnickname1=^7Jo^3hn\nrealname1=John Smith\n"
        "NICKNAME2 = Al \nrealname2=\n[aliasnames]\nnickname3=x\n");
  Write("profile", "cvw_ini",
        "[SourceFolder]\n0.6T=views\\06T\n0.5V = 'old'\n[SourceFolder\nbroken line\n=value\n");

  std::string settings =
      "# Morvane settings: name=u32:number or name=str:text\n"
      "AutoActivate=u32:0\nDisableOverlay=u32:1\nEnableGUI=u32:1\nFKeyA=u32:4\nFKeyB=u32:5\n"
      "GUI-Port=u32:32301\nInsimPort=u32:29999\nInsimVersion=u32:4\n"
      "IPaddress=str:127.0.0.1\nPassword=str:s\\x01cr\\\\et\\n\n";
  Write("settings_file", "director_and_client", settings);
  Write("settings_file", "hand_edited",
        "  insimport = u32: 4294967295 \r\nInsimPort=u32:1\n\\x20odd\\x3dname=str:\nbad=u32:x\n"
        "bad2=str:\\q\nnoequals\n;comment=u32:3\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus <corpus directory>\n");
    return 2;
  }
  root = argv[1];
  plat::MakeDirectory(root);
  racesim::TrackOptions options;
  const racesim::Track track(options);
  InsimV4(track);
  InsimV3(track);
  LinkClient(track);
  LinkDirector(track);
  Files(track);
  return 0;
}
