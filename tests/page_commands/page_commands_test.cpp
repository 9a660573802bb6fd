// Page commands and import/export in the running main window: the name
// dialog's modes and the names it refuses; page files created, renamed and
// deleted; text moved between a page and other files through file dialogs
// answered by the test.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "base/platform_seam.h"
#include "app/app.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

using harness::ListNames;
using harness::ReadBytes;
using Strings = std::vector<std::string>;

// What the program handed to a file dialog; the dialog answers with
// fileDialogAnswer, or is cancelled when that is empty.
struct FileDialogCall {
  OPENFILENAMEA params;
  std::string filter, initialDir, title, file;
};
std::vector<FileDialogCall> fileDialogCalls;
std::string fileDialogAnswer;

BOOL WINAPI AnswerFileDialog(OPENFILENAMEA *dialog) {
  const char *end = dialog->lpstrFilter;
  while (*end != '\0') end += strlen(end) + 1;
  auto text = [](const char *s) { return std::string(s != nullptr ? s : "(none)"); };
  fileDialogCalls.push_back({*dialog, std::string(dialog->lpstrFilter, end + 1),
                             text(dialog->lpstrInitialDir), text(dialog->lpstrTitle),
                             text(dialog->lpstrFile)});
  if (fileDialogAnswer.empty()) return FALSE;
  strcpy(dialog->lpstrFile, fileDialogAnswer.c_str());
  return TRUE;
}

