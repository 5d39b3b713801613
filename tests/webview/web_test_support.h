// Helpers of the web view's tests: a race state with cars, and a raw HTTP client over the
// platform's sockets (so requests can be as broken as a test needs).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "director/insim/race_state.h"
#include "platform/net.h"
#include "platform/thread.h"

namespace director::webtest {

inline void AddCar(RaceState& race, std::uint8_t plid, const char* name, std::uint8_t position,
                   std::uint16_t laps = 0, std::uint32_t totalTime = 0) {
  PlayerRecord& r = race.players[plid];
  std::snprintf(r.name, sizeof r.name, "%s", name);
  std::snprintf(r.carName, sizeof r.carName, "XRT");
  r.carSample.plid = plid;
  r.carSample.position = position;
  r.lapsDone = laps;
  r.totalTime = totalTime;
  race.raceOrder.Append(plid);
}

// A connected socket to 127.0.0.1:port (kNoSocket when refused).
inline plat::Socket ConnectTo(std::uint16_t port) {
  plat::Socket s = plat::TcpOpen();
  if (s == plat::kNoSocket) return s;
  if (!plat::Connect(s, plat::kLoopback, port)) {
    plat::Close(s);
    return plat::kNoSocket;
  }
  return s;
}

// Appends what arrives to *text until the peer closes, *text holds `until` (when given) or
// timeoutMs passes with nothing arriving. True when *text holds `until`.
inline bool ReadInto(plat::Socket s, std::string* text, int timeoutMs, const char* until = nullptr) {
  char buf[4096];
  for (;;) {
    if (until != nullptr && text->find(until) != std::string::npos) return true;
    if (plat::PollReadable(s, timeoutMs) != 1) return false;
    const int n = plat::Recv(s, buf, sizeof buf);
    if (n <= 0) return until == nullptr;
    text->append(buf, static_cast<std::size_t>(n));
  }
}

inline std::string ReadFrom(plat::Socket s, int timeoutMs, const char* until = nullptr) {
  std::string text;
  ReadInto(s, &text, timeoutMs, until);
  return text;
}

// Sends request as it stands and reads the whole answer.
inline std::string Exchange(std::uint16_t port, const std::string& request, int timeoutMs = 5000) {
  plat::OwnedSocket s(ConnectTo(port));
  if (!s.Valid()) return "";
  if (plat::SendWithin(s.Get(), request.data(), static_cast<int>(request.size()), timeoutMs) < 0)
    return "";
  return ReadFrom(s.Get(), timeoutMs);
}

inline std::string Get(std::uint16_t port, const std::string& path) {
  return Exchange(port, "GET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n");
}

inline std::string Body(const std::string& answer) {
  const std::size_t at = answer.find("\r\n\r\n");
  return at == std::string::npos ? "" : answer.substr(at + 4);
}

inline std::string StatusLine(const std::string& answer) {
  return answer.substr(0, answer.find("\r\n"));
}

}  // namespace director::webtest
