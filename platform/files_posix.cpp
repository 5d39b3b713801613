// Files with POSIX calls and errno, so that failures can be told apart the way Windows tells them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/files.h"

namespace plat {

namespace {

// The directory part of a path, without its trailing separator; "." for a bare name.
std::string ParentOf(const std::string& path) {
  std::string::size_type end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;  // "dir/" names dir itself
  const std::string::size_type slash = path.rfind('/', end - 1);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int OpenForReading(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

template <typename Sink>
bool ReadAll(int fd, Sink* out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out->insert(out->end(), buf, buf + n);
  }
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A new, exclusive temporary file beside path; -1 with errno set when none can be made.
int CreateTemporaryBeside(const std::string& path, std::string* tmpPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tmpPath = path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
    const int fd = open(tmpPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Makes a rename durable; best effort, since not every file system can sync a directory.
void SyncDirectoryOf(const std::string& path) {
  const int fd = open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

std::string ProgramDirectory() {
  std::string buf(512, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "./";
    if (static_cast<std::size_t>(n) < buf.size()) {
      buf.resize(static_cast<std::size_t>(n));
      break;
    }
    buf.resize(buf.size() * 2);
  }
  const std::string::size_type slash = buf.rfind('/');
  if (slash == std::string::npos) return "./";
  buf.resize(slash + 1);
  return buf;
}

bool ReadBinaryFile(const std::string& path, std::vector<std::uint8_t>* data) {
  if (data == nullptr) return false;
  data->clear();
  const int fd = OpenForReading(path);
  if (fd < 0) return false;
  const bool ok = ReadAll(fd, data);
  close(fd);
  if (!ok) data->clear();
  return ok;
}

bool ReadTextFile(const std::string& path, std::string* text) {
  if (text == nullptr) return false;
  text->clear();
  const int fd = OpenForReading(path);
  if (fd < 0) return false;
  const bool ok = ReadAll(fd, text);
  close(fd);
  if (!ok) text->clear();
  return ok;
}

bool WriteFileAtomic(const std::string& path, std::string_view data) {
  if (path.empty() || path.back() == '/') return false;
  std::string tmp;
  const int fd = CreateTemporaryBeside(path, &tmp);
  if (fd < 0) return false;
  // A replaced file keeps its permissions; a new one gets the usual ones under the umask.
  struct stat old;
  if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);
  bool ok = WriteAll(fd, data.data(), data.size()) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(tmp.c_str());
    return false;
  }
  SyncDirectoryOf(path);
  return true;
}

CopyResult CopyFileOverwrite(const std::string& src, const std::string& dst) {
  const int in = OpenForReading(src);
  if (in < 0) {
    if (errno == ENOENT) {
      return IsDirectory(ParentOf(src)) ? CopyResult::kFileNotFound : CopyResult::kPathNotFound;
    }
    return errno == ENOTDIR ? CopyResult::kPathNotFound : CopyResult::kOther;
  }
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return CopyResult::kOther;
  }
  if (dst.empty() || dst.back() == '/') {
    close(in);
    return CopyResult::kOther;
  }
  std::string tmp;
  const int out = CreateTemporaryBeside(dst, &tmp);
  if (out < 0) {
    const int err = errno;
    close(in);
    return err == ENOENT || err == ENOTDIR ? CopyResult::kPathNotFound : CopyResult::kOther;
  }
  fchmod(out, st.st_mode & 0777);
  // The copy goes to a temporary file first, so a failure half-way never leaves a cut target.
  bool ok = true;
  char buf[65536];
  for (;;) {
    const ssize_t n = read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (!WriteAll(out, buf, static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
  }
  close(in);
  ok = close(out) == 0 && ok;
  ok = ok && rename(tmp.c_str(), dst.c_str()) == 0;
  if (!ok) {
    unlink(tmp.c_str());
    return CopyResult::kOther;
  }
  return CopyResult::kOk;
}

bool MakeDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && IsDirectory(path);
}

bool DirectoryExists(const std::string& path) { return !path.empty() && IsDirectory(path); }

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

}  // namespace plat
