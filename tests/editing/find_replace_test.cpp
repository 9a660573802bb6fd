// Find, Find Next and Replace in the running main window, driven through the
// system's own modeless Find and Replace dialogs.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include "editing_fixture.h"

namespace {

class FindApp : public EditingApp {
 protected:
  // Opens a dialog with its command and fills in its texts as the user would.
  HWND Dialog(int command, const char *find = nullptr, const char *replace = nullptr) {
    shown_ = nullptr;
    boxes.Handle([this](HWND box) { shown_ = box; });
    ExecuteCommand(command);
    for (int i = 0; i < 400 && shown_ == nullptr; ++i, Sleep(5)) harness::PumpMessages();
    EXPECT_NE(shown_, nullptr) << "no dialog for command " << command;
    // Activated is not shown: a hook that answers WM_INITDIALOG wrongly
    // leaves the dialog hidden.
    EXPECT_TRUE(shown_ != nullptr && IsWindowVisible(shown_)) << "dialog hidden";
    if (find != nullptr) SetDlgItemTextA(shown_, edt1, find);
    if (replace != nullptr) SetDlgItemTextA(shown_, edt2, replace);
    return shown_;
  }
  static void Press(HWND dialog, int control) {
    SendMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
    harness::PumpMessages();
  }
  // Runs an action that must answer "Search text not found" and nothing else.
  template <typename Action>
  void ExpectNotFound(Action action) {
    boxes.Clear();
    boxes.Answer(IDOK);
    action();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "Find Next");
    EXPECT_EQ(boxes.boxes()[0].text, "Search text not found");
  }

 private:
  HWND shown_ = nullptr;
};

TEST_F(FindApp, FindNextSearchesFromOneAfterTheSelectionStart) {
  ShowText("abab");
  Select(0, 0);
  HWND dialog = Dialog(CMD_FIND, "ab");
  Press(dialog, IDOK);
  EXPECT_EQ(Selection(), Range(2, 4)) << "the occurrence at the caret is skipped";

  ShowText("aaaa");
  Select(0, 2);
  SetDlgItemTextA(dialog, edt1, "aa");
  Press(dialog, IDOK);
  EXPECT_EQ(Selection(), Range(1, 3)) << "overlapping occurrences are found";
  ExecuteCommand(CMD_FINDNEXT);
  EXPECT_EQ(Selection(), Range(2, 4));
  ExpectNotFound([] { ExecuteCommand(CMD_FINDNEXT); });
  EXPECT_EQ(Selection(), Range(2, 4));
}

TEST_F(FindApp, FindNextBeforeAnyDialogOpensTheFindDialog) {
  ShowText("some text");
  Select(0, 0);
  HWND dialog = Dialog(CMD_FINDNEXT, "text");
  EXPECT_EQ(boxes.boxes().at(0).caption, "Find");
  EXPECT_EQ(Selection(), Range(0, 0));
  Press(dialog, IDOK);
  Select(0, 0);
  ExecuteCommand(CMD_FINDNEXT);  // from now on F3 searches
  EXPECT_EQ(Selection(), Range(5, 9));
}

TEST_F(FindApp, ReplaceChangesTheOccurrenceAtTheSelectionOnly) {
  ShowText("one two one two one");
  Select(8, 11);
  HWND dialog = Dialog(CMD_REPLACE, "one", "1");
  Press(dialog, psh1);
  EXPECT_EQ(Text(), "one two 1 two one");
  EXPECT_EQ(Selection(), Range(9, 9)) << "the next occurrence is not selected";
  SendMessageA(Ui.editor, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(), "one two one two one");
  Select(17, 17);
  ExpectNotFound([&] { Press(dialog, psh1); });
  EXPECT_EQ(Text(), "one two one two one");
}

