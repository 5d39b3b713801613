// The tooltips of the main window's toolbar: for each button the name of its command as the menu
// spells it, so a button whose picture says little can be told apart by pointing at it.
#pragma once

namespace gui {

// The tip for the button of a command id; null for an id that is no toolbar button.
const char* ToolbarTip(int commandId);

}  // namespace gui
