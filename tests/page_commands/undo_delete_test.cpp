// Delete Page into the Recycle Bin (the tests' own, behind the platform
// seam) and Undo Delete: what comes back and how, what is never
// overwritten, and what the copies kept in the store are checked for
// before anything is put back.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "base/platform_seam.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

using harness::ListNames;
using harness::ReadBytes;
using Strings = std::vector<std::string>;

const unsigned QuietRecycle = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;

class UndoDeletes : public harness::AppTest {
 protected:
  void Pages(const Strings &namesAndTexts) {
    for (size_t i = 0; i + 1 < namesAndTexts.size(); i += 2)
      ASSERT_TRUE(harness::WriteBytes(notebook / namesAndTexts[i], namesAndTexts[i + 1]));
    ASSERT_TRUE(RefreshTree());
    harness::PumpMessages();
  }
  // Selecting another tab saves the page shown; the one shown is deleted as
  // it stands.
  void Delete(const char *fileName, int laterAnswer = 0) {
    if (Shown() != fileName) ASSERT_TRUE(SelectPageByName(fileName));
    boxes.Answer(IDYES);
    if (laterAnswer != 0) boxes.Answer(laterAnswer);
    ExecuteCommand(CMD_DELETEPAGE);
  }
  std::string Shown() {
    char name[PATH_BUFFER_SIZE] = "";
    GetPageFileName(TabCtrl_GetCurSel(Ui.tabs), name);
    return name;
  }
  std::string Text() { return harness::WindowText(Ui.editor); }
  Strings Boxes() {
    Strings seen;
    for (const harness::Box &box : boxes.boxes()) seen.push_back(box.caption + ": " + box.text);
    boxes.Clear();
    return seen;
  }
  // The next name dialog is answered with typed (Cancel when empty); its
  // caption is recorded as a box, its prompt here.
  void NameDialog(const std::string &typed) {
    boxes.Handle([this, typed](HWND dialog) {
      char text[PATH_BUFFER_SIZE] = "";
      GetDlgItemTextA(dialog, IDC_NAME_PROMPT, text, sizeof text);
      prompt = text;
      SetDlgItemTextA(dialog, IDC_NAME_EDIT, typed.c_str());
      PostMessageA(dialog, WM_COMMAND, typed.empty() ? IDCANCEL : IDOK, 0);
    });
  }
  // The store's only entry folder, made by the one delete of a test.
  std::string EntryFolder() {
    char store[PATH_BUFFER_SIZE];
    EXPECT_TRUE(DeletedStoreFolder(store, false));
    Strings entries = ListNames(store);
    EXPECT_EQ(entries.size(), 1u);
    return entries.empty() ? "" : std::string(store) + "\\" + entries[0];
  }
  std::string prompt;
};

// A page in UTF-16 and one with CR LF line breaks (bytes an editor must not
// touch) go to the bin and come back as they were, the last deleted first.
TEST_F(UndoDeletes, PagesComeBackByteExactLastDeletedFirst) {
  const std::string utf16("\xFF\xFE" "a\0\r\0\n\0\xA9\0", 10);
  const std::string crlf = "one\r\ntwo\r\n\r\n";
  Pages({"wide.tav", utf16, "lines.tav", crlf, "z.tav", "Z"});
  EXPECT_FALSE(CanUndoDelete());
  Delete("wide.tav");
  Delete("lines.tav");
  EXPECT_EQ(Boxes(), (Strings{"Confirm page delete: Delete page 'wide'?",
                              "Confirm page delete: Delete page 'lines'?"}));
  ASSERT_EQ(harness::Recycled.size(), 2u);
  EXPECT_EQ(harness::Recycled[0].path, notebook / "wide.tav");
  EXPECT_EQ(harness::Recycled[0].flags, QuietRecycle);
  EXPECT_EQ(ReadBytes(harness::Recycled[0].binPath), utf16) << "the bin holds the page";
  EXPECT_EQ(ListNames(notebook.path()), Strings{"z.tav"});
  EXPECT_TRUE(CanUndoDelete());

  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"lines.tav", "z.tav"}));
  EXPECT_EQ(ReadBytes(notebook / "lines.tav"), crlf);
  EXPECT_EQ(Shown(), "lines.tav");
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ReadBytes(notebook / "wide.tav"), utf16);
  EXPECT_EQ(Shown(), "wide.tav");
  EXPECT_FALSE(CanUndoDelete());
  EXPECT_EQ(Boxes(), Strings{});
  char store[PATH_BUFFER_SIZE];
  ASSERT_TRUE(DeletedStoreFolder(store, false));
  EXPECT_EQ(ListNames(store), Strings{}) << "copies put back leave nothing behind";
}

