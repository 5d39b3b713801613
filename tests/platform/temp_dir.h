// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "platform/files.h"

namespace plat {

class TempDir {
 public:
  TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100 && path_.empty(); ++i) {
      auto p = base / ("morvane-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
      std::error_code ec;
      if (std::filesystem::create_directory(p, ec)) path_ = p.string();
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool ok() const { return !path_.empty(); }
  // The directory itself, without a trailing separator.
  const std::string& path() const { return path_; }
  // A name inside it, with the platform's separator.
  std::string operator/(const std::string& name) const { return path_ + kPathSep + name; }

 private:
  std::string path_;
};

// Writes bytes exactly as given (no atomic replace), for setting up a test.
inline bool PutFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

inline std::string GetFile(const std::string& path) {
  std::string text;
  if (!ReadTextFile(path, &text)) return "<unreadable>";
  return text;
}

}  // namespace plat
