// The director's main dialog (dialog 101) on Windows: DirectorHost over the Win32 controls.
#pragma once

#include "director/app/close_relay.h"
#include "director/app/director_app.h"

namespace director {

// Runs the dialog modally until Close or Cancel ends it, or a close that relay brings from another
// thread runs the Close path.
void RunMainDialog(DirectorApp& app, CloseRelay& relay);

}  // namespace director
