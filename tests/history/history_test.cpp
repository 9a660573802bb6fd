// Every page's history in the running main window: the texts saves and
// other programs replace kept byte for byte, versions following a rename,
// History's Restore as one change Undo takes back, Deleted Pages putting a
// page back without overwriting anything, and a store that is damaged,
// hostile or cannot be written.
#include <gtest/gtest.h>

#include <richedit.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "base/theme.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

using harness::FileExists;
using harness::ReadBytes;
using harness::WriteBytes;

// A UTF-16 page with a byte-order mark and CR LF line breaks.
std::string Utf16(const std::wstring &text) {
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char *>(text.data()), text.size() * 2);
  return bytes;
}

std::string Hex(unsigned long long value) {
  char text[24];
  snprintf(text, sizeof text, "%016llx", value);
  return text;
}

class PageHistory : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
  void SetUp() override {
    harness::AppTest::SetUp();
    local = scratch / "Local";
    ASSERT_TRUE(harness::MakeDirs(local));
    harness::UseLocalDataOnly(local);
  }
  void Start(const std::vector<std::pair<std::string, std::string>> &pages) {
    for (const auto &page : pages) {
      ASSERT_TRUE(harness::MakeDirs(notebook / "."));
      ASSERT_TRUE(WriteBytes(notebook / page.first, page.second));
    }
    StartApp();
  }
  std::string NotebookStore() {
    return local + "\\TAV\\History\\" + Hex(HashPathIgnoringAsciiCase(WorkFolderPath));
  }
  std::vector<PageVersion> Versions(const std::string &page) {
    std::vector<PageVersion> versions;
    ListPageVersions((notebook / page).c_str(), &versions);
    return versions;
  }
  std::string Bytes(const std::string &page, const PageVersion &version) {
    std::string bytes;
    EXPECT_TRUE(ReadPageVersion((notebook / page).c_str(), version, &bytes));
    return bytes;
  }
  void TypeAtEnd(const char *text) {
    SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
    SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  std::string Text() { return harness::WindowText(Ui.editor); }
  // The next name dialog is given this name.
  void NameDialog(const std::string &typed) {
    boxes.Handle([typed](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_NAME_EDIT, typed.c_str());
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
  }
  std::string local;
};

TEST_F(PageHistory, ASaveKeepsTheTextItReplacesByteForByteOnceInTenMinutes) {
  const std::string original = Utf16(L"one\r\ntwo \x03A9\r\n");
  Start({{"p.tav", original}});
  ASSERT_TRUE(SelectPageByName("p.tav"));
  TypeAtEnd("three");
  ASSERT_TRUE(SaveCurrentPage());
  std::vector<PageVersion> versions = Versions("p.tav");
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(versions[0].name.reason, REASON_SAVED_OVER);
  EXPECT_EQ(Bytes("p.tav", versions[0]), original);
  const std::string firstSave = ReadBytes(notebook / "p.tav");
  // Within ten minutes of editing a second save keeps nothing more, and the
  // version stays the old text (a link to the page file would have followed
  // it).
  TypeAtEnd("four");
  ASSERT_TRUE(SaveCurrentPage());
  versions = Versions("p.tav");
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(Bytes("p.tav", versions[0]), original);
  EXPECT_NE(ReadBytes(notebook / "p.tav"), firstSave);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PageHistory, ARewriteByAnotherProgramKeepsTheTextShownEachTime) {
  Start({{"p.tav", "first\r\n"}});
  ASSERT_TRUE(SelectPageByName("p.tav"));
  for (const char *text : {"second\r\n", "third\r\n"}) {
    Sleep(20);
    ASSERT_TRUE(WriteBytes(notebook / "p.tav", text));
    CheckNotebookOnActivation();
    ASSERT_TRUE(harness::FollowNotebookChanges([&] { return Text() == text; }));
  }
  std::vector<PageVersion> versions = Versions("p.tav");
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(Bytes("p.tav", versions[0]), "second\r\n");
  EXPECT_EQ(Bytes("p.tav", versions[1]), "first\r\n");
  EXPECT_EQ(versions[0].name.reason, REASON_CHANGED_ELSEWHERE);
}

// The viewer shows the version chosen line by line, the lines that differ
// from the page's text now drawn marked, and copies the lines chosen.
TEST_F(PageHistory, TheViewerMarksTheLinesThatDifferAndCopiesThoseChosen) {
  Start({{"p.tav", "one\r\ntwo\tcols\r\nthree\r\n"}});
  ASSERT_TRUE(SelectPageByName("p.tav"));
  ASSERT_TRUE(KeepTextAsVersion((notebook / "p.tav").c_str(), "one\r\nTWO\tcols\r\nthree\r\n",
                                REASON_SAVED_OVER));
  int count = -1;
  std::wstring note, copied;
  COLORREF plain = 0, marked = 0;
  boxes.Handle([&](HWND dialog) {
    HWND viewer = GetDlgItem(dialog, IDC_HISTORY_TEXT);
    count = static_cast<int>(SendMessageA(viewer, LB_GETCOUNT, 0, 0));
    wchar_t text[200] = L"";
    GetDlgItemTextW(dialog, IDC_HISTORY_NOTE, text, 200);
    note = text;
    RedrawWindow(viewer, nullptr, nullptr, RDW_UPDATENOW | RDW_INVALIDATE);
    int height = static_cast<int>(SendMessageA(viewer, LB_GETITEMHEIGHT, 0, 0));
    HDC dc = GetDC(viewer);
    plain = GetPixel(dc, 1, height / 2);
    marked = GetPixel(dc, 1, height + height / 2);
    ReleaseDC(viewer, dc);
    SendMessageA(viewer, LB_SETSEL, TRUE, 1);
    SendMessageA(viewer, LB_SETSEL, TRUE, 2);
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE control = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(viewer, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = control;
    SetKeyboardState(keys);
    if (OpenClipboard(dialog)) {
      HANDLE data = GetClipboardData(CF_UNICODETEXT);
      const wchar_t *held = data != nullptr ? static_cast<const wchar_t *>(GlobalLock(data)) : nullptr;
      if (held != nullptr) copied = held;
      if (data != nullptr) GlobalUnlock(data);
      CloseClipboard();
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  ExecuteCommand(CMD_HISTORY);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(note, L"1 of its 3 lines (marked) differ from the page's text now.");
  EXPECT_EQ(plain, CurrentColours().window);
  EXPECT_EQ(marked, CurrentColours().selection);
  EXPECT_EQ(copied, L"TWO\tcols\r\nthree");
}

TEST_F(PageHistory, VersionsFollowRenamePageAndAFolderMoved) {
  ASSERT_TRUE(harness::MakeDirs(notebook / "A"));
  Start({{"A\\p.tav", "old"}});
  ASSERT_TRUE(ShowPageAt((notebook / "A\\p.tav").c_str()) == PAGE_SHOWN);
  TypeAtEnd(" new");
  ASSERT_TRUE(SaveCurrentPage());
  ASSERT_EQ(Versions("A\\p.tav").size(), 1u);
  NameDialog("q");
  ExecuteCommand(CMD_RENAMEPAGE);
  ASSERT_TRUE(FileExists(notebook / "A\\q.tav"));
  EXPECT_TRUE(Versions("A\\p.tav").empty());
  ASSERT_EQ(Versions("A\\q.tav").size(), 1u);
  EXPECT_EQ(Bytes("A\\q.tav", Versions("A\\q.tav")[0]), "old");
  // A folder moved: its pages' versions go with it, found by the store's
  // own indexes. (The folder shown is the current directory, which cannot
  // be renamed.)
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  ASSERT_TRUE(MoveFileA((notebook / "A").c_str(), (notebook / "B").c_str()));
  FollowItemMoved(MOVE_FOLDER, (notebook / "A").c_str(), (notebook / "B").c_str());
  ASSERT_EQ(Versions("B\\q.tav").size(), 1u);
  EXPECT_EQ(Bytes("B\\q.tav", Versions("B\\q.tav")[0]), "old");
}

// Restore: the version's text as one change, in the page's own encoding
// and line breaks when saved; the text it replaced is kept first.
TEST_F(PageHistory, RestoreIsOneUndoableChangeAndKeepsTheEncoding) {
  // A text that begins as rich text does is still plain text.
  const std::string original = Utf16(L"{\\rtf1 alpha}\r\nbeta \x00E9\r\ngamma\r\n");
  Start({{"p.tav", original}});
  ASSERT_TRUE(SelectPageByName("p.tav"));
  TypeAtEnd("delta");
  ASSERT_TRUE(SaveCurrentPage());
  const std::string saved = ReadBytes(notebook / "p.tav");
  const std::string savedText = Text();
  std::wstring why;
  int rows = -1;
  boxes.Handle([&](HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_HISTORY_LIST);
    rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    why = harness::ListCell(list, 0, 2);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  ExecuteCommand(CMD_HISTORY);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(why, L"saved over");
  EXPECT_EQ(Text(), "{\\rtf1 alpha}\r\nbeta \xC3\xA9\r\ngamma\r\n");
  EXPECT_TRUE(EditorIsModified());
  std::vector<PageVersion> versions = Versions("p.tav");
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(versions[0].name.reason, REASON_BEFORE_RESTORE);
  EXPECT_EQ(Bytes("p.tav", versions[0]), saved);
  SendMessageA(Ui.editor, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(), savedText) << "one undo takes the whole restore back";
  SendMessageA(Ui.editor, EM_REDO, 0, 0);
  ASSERT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), original);
  EXPECT_EQ(boxes.unexpected(), 0);
}

// A page deleted with unsaved text comes back from Deleted Pages with that
// text, and never over a page made meanwhile under its name.
TEST_F(PageHistory, DeletedPagesPutsAPageBackNeverOverAnother) {
  ASSERT_TRUE(harness::MakeDirs(notebook / "N"));
  Start({{"N\\a.tav", "saved a"}, {"N\\b.tav", "b"}});
  ASSERT_TRUE(ShowPageAt((notebook / "N\\a.tav").c_str()) == PAGE_SHOWN);
  TypeAtEnd(" typed");
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEPAGE);
  ASSERT_FALSE(FileExists(notebook / "N\\a.tav"));
  std::vector<DeletedPage> deleted;
  ListDeletedPages(&deleted);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].relative, "N\\a.tav");
  ASSERT_TRUE(WriteBytes(notebook / "N\\a.tav", "a made meanwhile"));
  boxes.Handle([](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
  NameDialog("a2");
  ExecuteCommand(CMD_DELETEDPAGES);
  EXPECT_EQ(ReadBytes(notebook / "N\\a.tav"), "a made meanwhile");
  EXPECT_EQ(ReadBytes(notebook / "N\\a2.tav"), "saved a typed");
  char shown[PATH_BUFFER_SIZE];
  ASSERT_TRUE(ShownPagePath(shown));
  EXPECT_EQ(std::string(shown), notebook / "N\\a2.tav");
  // Its history is the restored page's again: the deleted text is among
  // its versions, and Deleted Pages lists it no more.
  EXPECT_FALSE(Versions("N\\a2.tav").empty());
  ListDeletedPages(&deleted);
  EXPECT_TRUE(deleted.empty());
  // A folder deleted: its pages are listed as deleted, and one comes back
  // with its folder made again.
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEFOLDER);
  ASSERT_FALSE(FileExists(notebook / "N"));
  // The folder's pages are read from the bin while TAV is idle.
  ListDeletedPages(&deleted);
  EXPECT_TRUE(deleted.empty());
  while (RunDeletedVersionsSlice()) {
  }
  ListDeletedPages(&deleted);
  ASSERT_EQ(deleted.size(), 3u);
  boxes.Handle([](HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_DELETED_LIST);
    for (int row = 0; row < 3; ++row)
      if (harness::ListCell(list, row, 0) == L"b") {
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
      }
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  ExecuteCommand(CMD_DELETEDPAGES);
  EXPECT_EQ(ReadBytes(notebook / "N\\b.tav"), "b");
  EXPECT_EQ(boxes.unexpected(), 0);
}

// The page shown deleted by another program: TAV had its text, which the
// page's history keeps as a deleted page's.
TEST_F(PageHistory, APageShownDeletedElsewhereIsADeletedPage) {
  Start({{"p.tav", "p text\r\n"}, {"q.tav", "q"}});
  ASSERT_TRUE(SelectPageByName("p.tav"));
  ASSERT_TRUE(DeleteFileA((notebook / "p.tav").c_str()));
  CheckNotebookOnActivation();
  ASSERT_TRUE(harness::FollowNotebookChanges([&] { return Text() == "q"; }));
  std::vector<DeletedPage> deleted;
  ListDeletedPages(&deleted);
  ASSERT_EQ(deleted.size(), 1u);
  std::string bytes;
  ASSERT_TRUE(ReadDeletedPageText(deleted[0], &bytes));
  EXPECT_EQ(bytes, "p text\r\n");
}

// A folder deleted and put back as it was (a delete undone): its pages'
// histories are theirs again.
TEST_F(PageHistory, PagesPutBackAtTheirPathsTakeTheirHistoryBack) {
  ASSERT_TRUE(harness::MakeDirs(notebook / "F"));
  Start({{"F\\a.tav", "a"}, {"F\\b.tav", "b"}, {"top.tav", "t"}});
  ASSERT_TRUE(SelectPageByName("top.tav"));
  ASSERT_TRUE(MoveFileA((notebook / "F").c_str(), (scratch / "F").c_str()));
  KeepDeletedVersionsLater((scratch / "F").c_str(), (notebook / "F").c_str(), true, 1);
  FollowItemDeleted(MOVE_FOLDER, (notebook / "F").c_str());
  KeepDeletedVersionsNow();
  std::vector<DeletedPage> deleted;
  ListDeletedPages(&deleted);
  ASSERT_EQ(deleted.size(), 2u);
  ASSERT_TRUE(MoveFileA((scratch / "F").c_str(), (notebook / "F").c_str()));
  ReviveDeletedVersions(true, (notebook / "F").c_str());
  ListDeletedPages(&deleted);
  EXPECT_TRUE(deleted.empty());
  ASSERT_EQ(Versions("F\\a.tav").size(), 1u);
  EXPECT_EQ(Bytes("F\\a.tav", Versions("F\\a.tav")[0]), "a");
}

// Thinning as the store does it at exit: a version past 90 days goes from
// disk, the page's newest stays however old.
TEST_F(PageHistory, ThinningRemovesOldVersionsFromDisk) {
  Start({{"p.tav", "p"}});
  const std::string page = notebook / "p.tav";
  ASSERT_TRUE(KeepTextAsVersion(page.c_str(), "now", REASON_SAVED_OVER));
  std::vector<PageVersion> versions = Versions("p.tav");
  ASSERT_EQ(versions.size(), 1u);
  const std::string entry = NotebookStore() + "\\" + Hex(HashPathIgnoringAsciiCase("p.tav"));
  const std::string old = "20200101-120000-000-saved-" + Hex(HashVersionBytes("old", 3)) + ".ver";
  ASSERT_TRUE(WriteBytes(entry + "\\" + old, "old"));
  ASSERT_EQ(Versions("p.tav").size(), 2u);
  ThinVersionStore();
  versions = Versions("p.tav");
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(Bytes("p.tav", versions[0]), "now");
  EXPECT_FALSE(FileExists(entry + "\\" + old));
}

// A page another program overwrote with bytes the editor cannot keep is
// shown read-only; Restore writes the text TAV had shown back to its file,
// keeping what the file held.
TEST_F(PageHistory, RestoreMendsAPageOverwrittenWithWhatCannotBeKept) {
  Start({{"p.tav", "good text\r\n"}});
  ASSERT_TRUE(SelectPageByName("p.tav"));
  const std::string bad("bad\0bytes", 9);
  Sleep(20);
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", bad));
  boxes.Answer(IDOK);  // the page is shown read-only, and said so
  CheckNotebookOnActivation();
  ASSERT_TRUE(harness::FollowNotebookChanges([&] { return CurrentPageIsProtected(); }));
  boxes.Handle([](HWND dialog) {
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_HISTORY);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "good text\r\n");
  EXPECT_FALSE(CurrentPageIsProtected());
  EXPECT_EQ(Text(), "good text\r\n");
  std::vector<PageVersion> versions = Versions("p.tav");
  ASSERT_FALSE(versions.empty());
  EXPECT_EQ(Bytes("p.tav", versions[0]), bad);
  EXPECT_EQ(boxes.unexpected(), 0);
}

// Whatever the store holds, nothing is acted on outside the notebook: an
// index naming a path out of it, or whose entry is not named for its page,
// or that is no index at all, is passed over, and so are files that are not
// versions.
TEST_F(PageHistory, DamagedAndHostileEntriesArePassedOver) {
  Start({{"p.tav", "p"}});
  const std::string store = NotebookStore();
  auto entry = [&](const std::string &relative, const std::string &index, bool deleted) {
    std::string name = Hex(HashPathIgnoringAsciiCase(relative.c_str()));
    if (deleted) name = "d-" + name + "-" + Hex(134097984000000000ull);
    std::string folder = store + "\\" + name;
    EXPECT_TRUE(harness::MakeDirs(folder));
    EXPECT_TRUE(WriteBytes(folder + "\\page.txt", index));
    EXPECT_TRUE(WriteBytes(folder + "\\20251210-120000-000-deleted-0000000000000001.ver", "x"));
    return folder;
  };
  const std::string deletedLine = "Deleted=134097984000000000\r\n";
  entry("..\\..\\x.tav", "TAV page history 1\r\nPage=..\\..\\x.tav\r\n" + deletedLine, true);
  entry("C:\\x.tav", "TAV page history 1\r\nPage=C:\\x.tav\r\n" + deletedLine, true);
  entry("a.tav", "TAV page history 1\r\nPage=b.tav\r\n" + deletedLine, true);
  entry("c.tav", std::string("\x00\xFF garbage", 10), true);
  entry("p.tav", "TAV page history 1\r\nPage=..\\p.tav\r\n", false);
  std::string good =
      entry("Gone\\g.tav", "TAV page history 1\r\nPage=Gone\\g.tav\r\n" + deletedLine, true);
  ASSERT_TRUE(WriteBytes(good + "\\evil.ver", "not a version"));
  ASSERT_TRUE(harness::MakeDirs(good + "\\20251211-120000-000-deleted-0000000000000002.ver"));
  std::vector<DeletedPage> deleted;
  ListDeletedPages(&deleted);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].relative, "Gone\\g.tav");
  EXPECT_EQ(deleted[0].newest.file, "20251210-120000-000-deleted-0000000000000001.ver");
  EXPECT_TRUE(Versions("p.tav").empty()) << "an index naming another page";
  // The page's save goes on as always, and its entry is its own again.
  ASSERT_TRUE(SelectPageByName("p.tav"));
  TypeAtEnd("!");
  ASSERT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "p!");
  EXPECT_FALSE(Versions("p.tav").empty());
  // Thinning removes none of what it cannot read.
  ThinVersionStore();
  EXPECT_TRUE(FileExists(good + "\\evil.ver"));
  EXPECT_FALSE(FileExists(scratch / "x.tav"));
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PageHistory, AStoreThatCannotBeWrittenIsSaidOnceAndSavingGoesOn) {
  ASSERT_TRUE(harness::MakeDirs(local + "\\TAV"));
  ASSERT_TRUE(WriteBytes(local + "\\TAV\\History", "a file in the store's place"));
  Start({{"p.tav", "p"}, {"q.tav", "q"}});
  boxes.Answer(IDOK);
  for (const char *page : {"p.tav", "q.tav"}) {
    ASSERT_TRUE(SelectPageByName(page));
    TypeAtEnd("!");
    ASSERT_TRUE(SaveCurrentPage());
  }
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "p!");
  EXPECT_EQ(ReadBytes(notebook / "q.tav"), "q!");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_NE(boxes.boxes()[0].text.find("cannot keep the earlier versions"), std::string::npos);
}

}  // namespace