class PageCommands : public harness::AppTest {
 protected:
  void SetUp() override {
    harness::AppTest::SetUp();
    fileDialogCalls.clear();
    fileDialogAnswer.clear();
    Platform.getOpenFileName = AnswerFileDialog;
    Platform.getSaveFileName = AnswerFileDialog;
  }
  void Pages(const Strings &namesAndTexts) {
    for (size_t i = 0; i + 1 < namesAndTexts.size(); i += 2)
      ASSERT_TRUE(harness::WriteBytes(notebook / namesAndTexts[i], namesAndTexts[i + 1]));
    ASSERT_TRUE(RefreshTree());
    harness::PumpMessages();
  }
  // The tab strip's page names, the selected one in brackets.
  Strings Tabs() {
    Strings names;
    for (int i = 0; i < TabCtrl_GetItemCount(Ui.tabs); ++i) {
      char name[PATH_BUFFER_SIZE] = "";
      EXPECT_TRUE(GetPageName(i, name));
      names.push_back(i == TabCtrl_GetCurSel(Ui.tabs) ? "[" + std::string(name) + "]" : name);
    }
    return names;
  }
  std::string Text() { return harness::WindowText(Ui.editor); }
  // Text typed at the selection.
  void Type(LONG first, LONG last, const std::string &text) {
    CHARRANGE range = {first, last};
    SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (!text.empty())
      SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // The next name dialog: its prompt and field are noted, then the name typed
  // and OK pressed (Cancel for an empty name). A name given first is tried
  // before, and must leave the dialog open.
  void NameDialog(const std::string &typed, const char *first = nullptr) {
    boxes.Handle([this, typed, first](HWND dialog) {
      char text[PATH_BUFFER_SIZE] = "";
      GetDlgItemTextA(dialog, IDC_NAME_PROMPT, text, sizeof text);
      prompt = text;
      GetDlgItemTextA(dialog, IDC_NAME_EDIT, text, sizeof text);
      offered = text;
      if (first != nullptr) {
        SetDlgItemTextA(dialog, IDC_NAME_EDIT, first);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      }
      SetDlgItemTextA(dialog, IDC_NAME_EDIT, typed.c_str());
      PostMessageA(dialog, WM_COMMAND, typed.empty() ? IDCANCEL : IDOK, 0);
    });
  }
  // The boxes shown since the last call, as "caption: text".
  Strings Boxes() {
    Strings seen;
    for (const harness::Box &box : boxes.boxes()) seen.push_back(box.caption + ": " + box.text);
    boxes.Clear();
    return seen;
  }
  std::string prompt, offered;
};

TEST_F(PageCommands, NameDialogModes) {
  const struct {
    const char *initial;
    bool subfolder;
    const char *caption, *prompt;
    std::string typed, result;
  } cases[] = {
      {"", false, "New Page: ", "Enter the page name:", "Plan", "Plan.tav"},
      {"", false, "New Page: ", "Enter the page name:", "Plan.TAV", "Plan.TAV"},
      {"", false, "New Page: ", "Enter the page name:", "Week.2", "Week.2.tav"},
      {"", false, "New Page: ", "Enter the page name:", std::string(255, 'p'),
       std::string(255, 'p') + ".tav"},
      {"Old", false, "Rename Page: ", "Enter the page name:", "New", "New.tav"},
      {"", true, "Add Subfolder: ", "Enter the subfolder name:", "Sub.x", "Sub.x"},
  };
  char out[PATH_BUFFER_SIZE];
  for (const auto &c : cases) {
    SCOPED_TRACE(c.typed);
    NameDialog(c.typed);
    EXPECT_TRUE(AskItemName(out, c.initial, c.subfolder));
    EXPECT_EQ(out, c.result);
    EXPECT_EQ(Boxes(), Strings{c.caption});
    EXPECT_EQ(prompt, c.prompt);
    EXPECT_EQ(offered, c.initial);
  }
  // OK on an empty field keeps the dialog open without a word; Cancel.
  NameDialog("Fixed", "");
  EXPECT_TRUE(AskItemName(out, "", false));
  EXPECT_EQ(out, std::string("Fixed.tav"));
  NameDialog("");
  EXPECT_FALSE(AskItemName(out, "Old", false));
  EXPECT_EQ(Boxes(), (Strings{"New Page: ", "Rename Page: "}));
}

// A name that would put a page file outside its folder, or that doesn't fit
// a file name whole, is refused; the dialog stays open for a correction.
TEST_F(PageCommands, NameDialogRefusesNamesItCannotUseWhole) {
  const char *separators = "Error: A page name can't contain '\\', '/' or ':'.";
  const struct {
    bool subfolder;
    std::string typed, refusal;
  } cases[] = {
      {false, "..\\up", separators},
      {false, "a/b", separators},
      {false, "c:d", separators},
      {false, std::string(256, 'n'),
       "Error: The page name is too long: with its extension '.tav' at most 259 characters fit."},
      {true, std::string(260, 'f'), "Error: The name is too long: at most 259 characters fit."},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.typed);
    NameDialog("ok", c.typed.c_str());
    boxes.Answer(IDOK);
    char out[PATH_BUFFER_SIZE];
    EXPECT_TRUE(AskItemName(out, "", c.subfolder));
    EXPECT_EQ(out, std::string(c.subfolder ? "ok" : "ok.tav"));
    EXPECT_EQ(Boxes(), (Strings{c.subfolder ? "Add Subfolder: " : "New Page: ", c.refusal}));
  }
}

TEST_F(PageCommands, NewPageCreatesOnlyWhatIsMissing) {
  NameDialog("First");
  ExecuteCommand(CMD_NEWPAGE);
  EXPECT_EQ(ListNames(notebook.path()), Strings{"First.tav"});
  EXPECT_EQ(ReadBytes(notebook / "First.tav"), "");
  EXPECT_EQ(Tabs(), Strings{"[First]"});
  EXPECT_TRUE(HasPages);
  EXPECT_FALSE(GetWindowLongA(Ui.editor, GWL_STYLE) & ES_READONLY);

  // An existing page in another letter case is shown as it is, once the
  // page left has been saved.
  Pages({"Plan.tav", "kept"});
  ASSERT_TRUE(SelectPageByName("First.tav"));
  Type(0, 0, "typed");
  NameDialog("PLAN");
  NewPage();
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"First.tav", "Plan.tav"}));
  EXPECT_EQ(ReadBytes(notebook / "Plan.tav"), "kept");
  EXPECT_EQ(ReadBytes(notebook / "First.tav"), "typed");
  EXPECT_EQ(Tabs(), (Strings{"First", "[Plan]"}));
  EXPECT_EQ(Text(), "kept");

  NameDialog("Notes.TAV");
  NewPage();
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"First.tav", "Notes.TAV", "Plan.tav"}));
  EXPECT_EQ(Tabs(), (Strings{"First", "[Notes]", "Plan"}));
  EXPECT_EQ(Boxes(), (Strings{"New Page: ", "New Page: ", "New Page: "}));
}

