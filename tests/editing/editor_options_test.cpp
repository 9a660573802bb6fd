// The editor's font, word wrap and the date/time insertion in the running
// main window; the font dialog is answered by the test.
#include <gtest/gtest.h>

#include <string.h>

#include "base/platform_seam.h"
#include "editing_fixture.h"

namespace {

// What the font dialog was handed, and the answer the test gives it.
struct FontDialogScript {
  DWORD flags;
  LOGFONTA initial;
  bool confirm;
  LOGFONTA answer;
} fontDialog;

BOOL WINAPI ScriptedChooseFont(CHOOSEFONTA *dialog) {
  EXPECT_EQ(dialog->hwndOwner, MainWindow);
  fontDialog.flags = dialog->Flags;
  fontDialog.initial = *dialog->lpLogFont;
  // A cancelled dialog may leave anything in its record.
  if (fontDialog.confirm)
    *dialog->lpLogFont = fontDialog.answer;
  else
    memset(dialog->lpLogFont, 0x5A, sizeof(LOGFONTA));
  dialog->iPointSize = 160;
  return fontDialog.confirm;
}

class OptionsApp : public EditingApp {
 protected:
  void SetUp() override {
    fontDialog = FontDialogScript{};
    EditingApp::SetUp();
    Platform.chooseFont = ScriptedChooseFont;
  }
  void ChooseFont(LONG height, LONG weight, BYTE italic) {
    fontDialog.confirm = true;
    fontDialog.answer = LOGFONTA{};
    fontDialog.answer.lfHeight = height;
    fontDialog.answer.lfWeight = weight;
    fontDialog.answer.lfItalic = italic;
    fontDialog.answer.lfCharSet = ANSI_CHARSET;
    strcpy(fontDialog.answer.lfFaceName, "Arial");
    ExecuteCommand(CMD_FONT);
  }
  // The character format of all the editor's text.
  CHARFORMATA Format(HWND editor) {
    SendMessageA(editor, EM_SETSEL, 0, -1);
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    SendMessageA(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
  }
  int LineCount() { return static_cast<int>(SendMessageA(Ui.editor, EM_GETLINECOUNT, 0, 0)); }
};

TEST_F(OptionsApp, WithoutAChosenFontEditorAndDialogKeepTheirDefaults) {
  ShowText("text");
  HWND fresh = CreateWindowExA(0, "RichEdit20A", "text", WS_CHILD, 0, 0, 9, 9, MainWindow,
                               nullptr, AppInstance, nullptr);
  CHARFORMATA expected = Format(fresh);
  DestroyWindow(fresh);
  EXPECT_EQ(Format(Ui.editor).yHeight, expected.yHeight);
  EXPECT_STREQ(Format(Ui.editor).szFaceName, expected.szFaceName);

  ExecuteCommand(CMD_FONT);  // cancelled: nothing changes
  EXPECT_EQ(fontDialog.flags & (CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS),
            static_cast<DWORD>(CF_SCREENFONTS));
  EXPECT_EQ(editorFont.lfHeight, 0);
  EXPECT_EQ(fontSizeTenths, 90);
  EXPECT_EQ(Format(Ui.editor).yHeight, expected.yHeight);
}

TEST_F(OptionsApp, AChosenFontIsAppliedKeptForLaterPagesAndOfferedNextTime) {
  ShowText("first page");
  ChooseFont(-21, FW_BOLD, TRUE);
  EXPECT_EQ(fontSizeTenths, 160);
  EXPECT_EQ(memcmp(&editorFont, &fontDialog.answer, sizeof editorFont), 0);
  ShowText("second page");  // shown in a fresh editor control
  CHARFORMATA shown = Format(Ui.editor);
  EXPECT_STREQ(shown.szFaceName, "Arial");
  EXPECT_EQ(shown.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE),
            static_cast<DWORD>(CFE_BOLD | CFE_ITALIC));

  fontDialog.confirm = false;  // the next dialog starts from the chosen font
  ExecuteCommand(CMD_FONT);
  EXPECT_TRUE(fontDialog.flags & CF_INITTOLOGFONTSTRUCT);
  EXPECT_EQ(memcmp(&fontDialog.initial, &fontDialog.answer, sizeof editorFont), 0);
  EXPECT_EQ(memcmp(&editorFont, &fontDialog.answer, sizeof editorFont), 0);
}

TEST_F(OptionsApp, BoldFromWeight700AndOneSizeWhateverTheHeightSign) {
  ShowText("text");
  ChooseFont(-16, 600, FALSE);
  CHARFORMATA negative600 = Format(Ui.editor);
  ChooseFont(16, 700, FALSE);
  CHARFORMATA positive700 = Format(Ui.editor);
  EXPECT_FALSE(negative600.dwEffects & (CFE_BOLD | CFE_ITALIC));
  EXPECT_TRUE(positive700.dwEffects & CFE_BOLD);
  EXPECT_EQ(negative600.yHeight, positive700.yHeight);
  // The record's height counts at 96 per inch, whatever the display.
  EXPECT_EQ(positive700.yHeight, MulDiv(16, 1440, 96));
}

TEST_F(OptionsApp, InsertDateTimeReplacesTheSelectionUndoablyOnAPageOnly) {
  ExecuteCommand(CMD_DATETIME);
  EXPECT_EQ(Text(), "") << "no page, no insertion";
  boxes.Answer(IDOK);  // the notice about the NUL byte
  ShowText(std::string("nul\0", 4));
  ExecuteCommand(CMD_DATETIME);
  EXPECT_EQ(Text(), "nul ") << "nothing goes into a page that is never saved";

  ShowText("at: old");
  Select(4, 7);
  char before[96], after[96];
  FormatDateTime(before, sizeof before);
  ExecuteCommand(CMD_DATETIME);
  FormatDateTime(after, sizeof after);
  EXPECT_TRUE(Text() == std::string("at: ") + before || Text() == std::string("at: ") + after)
      << Text();
  SendMessageA(Ui.editor, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(), "at: old");
}

TEST_F(OptionsApp, WordWrapIsOffAtFirstAndFollowsItsCommandAcrossPages) {
  std::string line;
  for (int i = 0; i < 300; ++i) line += "word ";
  ShowText(line);
  EXPECT_EQ(LineCount(), 1);
  ExecuteCommand(CMD_WORDWRAP);
  EXPECT_GT(LineCount(), 1);
  ShowText(line + ".");  // shown in a fresh editor control
  EXPECT_GT(LineCount(), 1);
  ExecuteCommand(CMD_WORDWRAP);
  EXPECT_EQ(LineCount(), 1);
}

}  // namespace
