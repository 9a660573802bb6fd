// The pages' history: saving a page of a megabyte when the text it replaces
// is kept as a version, against the same save when no version is due;
// History opened on a page with 500 versions; and a version of a page of a
// megabyte chosen in History, shown with its differing lines marked and
// drawn, beside streaming the same text into a rich edit, as an editor
// takes it. What Delete
// Folder keeps of its pages is measured with the deletes.
#include <stdio.h>

#include <richedit.h>
#include <shellapi.h>

#include <string>

#include "app/app.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

const int Repeats = 5;

void TypeAtEnd(const char *text) {
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

// A save of the page shown after one character typed; with a version due
// (the page not yet saved in this run) or not.
double TimedSave(bool versionDue) {
  if (versionDue) ForgetVersionStoreState();
  TypeAtEnd("x");
  double start = BenchSeconds();
  bool saved = SaveCurrentPage();
  double seconds = BenchSeconds() - start;
  return saved ? seconds : -1;
}

void MeasureSaves(const std::string &work) {
  BenchApp app;
  app.StartIn(work, work + "\\Big.tav");
  Runs kept, plain;
  TimedSave(true);  // the store made, the first version kept
  for (int run = 0; run < Repeats; ++run) {
    double withVersion = TimedSave(true), without = TimedSave(false);
    if (withVersion < 0 || without < 0) {
      fprintf(stderr, "history benchmark: a save failed\n");
      break;
    }
    kept.Add(withVersion);
    plain.Add(without);
  }
  PrintFloorHeader("Saving a page of 1 MB (ms, 5 runs; floor = the same save, no version due)");
  PrintFloorRow("save keeping a version", kept, plain, "save without one");
  app.Stop();
}

// Opens History and closes it from inside, timing how long it took to be
// shown (its newest version shown in it), and how long choosing the
// second version takes there.
void OpenHistoryTimed(BenchApp &app, Runs *opened, Runs *chosen) {
  double start = BenchSeconds();
  app.Boxes().Handle([&](HWND dialog) {
    opened->Add(BenchSeconds() - start);
    if (chosen != nullptr) {
      HWND list = GetDlgItem(dialog, IDC_HISTORY_LIST);
      LVITEMA item = {};
      item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
      double before = BenchSeconds();
      SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
      UpdateWindow(dialog);  // drawn, as the user sees it
      chosen->Add(BenchSeconds() - before);
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  ExecuteCommand(CMD_HISTORY);
}

void MeasureManyVersions(const std::string &work) {
  BenchApp app;
  app.StartIn(work, work + "\\Many.tav");
  const std::string page = work + "\\Many.tav";
  char text[64];
  for (int i = 0; i < 500; ++i) {
    snprintf(text, sizeof text, "version %d of a short page\r\n", i);
    KeepTextAsVersion(page.c_str(), text, REASON_SAVED_OVER);
  }
  Runs opened;
  for (int run = 0; run < Repeats; ++run) OpenHistoryTimed(app, &opened, nullptr);
  printf("\nHistory on a page with 500 versions (ms, 5 runs)\n");
  printf("%-34s %9.1f %9.1f\n", "opened, newest version shown", opened.Min() * 1000,
         opened.Median() * 1000);
  app.Stop();
}

// Beside choosing a version: the same text streamed into a fresh rich
// edit, as an editor takes it.
double StreamAlone(const std::wstring &text) {
  HWND edit = CreateWindowExA(0, "RichEdit20A", "", WS_CHILD | ES_MULTILINE, 0, 0, 400, 300,
                              MainWindow, nullptr, AppInstance, nullptr);
  SendMessageA(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  double start = BenchSeconds();
  PagePieces pieces;
  StartPagePieces(&pieces, text.data(), text.size());
  StreamIntoEditor(edit, &pieces, false);
  double seconds = BenchSeconds() - start;
  DestroyWindow(edit);
  return seconds;
}

void MeasureBigVersion(const std::string &work) {
  BenchApp app;
  app.StartIn(work, work + "\\Big.tav");
  const std::string page = work + "\\Big.tav";
  // Two versions of the page: the text with twenty lines changed, and the
  // text itself.
  std::string bytes = harness::ReadBytes(page);
  std::string changed = bytes;
  for (size_t at = 1000, n = 0; n < 20 && at < changed.size(); at += changed.size() / 20, ++n)
    changed[at] = '#';
  KeepTextAsVersion(page.c_str(), changed, REASON_SAVED_OVER);
  KeepTextAsVersion(page.c_str(), bytes + "one more line\r\n", REASON_SAVED_OVER);
  std::wstring text;
  PageEncoding encoding;
  ReadPageText(changed.data(), changed.size(), &encoding, &text);
  Runs opened, chosen, floor;
  for (int run = 0; run < Repeats; ++run) {
    OpenHistoryTimed(app, &opened, &chosen);
    floor.Add(StreamAlone(text));
  }
  PrintFloorHeader(
      "A version of a page of 1 MB (20,000 lines) chosen in History (ms, 5 runs;\n"
      "floor = the same text streamed into a fresh rich edit, as an editor takes it)");
  PrintFloorRow("chosen, differences marked", chosen, floor, "the text streamed in");
  PrintFloorRow("History opened, newest shown", opened, floor, "the text streamed in");
  app.Stop();
}

}  // namespace

void RunHistoryBenchmarks() {
  harness::TempDir folders;
  const std::string work = folders / "notebook";
  if (!CreateDirectoryA(work.c_str(), nullptr) ||
      !harness::WriteBytes(work + "\\Big.tav", BenchProse(1 << 20, 7, false)) ||
      !harness::WriteBytes(work + "\\Many.tav", "a short page\r\n")) {
    fprintf(stderr, "history benchmark: cannot make the notebook\n");
    return;
  }
  MeasureSaves(work);
  MeasureManyVersions(work);
  MeasureBigVersion(work);
}