TEST_F(PageCommands, RenameOntoAnotherPageFailsAndChangesNothing) {
  Pages({"a.tav", "A", "b.tav", "B"});
  ASSERT_TRUE(SelectPageByName("a.tav"));
  Type(0, 0, "typed ");
  NameDialog("B");
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_RENAMEPAGE);
  EXPECT_EQ(Boxes(), (Strings{"Rename Page: ", "Error: Error renaming file 'a.tav' to 'B.tav'"}));
  EXPECT_EQ(offered, "a");
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "typed A");  // saved before the attempt
  EXPECT_EQ(ReadBytes(notebook / "b.tav"), "B");
  EXPECT_EQ(Tabs(), (Strings{"[a]", "b"}));
}

TEST_F(PageCommands, RenameSavesFirstAndMayChangeOnlyTheLetterCase) {
  Pages({"plan.tav", "old", "x.tav", "X"});
  ASSERT_TRUE(SelectPageByName("plan.tav"));
  Type(3, 3, " new");
  NameDialog("Plan");
  RenamePage();
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"Plan.tav", "x.tav"}));
  EXPECT_EQ(ReadBytes(notebook / "Plan.tav"), "old new");
  EXPECT_EQ(Tabs(), (Strings{"[Plan]", "x"}));
  EXPECT_EQ(Text(), "old new");
  EXPECT_FALSE(EditorIsModified());

  NameDialog("Renamed");
  RenamePage();
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"Renamed.tav", "x.tav"}));
  EXPECT_EQ(Tabs(), (Strings{"[Renamed]", "x"}));
  EXPECT_EQ(Boxes(), (Strings{"Rename Page: ", "Rename Page: "}));
}

TEST_F(PageCommands, RenameStopsWhenTheUnsavedTextCannotBeSaved) {
  Pages({"plan.tav", "old", "x.tav", "X"});
  ASSERT_TRUE(SelectPageByName("plan.tav"));
  Type(3, 3, " new");
  ASSERT_TRUE(SetFileAttributesA((notebook / "plan.tav").c_str(), FILE_ATTRIBUTE_READONLY));
  NameDialog("Renamed");
  boxes.Answer(IDOK);
  RenamePage();
  SetFileAttributesA((notebook / "plan.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
  Strings seen = Boxes();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].rfind("Error: Error saving to file 'plan.tav':\n", 0), 0u) << seen[1];
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"plan.tav", "x.tav"}));
  EXPECT_EQ(ReadBytes(notebook / "plan.tav"), "old");
  EXPECT_EQ(Text(), "old new");
  EXPECT_TRUE(EditorIsModified());
}

TEST_F(PageCommands, DeleteAsksAndDropsTheUnsavedText) {
  Pages({"a.tav", "A", "b.tav", "B"});
  ASSERT_TRUE(SelectPageByName("a.tav"));
  Type(0, 0, "typed ");
  boxes.Answer(IDNO);
  ExecuteCommand(CMD_DELETEPAGE);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "A");
  EXPECT_EQ(Text(), "typed A");
  EXPECT_TRUE(EditorIsModified());

  boxes.Answer(IDYES);
  DeletePage();
  EXPECT_EQ(Boxes(), Strings(2, "Confirm page delete: Delete page 'a'?"));
  EXPECT_EQ(ListNames(notebook.path()), Strings{"b.tav"});
  EXPECT_EQ(Tabs(), Strings{"[b]"});
  EXPECT_EQ(Text(), "B");
}

