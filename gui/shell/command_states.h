// The command state sets of the main window: which toolbar buttons and menu items are enabled,
// grayed, checked or pressed as the track, edit mode, cars and manual control change.
//
// The sets talk to the toolbar and the menu only through CommandUi, so the same rules drive the
// Win32 window and the tests. A disabled menu item is grayed. The zoom rule enables or disables
// the zoom commands; switching them off also removes the menu's zoom check mark, and switching
// them on does not bring it back.
#pragma once

namespace gui {

class CommandUi {
 public:
  virtual ~CommandUi() = default;
  virtual void enableButton(int id, bool enabled) = 0;
  virtual void checkButton(int id, bool checked) = 0;  // pressed
  virtual void enableMenuItem(int id, bool enabled) = 0;
  virtual void checkMenuItem(int id, bool checked) = 0;
};

void ZoomRule(CommandUi& ui, bool on);
// Unchecks the four zoom items and checks the given one.
void MoveZoomCheck(CommandUi& ui, int itemId);

void ShowTrackStates(CommandUi& ui, bool editMode, bool haveCars);
void ShowNoTrackStates(CommandUi& ui);
void ShowEditOnStates(CommandUi& ui);
void ShowEditOffStates(CommandUi& ui);
void ShowCarsStates(CommandUi& ui, bool editMode, bool haveCars);
void ShowManualOnStates(CommandUi& ui);
void ShowManualOffStates(CommandUi& ui);
void ShowConnected(CommandUi& ui, bool connected);

}  // namespace gui
