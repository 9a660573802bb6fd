// Find and replace on double-byte text: the editor counts positions in
// characters, while a double-byte character takes two bytes of the text.
#include <gtest/gtest.h>

#include <string>

#include "editing/editing_fixture.h"

namespace {

// Hiragana in code page 932, two bytes each.
const std::string A = "\x82\xa0", I = "\x82\xa2", U = "\x82\xa4", E = "\x82\xa6", O = "\x82\xa8";

class DoubleByteEditing : public EditingApp {
 protected:
  // One press of a dialog button, with the texts the user typed.
  void Request(DWORD action, const std::string &find, const std::string &replace = "") {
    PrepareFindRequest();
    strcpy(findWhatText, find.c_str());
    strcpy(replaceWithText, replace.c_str());
    findRequest.Flags = (findRequest.Flags & ~(FR_FINDNEXT | FR_REPLACE | FR_REPLACEALL)) | action;
    OnFindReplace(reinterpret_cast<LPARAM>(&findRequest));
  }
  // The editor's text in bytes: its length counts characters, so the buffer
  // is sized for two bytes each.
  std::string Text() {
    std::string text(2 * GetWindowTextLengthA(Ui.editor) + 2, '\0');
    text.resize(SendMessageA(Ui.editor, WM_GETTEXT, text.size(),
                             reinterpret_cast<LPARAM>(&text[0])));
    return text;
  }
};

TEST_F(DoubleByteEditing, MatchesEndWhereTheEditorSaysNotAfterTheirBytes) {
  ASSERT_EQ(932u, GetACP());
  ShowText("x" + A + I + A + I);
  Select(0, 0);
  Request(FR_FINDNEXT, A + I);
  EXPECT_EQ(Selection(), Range(1, 3));

  ShowText(A + I + U + E + O);
  Select(0, 0);
  Request(FR_REPLACE, A + I, "X");
  EXPECT_EQ(Text(), "X" + U + E + O);

  ShowText(A + I + "X" + A + I + "Y" + A + I);
  Select(0, 0);
  Request(FR_REPLACEALL, A + I, U);
  EXPECT_EQ(Text(), U + "X" + U + "Y" + U);
}

}  // namespace
