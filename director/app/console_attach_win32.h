// The director's dialog program and the console it may have been started from.
//
// morvane.exe is a Windows GUI program, so starting it from Explorer opens no console window.
// Started from a terminal, it attaches to that console so that its diagnostic lines still appear
// there (standard output and error are reopened on it unless they were redirected), and console
// control events (Ctrl+C, Ctrl+Break, the console closed, log-off, shutdown) run the dialog's
// Close path through the CloseRelay before the handler lets the process end.
#pragma once

#include <cstdint>

#include "director/app/close_relay.h"

namespace director {

// The Close path stops the InSim thread and then the GUI link server, each within 3000 ms, and
// saves; the handler waits that long and a little more before it gives up.
inline constexpr std::uint32_t kConsoleCloseWaitMs = 7000;

// Attaches to the console of the process that started this one, if it has one; true when
// attached.
bool AttachParentConsole();
// Routes console control events to relay (which must outlive the process).
void InstallConsoleCloseHandler(CloseRelay& relay);

}  // namespace director
