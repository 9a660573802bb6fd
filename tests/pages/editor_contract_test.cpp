// What page loading and saving rely on from the rich edit control: stream-in
// while read-only, how it takes line breaks and characters, and how the text
// comes back out.
#include <gtest/gtest.h>

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "harness/harness.h"

namespace {

struct Pieces {
  std::vector<std::string> parts;
  size_t next;
};

DWORD CALLBACK GivePiece(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  Pieces *pieces = reinterpret_cast<Pieces *>(cookie);
  *got = 0;
  if (pieces->next >= pieces->parts.size()) return 0;
  const std::string &part = pieces->parts[pieces->next++];
  EXPECT_LE(static_cast<LONG>(part.size()), capacity);
  memcpy(buffer, part.data(), part.size());
  *got = static_cast<LONG>(part.size());
  return 0;
}

class EditorContract : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                           nullptr, nullptr);
    editor = CreateWindowExA(0, HasRichEdit20 ? "RichEdit20A" : "RICHEDIT", "",
                             WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL, 0, 0, 300, 200,
                             parent, nullptr, nullptr, nullptr);
    ASSERT_NE(editor, nullptr);
    SendMessageA(editor, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  }
  void TearDown() override { DestroyWindow(parent); }

  LRESULT StreamIn(std::vector<std::string> parts, DWORD *error = nullptr) {
    Pieces pieces{parts, 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&pieces);
    stream.pfnCallback = GivePiece;
    LRESULT result = SendMessageA(editor, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    if (error) *error = stream.dwError;
    return result;
  }
  std::string Text() {
    LRESULT length = SendMessageA(editor, WM_GETTEXTLENGTH, 0, 0);
    std::string text(length + 1, '\xcc');
    LRESULT copied = SendMessageA(editor, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]));
    EXPECT_LE(copied, length);
    EXPECT_EQ(text[copied], '\0');
    text.resize(copied);
    return text;
  }

  HWND parent = nullptr;
  HWND editor = nullptr;
};

TEST_F(EditorContract, StreamInFillsAReadOnlyEditorAndReplacesEverything) {
  SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("old text"));
  SendMessageA(editor, EM_SETREADONLY, TRUE, 0);
  SendMessageA(editor, EM_SETMODIFY, FALSE, 0);
  DWORD error = 1;
  StreamIn({"new ", "text"}, &error);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(Text(), "new text");
  // The loader clears the flag itself: stream-in sets it.
  EXPECT_NE(SendMessageA(editor, EM_GETMODIFY, 0, 0), 0);
  EXPECT_EQ(SendMessageA(editor, EM_CANUNDO, 0, 0), 0);
}

TEST_F(EditorContract, LineBreaksComeBackAsCrLfWhenPairsStayWhole) {
  StreamIn({"a\r\nb", "\r\nc\rd\ne", "\r\nf"});
  EXPECT_EQ(Text(), "a\r\nb\r\nc\r\nd\r\ne\r\nf");
}

// Pages go in and come out as UTF-16, whatever the process code page: every
// other character comes back as it went in, surrogate pairs included, and a
// line break as one CR.
DWORD CALLBACK GiveUnicodePiece(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  std::wstring *rest = reinterpret_cast<std::wstring *>(cookie);
  size_t units = std::min<size_t>(rest->size(), static_cast<size_t>(capacity) / 2);
  if (units > 0 && units < rest->size() && (*rest)[units - 1] >= 0xD800 && (*rest)[units - 1] <= 0xDBFF)
    --units;
  memcpy(buffer, rest->data(), units * 2);
  rest->erase(0, units);
  *got = static_cast<LONG>(units * 2);
  return 0;
}

TEST_F(EditorContract, EveryOtherCharacterComesBackUnchangedInUtf16) {
  std::wstring text;
  for (wchar_t c = 1; c < 0x800; ++c)
    if (c != L'\r' && c != L'\n' && c != 0x0B && c != 0x0C) text += c;
  text += L"\r\n\u65e5\u672c\U0001F4DA\U0001F600 end";
  std::wstring rest = text;
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rest);
  stream.pfnCallback = GiveUnicodePiece;
  SendMessageA(editor, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
  EXPECT_EQ(stream.dwError, 0u);
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, 1200};
  LRESULT units = SendMessageA(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  std::wstring back(units + 2, L'\xcccc');
  GETTEXTEX request = {static_cast<DWORD>(back.size() * 2), GT_DEFAULT, 1200, nullptr, nullptr};
  LRESULT copied = SendMessageA(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                reinterpret_cast<LPARAM>(&back[0]));
  EXPECT_EQ(copied, units);
  back.resize(copied > 0 ? copied : 0);
  std::wstring expected = text;
  expected.replace(expected.find(L"\r\n"), 2, L"\r");
  EXPECT_TRUE(back == expected);
}

TEST_F(EditorContract, CaretPositionsCountALineBreakOnce) {
  StreamIn({"abc\r\ndef\r\n"});
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  LRESULT end = SendMessageA(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  EXPECT_EQ(end, 8);
  CHARRANGE range = {static_cast<LONG>(end), static_cast<LONG>(end)};
  SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  SendMessageA(editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("!"));
  EXPECT_EQ(Text(), "abc\r\ndef\r\n!");
}

}  // namespace