TEST_F(PageCommands, ImportInsertsTheWholeFileAtTheCaret) {
  Pages({"p.tav", "start|end"});
  // Two blocks' worth, with the line break across the boundary between them.
  std::string imported = std::string(258, 'a') + "\r\n" + std::string(258, 'b');
  ASSERT_TRUE(harness::WriteBytes(scratch / "in.txt", imported));
  ASSERT_TRUE(harness::WriteBytes(scratch / "empty.txt", ""));
  CHARRANGE selection = {-1, -1};

  fileDialogAnswer = scratch / "empty.txt";
  Type(5, 6, "");
  ImportTextFile();
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  EXPECT_EQ(selection.cpMax, 6);
  EXPECT_FALSE(EditorIsModified());

  fileDialogAnswer = scratch / "in.txt";
  ExecuteCommand(CMD_IMPORT);
  EXPECT_EQ(Text(), "start" + imported + "end");
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  EXPECT_EQ(selection.cpMin, 5 + 517);  // a line break is one position
  EXPECT_EQ(selection.cpMax, 5 + 517);
  EXPECT_TRUE(EditorIsModified());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PageCommands, ImportTellsOfNulBytesAndSparesAPageThatIsNeverSaved) {
  Pages({"p.tav", ""});
  // Not "nul.txt": that names the null device.
  ASSERT_TRUE(harness::WriteBytes(scratch / "zero.txt", std::string("a\0b", 3)));
  fileDialogAnswer = scratch / "zero.txt";
  boxes.Answer(IDOK);
  ImportTextFile();
  EXPECT_EQ(Text(), "a b");
  EXPECT_EQ(Boxes(), Strings{"TAV: The file '" + fileDialogAnswer +
                             "' contains NUL bytes, which the editor cannot hold.\n"
                             "Each was imported as a space."});

  // A page shown read-only for its NUL bytes takes nothing.
  EditorSetModified(false);
  ASSERT_TRUE(harness::WriteBytes(notebook / "p.tav", std::string("x\0y", 3)));
  boxes.Answer(IDOK);
  RebuildPageTabs();
  ASSERT_TRUE(CurrentPageIsProtected());
  boxes.Clear();
  boxes.Answer(IDOK);
  ImportTextFile();
  EXPECT_EQ(Boxes(), Strings{"TAV: The page 'p' is shown read-only and is never saved: "
                             "nothing can be imported into it."});
  EXPECT_EQ(Text(), "x y");
  EXPECT_EQ(fileDialogCalls.size(), 1u);
}

// An imported file is read by the rules of a page: its encoding from its
// bytes. Legacy bytes are taken byte for byte, and written so again.
TEST_F(PageCommands, ImportReadsAFileInItsOwnEncoding) {
  Pages({"p.tav", "caf\xE9 "});
  const struct {
    const char *what;
    std::string bytes;
  } files[] = {
      {"UTF-16", std::string("\xFF\xFE\xA9\x03\0\xD8\xDA\xDC", 8)},  // omega, a surrogate pair
      {"UTF-8", "\xE6\x97\xA5"},
      {"1252", "\xE9t\xE9"},
  };
  std::string all;
  for (const auto &file : files) {
    ASSERT_TRUE(harness::WriteBytes(scratch / "in.txt", file.bytes));
    fileDialogAnswer = scratch / "in.txt";
    Type(-1, -1, "");
    ImportTextFile();
  }
  EXPECT_EQ(Text(), "caf\xC3\xA9 \xCE\xA9\xF0\x90\x83\x9A\xE6\x97\xA5\xC3\xA9t\xC3\xA9");
  boxes.Answer(IDOK);  // the page now holds what code page 1252 cannot
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"),
            "\xEF\xBB\xBF" "caf\xC3\xA9 \xCE\xA9\xF0\x90\x83\x9A\xE6\x97\xA5\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(Boxes().size(), 1u);
}

