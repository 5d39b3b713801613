// Discovery of the simulator when it runs under Wine: a scan of /proc.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/sim_discovery.h"
#include "platform/text.h"
#include "platform/wine_process_scan.h"

namespace plat {

namespace {

std::string_view BaseName(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::vector<std::string> SplitNul(const std::string& raw) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos < raw.size()) {
    std::size_t end = raw.find('\0', pos);
    if (end == std::string::npos) end = raw.size();
    parts.emplace_back(raw, pos, end - pos);
    pos = end + 1;
  }
  return parts;
}

std::string EnvironmentValue(const std::vector<std::string>& env, std::string_view name) {
  for (const std::string& e : env) {
    if (e.size() > name.size() && e.compare(0, name.size(), name) == 0 && e[name.size()] == '=') {
      return e.substr(name.size() + 1);
    }
  }
  return std::string();
}

std::string ReadLink(const std::string& path) {
  std::string buf(PATH_MAX, '\0');
  const ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return std::string();
  buf.resize(static_cast<std::size_t>(n));
  return buf;
}

bool IsDir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Appends one component to an existing directory, taking an entry that differs only in case
// when the exact name is not there.
bool AppendComponent(std::string* dir, const std::string& part) {
  std::string exact = *dir + "/" + part;
  struct stat st;
  if (part == "." || part == ".." || lstat(exact.c_str(), &st) == 0) {
    *dir = std::move(exact);
    return true;
  }
  DIR* d = opendir(dir->c_str());
  if (d == nullptr) return false;
  bool found = false;
  while (dirent* e = readdir(d)) {
    if (SameName(e->d_name, part)) {
      *dir += "/";
      *dir += e->d_name;
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

// The Unix directory of a program path as the process sees it; empty when it cannot be mapped.
std::string ProgramDirectoryOf(std::string path, const std::string& procDir,
                               const std::string& prefix) {
  // NT spellings of a drive path.
  for (std::string_view nt : {"\\??\\", "\\\\?\\"}) {
    if (path.compare(0, nt.size(), nt) == 0) path.erase(0, nt.size());
  }
  std::string dir;
  std::string rest;
  const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                     path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  if (drive) {
    if (prefix.empty()) return std::string();
    dir = prefix + "/dosdevices/" + Lower(path[0]) + ":";
    rest = path.substr(3);
  } else if (!path.empty() && path[0] == '/') {
    dir = "/";
    rest = path.substr(1);
  } else {
    dir = ReadLink(procDir + "/cwd");
    if (dir.empty()) return std::string();
    rest = path;
  }
  if (!IsDir(dir)) return std::string();
  // Every component but the last (the program itself) leads to the directory.
  std::replace(rest.begin(), rest.end(), '\\', '/');
  std::size_t pos = 0;
  for (;;) {
    const std::size_t slash = rest.find('/', pos);
    if (slash == std::string::npos) break;
    const std::string part = rest.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty()) continue;
    if (!AppendComponent(&dir, part)) return std::string();
  }
  char resolved[PATH_MAX];
  if (realpath(dir.c_str(), resolved) == nullptr || !IsDir(resolved)) return std::string();
  std::string result = resolved;
  if (result.back() != '/') result += '/';
  return result;
}

}  // namespace

bool FindWineProgramDirectory(const std::string& procRoot, const std::string& fallbackPrefix,
                              const std::string& exeName, std::string* directory) {
  if (directory == nullptr) return false;
  DIR* d = opendir(procRoot.c_str());
  if (d == nullptr) return false;
  std::vector<unsigned long> pids;
  while (dirent* e = readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.empty() || name.size() > 9 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    pids.push_back(std::strtoul(e->d_name, nullptr, 10));
  }
  closedir(d);
  std::sort(pids.begin(), pids.end());

  for (unsigned long pid : pids) {
    const std::string procDir = procRoot + "/" + std::to_string(pid);
    std::string raw;
    if (!ReadTextFile(procDir + "/cmdline", &raw)) continue;  // gone, or not ours to read
    const std::vector<std::string> args = SplitNul(raw);
    for (std::size_t i = 0; i < args.size() && i < 2; ++i) {
      if (!SameName(BaseName(args[i]), exeName)) continue;
      std::string envRaw;
      ReadTextFile(procDir + "/environ", &envRaw);
      const std::vector<std::string> env = SplitNul(envRaw);
      std::string prefix = EnvironmentValue(env, "WINEPREFIX");
      if (prefix.empty()) {
        const std::string home = EnvironmentValue(env, "HOME");
        prefix = home.empty() ? fallbackPrefix : home + "/.wine";
      }
      const std::string dir = ProgramDirectoryOf(args[i], procDir, prefix);
      if (!dir.empty()) {
        *directory = dir;
        return true;
      }
    }
  }
  return false;
}

bool FindRunningSimulator(std::string* directory) {
  const char* home = std::getenv("HOME");
  const std::string fallback =
      home != nullptr && home[0] == '/' ? std::string(home) + "/.wine" : "";
  return FindWineProgramDirectory("/proc", fallback, "LFS.exe", directory);
}

}  // namespace plat