TEST_F(FindApp, ReplaceAllGoesFromTheCaretToTheEndAndAlwaysEnds) {
  const struct {
    long caret;
    const char *text, *find, *replace, *result;
  } cases[] = {
      {2, "x x x x", "x", "y", "x y y y"},
      {0, "x x", "z", "y", "x x"},
      // The next search starts one after the replaced occurrence's start, so
      // the inserted text's tail and what follows it make a new occurrence.
      {0, "aabab", "aab", "xa", "xxa"},
      // An empty replacement: the next occurrence starts where this one did.
      {0, "aaaa", "a", "", ""},
      // The replacement holds the search text: it is not found again.
      {0, "a a", "a", "ba", "ba ba"},
      {0, "a a", "a", "aa", "aa aa"},
      {0, "a-a", "a", "bA", "bA-bA"},
  };
  for (const auto &c : cases) {
    ShowText(c.text);
    Select(c.caret, c.caret);
    boxes.Clear();
    HWND dialog = Dialog(CMD_REPLACE, c.find, c.replace);
    Press(dialog, psh2);
    DestroyWindow(dialog);
    EXPECT_EQ(Text(), c.result) << c.text << " / " << c.find << " / " << c.replace;
    EXPECT_EQ(boxes.boxes().size(), 1u) << "only the dialog, no message";
  }
}

TEST_F(FindApp, OptionsAndTextsSurviveFromOneDialogToTheNext) {
  ShowText("xAB ab AB");
  Select(0, 0);
  HWND find = Dialog(CMD_FIND, "AB");
  Press(find, chx2);  // match case
  Press(find, chx1);  // whole word
  Press(find, IDOK);
  EXPECT_EQ(Selection(), Range(7, 9));
  Press(find, IDCANCEL);
  EXPECT_FALSE(IsWindow(find));
  EXPECT_EQ(Selection(), Range(7, 9)) << "closing searches nothing";

  HWND replace = Dialog(CMD_REPLACE);
  EXPECT_EQ(IsDlgButtonChecked(replace, chx2), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(replace, chx1), BST_CHECKED);
  char shown[FIND_BUFFER_SIZE] = "";
  GetDlgItemTextA(replace, edt1, shown, sizeof shown);
  EXPECT_STREQ(shown, "AB");
  Press(replace, chx1);
  Press(replace, IDCANCEL);
  Select(0, 0);
  ExecuteCommand(CMD_FINDNEXT);  // match case, any word
  EXPECT_EQ(Selection(), Range(1, 3));
}

TEST_F(FindApp, APageThatIsNeverSavedIsSearchedButNotChanged) {
  boxes.Answer(IDOK);  // the notice that the page holds a NUL byte
  ShowText(std::string("find me\0 here", 13));
  ASSERT_TRUE(CurrentPageIsProtected());
  Select(0, 0);
  HWND dialog = Dialog(CMD_REPLACE, "me", "you");
  boxes.Clear();
  Press(dialog, IDOK);
  EXPECT_EQ(Selection(), Range(5, 7));
  boxes.Answer(IDOK);
  Press(dialog, psh1);
  boxes.Answer(IDOK);
  Press(dialog, psh2);
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[0].caption, "TAV");
  EXPECT_EQ(boxes.boxes()[1].text, boxes.boxes()[0].text);
  EXPECT_EQ(Text(), "find me  here");
}

// The program's own loop hands the modeless dialog its keys; the main
// window's accelerators come first, so F3 works there too.
TEST_F(FindApp, TheDialogAnswersTheKeyboard) {
  ShowText("ab ab ab");
  Select(0, 0);
  HWND dialog = Dialog(CMD_FIND, "ab");
  HWND field = GetDlgItem(dialog, edt1);
  auto press = [](HWND to, UINT key) {
    SetFocus(to);
    PostMessageA(to, WM_KEYDOWN, key, 1);
    PostMessageA(to, WM_KEYUP, key, 0xC0000001);
    MSG msg;
    while (PumpOneMessage(&msg) == PUMP_HANDLED) {
    }
  };
  press(field, VK_RETURN);
  EXPECT_EQ(Selection(), Range(3, 5)) << "Enter is Find Next";
  press(field, VK_F3);
  EXPECT_EQ(Selection(), Range(6, 8)) << "F3 is Find Next";
  EXPECT_EQ(Text(), "ab ab ab");
  press(field, VK_TAB);
  EXPECT_NE(GetFocus(), field);
  EXPECT_EQ(GetAncestor(GetFocus(), GA_ROOT), dialog) << "Tab moves within the dialog";
  press(GetFocus(), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(dialog)) << "Escape closes it";
}

}  // namespace