TEST_F(UndoDeletes, UnsavedTextComesBackUnsavedAndTheUserIsTold) {
  Pages({"a.tav", "A", "b.tav", "B"});
  ASSERT_TRUE(SelectPageByName("a.tav"));
  SendMessageA(Ui.editor, EM_SETSEL, 0, 0);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed "));
  Delete("a.tav");
  EXPECT_EQ(Text(), "B");
  EXPECT_FALSE(EditorIsModified());
  Boxes();

  boxes.Answer(IDOK);
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(Boxes(), Strings{"TAV: 'a' is back with the text typed into it before it was "
                             "deleted, not saved yet."});
  EXPECT_EQ(Shown(), "a.tav");
  EXPECT_EQ(Text(), "typed A");
  EXPECT_TRUE(EditorIsModified());
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "A") << "the file is as it was saved";
}

// A page made meanwhile under the deleted one's name keeps its text: the
// user names another place, or keeps the delete for later.
TEST_F(UndoDeletes, ANameTakenMeanwhileIsNeverOverwritten) {
  Pages({"a.tav", "old", "b.tav", "B"});
  Delete("a.tav");
  ASSERT_TRUE(harness::WriteBytes(notebook / "A.tav", "new"));  // any letter case
  Boxes();

  NameDialog("");
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(Boxes(), Strings{"Undo Delete: "});
  EXPECT_EQ(prompt, "'a.tav' is taken meanwhile. Enter another name to put it back under:");
  EXPECT_EQ(ReadBytes(notebook / "A.tav"), "new");
  EXPECT_TRUE(CanUndoDelete()) << "cancelled: the delete can still be taken back";

  NameDialog("a again");
  ExecuteCommand(CMD_UNDODELETE);
  Boxes();
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"A.tav", "a again.tav", "b.tav"}));
  EXPECT_EQ(ReadBytes(notebook / "a again.tav"), "old");
  EXPECT_EQ(ReadBytes(notebook / "A.tav"), "new");
  EXPECT_EQ(Shown(), "a again.tav");
  EXPECT_FALSE(CanUndoDelete());
}

// A page the shell cannot take (another program holds it open) stays, with
// its unsaved text, and there is nothing to undo.
TEST_F(UndoDeletes, APageTheShellCannotTakeStaysAndLeavesNothingToUndo) {
  Pages({"a.tav", "A", "b.tav", "B"});
  ASSERT_TRUE(SelectPageByName("a.tav"));
  SendMessageA(Ui.editor, EM_SETSEL, 0, 0);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed "));
  HANDLE held = CreateFileA((notebook / "a.tav").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Delete("a.tav", IDOK);
  CloseHandle(held);
  Strings seen = Boxes();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].rfind("Error: Couldn't delete page 'a':\n", 0), 0u) << seen[1];
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "A");
  EXPECT_EQ(Text(), "typed A");
  EXPECT_TRUE(EditorIsModified());
  EXPECT_FALSE(CanUndoDelete());
  char store[PATH_BUFFER_SIZE];
  ASSERT_TRUE(DeletedStoreFolder(store, false));
  ForgetDeletes();  // as at exit: the copy could not go while the page was held
  EXPECT_EQ(ListNames(store), Strings{}) << "no copy is left of a page that stayed";
}

// Where no copy can be kept, the user hears it once and the shell is asked
// to warn before it would delete for good.
TEST_F(UndoDeletes, AStoreThatCannotBeWrittenIsSaidOnceAndTheShellWarns) {
  Pages({"a.tav", "A", "b.tav", "B", "c.tav", "C"});
  ASSERT_TRUE(harness::WriteBytes(scratch / "not a folder", ""));
  harness::UseLocalDataOnly(scratch / "not a folder");
  // The pages' history, kept in the same folder, says it cannot be kept
  // either, once too.
  ASSERT_TRUE(SelectPageByName("a.tav"));
  boxes.Answer(IDYES);
  boxes.Answer(IDOK);
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_DELETEPAGE);
  Delete("b.tav");
  Strings seen = Boxes();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1].rfind("Error: TAV cannot keep the earlier versions of your pages in '", 0), 0u)
      << seen[1];
  EXPECT_EQ(seen[2].rfind("Error: TAV cannot keep its copies for Undo Delete in '", 0), 0u)
      << seen[2];
  EXPECT_EQ(ListNames(notebook.path()), Strings{"c.tav"});
  ASSERT_EQ(harness::Recycled.size(), 2u);
  EXPECT_EQ(harness::Recycled[1].flags, QuietRecycle | FOF_WANTNUKEWARNING);
  EXPECT_FALSE(CanUndoDelete());
}

