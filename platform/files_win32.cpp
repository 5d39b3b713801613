// Files with the Win32 calls, whose error codes tell a missing file from a missing directory.
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <atomic>
#include <string>

#include "platform/files.h"

namespace plat {

namespace {

// A new, exclusive temporary file beside path; INVALID_HANDLE_VALUE with the error kept when none
// can be made.
HANDLE CreateTemporaryBeside(const std::string& path, std::string* tmpPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tmpPath =
        path + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++);
    HANDLE h = CreateFileA(tmpPath->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

template <typename Sink>
bool ReadWhole(const std::string& path, Sink* out) {
  out->clear();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buf[65536];
  bool ok = true;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) {
      ok = false;
      break;
    }
    if (n == 0) break;
    out->insert(out->end(), buf, buf + n);
  }
  CloseHandle(h);
  if (!ok) out->clear();
  return ok;
}

bool WriteAll(HANDLE h, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

}  // namespace

std::string ProgramDirectory() {
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return ".\\";
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);  // cut to fit: ask again with more room
  }
  const std::string::size_type slash = buf.rfind('\\');
  if (slash == std::string::npos) return ".\\";
  buf.resize(slash + 1);
  return buf;
}

bool ReadBinaryFile(const std::string& path, std::vector<std::uint8_t>* data) {
  return data != nullptr && ReadWhole(path, data);
}

bool ReadTextFile(const std::string& path, std::string* text) {
  return text != nullptr && ReadWhole(path, text);
}

bool WriteFileAtomic(const std::string& path, std::string_view data) {
  if (path.empty() || EndsWithSeparator(path)) return false;
  std::string tmp;
  HANDLE h = CreateTemporaryBeside(path, &tmp);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(h, data.data(), data.size()) && FlushFileBuffers(h);
  ok = CloseHandle(h) && ok;
  ok = ok &&
       MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(tmp.c_str());
  return ok;
}

CopyResult CopyFileOverwrite(const std::string& src, const std::string& dst) {
  if (dst.empty() || EndsWithSeparator(dst)) return CopyResult::kOther;
  // The copy goes to a temporary file first, so a failure half-way never leaves a cut target.
  std::string tmp;
  HANDLE h = CreateTemporaryBeside(dst, &tmp);
  if (h == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_PATH_NOT_FOUND ? CopyResult::kPathNotFound : CopyResult::kOther;
  }
  CloseHandle(h);
  if (!CopyFileA(src.c_str(), tmp.c_str(), FALSE)) {
    const DWORD err = GetLastError();
    DeleteFileA(tmp.c_str());
    if (err == ERROR_FILE_NOT_FOUND) return CopyResult::kFileNotFound;
    if (err == ERROR_PATH_NOT_FOUND) return CopyResult::kPathNotFound;
    return CopyResult::kOther;
  }
  if (!MoveFileExA(tmp.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(tmp.c_str());
    return CopyResult::kOther;
  }
  return CopyResult::kOk;
}

bool MakeDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(path);
}

bool DirectoryExists(const std::string& path) {
  const DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) {
  const DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RemoveFile(const std::string& path) { return !path.empty() && DeleteFileA(path.c_str()); }

}  // namespace plat
