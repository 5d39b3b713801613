// The GUI link's message catalogue: type numbers, record sizes and one writer and one reader per
// record layout. No other module reads or writes an offset of a link record.
//
// Writers fill a slot given by MessageQueue::reserve (size field, type byte and payload; unused
// bytes are set to 0) and are followed by commit. Every writer has a Post... companion that
// reserves, writes and commits on a queue and returns false when the queue is full (the record is
// then lost, as a full queue drops records). Inputs beyond a layout's limits are cut to fit: at
// most 40 cars, 63 followed cars, 29 label characters, 6 track-name characters.
//
// Readers decode a record (a slot, of which the first size bytes are the record) into a plain
// struct. They validate the record size against the fields they read and return false for a record
// too short for them, so a short or hostile record is never read past its end. They do not check
// the type byte: receivers dispatch on RecordType first.
#pragma once

#include <cstdint>

#include "link/message_queue.h"
#include "link/path_node.h"

namespace glink {

// GUI client -> director.
inline constexpr std::uint8_t GLM_PICK_CAMERA = 1;
inline constexpr std::uint8_t GLM_PICK_CAMERA_EDIT = 2;
inline constexpr std::uint8_t GLM_DELETE_CAMERA = 12;
inline constexpr std::uint8_t GLM_SET_CAMERA = 13;
inline constexpr std::uint8_t GLM_FOLLOW_CARS = 15;
inline constexpr std::uint8_t GLM_SET_EDIT_MODE = 17;
inline constexpr std::uint8_t GLM_GET_NODES = 21;
// Director -> GUI client.
inline constexpr std::uint8_t GLM_TRACK = 3;
inline constexpr std::uint8_t GLM_EDIT_MODE = 4;
inline constexpr std::uint8_t GLM_CURRENT_CAMERA = 5;
inline constexpr std::uint8_t GLM_EDIT_CAMERA = 6;
inline constexpr std::uint8_t GLM_CAMERA_ADDED = 8;
inline constexpr std::uint8_t GLM_CAMERA_CHANGED = 9;
inline constexpr std::uint8_t GLM_CAMERA_DELETED = 11;
inline constexpr std::uint8_t GLM_CARS = 14;
inline constexpr std::uint8_t GLM_VIEW_POS = 16;
inline constexpr std::uint8_t GLM_PLAYER_LABEL = 18;
inline constexpr std::uint8_t GLM_VERSION = 19;
inline constexpr std::uint8_t GLM_RACE_CLOCK = 20;
inline constexpr std::uint8_t GLM_TRACK_NODE = 22;
// Newer than link version 2: a client that does not know it skips it, as it skips every
// unknown type, so the link version stays.
inline constexpr std::uint8_t GLM_SHOT_REASON = 23;

// Record sizes (size field, type byte and payload).
inline constexpr int kTrackSize = 17;
inline constexpr int kNoTrackSize = 9;
inline constexpr int kEditModeSize = 4;     // GLM_EDIT_MODE, GLM_SET_EDIT_MODE
inline constexpr int kCameraIndexSize = 5;  // GLM_CURRENT_CAMERA, _EDIT_CAMERA, _CAMERA_DELETED,
                                            // GLM_DELETE_CAMERA
inline constexpr int kCameraSize = 24;      // GLM_CAMERA_ADDED, GLM_CAMERA_CHANGED
inline constexpr int kSetCameraSize = 24;
inline constexpr int kCarsHeaderSize = 4;  // + kCarEntrySize per car
inline constexpr int kCarEntrySize = 10;
inline constexpr int kMaxLinkCars = 40;  // 4 + 10 * 40 = 404, a full slot
inline constexpr int kViewPosSize = 11;
inline constexpr int kLabelClearSize = 3;
inline constexpr int kLabelHeaderSize = 4;   // + the label's length
inline constexpr int kMaxLabelLength = 29;   // what the director sends
inline constexpr int kLabelReadLength = 30;  // what a receiver keeps of a longer label
inline constexpr int kVersionSize = 6;
inline constexpr int kRaceClockSize = 7;
inline constexpr int kTrackNodeSize = 53;
inline constexpr int kPickCameraSize = 19;       // GLM_PICK_CAMERA, GLM_PICK_CAMERA_EDIT
inline constexpr int kFollowCarsHeaderSize = 4;  // + one byte per PLID
inline constexpr int kMaxFollowCars = 63;        // the count's six bits
inline constexpr int kGetNodesSize = 7;
inline constexpr int kShotReasonHeaderSize = 3;  // + the reason's length
inline constexpr int kMaxShotReasonLength = 47;

inline constexpr int kTrackNameLength = 6;  // the simulator's short name field, zero-padded

// The link version that both ends speak (GLM_VERSION, read as first byte * 256 + second).
inline constexpr std::uint16_t kLinkVersion = 2;

// The custom view choice in the top two bits of GLM_FOLLOW_CARS' count byte.
inline constexpr std::uint8_t kViewNone = 0;
inline constexpr std::uint8_t kViewIncar = 64;
inline constexpr std::uint8_t kViewFront = 128;
inline constexpr std::uint8_t kViewRear = 192;
inline constexpr std::uint8_t kViewChoiceMask = 0xC0;
inline constexpr std::uint8_t kFollowCountMask = 0x3F;

// Focus flag of a car entry: the car is in the director's focus.
inline constexpr std::uint8_t kCarFocus = 1;

// --- Decoded forms ---

struct TrackMsg {
  char name[kTrackNameLength + 1] = {};  // empty in the no-track form
  std::uint32_t nodeCount = 0;           // 0 in the no-track form
  std::uint32_t finishNode = 0;

