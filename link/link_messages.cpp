#include "link/link_messages.h"

#include <cstring>

#include "platform/bytes.h"

namespace glink {

namespace {

constexpr int kPayload = 3;  // offset of the first payload byte

// Offsets in the record, counted from the size field.
constexpr int kTrackNameAt = 3;
constexpr int kTrackNodeCountAt = 9;
constexpr int kTrackFinishAt = 13;

constexpr int kFlagAt = 3;         // GLM_EDIT_MODE, GLM_SET_EDIT_MODE
constexpr int kCameraIndexAt = 3;  // the camera-index messages

constexpr int kCamIndexAt = 4;  // GLM_CAMERA_ADDED / _CHANGED, GLM_SET_CAMERA
constexpr int kCamXAt = 6;
constexpr int kCamYAt = 10;
constexpr int kCamZAt = 14;
constexpr int kCamStartAt = 18;
constexpr int kCamEndAt = 20;
constexpr int kCamPositionNodeAt = 22;

constexpr int kCarCountAt = 3;
constexpr int kCarsAt = 4;
constexpr int kEntryPlidAt = 0;
constexpr int kEntryFlagsAt = 1;
constexpr int kEntryXAt = 2;
constexpr int kEntryYAt = 6;

constexpr int kViewXAt = 3;
constexpr int kViewYAt = 7;

constexpr int kLabelPlidAt = 3;
constexpr int kLabelTextAt = 4;

constexpr int kVersionHighAt = 3;
constexpr int kVersionLowAt = 4;
constexpr int kVersionInsimAt = 5;
constexpr int kVersionMinSize = 5;  // the link version alone

constexpr int kRaceClockAt = 3;

constexpr int kNodeNameAt = 3;
constexpr int kNodeIndexAt = 9;
constexpr int kNodeAt = 13;

constexpr int kPickLeftAt = 3;
constexpr int kPickTopAt = 7;
constexpr int kPickRightAt = 11;
constexpr int kPickBottomAt = 15;

constexpr int kFollowCountAt = 3;
constexpr int kFollowPlidsAt = 4;

constexpr int kFirstNodeAt = 3;

// Size and type, and every payload byte up to size cleared so that unused bytes go out as 0.
void Begin(std::uint8_t* slot, int size, std::uint8_t type) {
  plat::PutU16(slot, static_cast<std::uint16_t>(size));
  slot[2] = type;
  std::memset(slot + kPayload, 0, static_cast<std::size_t>(size - kPayload));
}

// Copies a text of at most max characters (stopping at its terminator) to dst; returns its length.
int CopyText(std::uint8_t* dst, const char* text, int max) {
  if (text == nullptr) return 0;
  int n = 0;
  while (n < max && text[n] != '\0') {
    dst[n] = static_cast<std::uint8_t>(text[n]);
    ++n;
  }
  return n;
}

// Copies a fixed field of length bytes into a terminated string of length + 1 characters.
void ReadText(const std::uint8_t* src, int length, char* dst) {
  int n = 0;
  while (n < length && src[n] != 0) {
    dst[n] = static_cast<char>(src[n]);
    ++n;
  }
  std::memset(dst + n, 0, static_cast<std::size_t>(length + 1 - n));
}

bool HasSize(const std::uint8_t* record, int needed) { return RecordSize(record) >= needed; }

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Reserves a slot, lets write fill it and commits it.
template <typename Write>
bool Post(MessageQueue& q, Write write) {
  std::uint8_t* slot = q.reserve();
  if (slot == nullptr) return false;
  write(slot);
  q.commit();
  return true;
}

}  // namespace

// --- GLM_TRACK ---

void WriteTrack(std::uint8_t* slot, const char* name, std::uint32_t nodeCount,
                std::uint32_t finishNode) {
  if (name == nullptr || name[0] == '\0') {
    WriteNoTrack(slot);
    return;
  }
  Begin(slot, kTrackSize, GLM_TRACK);
  CopyText(slot + kTrackNameAt, name, kTrackNameLength);
  plat::PutU32(slot + kTrackNodeCountAt, nodeCount);
  plat::PutU32(slot + kTrackFinishAt, finishNode);
}

void WriteNoTrack(std::uint8_t* slot) { Begin(slot, kNoTrackSize, GLM_TRACK); }

bool ReadTrack(const std::uint8_t* record, TrackMsg* out) {
  if (!HasSize(record, kNoTrackSize)) return false;
  *out = TrackMsg{};
  ReadText(record + kTrackNameAt, kTrackNameLength, out->name);
  if (HasSize(record, kTrackSize)) {
    out->nodeCount = plat::GetU32(record + kTrackNodeCountAt);
    out->finishNode = plat::GetU32(record + kTrackFinishAt);
  }
  return true;
}

// --- GLM_EDIT_MODE, GLM_SET_EDIT_MODE ---

void WriteEditMode(std::uint8_t* slot, std::uint8_t type, bool on) {
  Begin(slot, kEditModeSize, type);
  slot[kFlagAt] = on ? 1 : 0;
}

bool ReadEditMode(const std::uint8_t* record, bool* on) {
  if (!HasSize(record, kEditModeSize)) return false;
  *on = record[kFlagAt] != 0;
  return true;
}

// --- camera index: GLM_CURRENT_CAMERA, GLM_EDIT_CAMERA, GLM_CAMERA_DELETED, GLM_DELETE_CAMERA ---

void WriteCameraIndex(std::uint8_t* slot, std::uint8_t type, std::uint16_t index) {
  Begin(slot, kCameraIndexSize, type);
  plat::PutU16(slot + kCameraIndexAt, index);
}

bool ReadCameraIndex(const std::uint8_t* record, std::uint16_t* index) {
  if (!HasSize(record, kCameraIndexSize)) return false;
  *index = plat::GetU16(record + kCameraIndexAt);
  return true;
}

// --- GLM_CAMERA_ADDED, GLM_CAMERA_CHANGED ---

void WriteCamera(std::uint8_t* slot, std::uint8_t type, const CameraMsg& camera) {
  Begin(slot, kCameraSize, type);
  plat::PutU16(slot + kCamIndexAt, camera.index);
  plat::PutI32(slot + kCamXAt, camera.x);
  plat::PutI32(slot + kCamYAt, camera.y);
  plat::PutI32(slot + kCamZAt, camera.z);
  plat::PutU16(slot + kCamStartAt, camera.startNode);
  plat::PutU16(slot + kCamEndAt, camera.endNode);
  plat::PutU16(slot + kCamPositionNodeAt, camera.positionNode);
}

bool ReadCamera(const std::uint8_t* record, CameraMsg* out) {
  if (!HasSize(record, kCameraSize)) return false;
  out->index = plat::GetU16(record + kCamIndexAt);
  out->x = plat::GetI32(record + kCamXAt);
  out->y = plat::GetI32(record + kCamYAt);
  out->z = plat::GetI32(record + kCamZAt);
  out->startNode = plat::GetU16(record + kCamStartAt);
  out->endNode = plat::GetU16(record + kCamEndAt);
  out->positionNode = plat::GetU16(record + kCamPositionNodeAt);
  return true;
}

// --- GLM_CARS ---

void WriteCarTable(std::uint8_t* slot, int count, const CarEntry* cars) {
  const int n = cars == nullptr ? 0 : Clamp(count, 0, kMaxLinkCars);
  Begin(slot, kCarsHeaderSize + kCarEntrySize * n, GLM_CARS);
  slot[kCarCountAt] = static_cast<std::uint8_t>(n);
  for (int i = 0; i < n; ++i) {
    std::uint8_t* e = slot + kCarsAt + kCarEntrySize * i;
    e[kEntryPlidAt] = cars[i].plid;
    e[kEntryFlagsAt] = cars[i].flags;
    plat::PutI32(e + kEntryXAt, cars[i].x);
    plat::PutI32(e + kEntryYAt, cars[i].y);
  }
}

bool ReadCarTable(const std::uint8_t* record, CarTableMsg* out) {
  if (!HasSize(record, kCarsHeaderSize)) return false;
  // A count above 40 cannot be backed by a record, which is at most 404 bytes; read what fits.
  const int n = record[kCarCountAt] < kMaxLinkCars ? record[kCarCountAt] : kMaxLinkCars;
  if (!HasSize(record, kCarsHeaderSize + kCarEntrySize * n)) return false;
  out->count = n;
  for (int i = 0; i < n; ++i) {
    const std::uint8_t* e = record + kCarsAt + kCarEntrySize * i;
    out->cars[i].plid = e[kEntryPlidAt];
    out->cars[i].flags = e[kEntryFlagsAt];
    out->cars[i].x = plat::GetI32(e + kEntryXAt);
    out->cars[i].y = plat::GetI32(e + kEntryYAt);
  }
  return true;
}

// --- GLM_VIEW_POS ---

void WriteViewPos(std::uint8_t* slot, std::int32_t x, std::int32_t y) {
  Begin(slot, kViewPosSize, GLM_VIEW_POS);
  plat::PutI32(slot + kViewXAt, x);
  plat::PutI32(slot + kViewYAt, y);
}

bool ReadViewPos(const std::uint8_t* record, ViewPosMsg* out) {
  if (!HasSize(record, kViewPosSize)) return false;
  out->x = plat::GetI32(record + kViewXAt);
  out->y = plat::GetI32(record + kViewYAt);
  return true;
}

// --- GLM_PLAYER_LABEL ---

void WritePlayerLabel(std::uint8_t* slot, std::uint8_t plid, const char* text) {
  // Clear the text and its terminator first; the terminator stays in the slot, outside the size.
  Begin(slot, kLabelHeaderSize + kMaxLabelLength + 1, GLM_PLAYER_LABEL);
  slot[kLabelPlidAt] = plid;
  const int n = CopyText(slot + kLabelTextAt, text, kMaxLabelLength);
  plat::PutU16(slot, static_cast<std::uint16_t>(kLabelHeaderSize + n));
}

void WritePlayerLabelClear(std::uint8_t* slot) {
  plat::PutU16(slot, kLabelClearSize);
  slot[2] = GLM_PLAYER_LABEL;
}

bool ReadPlayerLabel(const std::uint8_t* record, PlayerLabelMsg* out) {
  const int size = RecordSize(record);
  if (size < kLabelClearSize) return false;
  *out = PlayerLabelMsg{};
  if (size == kLabelClearSize) {
    out->clearAll = true;
    return true;
  }
  out->plid = record[kLabelPlidAt];
  const int length = size - kLabelHeaderSize;
  ReadText(record + kLabelTextAt, length < kLabelReadLength ? length : kLabelReadLength, out->text);
  return true;
}

// --- GLM_SHOT_REASON ---

void WriteShotReason(std::uint8_t* slot, const char* text) {
  Begin(slot, kShotReasonHeaderSize + kMaxShotReasonLength, GLM_SHOT_REASON);
  const int n = CopyText(slot + kShotReasonHeaderSize, text, kMaxShotReasonLength);
  plat::PutU16(slot, static_cast<std::uint16_t>(kShotReasonHeaderSize + n));
}

bool ReadShotReason(const std::uint8_t* record, ShotReasonMsg* out) {
  const int size = RecordSize(record);
  if (size < kShotReasonHeaderSize) return false;
  *out = ShotReasonMsg{};
  const int length = Clamp(size - kShotReasonHeaderSize, 0, kMaxShotReasonLength);
  ReadText(record + kShotReasonHeaderSize, length, out->text);
  return true;
}

// --- GLM_VERSION ---

void WriteVersion(std::uint8_t* slot, std::uint8_t insimVersion) {
  Begin(slot, kVersionSize, GLM_VERSION);
  slot[kVersionHighAt] = static_cast<std::uint8_t>(kLinkVersion >> 8);
  slot[kVersionLowAt] = static_cast<std::uint8_t>(kLinkVersion & 0xFF);
  slot[kVersionInsimAt] = insimVersion;
}

bool ReadVersion(const std::uint8_t* record, VersionMsg* out) {
  if (!HasSize(record, kVersionMinSize)) return false;
  out->linkVersion =
      static_cast<std::uint16_t>(record[kVersionHighAt] * 256 + record[kVersionLowAt]);
  out->insimVersion = HasSize(record, kVersionSize) ? record[kVersionInsimAt] : 0;
  return true;
}

// --- GLM_RACE_CLOCK ---

void WriteRaceClock(std::uint8_t* slot, std::uint32_t ms) {
  Begin(slot, kRaceClockSize, GLM_RACE_CLOCK);
  plat::PutU32(slot + kRaceClockAt, ms);
}

bool ReadRaceClock(const std::uint8_t* record, std::uint32_t* ms) {
  if (!HasSize(record, kRaceClockSize)) return false;
  *ms = plat::GetU32(record + kRaceClockAt);
  return true;
}

// --- GLM_TRACK_NODE ---

void WriteTrackNode(std::uint8_t* slot, const char* name, std::uint32_t index,
                    const std::uint8_t* node) {
  Begin(slot, kTrackNodeSize, GLM_TRACK_NODE);
  CopyText(slot + kNodeNameAt, name, kTrackNameLength);
  plat::PutU32(slot + kNodeIndexAt, index);
  if (node != nullptr) std::memcpy(slot + kNodeAt, node, kPathNodeSize);
}

bool ReadTrackNode(const std::uint8_t* record, TrackNodeMsg* out) {
  if (!HasSize(record, kTrackNodeSize)) return false;
  ReadText(record + kNodeNameAt, kTrackNameLength, out->name);
  out->index = plat::GetU32(record + kNodeIndexAt);
  std::memcpy(out->node, record + kNodeAt, kPathNodeSize);
  return true;
}

// --- GLM_PICK_CAMERA, GLM_PICK_CAMERA_EDIT ---

void WritePickCamera(std::uint8_t* slot, std::uint8_t type, const PickRect& rect) {
  Begin(slot, kPickCameraSize, type);
  plat::PutI32(slot + kPickLeftAt, rect.left);
  plat::PutI32(slot + kPickTopAt, rect.top);
  plat::PutI32(slot + kPickRightAt, rect.right);
  plat::PutI32(slot + kPickBottomAt, rect.bottom);
}

bool ReadPickCamera(const std::uint8_t* record, PickRect* out) {
  if (!HasSize(record, kPickCameraSize)) return false;
  out->left = plat::GetI32(record + kPickLeftAt);
  out->top = plat::GetI32(record + kPickTopAt);
  out->right = plat::GetI32(record + kPickRightAt);
  out->bottom = plat::GetI32(record + kPickBottomAt);
  return true;
}

// --- GLM_SET_CAMERA ---

void WriteSetCamera(std::uint8_t* slot, const SetCameraMsg& camera) {
  Begin(slot, kSetCameraSize, GLM_SET_CAMERA);
  plat::PutU16(slot + kCamIndexAt, camera.index);
  plat::PutI32(slot + kCamZAt, camera.z);
  plat::PutU16(slot + kCamStartAt, camera.startNode);
  plat::PutU16(slot + kCamEndAt, camera.endNode);
}

bool ReadSetCamera(const std::uint8_t* record, SetCameraMsg* out) {
  if (!HasSize(record, kSetCameraSize)) return false;
  out->index = plat::GetU16(record + kCamIndexAt);
  out->z = plat::GetI32(record + kCamZAt);
  out->startNode = plat::GetU16(record + kCamStartAt);
  out->endNode = plat::GetU16(record + kCamEndAt);
  return true;
}

// --- GLM_FOLLOW_CARS ---

void WriteFollowCars(std::uint8_t* slot, std::uint8_t viewChoice, int count,
                     const std::uint8_t* plids) {
  const int n = plids == nullptr ? 0 : Clamp(count, 0, kMaxFollowCars);
  Begin(slot, kFollowCarsHeaderSize + n, GLM_FOLLOW_CARS);
  slot[kFollowCountAt] = static_cast<std::uint8_t>((viewChoice & kViewChoiceMask) | n);
  if (n > 0) std::memcpy(slot + kFollowPlidsAt, plids, static_cast<std::size_t>(n));
}

bool ReadFollowCars(const std::uint8_t* record, FollowCarsMsg* out) {
  if (!HasSize(record, kFollowCarsHeaderSize)) return false;
  const std::uint8_t countByte = record[kFollowCountAt];
  const int n = countByte & kFollowCountMask;
  if (!HasSize(record, kFollowCarsHeaderSize + n)) return false;
  *out = FollowCarsMsg{};
  out->viewChoice = static_cast<std::uint8_t>(countByte & kViewChoiceMask);
  out->count = n;
  if (n > 0) std::memcpy(out->plids, record + kFollowPlidsAt, static_cast<std::size_t>(n));
  return true;
}

// --- GLM_GET_NODES ---

void WriteGetNodes(std::uint8_t* slot, std::uint32_t firstNode) {
  Begin(slot, kGetNodesSize, GLM_GET_NODES);
  plat::PutU32(slot + kFirstNodeAt, firstNode);
}

bool ReadGetNodes(const std::uint8_t* record, std::uint32_t* firstNode) {
  if (!HasSize(record, kGetNodesSize)) return false;
  *firstNode = plat::GetU32(record + kFirstNodeAt);
  return true;
}

// --- posting ---

bool PostTrack(MessageQueue& q, const char* name, std::uint32_t nodeCount,
               std::uint32_t finishNode) {
  return Post(q, [&](std::uint8_t* s) { WriteTrack(s, name, nodeCount, finishNode); });
}
bool PostNoTrack(MessageQueue& q) {
  return Post(q, [](std::uint8_t* s) { WriteNoTrack(s); });
}
bool PostEditMode(MessageQueue& q, std::uint8_t type, bool on) {
  return Post(q, [&](std::uint8_t* s) { WriteEditMode(s, type, on); });
}
bool PostCameraIndex(MessageQueue& q, std::uint8_t type, std::uint16_t index) {
  return Post(q, [&](std::uint8_t* s) { WriteCameraIndex(s, type, index); });
}
bool PostCamera(MessageQueue& q, std::uint8_t type, const CameraMsg& camera) {
  return Post(q, [&](std::uint8_t* s) { WriteCamera(s, type, camera); });
}
bool PostCarTable(MessageQueue& q, int count, const CarEntry* cars) {
  return Post(q, [&](std::uint8_t* s) { WriteCarTable(s, count, cars); });
}
bool PostViewPos(MessageQueue& q, std::int32_t x, std::int32_t y) {
  return Post(q, [&](std::uint8_t* s) { WriteViewPos(s, x, y); });
}
bool PostPlayerLabel(MessageQueue& q, std::uint8_t plid, const char* text) {
  return Post(q, [&](std::uint8_t* s) { WritePlayerLabel(s, plid, text); });
}
bool PostShotReason(MessageQueue& q, const char* text) {
  return Post(q, [&](std::uint8_t* s) { WriteShotReason(s, text); });
}
bool PostPlayerLabelClear(MessageQueue& q) {
  return Post(q, [](std::uint8_t* s) { WritePlayerLabelClear(s); });
}
bool PostVersion(MessageQueue& q, std::uint8_t insimVersion) {
  return Post(q, [&](std::uint8_t* s) { WriteVersion(s, insimVersion); });
}
bool PostRaceClock(MessageQueue& q, std::uint32_t ms) {
  return Post(q, [&](std::uint8_t* s) { WriteRaceClock(s, ms); });
}
bool PostTrackNode(MessageQueue& q, const char* name, std::uint32_t index,
                   const std::uint8_t* node) {
  return Post(q, [&](std::uint8_t* s) { WriteTrackNode(s, name, index, node); });
}
bool PostPickCamera(MessageQueue& q, std::uint8_t type, const PickRect& rect) {
  return Post(q, [&](std::uint8_t* s) { WritePickCamera(s, type, rect); });
}
bool PostSetCamera(MessageQueue& q, const SetCameraMsg& camera) {
  return Post(q, [&](std::uint8_t* s) { WriteSetCamera(s, camera); });
}
bool PostFollowCars(MessageQueue& q, std::uint8_t viewChoice, int count,
                    const std::uint8_t* plids) {
  return Post(q, [&](std::uint8_t* s) { WriteFollowCars(s, viewChoice, count, plids); });
}
bool PostGetNodes(MessageQueue& q, std::uint32_t firstNode) {
  return Post(q, [&](std::uint8_t* s) { WriteGetNodes(s, firstNode); });
}

}  // namespace glink
