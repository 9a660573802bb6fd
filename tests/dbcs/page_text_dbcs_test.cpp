// Page text under the double-byte code page 932, in a process that keeps the
// system's code page: pages are read and written back in it byte for byte.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "app/platform_seam.h"
#include "app/ui_handles.h"
#include "harness/harness.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

using harness::ReadBytes;
using harness::WriteBytes;

const std::string A = "\x82\xA0";      // "あ": its trail byte is no lead byte
const std::string Equals = "\x81\x81";  // "＝": its trail byte has a lead byte's value

std::string Repeat(const std::string &text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

std::wstring Wide(const std::string &bytes) {
  if (bytes.empty()) return std::wstring();
  int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                   nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], length);
  return wide;
}

// Texts whose double-byte characters straddle the 4096-byte blocks of a load
// and the 259-byte pieces of an import, at either alignment; the last ends
// in a lead byte without its trail byte.
struct Sample {
  const char *what;
  std::string bytes;
};
std::vector<Sample> Samples() {
  return {
      {"odd offset", "a" + Repeat(A, 3000)},
      {"trail bytes with lead values", Repeat(Equals, 3000)},
      {"trail bytes with lead values, odd offset", "a" + Repeat(Equals, 3000)},
      {"mixed with line breaks", Repeat("x" + A + "\r\n" + Equals, 1500)},
      {"lead byte at the very end", Repeat(Equals, 2048) + "\x82"},
  };
}

// Under code page 932 a page of its bytes is read in it and written back as
// it was; a lead byte without its trail byte is no text, and said so.
TEST(DoubleBytePageText, ReadsInTheCodePageAndWritesBackEveryByte) {
  ASSERT_EQ(932u, GetACP());
  EXPECT_EQ(932u, LegacyCodePage());
  for (const Sample &sample : Samples()) {
    SCOPED_TRACE(sample.what);
    PageEncoding encoding;
    std::wstring text;
    bool exact = ReadPageText(sample.bytes.data(), sample.bytes.size(), &encoding, &text);
    EXPECT_EQ(EncodingName(encoding), "code page 932");
    EXPECT_EQ(exact, sample.bytes.back() != '\x82');
    EXPECT_TRUE(text == Wide(sample.bytes));
    if (!exact) continue;
    std::string again;
    ASSERT_TRUE(EncodePageText(text.data(), text.size(), encoding, &again));
    EXPECT_EQ(again, sample.bytes);
  }
}

// A save sizes its fetch by the editor's byte count and checks the text
// against its character count. Windows counts the bytes exactly; Wine (seen
// here) answers twice the characters, and gives back nothing, with success,
// into a buffer sized by characters.
TEST(DoubleByteEditor, CountsEnoughBytesAndTheCharactersOfItsText) {
  HWND parent = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                              nullptr, nullptr);
  HWND editor = CreateWindowExA(0, HasRichEdit20 ? "RichEdit20A" : "RICHEDIT", "",
                                WS_CHILD | ES_MULTILINE, 0, 0, 300, 200, parent, nullptr, nullptr,
                                nullptr);
  ASSERT_NE(editor, nullptr);
  const struct {
    std::string text;
    LRESULT characters;  // a line break counts two
  } cases[] = {{A + A, 2}, {"ab\r\n" + Equals + "x", 6}, {"plain", 5}};
  for (const auto &c : cases) {
    SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text.c_str()));
    GETTEXTLENGTHEX inBytes = {GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    GETTEXTLENGTHEX inCharacters = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    EXPECT_GE(SendMessageA(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&inBytes), 0),
              static_cast<LRESULT>(c.text.size()));
    EXPECT_EQ(SendMessageA(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&inCharacters), 0),
              c.characters);
    std::string text(c.text.size() + 1, '\0');
    EXPECT_EQ(SendMessageA(editor, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])),
              static_cast<LRESULT>(c.text.size()));
    EXPECT_EQ(text.c_str(), c.text);
  }
  DestroyWindow(parent);
}

std::string importFile;

BOOL WINAPI ChooseImportFile(OPENFILENAMEA *dialog) {
  strcpy(dialog->lpstrFile, importFile.c_str());
  return TRUE;
}

class DoubleBytePages : public harness::AppTest {
 protected:
  // The editor's text in a buffer sized in bytes: Wine's rich edit gives
  // nothing back into one sized by characters.
  std::string Text() {
    GETTEXTLENGTHEX inBytes = {GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    LRESULT bytes =
        SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&inBytes), 0);
    std::string text(bytes + 1, '\0');
    LRESULT got =
        SendMessageA(Ui.editor, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? got : 0);
    return text;
  }
};

// Loaded, edited and saved, a page keeps every byte; before, the save wrote
// an empty file, since the text was fetched into a buffer sized by
// characters.
TEST_F(DoubleBytePages, APageRoundTripsByteExact) {
  for (const Sample &sample : Samples()) {
    if (sample.bytes.back() == '\x82') continue;  // not a text the editor can hold
    SCOPED_TRACE(sample.what);
    ASSERT_TRUE(WriteBytes(notebook / "p.tav", sample.bytes));
    ASSERT_TRUE(RefreshTree());
    harness::PumpMessages();
    EXPECT_EQ(Text(), sample.bytes);
    SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(A.c_str()));
    ExecuteCommand(CMD_SAVENOW);
    EXPECT_EQ(ReadBytes(notebook / "p.tav"), sample.bytes + A);
    EXPECT_FALSE(EditorIsModified());
  }
}

TEST_F(DoubleBytePages, ImportKeepsEveryCharacter) {
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", ""));
  ASSERT_TRUE(RefreshTree());
  harness::PumpMessages();
  importFile = scratch / "in.txt";
  Platform.getOpenFileName = ChooseImportFile;
  std::string imported = "a" + Repeat(A, 200) + Repeat(Equals, 200) + "\r\n" + Repeat(A, 100);
  ASSERT_TRUE(WriteBytes(importFile, imported));
  ImportTextFile();
  EXPECT_EQ(Text(), imported);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), imported);
}

// "ア" is 0x83 0x41 and "ヂ" 0x83 0x61: trail bytes with the values of an
// ASCII letter in either case. They are two names, and a page asked for by
// its name (after New Page or Rename Page, or the page shown last) is that
// page, not another one listed after it.
TEST_F(DoubleBytePages, APageIsFoundByItsOwnNameNotByOneThatDiffersInATrailByte) {
  for (const char *label : {"\x83\x41", "\x83\x61"}) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char *>(label);
    SendMessageA(Ui.tabs, TCM_INSERTITEMA, TabCtrl_GetItemCount(Ui.tabs),
                 reinterpret_cast<LPARAM>(&item));
  }
  EXPECT_EQ(FindPageTab("\x83\x41.tav"), 0);
}

}  // namespace
