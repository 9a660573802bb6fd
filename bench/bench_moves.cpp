// Moving a folder of 1,000 pages in 100 subfolders whose node is open in the
// tree: the program's move (its checks, one rename, everything that follows
// the folder, the two folders concerned listed again and the branch opened
// again where it went) against its floor, a bare MoveFileEx of the same
// folder and the same update of the tree. Once between folders whose paths
// are as long, once into a folder one level deeper, where the program also
// makes sure that the folders below stay nameable.
#include <stdio.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

namespace {

const int Repeats = 7;

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

std::string ParentOf(const std::string &path) { return path.substr(0, path.rfind('\\')); }

// The floor: the rename alone, and the tree's update of the branch as the
// program makes it.
double FloorMove(const std::string &from, const std::string &toParent,
                 const std::vector<std::string> &expanded) {
  const std::string to = toParent + "\\Branch";
  double start = BenchSeconds();
  if (!MoveFileExA(from.c_str(), to.c_str(), 0)) return -1;
  ListFolderAgainAt(toParent.c_str());
  WalkToFolderNode(Ui.tree, toParent.c_str());
  ExpandAgainBelow(FindFolderNode(to.c_str()), expanded);
  ListFolderAgainAt(ParentOf(from).c_str());
  return BenchSeconds() - start;
}

void MeasureMoves(const std::string &work, const std::string &one, const std::string &other,
                  Runs *measured, Runs *floor) {
  BenchApp app;
  app.StartIn(work, work + "\\Start.tav");
  const std::string atOne = one + "\\Branch", atOther = other + "\\Branch";
  WalkToFolderNode(Ui.tree, atOne.c_str());  // the branch open, its 100 subfolders listed
  std::vector<std::string> expanded;
  NoteExpandedBelow(FindFolderNode(atOne.c_str()), &expanded);
  harness::PumpMessages();
  for (int run = 0; run < Repeats; ++run) {
    double start = BenchSeconds();
    bool moved = MoveItem(MOVE_FOLDER, atOne.c_str(), other.c_str());
    double seconds = BenchSeconds() - start;
    harness::PumpMessages();
    double bare = FloorMove(atOther, one, expanded);
    harness::PumpMessages();
    if (!moved || bare < 0 || app.Boxes().boxes().size() != 0) {
      fprintf(stderr, "moves benchmark: a move failed\n");
      break;
    }
    measured->Add(seconds);
    floor->Add(bare);
  }
  app.Stop();
}

}  // namespace

void RunMoveBenchmarks() {
  harness::TempDir folders;
  const std::string work = folders / "notebook";
  const std::string one = work + "\\One", two = work + "\\Two", deeper = work + "\\Two\\Deeper";
  if (!CreateDirectoryA(work.c_str(), nullptr) || !CreateDirectoryA(one.c_str(), nullptr) ||
      !CreateDirectoryA(two.c_str(), nullptr) || !CreateDirectoryA(deeper.c_str(), nullptr) ||
      !harness::WriteBytes(work + "\\Start.tav", "the page shown") || !MakeBranch(one + "\\Branch")) {
    fprintf(stderr, "moves benchmark: cannot make the notebook\n");
    return;
  }
  PrintFloorHeader(
      "Moving a folder of 1,000 pages in 100 subfolders, its node open (ms, 7 runs;\n"
      "floor = MoveFileEx of the folder + the same update of the tree)");
  Runs measured, floor;
  MeasureMoves(work, one, two, &measured, &floor);
  PrintFloorRow("move to a folder as deep", measured, floor, "MoveFileEx + tree update");
  measured = floor = Runs();
  MeasureMoves(work, one, deeper, &measured, &floor);
  PrintFloorRow("move one level deeper", measured, floor, "MoveFileEx + tree update");
}
