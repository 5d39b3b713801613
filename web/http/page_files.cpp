#include "web/http/page_files.h"

namespace director {

const PageFile* FindPageFile(std::string_view name) {
  for (std::size_t i = 0; i < kPageFileCount; ++i)
    if (name == kPageFiles[i].name) return &kPageFiles[i];
  return nullptr;
}

}  // namespace director