// Export writes the selection in the page's encoding; a selection that
// encoding cannot hold goes out in UTF-8 with a mark, and the user is told.
TEST_F(PageCommands, ExportWritesThePagesEncoding) {
  Pages({"p.tav", "caf\xE9\r\nline"});
  fileDialogAnswer = scratch / "out.txt";
  Type(0, -1, "");
  ExportSelection();
  EXPECT_EQ(ReadBytes(scratch / "out.txt"), "caf\xE9\r\nline");
  Type(-1, -1, " \xCE\xA9");
  Type(0, -1, "");
  boxes.Answer(IDOK);
  ExportSelection();
  EXPECT_EQ(ReadBytes(scratch / "out.txt"), "\xEF\xBB\xBF" "caf\xC3\xA9\r\nline \xCE\xA9");
  EXPECT_EQ(Boxes(), Strings{"TAV: The selection holds characters that code page 1252 cannot "
                             "hold, so '" + fileDialogAnswer +
                             "' was written as UTF-8 with a byte-order mark."});
  EditorSetModified(false);
  Pages({"p.tav", std::string("\xFF\xFEh\0i\0", 6)});
  Type(0, -1, "");
  ExportSelection();
  EXPECT_EQ(ReadBytes(scratch / "out.txt"), std::string("\xFF\xFEh\0i\0", 6));
}

