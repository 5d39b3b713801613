// The files of the web page, compiled into the program (the build generates the table from
// web/page/), so nothing beside the program has to ship and nothing is read from disk.
#pragma once

#include <cstddef>
#include <string_view>

namespace director {

struct PageFile {
  const char* name;  // "/app.js"
  const char* type;  // its Content-Type
  const unsigned char* data;
  std::size_t size;
};

extern const PageFile kPageFiles[];
extern const std::size_t kPageFileCount;

// The file of exactly that name, or null. Names are compared as they stand: no decoding, no
// directories, so no request can name anything but one of these files.
const PageFile* FindPageFile(std::string_view name);

}  // namespace director
