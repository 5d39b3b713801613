// No system-wide key state is available to a console program here: no key is ever down.
#include "platform/keys.h"

namespace plat {

bool KeyDown(int /*virtualKey*/) { return false; }

}  // namespace plat
