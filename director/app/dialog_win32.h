// The director's main dialog (dialog 101) on Windows: DirectorHost over the Win32 controls.
#pragma once

#include "director/app/director_app.h"

namespace director {

// Runs the dialog modally until Close or Cancel ends it.
void RunMainDialog(DirectorApp& app);

}  // namespace director