// What the store holds may have been changed by anyone: an entry naming a
// place outside the notebook, a copy turned into something else, a list
// that is not TAV's. Nothing of these is put back, and nothing is written
// outside the notebook.
TEST_F(UndoDeletes, DamagedAndHostileEntriesAreNeverPutBack) {
  const std::string outside = scratch / "outside.tav";
  const struct {
    const char *label;
    std::function<void(const std::string &entry)> damage;
    const char *box;
  } cases[] = {
      {"list naming a page outside the notebook",
       [&](const std::string &entry) {
         harness::WriteBytes(entry + "\\deleted.txt",
                             "TAV deleted 1\r\npage\t1\t" + outside + "\r\n");
       },
       "TAV: 1 of the items deleted cannot be put back: the copy TAV kept is damaged, or it was "
       "not in the notebook shown."},
      {"list leading out of the store",
       [&](const std::string &entry) {
         harness::WriteBytes(entry + "\\deleted.txt",
                             "TAV deleted 1\r\npage\t..\\..\\x\t" + notebook / "a.tav" + "\r\n");
       },
       "TAV: The copy TAV kept of what was deleted last is damaged: it cannot be put back."},
      {"list naming a place outside the bin",
       [&](const std::string &entry) {
         harness::WriteBytes(entry + "\\deleted.txt", "TAV deleted 1\r\npage-in-bin\t" + outside +
                                                          "\t" + notebook / "a.tav" + "\r\n");
       },
       "TAV: The copy TAV kept of what was deleted last is damaged: it cannot be put back."},
      {"page in the bin made a folder",
       [&](const std::string &) {
         DeleteFileA(harness::Recycled.back().binPath.c_str());
         harness::MakeDirs(harness::Recycled.back().binPath);
       },
       "TAV: 1 of the items deleted cannot be put back: the copy TAV kept is damaged, or it was "
       "not in the notebook shown."},
      {"list cut short",
       [&](const std::string &entry) {
         harness::WriteBytes(entry + "\\deleted.txt", "TAV deleted 1\r\npage\t1\t");
       },
       "TAV: The copy TAV kept of what was deleted last is damaged: it cannot be put back."},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.label);
    Pages({"a.tav", "A", "b.tav", "B"});
    Delete("a.tav");
    Boxes();
    c.damage(EntryFolder());
    boxes.Answer(IDOK);
    ExecuteCommand(CMD_UNDODELETE);
    EXPECT_EQ(Boxes(), Strings{c.box});
    EXPECT_FALSE(harness::FileExists(outside));
    EXPECT_EQ(ListNames(notebook.path()), Strings{"b.tav"});
    EXPECT_FALSE(CanUndoDelete());
    harness::RemoveTree(EntryFolder());
  }
}

// The real shell, once: a page and a folder of pages handed to it leave
// their places, and under Wine are found in the freedesktop trash of the
// user Wine runs as (on Windows, in the Recycle Bin).
TEST(RecycleBin, TheShellTakesAPageAndAFolderIntoTheBin) {
  harness::TempDir place;
  const std::string name = "tav-bin-" + std::to_string(GetCurrentProcessId());
  const std::string page = place / (name + ".tav"), folder = place / name;
  ASSERT_TRUE(harness::WriteBytes(page, "page\r\n"));
  ASSERT_TRUE(harness::MakeDirs(folder + "\\Sub"));
  ASSERT_TRUE(harness::WriteBytes(folder + "\\Sub\\p.tav", "p"));
  PlatformDialogs saved = Platform;
  Platform = SystemPlatform;
  const char *paths[] = {page.c_str(), folder.c_str()};
  EXPECT_TRUE(SendToRecycleBin(paths, 2, false));
  Platform = saved;
  EXPECT_FALSE(harness::FileExists(page));
  EXPECT_FALSE(harness::FileExists(folder));
  char home[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home);
  if (!harness::RunningUnderWine() || length == 0 || length >= sizeof home) return;
  std::string trash = std::string(home).substr(strncmp(home, "\\??\\", 4) == 0 ? 4 : 0) +
                      "\\.local\\share\\Trash";
  EXPECT_EQ(ReadBytes(trash + "\\files\\" + name + ".tav"), "page\r\n");
  EXPECT_EQ(ReadBytes(trash + "\\files\\" + name + "\\Sub\\p.tav"), "p");
  DeleteFileA((trash + "\\files\\" + name + ".tav").c_str());
  harness::RemoveTree(trash + "\\files\\" + name);
  for (const std::string &item : {name + ".tav", name}) {
    DeleteFileA((trash + "\\info\\" + item + ".trashinfo").c_str());
  }
}

