// Shared helpers of the director's InSim tests: a packet capture, a recording set of session
// handlers, and a clock that runs ten times faster than real time.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "director/insim/packets.h"
#include "director/insim/session_handlers.h"
#include "platform/thread.h"

namespace director::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// Text bytes followed by zeros up to size.
inline Bytes Padded(const char* text, std::size_t size) {
  Bytes out(size, 0);
  std::memcpy(out.data(), text, std::strlen(text) < size ? std::strlen(text) : size);
  return out;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class Capture final : public PacketSink {
 public:
  void SendPacket(const std::uint8_t* data, int size) override {
    std::lock_guard<std::mutex> lock(mutex_);
    packets_.emplace_back(data, data + size);
  }
  std::vector<Bytes> Packets() {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    packets_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<Bytes> packets_;
};

// Sleeping advances the clock by the time asked and really waits a tenth of it, so the session's
// 2 s and 20 s rules pass ten times faster, in order.
class FastClock final : public plat::Clock {
 public:
  std::uint32_t Now() override { return now_.load(); }
  void Sleep(std::uint32_t ms) override {
    now_ += ms;
    plat::SleepMs(ms / 10 > 0 ? ms / 10 : 1);
  }

 private:
  std::atomic<std::uint32_t> now_{1000};
};

// Records every call with the bytes it was given; answers the update step's questions from its
// public fields.
class RecordingHandlers : public SessionHandlers {
 public:
  struct Call {
    std::string name;
    Bytes bytes;
  };

  std::vector<Call> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const Call& c : Calls()) names.push_back(c.name);
    return names;
  }
  std::vector<Call> CallsNamed(const std::string& name) {
    std::vector<Call> out;
    for (const Call& c : Calls()) {
      if (c.name == name) out.push_back(c);
    }
    return out;
  }
  // The clock's time at each attempt (with a clock given).
  std::vector<std::uint32_t> Attempts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return attempts_;
  }

  void OnThreadStart() override { Add("ThreadStart"); }
  void OnThreadEnd() override { Add("ThreadEnd"); }
  void OnAttemptBegin() override {
    Add("AttemptBegin");
    std::lock_guard<std::mutex> lock(mutex_);
    if (clock != nullptr) attempts_.push_back(clock->Now());
  }
  void OnGreeted(InsimLink&) override { Add("Greeted"); }
  void OnAttemptEnd() override { Add("AttemptEnd"); }
  void OnAttemptEndedActive() override { Add("AttemptEndedActive"); }
  void PollHotkeys(InsimLink&) override { polls++; }
  void HandleGuiRequests(InsimLink&) override { guiPasses++; }
  // The decoded packets are recorded in their version 4 forms (version 3's LAP whole, its NPL
  // with the fields the director reads).
  void OnState(InsimLink&, const StateReport& s) override { Add("State", s.raw, kStaSize); }
  void OnCameraPosition(const CameraPositionRecord& c) override {
    const std::uint8_t header[4] = {kCameraRecordSize, ISP_CPP, 0, 0};
    std::uint8_t p[kCameraRecordSize];
    WriteCameraRecord(c, header, p);
    Add("CameraPosition", p, 16);
  }
  void OnMessageText(InsimLink&, char* text) override {
    Add("MessageText", reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
  }
  void OnRaceTime(InsimLink&, std::uint32_t t) override {
    Add("RaceTime", reinterpret_cast<const std::uint8_t*>(&t), 4);
  }
  void OnRaceStart(InsimLink&) override { Add("RaceStart"); }
  void OnNewPlayerV4(const NewPlayerPacket& n) override {
    std::uint8_t p[kNplSize];
    EncodeNewPlayer(n, p);
    Add("NewPlayerV4", p, 44);
  }
  void OnNewPlayerV3(InsimLink&, const NewPlayerPacketV3& n) override {
    std::uint8_t p[kV3NplSize];
    EncodeNewPlayerV3(n, p);
    Add("NewPlayerV3", p, kV3NplSize);
  }
  void OnLapV4(const LapDone& l) override {
    std::uint8_t p[kLapSize];
    EncodeLap(l, p);
    Add("LapV4", p, kLapSize);
  }
  void OnLapV3(const LapDoneV3& l) override { Add("LapV3", l.bytes, kV3LapSize); }
  void OnSplit(const SplitPassed& s) override {
    std::uint8_t p[kSpxSize];
    EncodeSplit(s, p);
    Add("Split", p, kSpxSize);
  }
  void OnPit(const PitStop& s) override {
    std::uint8_t p[kPitSize];
    EncodePit(s, p);
    Add("Pit", p, 12);
  }
  void OnResult(const ResultPacket& r) override {
    std::uint8_t p[kResSize];
    EncodeResult(r, p);
    Add("Result", p, kResSize);
  }
  // Recorded as the number of cars handed on.
  bool OnCarPositions(const CarPositions& positions) override {
    Add("CarPositions", &positions.count, 1);
    return completesSet;
  }
  // Diagnostic lines are kept apart from the calls.
  void Diagnostic(const char* line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    diagnostics_.emplace_back(line);
  }
  std::vector<std::string> Diagnostics() {
    std::lock_guard<std::mutex> lock(mutex_);
    return diagnostics_;
  }

  bool DirectorActive() override { return active; }
  bool EditMode() override { return editMode; }
  int CameraCount() override { return cameras; }
  std::uint16_t StoredStateFlags() override { return stateFlags; }
  bool RaceWithLaps() override { return raceWithLaps; }
  void RunDirectorCycle(InsimLink&, CameraPositionRecord* rec) override {
    Add("DirectorCycle");
    *rec = cycleResult;
  }
  void OverlayUpdate(InsimLink&, bool on) override { Add(on ? "Overlay1" : "Overlay0"); }
  void ResetLapFigures() override { Add("ResetLapFigures"); }
  void ClearLiveCamera() override { Add("ClearLiveCamera"); }
  int RaceOrderCount() override { return raceOrder; }
  void PostCars(std::uint8_t count) override { Add("PostCars", &count, 1); }

  std::atomic<bool> completesSet{false};
  std::atomic<bool> active{false};
  std::atomic<bool> editMode{false};
  std::atomic<int> cameras{0};
  std::atomic<std::uint16_t> stateFlags{0};
  std::atomic<bool> raceWithLaps{false};
  std::atomic<int> raceOrder{0};
  CameraPositionRecord cycleResult;
  plat::Clock* clock = nullptr;
  std::atomic<int> polls{0};
  std::atomic<int> guiPasses{0};

 private:
  void Add(const char* name, const std::uint8_t* p = nullptr, std::size_t n = 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({name, p ? Bytes(p, p + n) : Bytes()});
  }
  std::mutex mutex_;
  std::vector<Call> calls_;
  std::vector<std::uint32_t> attempts_;
  std::vector<std::string> diagnostics_;
};

}  // namespace director::test