TEST_F(PageCommands, ExportWritesTheWholeSelectionWithCrLf) {
  Pages({"p.tav", "one\r\ntwo\r\nthree"});
  fileDialogAnswer = scratch / "out";
  Type(2, 2, "");
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_EXPORT);
  EXPECT_EQ(Boxes(), Strings{"TAV: No selected text"});
  EXPECT_TRUE(fileDialogCalls.empty());

  Type(1, 12, "");  // "ne", a break, "two", a break, "thre"
  ExportSelection();
  EXPECT_EQ(ReadBytes(scratch / "out"), "ne\r\ntwo\r\nthre");
  EXPECT_FALSE(EditorIsModified());

  // A file that can't be replaced is reported, and stays as it was.
  ASSERT_TRUE(SetFileAttributesA((scratch / "out").c_str(), FILE_ATTRIBUTE_READONLY));
  Type(0, 13, "");
  boxes.Answer(IDOK);
  ExportSelection();
  Strings seen = Boxes();
  std::string start = "Error: Error exporting to file '" + fileDialogAnswer + "':\n";
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].substr(0, start.size()), start);
  EXPECT_EQ(ReadBytes(scratch / "out"), "ne\r\ntwo\r\nthre");
  SetFileAttributesA((scratch / "out").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Both dialogs open in the work folder, also while a subfolder's page is
// shown; cancelling them changes nothing.
TEST_F(PageCommands, FileDialogsOpenInTheWorkFolder) {
  ASSERT_TRUE(harness::MakeDirs(notebook / "sub"));
  Pages({"sub\\p.tav", "text"});
  TreeView_SelectItem(Ui.tree, TreeView_GetChild(Ui.tree, TreeView_GetRoot(Ui.tree)));
  harness::PumpMessages();
  ASSERT_EQ(Text(), "text");
  Type(0, -1, "");
  ImportTextFile();
  ExportSelection();
  ASSERT_EQ(fileDialogCalls.size(), 2u);
  const DWORD flags[] = {OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                         OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                             OFN_HIDEREADONLY};
  const char *titles[] = {"Select The Import File", "Select The Export File"};
  for (int i = 0; i < 2; ++i) {
    const FileDialogCall &call = fileDialogCalls[i];
    SCOPED_TRACE(titles[i]);
    EXPECT_EQ(call.title, titles[i]);
    EXPECT_EQ(call.params.Flags, flags[i]);
    EXPECT_EQ(call.initialDir, notebook.path());
    EXPECT_EQ(call.filter, std::string("Text Files (*.txt)\0*.txt\0TAV Files (*.tav)\0*.tav\0"
                                       "All Files (*.*)\0*.*\0\0", 70));
    EXPECT_EQ(call.file, "");
    EXPECT_EQ(call.params.nMaxFile, static_cast<DWORD>(PATH_BUFFER_SIZE));
    EXPECT_EQ(call.params.lStructSize, sizeof(OPENFILENAMEA));
    EXPECT_EQ(call.params.hwndOwner, MainWindow);
    EXPECT_EQ(call.params.nFilterIndex, 0u);
    EXPECT_EQ(call.params.lpstrDefExt, nullptr);
  }
  EXPECT_EQ(Text(), "text");
  EXPECT_FALSE(EditorIsModified());
}

// Common dialogs and the shell, cancelled, that leave the process in another
// folder, as the file dialogs do with the folder they were left in.
std::string wanderedTo;
void Wander() { SetCurrentDirectoryA(wanderedTo.c_str()); }
BOOL WINAPI WanderingFileDialog(OPENFILENAMEA *) { return Wander(), FALSE; }
BOOL WINAPI WanderingFontDialog(CHOOSEFONTA *) { return Wander(), FALSE; }
PIDLIST_ABSOLUTE WINAPI WanderingBrowser(BROWSEINFOA *) { return Wander(), nullptr; }
HINSTANCE WINAPI WanderingShell(HWND, const char *, const char *, const char *, const char *, int) {
  return Wander(), reinterpret_cast<HINSTANCE>(33);
}

// Whatever a dialog or the shell does to the current directory, the folder
// whose pages are shown stays the selected one: a page made afterwards is
// listed with its neighbours.
TEST_F(PageCommands, DialogsAndTheShellLeaveTheFolderShownAlone) {
  ASSERT_TRUE(harness::MakeDirs(notebook / "sub"));
  Pages({"sub\\p.tav", "text", "root.tav", "root"});
  TreeView_SelectItem(Ui.tree, TreeView_GetChild(Ui.tree, TreeView_GetRoot(Ui.tree)));
  harness::PumpMessages();
  ASSERT_EQ(Tabs(), Strings{"[p]"});
  wanderedTo = scratch.path();
  Platform.getOpenFileName = Platform.getSaveFileName = WanderingFileDialog;
  Platform.chooseFont = WanderingFontDialog;
  Platform.browseForFolder = WanderingBrowser;
  Platform.shellExecute = WanderingShell;
  Type(0, -1, "");
  for (int command : {CMD_IMPORT, CMD_EXPORT, CMD_FONT, CMD_WORKDIR, CMD_OPENFOLDER}) {
    ExecuteCommand(command);
    EXPECT_EQ(harness::CurrentDirectory(), notebook / "sub") << "command " << command;
  }
  NameDialog("Fresh");
  ExecuteCommand(CMD_NEWPAGE);
  EXPECT_TRUE(harness::FileExists(notebook / "sub\\Fresh.tav"));
  EXPECT_EQ(Tabs(), (Strings{"[Fresh]", "p"}));
}

// Windows' 1.0 rich edit (RICHED32, used when RICHED20 cannot be loaded)
// knows no EM_GETTEXTEX and answers 0. Wine's knows it, so the editor here
// refuses it as Windows' does; it can refuse to stream the text out as well.
WNDPROC olderEditorProc;
bool refuseSelectedText;
LRESULT CALLBACK OlderRichEdit(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EM_GETTEXTEX || (message == EM_STREAMOUT && refuseSelectedText)) return 0;
  return CallWindowProcA(olderEditorProc, window, message, wParam, lParam);
}

// The Find dialog keeps working while the save dialog is open: a selection
// grown meanwhile is exported whole, measured when the dialog has closed.
BOOL WINAPI GrowSelectionWhileSaving(OPENFILENAMEA *dialog) {
  SendMessageA(Ui.editor, EM_SETSEL, 0, 40);
  strcpy(dialog->lpstrFile, fileDialogAnswer.c_str());
  return TRUE;
}

