// Recovery copies of unsaved text: the copy's file, when one is kept and
// when it goes, and the text offered back at the next start, with nothing
// lost whatever the answer.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

using harness::FileExists;
using harness::ReadBytes;
using harness::WriteBytes;

TEST(RecoveryCopyFile, HoldsThePageItsEncodingItsFileAndEveryCharacter) {
  RecoveryCopy copy;
  copy.pagePath = "C:\\Notes\\\xCE\xA9mega\\Plan.tav";
  copy.encoding = PageEncoding{TEXT_CODE_PAGE, 1252, false, BREAKS_LF};
  copy.madeAgainst = PageFileState{true, true, 1, 0x80000001u, {0x12345678u, 0x01D9ABCDu}};
  copy.text = std::wstring(L"line\r\nnext \U0001F600 \xD800 end\0after", 30);
  RecoveryCopy back;
  ASSERT_TRUE(ParseRecoveryCopy(FormatRecoveryCopy(copy), &back));
  EXPECT_EQ(back.pagePath, copy.pagePath);
  EXPECT_EQ(EncodingName(back.encoding), "code page 1252");
  EXPECT_EQ(back.encoding.breaks, BREAKS_LF);
  EXPECT_TRUE(back.madeAgainst.known && back.madeAgainst.existed);
  EXPECT_EQ(back.madeAgainst.sizeHigh, 1u);
  EXPECT_EQ(back.madeAgainst.sizeLow, 0x80000001u);
  EXPECT_EQ(CompareFileTime(&back.madeAgainst.lastWrite, &copy.madeAgainst.lastWrite), 0);
  EXPECT_TRUE(back.text == copy.text);
  EXPECT_FALSE(ParseRecoveryCopy("TAV recovery copy 1\r\nPage=x\r\n", &back)) << "cut short";
  // A path that is not UTF-8, as no path of this process is, is written as
  // its bytes, never as another path, and read back as none.
  copy.pagePath = "C:\\Notes\\caf\xE9.tav";
  ASSERT_TRUE(ParseRecoveryCopy(FormatRecoveryCopy(copy), &back));
  EXPECT_EQ(back.pageAsNamed, copy.pagePath);
  EXPECT_EQ(back.pagePath, "");
  EXPECT_EQ(RecoveryCopyName("C:\\Notes\\Plan.tav"), RecoveryCopyName("c:\\notes\\PLAN.tav"));
  EXPECT_NE(RecoveryCopyName("C:\\Notes\\Plan.tav"), RecoveryCopyName("C:\\Notes\\Plans.tav"));
  // Copies take at most a thirtieth of the time.
  EXPECT_EQ(NextRecoveryInterval(10), static_cast<DWORD>(RECOVERY_INTERVAL_MS));
  EXPECT_EQ(NextRecoveryInterval(400), 12000u);
}

// The user's local application data, a folder of the test's own.
std::string localData;

class Recovery : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
  void SetUp() override {
    harness::AppTest::SetUp();
    localData = scratch / "Local";
    ASSERT_TRUE(harness::MakeDirs(localData));
    harness::UseLocalDataOnly(localData);
    ASSERT_TRUE(WriteBytes(notebook / "p.tav", "saved text"));
    ASSERT_TRUE(WriteBytes(notebook / "q.tav", "other page"));
  }
  std::string CopyOf(const std::string &page) {
    return localData + "\\TAV\\Recovery\\" + RecoveryCopyName(page.c_str());
  }
  void ShowP() {
    ASSERT_TRUE(SelectPageByName("p.tav"));
  }
  void TypeAtEnd(const char *text) {
    SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
    SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  std::wstring Text() {
    std::wstring text(4096, L'\0');
    GETTEXTEX request = {static_cast<DWORD>(text.size() * 2), GT_USECRLF, 1200, nullptr, nullptr};
    text.resize(SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                             reinterpret_cast<LPARAM>(&text[0])));
    return text;
  }
  // A copy left by a run that ended without saving p, made against the file
  // as it is now.
  void LeaveCopyOfP(const std::wstring &text) {
    RecoveryCopy copy;
    copy.pagePath = notebook / "p.tav";
    copy.encoding = PageEncoding{TEXT_UTF8, 0, false, BREAKS_CRLF};
    WIN32_FILE_ATTRIBUTE_DATA file;
    ASSERT_TRUE(GetFileAttributesExA(copy.pagePath.c_str(), GetFileExInfoStandard, &file));
    copy.madeAgainst =
        PageFileState{true, true, file.nFileSizeHigh, file.nFileSizeLow, file.ftLastWriteTime};
    copy.text = text;
    ASSERT_TRUE(harness::MakeDirs(localData + "\\TAV\\Recovery"));
    ASSERT_TRUE(WriteBytes(CopyOf(copy.pagePath), FormatRecoveryCopy(copy)));
  }
  // The next start, the question answered: the text is then kept beside the
  // page, and the user told where.
  void StartAndKeepTheTextBesideP(int answer) {
    boxes.Answer(answer);
    boxes.Answer(IDOK);
    StartApp();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, "The text typed in 'p.tav' after its last save is kept in '" +
                                         notebook / "p (recovered).txt" + "'.");
  }
  // The page A\r.tav shown, with a copy of text typed into it, and its
  // folder renamed in the tree while the page cannot be saved (the rename
  // goes ahead all the same).
  void RenameFolderOfUnsavablePage(const char *newName) {
    ASSERT_TRUE(harness::MakeDirs(notebook / "A"));
    ASSERT_TRUE(WriteBytes(notebook / "A\\r.tav", "saved"));
    StartApp();
    ASSERT_TRUE(SelectFolderOfPage((notebook / "A\\r.tav").c_str()));
    ASSERT_TRUE(SetFileAttributesA((notebook / "A\\r.tav").c_str(), FILE_ATTRIBUTE_READONLY));
    TypeAtEnd(" and typed");
    ASSERT_TRUE(WriteRecoveryCopy(false));
    boxes.Answer(IDOK);  // the page cannot be saved before the rename
    HWND edit = TreeView_EditLabel(Ui.tree, TreeView_GetSelection(Ui.tree));
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, newName);
    TreeView_EndEditLabelNow(Ui.tree, FALSE);
  }
  std::string Question() {
    return "TAV ended without saving 'p.tav'. Restore the text typed after its last save?";
  }
};

