// Delete Folder of 1,000 pages in 100 subfolders and its Undo Delete, with
// the real shell: the program's delete (the folder selected, sent to the
// Recycle Bin and found there, the tree rebuilt) against its floor, the
// shell's delete of the same folder, selected, into the bin and the same
// rebuild; and the program's Undo Delete (out of the bin, the folder shown)
// against moving the folder back out of the bin (under Wine the
// freedesktop trash) and the same rebuild. Also the look at what the folder
// holds, made while the question is up, and the pages' last texts kept as
// versions while idle.
#include <stdio.h>

#include <string>

#include "app/app.h"
#include "base/platform_seam.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

namespace {

const int Repeats = 5;

bool MakeBranch(const std::string &branch) {
  if (!CreateDirectoryA(branch.c_str(), nullptr)) return false;
  char name[64];
  for (int sub = 0; sub < 100; ++sub) {
    snprintf(name, sizeof name, "\\sub-%02d", sub);
    std::string folder = branch + name;
    if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
    for (int page = 0; page < 10; ++page) {
      snprintf(name, sizeof name, "\\Page %d.tav", page);
      if (!harness::WriteBytes(folder + name, "a page of the branch\r\n")) return false;
    }
  }
  return true;
}

// Where Wine's shell puts what it deletes: the trash of the user's home.
std::string TrashFolder() {
  char home[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home);
  if (length == 0 || length >= sizeof home) return "";
  std::string path = home;
  if (path.rfind("\\??\\", 0) == 0) path = path.substr(4);
  return path + "\\.local\\share\\Trash";
}

void ForgetTrashed(const std::string &trash, const std::string &name) {
  harness::RemoveTree(trash + "\\files\\" + name);
  DeleteFileA((trash + "\\info\\" + name + ".trashinfo").c_str());
}

// The folder is selected first, as it is for Delete Folder: the rebuild
// then shows another folder, as the command's does.
void SelectBranch(const std::string &branch) {
  HTREEITEM node = WalkToFolderNode(Ui.tree, branch.c_str());
  if (node != nullptr) TreeView_SelectItem(Ui.tree, node);
  harness::PumpMessages();
}

double FloorDelete(const std::string &work, const std::string &branch) {
  SelectBranch(branch);
  SetCurrentDirectoryA(work.c_str());  // no folder that is current can move
  double start = BenchSeconds();
  const char *path = branch.c_str();
  if (!SendToRecycleBin(&path, 1, false)) return -1;
  RefreshTree();
  return BenchSeconds() - start;
}

double FloorPutBack(const std::string &trash, const std::string &name, const std::string &branch) {
  double start = BenchSeconds();
  if (!MoveFileExA((trash + "\\files\\" + name).c_str(), branch.c_str(), 0)) return -1;
  DeleteFileA((trash + "\\info\\" + name + ".trashinfo").c_str());
  RefreshTree();
  return BenchSeconds() - start;
}

// What DeleteFolder looks at before it asks, while the question is up.
double ProgramLooksFirst(const std::string &branch) {
  double start = BenchSeconds();
  PrepareFolderDelete(branch.c_str());
  return BenchSeconds() - start;
}

// The command as DeleteFolder runs it once the user said Yes, on the folder
// selected before. Undo Delete makes the deleted pages' histories theirs
// again, which takes a look at every deleted page's history the notebook
// keeps: the runs start without any.
double ProgramDelete(const std::string &branch) {
  SelectBranch(branch);
  HTREEITEM node = TreeView_GetSelection(Ui.tree);
  if (node == nullptr) return -1;
  double start = BenchSeconds();
  KeepVersionsBeforeDelete(branch.c_str(), true);
  BeginFolderWalk();
  ReleaseFolderShownWatch();
  BeginDelete();
  KeepShownTextOfDeleted(branch.c_str());
  bool deleted = DeleteFolderTree(node, RecycleBinSteps);
  EndDelete();
  EndFolderWalk();
  FollowItemDeleted(MOVE_FOLDER, branch.c_str());
  RefreshTree();
  return deleted ? BenchSeconds() - start : -1;
}

double ProgramUndo(const std::string &branch) {
  double start = BenchSeconds();
  UndoDelete();
  double seconds = BenchSeconds() - start;
  return GetFileAttributesA((branch + "\\sub-99\\Page 9.tav").c_str()) != INVALID_FILE_ATTRIBUTES
             ? seconds
             : -1;
}

}  // namespace

