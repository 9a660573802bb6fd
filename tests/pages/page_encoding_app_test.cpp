// Pages in every encoding, in the running main window of a UTF-8 process
// whose system code page is 1252: each page is written back in the encoding
// it was read in, every byte not edited as it was, and no character the user
// typed or pasted is ever lost.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>

#include "app/app.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

using harness::ReadBytes;
using harness::WriteBytes;

class PageEncodings : public harness::AppTest {
 protected:
  // The page p with these bytes, read from its file (the tree opens on q).
  void Show(const std::string &bytes) {
    ASSERT_TRUE(WriteBytes(notebook / "p.tav", bytes));
    ASSERT_TRUE(WriteBytes(notebook / "q.tav", "other"));
    strcpy(SavedPagePath, (notebook / "q.tav").c_str());
    ASSERT_TRUE(RefreshTree());
    harness::PumpMessages();
    ASSERT_TRUE(SelectPageByName("p.tav"));
  }
  void TypeAtEnd(const char *utf8) {
    SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
    SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(utf8));
  }
  std::wstring Text() {
    std::wstring text(1 << 12, L'\0');
    GETTEXTEX request = {static_cast<DWORD>(text.size() * 2), GT_DEFAULT, 1200, nullptr, nullptr};
    text.resize(SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                             reinterpret_cast<LPARAM>(&text[0])));
    return text;
  }
  // The page left for the other one and shown again: read back from its file.
  void LeaveAndComeBack() {
    ASSERT_TRUE(SelectPageByName("q.tav"));
    ASSERT_TRUE(SelectPageByName("p.tav"));
  }
};

TEST_F(PageEncodings, RunUnderUtf8WithTheSystemCodePage1252) {
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
  ASSERT_EQ(LegacyCodePage(), 1252u);
}

// Text pasted from elsewhere arrives as Unicode; the page keeps all of it.
TEST_F(PageEncodings, PastedUnicodeIsSavedAndShownAgain) {
  Show("notes: ");
  const std::wstring pasted = L"\u03a9 \u2192 \u65e5\u672c\u8a9e \U0001F600";
  ASSERT_TRUE(harness::PutOnClipboard(pasted));
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  ExecuteCommand(CMD_PASTE);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"),
            "notes: \xCE\xA9 \xE2\x86\x92 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x98\x80");
  LeaveAndComeBack();
  EXPECT_TRUE(Text() == L"notes: " + pasted);
  EXPECT_TRUE(boxes.boxes().empty());
}

// Read, edited at its end and saved, a page keeps its encoding, its mark and
// its line breaks: every byte before the edit stays as it was.
TEST_F(PageEncodings, EachPageIsWrittenBackInTheEncodingItWasReadIn) {
  const struct {
    const char *what;
    std::string bytes;
    std::string afterEdit;  // the page with "!" typed at its end
  } cases[] = {
      {"UTF-8 with a mark", "\xEF\xBB\xBF" "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x94 na\xC3\xAFve",
       "\xEF\xBB\xBF" "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x94 na\xC3\xAFve!"},
      {"UTF-8 from Linux", "Gr\xC3\xBC\xC3\x9F" "e\naus M\xC3\xBCnchen\n",
       "Gr\xC3\xBC\xC3\x9F" "e\naus M\xC3\xBCnchen\n!"},
      {"UTF-16", std::string("\xFF\xFE" "a\0\r\0\n\0=\xD8\x00\xDE", 12),
       std::string("\xFF\xFE" "a\0\r\0\n\0=\xD8\x00\xDE!\0", 14)},
      {"code page 1252", "caf\xE9\r\n\x80 \x81", "caf\xE9\r\n\x80 \x81!"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Show(c.bytes);
    EXPECT_FALSE(CurrentPageIsProtected());
    TypeAtEnd("!");
    ExecuteCommand(CMD_SAVENOW);
    EXPECT_EQ(ReadBytes(notebook / "p.tav"), c.afterEdit);
    LeaveAndComeBack();
    TypeAtEnd("?");
    ExecuteCommand(CMD_SAVENOW);
    std::string twice = ReadBytes(notebook / "p.tav");
    EXPECT_EQ(twice.substr(0, c.afterEdit.size()), c.afterEdit) << "read back alike";
  }
  EXPECT_TRUE(boxes.boxes().empty());
}

// Lines that do not all end alike (a page from Linux with one line from
// Windows) are written as most of them end, and the user is told; the
// page's next save says nothing more.
TEST_F(PageEncodings, LineBreaksNotAllAlikeAreMadeAlikeAndSaidSo) {
  Show("caf\xC3\xA9\nb\nc\r\nd");
  TypeAtEnd("!");
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "caf\xC3\xA9\nb\nc\nd!");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "The lines of the page 'p.tav' did not all end alike (CR LF "
                                   "and LF), so it was saved with every line ending in LF.");
  boxes.Clear();
  TypeAtEnd("?");
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "caf\xC3\xA9\nb\nc\nd!?");
  EXPECT_TRUE(boxes.boxes().empty());
}

// CR CR LF, left by a double conversion of line breaks, is a kind of its
// own: shown as one line break, and kept where every line or most lines end
// so; where it is made like the others, the message says which kinds met.
TEST_F(PageEncodings, LinesEndingInCrCrLfKeepTheirBytes) {
  Show("one\r\r\ntwo\r\r\nthree");
  EXPECT_TRUE(Text() == L"one\rtwo\rthree") << "one line break a line";
  TypeAtEnd("!");
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "one\r\r\ntwo\r\r\nthree!");
  EXPECT_TRUE(boxes.boxes().empty());

  Show("one\r\r\ntwo\r\nthree\r\r\nfour");
  TypeAtEnd("!");
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "one\r\r\ntwo\r\r\nthree\r\r\nfour!");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "The lines of the page 'p.tav' did not all end alike (CR LF "
                                   "and CR CR LF), so it was saved with every line ending in "
                                   "CR CR LF.");
}

// A character the page's code page cannot hold never becomes "?": the page
// goes to UTF-8 with a mark, and the user is told once.
TEST_F(PageEncodings, ALegacyPageThatGainsOtherCharactersBecomesUtf8WithAMark) {
  Show("caf\xE9");
  TypeAtEnd(" \xCE\xA9");
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "\xEF\xBB\xBF" "caf\xC3\xA9 \xCE\xA9");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            "The page 'p.tav' now holds characters that code page 1252 cannot hold, so it was "
            "saved as UTF-8 with a byte-order mark.");
  boxes.Clear();
  TypeAtEnd("\xC3\xA9");
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "\xEF\xBB\xBF" "caf\xC3\xA9 \xCE\xA9\xC3\xA9");
  EXPECT_TRUE(boxes.boxes().empty());
}

// Bytes that are not text of their encoding cannot be kept by the editor:
// such a page is shown read-only and never written back.
TEST_F(PageEncodings, APageOfBytesThatAreNotTextIsNeverWritten) {
  const std::string bytes = "\xEF\xBB\xBF" "caf\xE9";
  boxes.Answer(IDOK);
  Show(bytes);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            "The page 'p.tav' holds bytes that are not text in UTF-8 with a byte-order mark, "
            "which the editor cannot keep as they are.\nIt is shown read-only and will not be "
            "saved.");
  boxes.Clear();
  EXPECT_TRUE(CurrentPageIsProtected());
  TypeAtEnd("x");
  ASSERT_TRUE(SelectPageByName("q.tav"));
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), bytes);
}

}  // namespace