TEST_F(PageCommands, ExportTakesTheSelectionAsItIsWhenTheDialogCloses) {
  const std::string text(200000, 'x');
  Pages({"p.tav", text});
  fileDialogAnswer = scratch / "out";
  Platform.getSaveFileName = GrowSelectionWhileSaving;
  refuseSelectedText = false;
  for (bool older : {false, true}) {
    SCOPED_TRACE(older ? "without EM_GETTEXTEX" : "with EM_GETTEXTEX");
    if (older) {
      olderEditorProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(Ui.editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OlderRichEdit)));
      HasRichEdit20 = false;
    }
    Type(0, 1, "");
    ExportSelection();
    EXPECT_EQ(ReadBytes(scratch / "out"), text.substr(0, 40));
    EXPECT_EQ(Boxes(), Strings{});
  }
  HasRichEdit20 = true;
  SetWindowLongPtrA(Ui.editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(olderEditorProc));
}

class OlderRichEditCommands : public PageCommands {
 protected:
  bool StartsInSetUp() const override { return false; }
  void SetUp() override {
    ASSERT_NE(LoadLibraryA("RICHED32.DLL"), nullptr);
    HasRichEdit20 = false;
    PageCommands::SetUp();
    StartApp();
  }
  void TearDown() override {
    PageCommands::TearDown();
    HasRichEdit20 = true;
  }
};

TEST_F(OlderRichEditCommands, ExportWritesTheSelectionAndSaysWhyItCannot) {
  Pages({"p.tav", "one\r\ntwo\r\nthree"});
  char editorClass[32] = "";
  GetClassNameA(Ui.editor, editorClass, sizeof editorClass);
  ASSERT_STRCASEEQ(editorClass, "RICHEDIT");
  refuseSelectedText = false;
  olderEditorProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(Ui.editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OlderRichEdit)));
  fileDialogAnswer = scratch / "out";
  Type(0, -1, "");
  ExportSelection();
  EXPECT_EQ(ReadBytes(scratch / "out"), "one\r\ntwo\r\nthree");
  EXPECT_EQ(Boxes(), Strings{});

  // An editor that yields nothing: said as it is, and no file is touched.
  refuseSelectedText = true;
  boxes.Answer(IDOK);
  ExportSelection();
  EXPECT_EQ(Boxes(), Strings{"Error: The selected text could not be read from the editor; "
                             "nothing was written to '" + fileDialogAnswer + "'."});
  EXPECT_EQ(ReadBytes(scratch / "out"), "one\r\ntwo\r\nthree");
}

// The 1.0 control holds only what the process code page can: a page with a
// character beyond it (here a lone surrogate, which UTF-8 cannot hold) is
// shown read-only and never saved with a stand-in; an import of it stops
// there and says so.
TEST_F(OlderRichEditCommands, ACharacterTheEditorCannotHoldIsNeverSavedAsAnother) {
  const std::string page("\xFF\xFE" "a\0\x00\xD8" "b\0", 8);
  boxes.Answer(IDOK);
  Pages({"p.tav", page});
  EXPECT_EQ(Boxes(), Strings{"TAV: The page 'p.tav' holds characters that this system's editor "
                             "cannot show.\nOnly part of it is shown, read-only, and it will not "
                             "be saved."});
  Type(-1, -1, "x");
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), page);

  boxes.Answer(IDOK);
  Pages({"q.tav", "q"});
  ASSERT_TRUE(SelectPageByName("q.tav"));
  Boxes();
  fileDialogAnswer = notebook / "p.tav";
  boxes.Answer(IDOK);
  Type(-1, -1, "");
  ImportTextFile();
  EXPECT_EQ(Boxes(), Strings{"TAV: Only part of '" + fileDialogAnswer +
                             "' was imported: it holds characters that this system's editor "
                             "cannot show."});
}

}  // namespace