// A copy is due a few seconds after the text changed, holds the page as the
// editor has it, and goes when the page is saved.
TEST_F(Recovery, ACopyIsKeptOfUnsavedTextAndGoesWhenThePageIsSaved) {
  StartApp();
  ShowP();
  EXPECT_EQ(RecoveryCopyDueIn(), INFINITE) << "nothing unsaved";
  TypeAtEnd(" and typed \xE6\x97\xA5");
  DWORD due = RecoveryCopyDueIn();
  EXPECT_GT(due, 0u);
  EXPECT_LE(due, static_cast<DWORD>(RECOVERY_INTERVAL_MS));
  ASSERT_TRUE(WriteRecoveryCopy());
  RecoveryCopy copy;
  ASSERT_TRUE(ParseRecoveryCopy(ReadBytes(CopyOf(notebook / "p.tav")), &copy));
  EXPECT_EQ(copy.pagePath, notebook / "p.tav");
  EXPECT_TRUE(copy.text == L"saved text and typed \u65e5") << "the text as the editor has it";
  EXPECT_TRUE(copy.madeAgainst.known && copy.madeAgainst.existed);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "saved text") << "the page itself is not written";
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_FALSE(FileExists(CopyOf(notebook / "p.tav")));
}

// Changes given up take their copy along (the page deleted, the program left
// cleanly); a page that could not be saved keeps it, with the text typed up
// to the exit, for the next start.
TEST_F(Recovery, ACopyGoesWithChangesGivenUpAndStaysWhenExitCannotSave) {
  StartApp();
  ShowP();
  TypeAtEnd(" typed");
  // Written whatever input waits: a box just closed may leave some behind,
  // and an idle copy gives way to it.
  ASSERT_TRUE(WriteRecoveryCopy(false));
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEPAGE);
  EXPECT_FALSE(FileExists(CopyOf(notebook / "p.tav")));

  ASSERT_TRUE(SelectPageByName("q.tav"));
  TypeAtEnd(" typed");
  ASSERT_TRUE(WriteRecoveryCopy(false));
  TypeAtEnd(" and more");
  SetFileAttributesA((notebook / "q.tav").c_str(), FILE_ATTRIBUTE_READONLY);
  boxes.Answer(IDOK);   // it cannot be saved
  boxes.Answer(IDYES);  // exit anyway
  CloseApp();
  SetFileAttributesA((notebook / "q.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(MainWindow, nullptr);
  ASSERT_EQ(boxes.boxes().size(), 3u);
  EXPECT_EQ(boxes.boxes()[2].text,
            "The current page couldn't be saved\nExit anyway?\n\nThe text typed since its last "
            "save is kept, and TAV offers it back at its next start.");
  RecoveryCopy copy;
  ASSERT_TRUE(ParseRecoveryCopy(ReadBytes(CopyOf(notebook / "q.tav")), &copy));
  EXPECT_TRUE(copy.text == L"other page typed and more");
  EXPECT_EQ(ReadBytes(notebook / "q.tav"), "other page");
}

// Yes: the page is shown, its folder selected, with the copy's text as
// unsaved changes; saving it writes the text and takes the copy away.
TEST_F(Recovery, YesAtTheNextStartShowsTheTextAsUnsavedChanges) {
  WriteSettings("[Settings]\r\nWorkDir=" + notebook.path() + "\r\nSavedPath=" +
                notebook / "q.tav" + "\r\n");
  LeaveCopyOfP(L"saved text and what was typed \U0001F600");
  boxes.Answer(IDYES);
  StartApp();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, Question());
  boxes.Clear();
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), TreeView_GetRoot(Ui.tree));
  char page[PATH_BUFFER_SIZE];
  ASSERT_TRUE(GetPageName(TabCtrl_GetCurSel(Ui.tabs), page));
  EXPECT_STREQ(page, "p");
  EXPECT_TRUE(Text() == L"saved text and what was typed \U0001F600");
  EXPECT_TRUE(EditorIsModified());
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "saved text and what was typed \xF0\x9F\x98\x80");
  EXPECT_FALSE(FileExists(CopyOf(notebook / "p.tav")));
  EXPECT_TRUE(boxes.boxes().empty());
}

