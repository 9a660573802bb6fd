// How long a switch of the look takes with a page of 1 MB shown and the
// tree listing 10,100 folders: from the command to every window drawn
// again, to dark and back to light, against drawing every window again
// without a switch; and the editor's part alone, against the editor's font
// applied again (the least the rich edit needs to format its text anew).
#include <stdio.h>

#include <string>

#include "base/theme.h"
#include "bench/bench.h"
#include "editing/editing.h"
#include "harness/harness.h"

namespace {

const int Repeats = 5;

// Every folder of the notebook's first level opened: all 10,100 listed.
void OpenEveryTopFolder() {
  HTREEITEM root = TreeView_GetRoot(Ui.tree);
  for (HTREEITEM top = TreeView_GetChild(Ui.tree, root); top != nullptr;
       top = TreeView_GetNextSibling(Ui.tree, top))
    TreeView_Expand(Ui.tree, top, TVE_EXPAND);
  harness::PumpMessages();
}

int TreeCount() { return static_cast<int>(SendMessageA(Ui.tree, TVM_GETCOUNT, 0, 0)); }

void DrawEverythingNow() {
  RedrawWindow(MainWindow, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

double TimeSwitch(int command) {
  double begin = BenchSeconds();
  ExecuteCommand(command);
  // What the switch left to draw, drawn now, as the next pass of the message
  // loop would.
  RedrawWindow(MainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return BenchSeconds() - begin;
}

double TimeEditorColours(int choice) {
  themeChoice = choice;
  DecideThemeMode();
  double begin = BenchSeconds();
  ApplyEditorTheme(Ui.editor);
  RedrawWindow(Ui.editor, nullptr, nullptr, RDW_UPDATENOW);
  return BenchSeconds() - begin;
}

double TimeEditorFont() {
  double begin = BenchSeconds();
  ApplyEditorFont();
  RedrawWindow(Ui.editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return BenchSeconds() - begin;
}

}  // namespace

void RunThemeBenchmarks() {
  harness::TempDir folders;
  const std::string work = folders / "notebook";
  if (!CreateDirectoryA(work.c_str(), nullptr) || !MakeBigNotebook(work) ||
      !harness::WriteBytes(work + "\\Big.tav", BenchProse(1 << 20, 7, false))) {
    fprintf(stderr, "theme benchmark: cannot make the notebook\n");
    return;
  }
  BenchApp app;
  app.StartIn(work, work + "\\Big.tav");
  // Light to begin with, whatever Windows' app mode is.
  ExecuteCommand(CMD_THEMELIGHT);
  OpenEveryTopFolder();
  const int listed = TreeCount();
  const int length = GetWindowTextLengthA(Ui.editor);
  Runs toDark, toLight, floor;
  for (int run = 0; run < Repeats; ++run) {
    double begin = BenchSeconds();
    DrawEverythingNow();
    floor.Add(BenchSeconds() - begin);
    toDark.Add(TimeSwitch(CMD_THEMEDARK));
    toLight.Add(TimeSwitch(CMD_THEMELIGHT));
  }
  Runs editorDark, editorLight, font;
  for (int run = 0; run < Repeats; ++run) {
    editorDark.Add(TimeEditorColours(THEME_CHOICE_DARK));
    editorLight.Add(TimeEditorColours(THEME_CHOICE_LIGHT));
  }
  // Last: a font set on the whole text gives it a format of its own.
  editorFont.lfHeight = -16;
  editorFont.lfWeight = FW_NORMAL;
  lstrcpynA(editorFont.lfFaceName, "Arial", LF_FACESIZE);
  for (int run = 0; run < Repeats; ++run) font.Add(TimeEditorFont());
  ExecuteCommand(CMD_THEMESYSTEM);
  char title[160];
  snprintf(title, sizeof title,
           "A switch of the look, %d folders listed, a page of %d characters shown (ms, 5 runs)",
           listed, length);
  PrintFloorHeader(title);
  PrintFloorRow("light to dark, drawn", toDark, floor, "every window drawn again");
  PrintFloorRow("dark to light, drawn", toLight, floor, "every window drawn again");
  PrintFloorRow("the editor alone to dark, drawn", editorDark, font, "its font applied again");
  PrintFloorRow("the editor alone to light, drawn", editorLight, font, "its font applied again");
  app.Stop();
}
