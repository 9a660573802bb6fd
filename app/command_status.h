// Command status: whether each menu item and toolbar button is enabled and
// checked, computed from the program's state by one handler per command.
#ifndef TAV_COMMAND_STATUS_H
#define TAV_COMMAND_STATUS_H

#include <windows.h>

// What a status handler says about one command: whether it is enabled, and
// two check values (a 0 in either clears the mark, else a 1 in either sets
// it; 2 leaves it as it is).
class CMyUpdateUI {
 public:
  CMyUpdateUI() : enabled(1), check(2), check2(2) {}
  virtual ~CMyUpdateUI() {}
  virtual void SetEnabled(int value) { enabled = value; }
  virtual void SetCheck(int value) { check = value; }
  virtual void SetCheck2(int value) { check2 = value; }
  virtual int GetEnabled() { return enabled; }
  virtual int GetCheck() { return check; }
  virtual int GetCheck2() { return check2; }

 private:
  int enabled;
  int check;
  int check2;
};
typedef void (*StatusHandler)(CMyUpdateUI *status);
struct StatusRow {
  UINT id;
  StatusHandler handler;
};
// The program's table; it is in force once SetStatusTable installs it.
extern const StatusRow CommandStatusTable[];
void SetStatusTable(const StatusRow *table);
// The states of a menu's items as it opens, and of the toolbar's buttons.
void UpdateMenuStatus(HMENU menu, LPARAM position);
void UpdateToolbarStatus(HWND toolbar);
// Window-free steps of the two, exported for the tests.
StatusHandler FindStatusHandler(UINT id);
UINT ApplyStatusToMenuState(UINT state, CMyUpdateUI *status);
BYTE ApplyStatusToButtonState(BYTE state, CMyUpdateUI *status);

#endif
