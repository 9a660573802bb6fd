// Page text under the double-byte code page 932, in a process that keeps the
// system's code page: pages are read and written back in it byte for byte.
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
    // At the end: the page shown again comes back at the place it was left.
    SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
    SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(A.c_str()));
    ExecuteCommand(CMD_SAVENOW);
    EXPECT_EQ(ReadBytes(notebook / "p.tav"), sample.bytes + A);
    EXPECT_FALSE(EditorIsModified());
  }
}

// A UTF-8 page is read as UTF-8 under code page 932 too: an edit leaves
// every other byte as it was ("\u2014" was once written back as E2 80 81 45).
TEST_F(DoubleBytePages, AUtf8PageKeepsItsBytesWithAnEdit) {
  const std::string page = "a \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC\r\n";
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", page));
  ASSERT_TRUE(RefreshTree());
  harness::PumpMessages();
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(A.c_str()));
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), page + "\xE3\x81\x82");
  EXPECT_TRUE(boxes.boxes().empty());
}

// A character code page 932 cannot hold sends its page to UTF-8 with a mark.
TEST_F(DoubleBytePages, PastedTextTheCodePageCannotHoldIsKept) {
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", A));
  ASSERT_TRUE(RefreshTree());
  harness::PumpMessages();
  const std::wstring pasted = L" \U0001F600";
  ASSERT_TRUE(harness::PutOnClipboard(pasted));
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  ExecuteCommand(CMD_PASTE);
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "\xEF\xBB\xBF\xE3\x81\x82 \xF0\x9F\x98\x80");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            "The page 'p.tav' now holds characters that code page 932 cannot hold, so it was "
            "saved as UTF-8 with a byte-order mark.");
}

// A name code page 932 cannot hold is left out with one notice, never shown
// or opened as its best-fit spelling: "\u00c4pfel" would be "Apfel", another
// folder and another page.
TEST_F(DoubleBytePages, ANameTheCodePageCannotHoldIsNeverAnother) {
  const std::wstring base = std::wstring(notebook.path().begin(), notebook.path().end());
  ASSERT_TRUE(CreateDirectoryW((base + L"\\\u00c4pfel").c_str(), nullptr)) << GetLastError() << " " << notebook.path();
  ASSERT_TRUE(CreateDirectoryW((base + L"\\Apfel").c_str(), nullptr));
  HANDLE file = CreateFileW((base + L"\\\u00c4pfel.tav").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ASSERT_TRUE(WriteBytes(notebook / "Apfel.tav", "the page Apfel"));
  boxes.Answer(IDOK);
  boxes.Answer(IDOK);
  ASSERT_TRUE(RefreshTree());
  harness::PumpMessages();
  ASSERT_EQ(boxes.boxes().size(), 2u) << "the folder, then the page";
  for (const harness::Box &box : boxes.boxes())
    EXPECT_EQ(box.text.rfind("These names cannot be written in this system's code page", 0), 0u);
  HTREEITEM root = TreeView_GetRoot(Ui.tree);
  HTREEITEM child = TreeView_GetChild(Ui.tree, root);
  char label[PATH_BUFFER_SIZE] = "";
  GetNodeLabel(child, label);
  EXPECT_STREQ(label, "Apfel");
  EXPECT_EQ(TreeView_GetNextSibling(Ui.tree, child), nullptr);
  EXPECT_EQ(TabCtrl_GetItemCount(Ui.tabs), 1);
  EXPECT_EQ(Text(), "the page Apfel");
  boxes.Clear();
  boxes.Answer(IDOK);
  ASSERT_TRUE(RefreshTree());
  EXPECT_EQ(boxes.boxes().size(), 1u) << "the pages' notice is given once a run";
}

// In a branch listed only when it is first opened, such a folder is left
// out with one notice then, and not again when the branch opens again.
TEST_F(DoubleBytePages, ANameTheCodePageCannotHoldIsSaidWhenItsBranchFirstOpens) {
  const std::wstring base = std::wstring(notebook.path().begin(), notebook.path().end());
  ASSERT_TRUE(CreateDirectoryW((base + L"\\Outer").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((base + L"\\Outer\\\u00c4pfel").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((base + L"\\Outer\\Inner").c_str(), nullptr));
  ASSERT_TRUE(RefreshTree());
  harness::PumpMessages();
  EXPECT_TRUE(boxes.boxes().empty());
  HTREEITEM outer = TreeView_GetChild(Ui.tree, TreeView_GetRoot(Ui.tree));
  boxes.Answer(IDOK);
  for (int opening = 0; opening < 2; ++opening) {
    TreeView_Expand(Ui.tree, outer, TVE_EXPAND);
    TreeView_Expand(Ui.tree, outer, TVE_COLLAPSE);
  }
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text.rfind("These names cannot be written in this system's code page", 0), 0u);
  HTREEITEM inner = TreeView_GetChild(Ui.tree, outer);
  char label[PATH_BUFFER_SIZE] = "";
  GetNodeLabel(inner, label);
  EXPECT_STREQ(label, "Inner");
  EXPECT_EQ(TreeView_GetNextSibling(Ui.tree, inner), nullptr);
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