// The real shell again: each item is found where the bin keeps it, also
// when the bin holds an item of that name already, and taken back out
// with the bin's record of it.
TEST(RecycleBin, EachItemIsFoundWhereTheBinKeepsItAndTakenBackOut) {
  harness::TempDir place;
  const std::string name = "tav-found-" + std::to_string(GetCurrentProcessId()) + ".tav";
  const std::string page = place / name;
  PlatformDialogs saved = Platform;
  Platform = SystemPlatform;
  std::vector<std::string> first, second;
  const char *paths[] = {page.c_str()};
  ASSERT_TRUE(harness::WriteBytes(page, "first"));
  ASSERT_TRUE(RecycleKnowingWhere(paths, 1, &first));
  ASSERT_TRUE(harness::WriteBytes(page, "second"));
  ASSERT_TRUE(RecycleKnowingWhere(paths, 1, &second));
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(first[0], second[0]);
  EXPECT_EQ(ReadBytes(first[0]), "first");
  EXPECT_EQ(ReadBytes(second[0]), "second");
  EXPECT_TRUE(IsRecycleBinPlace(second[0].c_str()));
  EXPECT_FALSE(IsRecycleBinPlace(page.c_str()));
  EXPECT_TRUE(TakeBackFromRecycleBin(second[0].c_str(), page.c_str()));
  EXPECT_EQ(ReadBytes(page), "second");
  EXPECT_FALSE(TakeBackFromRecycleBin(first[0].c_str(), page.c_str())) << "never over a page";
  char trash[PATH_BUFFER_SIZE];
  if (Platform.trashFolder(trash)) {
    const std::string kept = second[0].substr(second[0].rfind('\\') + 1);
    EXPECT_FALSE(harness::FileExists(std::string(trash) + "\\info\\" + kept + ".trashinfo"));
    const std::string other = first[0].substr(first[0].rfind('\\') + 1);
    DeleteFileA(first[0].c_str());
    DeleteFileA((std::string(trash) + "\\info\\" + other + ".trashinfo").c_str());
  }
  Platform = saved;
}

TEST(DeletedStore, ListsReadBackOnlyWhenEveryLineIsRight) {
  DeletedEntry entry;
  entry.items = {{MOVE_PAGE, "C:\\N\\a.tav", "1", ""}, {MOVE_FOLDER, "C:\\N\\F", "2", ""}};
  entry.hasUnsavedText = true;
  const std::string good = FormatDeletedEntry(entry);
  DeletedEntry read;
  ASSERT_TRUE(ParseDeletedEntry(good, &read));
  ASSERT_EQ(read.items.size(), 2u);
  EXPECT_EQ(read.items[1].kind, MOVE_FOLDER);
  EXPECT_EQ(read.items[1].original, "C:\\N\\F");
  EXPECT_TRUE(read.hasUnsavedText);
  const struct {
    const char *label;
    std::string bytes;
  } bad[] = {
      {"empty", ""},
      {"another header", "TAV deleted 2\r\npage\t1\tC:\\N\\a.tav\r\n"},
      {"no items", "TAV deleted 1\r\n"},
      {"unknown kind", "TAV deleted 1\r\nlink\t1\tC:\\N\\a.tav\r\n"},
      {"copy name not a number", "TAV deleted 1\r\npage\t1\\..\\2\tC:\\N\\a.tav\r\n"},
      {"no path", "TAV deleted 1\r\npage\t1\t\r\n"},
      {"a NUL in the path", "TAV deleted 1\r\npage\t1\tC:\\N" + std::string(1, '\0') + "x.tav\r\n"},
      {"unended line", good.substr(0, good.size() - 2)},
      {"far too large", good + std::string(2 * 1024 * 1024, 'x')},
  };
  for (const auto &c : bad) EXPECT_FALSE(ParseDeletedEntry(c.bytes, &read)) << c.label;
}

TEST(DeletedStore, OnlyItemsOfTheNotebookShownArePutBack) {
  const struct {
    const char *path;
    MoveKind kind;
    bool ok;
  } cases[] = {
      {"C:\\N\\a.tav", MOVE_PAGE, true},
      {"C:\\N\\Gone\\Deeper\\a.tav", MOVE_PAGE, true},  // folders made again
      {"C:\\N\\F", MOVE_FOLDER, true},
      {"C:\\N", MOVE_FOLDER, false},  // the work folder itself
      {"C:\\Other\\a.tav", MOVE_PAGE, false},
      {"C:\\N2\\a.tav", MOVE_PAGE, false},
      {"C:\\N\\..\\Windows\\a.tav", MOVE_PAGE, false},
      {"C:\\N\\F\\.\\a.tav", MOVE_PAGE, false},
      {"C:\\N\\a.tav:stream.tav", MOVE_PAGE, false},
      {"C:\\N\\a.txt", MOVE_PAGE, false},
      {"C:\\N\\F/..\\a.tav", MOVE_PAGE, false},
  };
  for (const auto &c : cases) EXPECT_EQ(IsNotebookItemPath(c.path, c.kind, "C:\\N"), c.ok) << c.path;
}

}  // namespace