// No: the text is kept beside the page, which stays as it was.
TEST_F(Recovery, NoKeepsTheTextBesideThePage) {
  LeaveCopyOfP(L"saved text and more");
  StartAndKeepTheTextBesideP(IDNO);
  EXPECT_EQ(ReadBytes(notebook / "p (recovered).txt"), "saved text and more");
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "saved text");
  EXPECT_FALSE(FileExists(CopyOf(notebook / "p.tav")));
  EXPECT_FALSE(EditorIsModified());
}

// A page another program changed after the copy was made keeps both texts,
// by the rule for a page changed on disk.
TEST_F(Recovery, APageChangedSinceTheCopyKeepsBothTexts) {
  LeaveCopyOfP(L"saved text and typed");
  Sleep(20);
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", "changed by another program"));
  boxes.Answer(IDYES);
  StartApp();
  boxes.Clear();
  EXPECT_TRUE(Text() == L"saved text and typed");
  boxes.Answer(IDYES);  // replace it with the restored text
  ExecuteCommand(CMD_SAVENOW);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Confirm page overwrite");
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "saved text and typed");
  EXPECT_EQ(ReadBytes(notebook / "p (other version).txt"), "changed by another program");
}

// A copy is input: only a copy of a page of the notebook shown is offered
// back or written beside its page. Any other (a page of another work
// folder, or whatever a damaged or hostile copy names, in UTF-8 or not) is
// kept as text in the recovery folder, the user told where it said it was,
// every byte of no character shown as its value; nothing is written where
// it says. A copy's temporary file left by a kill goes.
TEST_F(Recovery, ACopyOfAnythingButAPageOfTheNotebookIsKeptInTheRecoveryFolder) {
  const std::string other = scratch / "Other";
  ASSERT_TRUE(harness::MakeDirs(other));
  ASSERT_TRUE(harness::MakeDirs(notebook / "Sub"));
  const std::string named[] = {  // as the copies have them, in UTF-8 or meant to be
      other + "\\x.tav",                                  // another work folder's page
      "C:\\windows\\win.ini",
      std::string("C:\\windows\\win.ini\0", 19) + notebook / "a.tav",
      notebook.path(),                                   // the notebook itself
      "..\\..\\Rel.tav",
      notebook / "Sub\\..\\..\\Up.tav",
      notebook / "notes.txt",
      notebook / "p.tav:hidden.tav",
      notebook / "Gone\\g.tav",                            // a folder that is not there
      notebook / "caf\xE9.tav",                             // code page 1252
      notebook / "Sub\\\xC0\xAFp.tav",                      // "/" in an overlong form
      notebook / "\xED\xA0\x80.tav",                        // a surrogate
  };
  const std::string recovery = localData + "\\TAV\\Recovery";
  ASSERT_TRUE(harness::MakeDirs(recovery));
  for (const std::string &path : named) {
    RecoveryCopy copy;
    copy.pagePath = "x";
    copy.encoding = PageEncoding{TEXT_UTF8, 0, false, BREAKS_CRLF};
    copy.madeAgainst = PageFileState{false, false, 0, 0, {0, 0}};
    copy.text = L"typed";
    std::string bytes = FormatRecoveryCopy(copy);
    bytes.replace(bytes.find("Page=x\r\n"), 8, "Page=" + path + "\r\n");
    ASSERT_TRUE(WriteBytes(recovery + "\\" + RecoveryCopyName((path + "|").c_str()), bytes));
  }
  ASSERT_TRUE(WriteBytes(recovery + "\\~tav1A2B.tmp", "a copy cut short by a kill"));
  for (size_t i = 0; i < sizeof named / sizeof named[0]; ++i) boxes.Answer(IDOK);
  StartApp();
  ASSERT_EQ(boxes.boxes().size(), sizeof named / sizeof named[0]);
  for (const harness::Box &box : boxes.boxes()) {
    EXPECT_EQ(box.text.rfind("TAV ended without saving '", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("is kept in '" + recovery + "\\"), std::string::npos) << box.text;
  }
  auto said = [&](const std::string &text) {
    for (const harness::Box &box : boxes.boxes())
      if (box.text.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(said("'" + other + "\\x.tav', which is not a page of the notebook it shows now ('" +
                   notebook.path() + "')"));
  EXPECT_TRUE(said("'C:\\windows\\win.ini<0x00>" + notebook / "a.tav'"));
  EXPECT_TRUE(said("'" + notebook / "caf<0xE9>.tav'"));
  EXPECT_TRUE(said("'" + notebook / "Sub\\<0xC0><0xAF>p.tav'"));
  EXPECT_EQ(harness::ListNames(notebook.path()), (std::vector<std::string>{"Sub", "p.tav", "q.tav"}));
  EXPECT_TRUE(harness::ListNames(notebook / "Sub").empty());
  EXPECT_TRUE(harness::ListNames(other).empty());
  EXPECT_FALSE(FileExists("C:\\windows\\win (recovered).txt"));
  EXPECT_EQ(ReadBytes(recovery + "\\x (recovered).txt"), "typed");
  for (const std::string &name : harness::ListNames(recovery)) {
    EXPECT_EQ(name.substr(name.size() - 4), ".txt") << name << ": the copies and the leftover go";
  }
  EXPECT_FALSE(EditorIsModified());
}

// Text the editor cannot take whole (here the 1.0 control, which cannot hold
// a lone surrogate) is never shown as the page's in part, where leaving the
// page would save the part over the file: the page stays as it was and the
// whole text is kept beside it.
TEST_F(Recovery, TextTheEditorCannotTakeWholeIsKeptBesideThePage) {
  ASSERT_NE(LoadLibraryA("RICHED32.DLL"), nullptr);
  struct OlderEditor {
    OlderEditor() { HasRichEdit20 = false; }
    ~OlderEditor() { HasRichEdit20 = true; }
  } older;
  LeaveCopyOfP(L"saved text and \xD800 typed");
  StartAndKeepTheTextBesideP(IDYES);
  EXPECT_FALSE(EditorIsModified());
  EXPECT_TRUE(Text() == L"saved text");
  EXPECT_TRUE(SelectPageByName("q.tav"));
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "saved text");
  const std::wstring typed = L"saved text and \xD800 typed";  // only UTF-16 holds it
  EXPECT_EQ(ReadBytes(notebook / "p (recovered).txt"),
            "\xFF\xFE" + std::string(reinterpret_cast<const char *>(typed.data()), typed.size() * 2));
}

// A folder renamed in place while its page shown cannot be saved (the
// rename goes ahead all the same): the copy of the unsaved text follows the
// page, so that it is kept, and offered, for the page where it now is.
TEST_F(Recovery, TheCopyFollowsItsPageWhenTheFolderMoves) {
  RenameFolderOfUnsavablePage("B");
  SetFileAttributesA((notebook / "B\\r.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(harness::FileExists(notebook / "B\\r.tav"));
  EXPECT_FALSE(FileExists(CopyOf(notebook / "A\\r.tav")));
  RecoveryCopy copy;
  ASSERT_TRUE(ParseRecoveryCopy(ReadBytes(CopyOf(notebook / "B\\r.tav")), &copy));
  EXPECT_EQ(copy.pagePath, notebook / "B\\r.tav");
  EXPECT_TRUE(copy.text == L"saved and typed");
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_FALSE(FileExists(CopyOf(notebook / "B\\r.tav"))) << "saved: the copy goes";
}

// Copies are named by the page's path without regard to letter case: a
// folder renamed only in case ("A" to "a") keeps the copy, now naming the
// page under its new path.
TEST_F(Recovery, TheCopyStaysWhenItsFolderIsRenamedInLetterCaseOnly) {
  RenameFolderOfUnsavablePage("a");
  SetFileAttributesA((notebook / "a\\r.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(harness::ListNames(notebook.path()), (std::vector<std::string>{"a", "p.tav", "q.tav"}));
  RecoveryCopy copy;
  ASSERT_TRUE(ParseRecoveryCopy(ReadBytes(CopyOf(notebook / "a\\r.tav")), &copy));
  EXPECT_EQ(copy.pagePath, notebook / "a\\r.tav");
  EXPECT_TRUE(copy.text == L"saved and typed");
}

}  // namespace
