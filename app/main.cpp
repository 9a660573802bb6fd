// The process's entry procedure: everything happens in TavMain.
#include "app/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return TavMain(instance, showCommand);
}
