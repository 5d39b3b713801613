#include "gui/shell/view_options.h"

#include <cstdint>

#include "platform/settings_store.h"

namespace gui {

int LoadPickRadius(plat::SettingsKey& key) {
  if (!key.OpenRead()) return 0;
  std::uint32_t radius = 0;
  if (!key.GetU32(kValuePickRadius, &radius)) radius = 0;
  key.Close();
  return radius > static_cast<std::uint32_t>(kMaxPickRadius) ? kMaxPickRadius
                                                             : static_cast<int>(radius);
}

}  // namespace gui
