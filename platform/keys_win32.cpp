// The asynchronous key state of the system.
#include <windows.h>
#include <winsock2.h>

#include "platform/keys.h"

namespace plat {

bool KeyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace plat