  bool operator==(const TrackMsg&) const = default;
};

struct CameraMsg {  // GLM_CAMERA_ADDED, GLM_CAMERA_CHANGED
  std::uint16_t index = 0;
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t startNode = 0, endNode = 0, positionNode = 0;

  bool operator==(const CameraMsg&) const = default;
};

struct CarEntry {
  std::uint8_t plid = 0;
  std::uint8_t flags = 0;  // kCarFocus
  std::int32_t x = 0, y = 0;

  bool operator==(const CarEntry&) const = default;
};

struct CarTableMsg {
  int count = 0;  // 0..40
  CarEntry cars[kMaxLinkCars];

  bool operator==(const CarTableMsg&) const = default;
};

struct ViewPosMsg {
  std::int32_t x = 0, y = 0;

  bool operator==(const ViewPosMsg&) const = default;
};

struct PlayerLabelMsg {
  bool clearAll = false;  // the size-3 form: every label becomes empty
  std::uint8_t plid = 0;
  char text[kLabelReadLength + 1] = {};

  bool operator==(const PlayerLabelMsg&) const = default;
};

struct ShotReasonMsg {
  char text[kMaxShotReasonLength + 1] = {};

  bool operator==(const ShotReasonMsg&) const = default;
};

struct VersionMsg {
  std::uint16_t linkVersion = 0;  // first byte * 256 + second
  std::uint8_t insimVersion = 0;  // 0 when the record does not carry it

  bool operator==(const VersionMsg&) const = default;
};

struct TrackNodeMsg {
  char name[kTrackNameLength + 1] = {};
  std::uint32_t index = 0;
  std::uint8_t node[kPathNodeSize] = {};  // carried unchanged (link/path_node.h reads it)

  bool operator==(const TrackNodeMsg&) const = default;
};

struct PickRect {           // GLM_PICK_CAMERA, GLM_PICK_CAMERA_EDIT; world units
  std::int32_t left = 0;    // smallest X
  std::int32_t top = 0;     // largest Y
  std::int32_t right = 0;   // largest X
  std::int32_t bottom = 0;  // smallest Y

  bool operator==(const PickRect&) const = default;
};

struct SetCameraMsg {
  std::uint16_t index = 0;
  std::int32_t z = 0;
  std::uint16_t startNode = 0, endNode = 0;

  bool operator==(const SetCameraMsg&) const = default;
};

struct FollowCarsMsg {
  std::uint8_t viewChoice = kViewNone;      // kViewNone, kViewIncar, kViewFront or kViewRear
  int count = 0;                            // 0..63; the director keeps the first 40
  std::uint8_t plids[kMaxFollowCars] = {};  // entries past count are 0