void RunDeleteBenchmarks() {
  const std::string trash = TrashFolder();
  harness::TempDir folders;
  const std::string work = folders / "notebook";
  const std::string name = "Branch-" + std::to_string(GetCurrentProcessId());
  const std::string branch = work + "\\" + name;
  if (trash.empty() || !CreateDirectoryA(work.c_str(), nullptr) ||
      !harness::WriteBytes(work + "\\Start.tav", "the page shown") || !MakeBranch(branch)) {
    fprintf(stderr, "deletes benchmark: cannot make the notebook (or find the trash)\n");
    return;
  }
  BenchApp app;
  app.StartIn(work, work + "\\Start.tav");
  Platform.fileOperation = SystemPlatform.fileOperation;  // the real Recycle Bin
  Platform.trashFolder = SystemPlatform.trashFolder;
  Runs looked, whole, deleted, deleteFloor, undone, undoFloor, kept;
  for (int run = 0; run < Repeats; ++run) {
    double floorDelete = FloorDelete(work, branch);
    double floorBack = FloorPutBack(trash, name, branch);
    harness::PumpMessages();
    double programLook = ProgramLooksFirst(branch);
    double programDelete = ProgramDelete(branch);
    harness::PumpMessages();
    double programUndo = ProgramUndo(branch);
    harness::PumpMessages();
    if (floorDelete < 0 || floorBack < 0 || programDelete < 0 || programUndo < 0 ||
        app.Boxes().boxes().size() != 0) {
      fprintf(stderr, "deletes benchmark: run %d failed (%g %g %g %g, %u boxes)\n", run,
              floorDelete, floorBack, programDelete, programUndo,
              static_cast<unsigned>(app.Boxes().boxes().size()));
      for (const harness::Box &box : app.Boxes().boxes())
        fprintf(stderr, "  %s: %s\n", box.caption.c_str(), box.text.c_str());
      break;
    }
    // Once more, and left deleted: its pages' last texts kept while idle.
    PrepareFolderDelete(branch.c_str());
    bool again = ProgramDelete(branch) >= 0;
    double start = BenchSeconds();
    while (RunDeletedVersionsSlice()) {
    }
    kept.Add(BenchSeconds() - start);
    ForgetTrashed(trash, name);
    // Each run finds the history as the first did: Undo Delete goes through
    // the deleted pages' histories of the notebook (see the note above).
    char history[PATH_BUFFER_SIZE];
    if (VersionStoreFolder(history, false)) harness::RemoveTree(history);
    if (!again || !MakeBranch(branch) || !RefreshTree()) {
      fprintf(stderr, "deletes benchmark: run %d: cannot delete the branch again and make it anew\n", run);
      break;
    }
    looked.Add(programLook);
    whole.Add(programLook + programDelete);
    deleteFloor.Add(floorDelete);
    undoFloor.Add(floorBack);
    deleted.Add(programDelete);
    undone.Add(programUndo);
  }
  app.Stop();
  PrintFloorHeader(
      "Delete Folder of 1,000 pages in 100 subfolders and Undo Delete (ms, 5 runs;\n"
      "floor = the shell's delete into the Recycle Bin, and the move back out of it,\n"
      "each with the same rebuild of the tree)");
  PrintFloorRow("Delete Folder, after Yes", deleted, deleteFloor, "FO_DELETE + tree");
  PrintFloorRow("Undo Delete", undone, undoFloor, "move back + tree");
  PrintFloorRow("Delete Folder, its look first too", whole, deleteFloor, "FO_DELETE + tree");
  printf("the look at what the folder holds, made while the question is up: %.1f / %.1f ms\n"
         "the pages' last texts kept as versions, in idle slices: %.0f / %.0f ms (min / median)\n",
         looked.Min() * 1000, looked.Median() * 1000, kept.Min() * 1000, kept.Median() * 1000);
}