  bool operator==(const FollowCarsMsg&) const = default;
};

// --- Director -> GUI client ---

// GLM_TRACK: the full form for a non-empty name; an empty or null name writes the no-track form
// (size 9, all name bytes 0).
void WriteTrack(std::uint8_t* slot, const char* name, std::uint32_t nodeCount,
                std::uint32_t finishNode);
void WriteNoTrack(std::uint8_t* slot);
bool ReadTrack(const std::uint8_t* record, TrackMsg* out);

// GLM_EDIT_MODE (type GLM_EDIT_MODE) and GLM_SET_EDIT_MODE share one layout.
void WriteEditMode(std::uint8_t* slot, std::uint8_t type, bool on);
bool ReadEditMode(const std::uint8_t* record, bool* on);

// GLM_CURRENT_CAMERA, GLM_EDIT_CAMERA, GLM_CAMERA_DELETED and GLM_DELETE_CAMERA share one layout.
void WriteCameraIndex(std::uint8_t* slot, std::uint8_t type, std::uint16_t index);
bool ReadCameraIndex(const std::uint8_t* record, std::uint16_t* index);

// GLM_CAMERA_ADDED or GLM_CAMERA_CHANGED.
void WriteCamera(std::uint8_t* slot, std::uint8_t type, const CameraMsg& camera);
bool ReadCamera(const std::uint8_t* record, CameraMsg* out);

// GLM_CARS with the first min(count, 40) entries.
void WriteCarTable(std::uint8_t* slot, int count, const CarEntry* cars);
// At most 40 entries are read; false when the record is shorter than the entries it announces.
bool ReadCarTable(const std::uint8_t* record, CarTableMsg* out);

void WriteViewPos(std::uint8_t* slot, std::int32_t x, std::int32_t y);
bool ReadViewPos(const std::uint8_t* record, ViewPosMsg* out);

// GLM_PLAYER_LABEL: text cut to 29 characters; the size counts the text but not its terminator,
// which is still written into the slot.
void WritePlayerLabel(std::uint8_t* slot, std::uint8_t plid, const char* text);
void WritePlayerLabelClear(std::uint8_t* slot);
// The label is the record's size - 4 bytes (up to an embedded zero), cut to 30 characters.
bool ReadPlayerLabel(const std::uint8_t* record, PlayerLabelMsg* out);

// GLM_SHOT_REASON: why the director shows what it shows, cut to 47 characters; the size counts
// the text, not a terminator.
void WriteShotReason(std::uint8_t* slot, const char* text);
bool ReadShotReason(const std::uint8_t* record, ShotReasonMsg* out);

// GLM_VERSION with link version kLinkVersion and the InSim version in use (3, 4 or 10).
void WriteVersion(std::uint8_t* slot, std::uint8_t insimVersion);
bool ReadVersion(const std::uint8_t* record, VersionMsg* out);

void WriteRaceClock(std::uint8_t* slot, std::uint32_t ms);
bool ReadRaceClock(const std::uint8_t* record, std::uint32_t* ms);

// GLM_TRACK_NODE: node is the 40-byte path node record, copied unchanged.
void WriteTrackNode(std::uint8_t* slot, const char* name, std::uint32_t index,
                    const std::uint8_t* node);
bool ReadTrackNode(const std::uint8_t* record, TrackNodeMsg* out);

// --- GUI client -> director ---

// GLM_PICK_CAMERA or GLM_PICK_CAMERA_EDIT.
void WritePickCamera(std::uint8_t* slot, std::uint8_t type, const PickRect& rect);
bool ReadPickCamera(const std::uint8_t* record, PickRect* out);

void WriteSetCamera(std::uint8_t* slot, const SetCameraMsg& camera);
bool ReadSetCamera(const std::uint8_t* record, SetCameraMsg* out);

// GLM_FOLLOW_CARS: viewChoice keeps its top two bits; count is cut to 63.
void WriteFollowCars(std::uint8_t* slot, std::uint8_t viewChoice, int count,
                     const std::uint8_t* plids);
// False when the record is shorter than the PLIDs its count announces.
bool ReadFollowCars(const std::uint8_t* record, FollowCarsMsg* out);

void WriteGetNodes(std::uint8_t* slot, std::uint32_t firstNode);
bool ReadGetNodes(const std::uint8_t* record, std::uint32_t* firstNode);

// --- Reserve, write, commit: false when the queue is full and the record is lost ---

bool PostTrack(MessageQueue& q, const char* name, std::uint32_t nodeCount,
               std::uint32_t finishNode);
bool PostNoTrack(MessageQueue& q);
bool PostEditMode(MessageQueue& q, std::uint8_t type, bool on);
bool PostCameraIndex(MessageQueue& q, std::uint8_t type, std::uint16_t index);
bool PostCamera(MessageQueue& q, std::uint8_t type, const CameraMsg& camera);
bool PostCarTable(MessageQueue& q, int count, const CarEntry* cars);
bool PostViewPos(MessageQueue& q, std::int32_t x, std::int32_t y);
bool PostPlayerLabel(MessageQueue& q, std::uint8_t plid, const char* text);
bool PostPlayerLabelClear(MessageQueue& q);
bool PostVersion(MessageQueue& q, std::uint8_t insimVersion);
bool PostShotReason(MessageQueue& q, const char* text);
bool PostRaceClock(MessageQueue& q, std::uint32_t ms);
bool PostTrackNode(MessageQueue& q, const char* name, std::uint32_t index,
                   const std::uint8_t* node);
bool PostPickCamera(MessageQueue& q, std::uint8_t type, const PickRect& rect);
bool PostSetCamera(MessageQueue& q, const SetCameraMsg& camera);
bool PostFollowCars(MessageQueue& q, std::uint8_t viewChoice, int count, const std::uint8_t* plids);
bool PostGetNodes(MessageQueue& q, std::uint32_t firstNode);

}  // namespace glink
