// Paths and names, without windows: joining, comparing, where one path lies
// in another, and the files written beside a page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/paths.h"
#include "harness/harness.h"

namespace {

using harness::ListNames;
using harness::TempDir;
using harness::WriteBytes;

TEST(PathNames, CaseIsFoldedForAsciiLettersOnly) {
  EXPECT_TRUE(NamesEqualIgnoringAsciiCase("Plan", "pLAN"));
  EXPECT_TRUE(NamesEqualIgnoringAsciiCase("", ""));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("Plan", "Plans"));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("Plans", "Plan"));
  // Byte pairs 32 apart that are not ASCII letters stay different.
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("a@b", "A`B"));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("[", "{"));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("\xC3\x84pfel", "\xC3\xA4pfel"));  // A and a with diaeresis
  EXPECT_TRUE(NamesEqualIgnoringAsciiCase("\xC3\x84pfel", "\xC3\x84PFEL"));
}

TEST(PathNames, FolderPathsCompareWithoutCaseAndTrailingBackslash) {
  EXPECT_TRUE(FolderPathsEqual("C:\\Notes\\Ideas", "c:\\notes\\ideas"));
  EXPECT_TRUE(FolderPathsEqual("C:\\Notes\\", "C:\\Notes"));
  EXPECT_TRUE(FolderPathsEqual("C:\\", "c:\\"));
  EXPECT_FALSE(FolderPathsEqual("C:\\Notes", "C:\\Notes2"));
  EXPECT_FALSE(FolderPathsEqual("C:\\Notes\\A", "C:\\Notes"));
}

TEST(JoinPath, PutsOneBackslashAndRefusesTooLongPaths) {
  char out[PATH_BUFFER_SIZE];
  ASSERT_TRUE(JoinPath("C:\\Notes", "a.tav", out));
  EXPECT_STREQ(out, "C:\\Notes\\a.tav");
  ASSERT_TRUE(JoinPath("C:\\", "a.tav", out));
  EXPECT_STREQ(out, "C:\\a.tav");
  std::string folder = "C:\\" + std::string(246, 'f');
  ASSERT_TRUE(JoinPath(folder.c_str(), "12345.tav", out));  // 259 characters
  EXPECT_EQ(strlen(out), 259u);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(JoinPath(folder.c_str(), "123456.tav", out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_STREQ(out, "");
}

// The file system ignores letter case beyond ASCII too: a rename that only
// changes "\xc3\xa9" to "\xc3\x89" must take the two steps a case change needs.
TEST(PathNames, DifferOnlyInCaseFoldsAsTheCodePageDoes) {
  const struct {
    const char *a, *b;
    bool differOnlyInCase;
  } cases[] = {
      {"Plan", "PLAN", true},          {"Caf\xc3\xa9", "CAF\xc3\x89", true}, {"Plan", "Plan", false},
      {"Plan", "Plans", false},        {"a@b", "A`B", false},        {"", "", false},
      {"D:\\A\\x", "D:\\a\\X", true},
  };
  for (const auto &c : cases)
    EXPECT_EQ(NamesDifferOnlyInCase(c.a, c.b), c.differOnlyInCase) << c.a << " / " << c.b;
}

// What a folder rename carries along: the folder itself and what lies below
// it, with ASCII letter case ignored, and nothing beside it.
TEST(PathNames, AtOrBelowAFolderMeansItOrBelowItsSeparator) {
  const struct {
    const char *path;
    bool atOrBelow;
  } cases[] = {
      {"D:\\Notes\\A", true},    {"d:\\notes\\a\\Plan.tav", true}, {"D:\\Notes\\A\\", true},
      {"D:\\Notes\\A2", false},  {"D:\\Notes\\A.tav", false},     {"D:\\Notes", false},
      {"", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(PathIsAtOrBelow(c.path, "D:\\Notes\\A"), c.atOrBelow) << c.path;
  EXPECT_FALSE(PathIsAtOrBelow("D:\\Caf\xc9", "D:\\Caf\xe9")) << "only ASCII letters fold";
  EXPECT_FALSE(PathIsAtOrBelow("D:\\Notes", "")) << "an empty folder holds nothing";
}

struct JoinCase {
  const char *label;
  std::string path;
  std::string name;
  bool fits;
  std::string expected;
};

TEST(JoinPath, InPlaceJoinsWithExactlyOneBackslashAndRefusesWhatDoesNotFit) {
  const std::string base250 = "D:\\" + std::string(247, 'p');  // 250 characters
  const JoinCase cases[] = {
      {"nested", "D:\\Notes\\Projects", "Ideas", true, "D:\\Notes\\Projects\\Ideas"},
      {"drive root", "D:\\", "Projects", true, "D:\\Projects"},
      {"empty path takes the name", "", "D:\\Notes", true, "D:\\Notes"},
      {"trailing dots kept", "D:\\Notes", "...", true, "D:\\Notes\\..."},
      {"leading backslash of the name", "D:\\Notes", "\\Ideas", true, "D:\\Notes\\Ideas"},
      {"exactly 259", base250, std::string(8, 'n'), true, base250 + "\\" + std::string(8, 'n')},
      {"260 refused", base250, std::string(9, 'n'), false, base250},
      {"long name alone", "", std::string(259, 'n'), true, std::string(259, 'n')},
      {"name too long alone", "", std::string(260, 'n'), false, ""},
  };
  for (const JoinCase &c : cases) {
    SCOPED_TRACE(c.label);
    char buffer[PATH_BUFFER_SIZE + 16];
    memset(buffer, 0xcc, sizeof buffer);
    strcpy(buffer, c.path.c_str());
    EXPECT_EQ(JoinPath(buffer, c.name.c_str()), c.fits);
    EXPECT_EQ(std::string(buffer), c.expected);
    EXPECT_EQ(static_cast<unsigned char>(buffer[PATH_BUFFER_SIZE]), 0xcc)
        << "wrote past the buffer";
  }
}

struct RemainderCase {
  const char *label;
  const char *workFolder;
  const char *path;
  const char *remainder;  // null: not below the work folder
};

TEST(PathBelowFolder, TakesWhatFollowsTheFolderAndOneSeparator) {
  const RemainderCase cases[] = {
      {"nested", "D:\\Notes", "D:\\Notes\\Projects\\Ideas\\Plan.tav", "Projects\\Ideas\\Plan.tav"},
      {"page in the work folder", "D:\\Notes", "D:\\Notes\\Plan.tav", "Plan.tav"},
      {"letter case", "D:\\Notes", "d:\\NOTES\\Plan.tav", "Plan.tav"},
      {"accented letter case", "D:\\Caf\xc3\xa9", "D:\\CAF\xc3\x89\\Plan.tav", "Plan.tav"},
      {"sibling with a longer name", "D:\\Notes", "D:\\Notes2\\Plan.tav", nullptr},
      {"other folder", "D:\\Notes", "E:\\Notes\\Plan.tav", nullptr},
      {"the work folder itself", "D:\\Notes", "D:\\Notes", nullptr},
      {"nothing after the separator", "D:\\Notes", "D:\\Notes\\", nullptr},
      {"empty path", "D:\\Notes", "", nullptr},
      {"drive root, page at the top", "D:\\", "D:\\Plan.tav", "Plan.tav"},
      {"drive root, nested", "D:\\", "D:\\Projects\\Plan.tav", "Projects\\Plan.tav"},
      {"drive root, other drive", "D:\\", "E:\\Plan.tav", nullptr},
      {"work folder with a trailing separator", "D:\\Notes\\", "D:\\Notes\\Plan.tav", "Plan.tav"},
      {"no work folder", "", "D:\\Notes\\Plan.tav", nullptr},
  };
  for (const RemainderCase &c : cases) {
    SCOPED_TRACE(c.label);
    const char *remainder = "untouched";
    bool below = PathBelowFolder(c.path, c.workFolder, &remainder);
    EXPECT_EQ(below, c.remainder != nullptr);
    if (c.remainder != nullptr && below) {
      EXPECT_STREQ(remainder, c.remainder);
    }
  }
}

// A path another program's file names is shown as it is there, but never so
// that it reads as another: a byte of no character, a control character, a
// mark that turns the direction of the text after it, and "<" (which would
// make an escape ambiguous) are shown as their values.
TEST(PathNames, APathIsShownWithWhatCouldHideWhatItNamesAsByteValues) {
  EXPECT_TRUE(Utf8AsShown("C:\\caf\xC3\xA9 \xF0\x9F\x98\x80.tav") == L"C:\\caf\u00e9 \U0001F600.tav");
  EXPECT_TRUE(Utf8AsShown("caf\xE9 \xC0\xAF \xED\xA0\x80 \xC3") ==
              L"caf<0xE9> <0xC0><0xAF> <0xED><0xA0><0x80> <0xC3>");
  EXPECT_TRUE(Utf8AsShown("a\tb\xC2\x85 \xE2\x80\xAEvat.exe <0x41>") ==
              L"a<0x09>b<0xC2><0x85> <0xE2><0x80><0xAE>vat.exe <0x3C>0x41>");
}

// The second half of a rename by way of a step name: when the step cannot
// take its new name it goes back to the old one, and only when that fails
// too is it left, named, under the step name.
const char *failingMove;  // "new", "both" or ""
std::vector<std::string> moves;
bool MoveForTest(const char *from, const char *to) {
  moves.push_back(std::string(from) + ">" + to);
  std::string failing = failingMove;
  bool fails = (failing == "new" && std::string(to) == "A") || failing == "both";
  if (fails) SetLastError(moves.size() == 1 ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED);
  return !fails;
}

TEST(FinishRenameStep, GoesBackOrSaysWhereTheItemWasLeft) {
  const struct {
    const char *failing;
    bool renamed;
    std::vector<std::string> moves;
    const char *leftAt;
  } cases[] = {
      {"", true, {"~step>A"}, ""},
      {"new", false, {"~step>A", "~step>a"}, ""},
      {"both", false, {"~step>A", "~step>a"}, "~step"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.failing);
    failingMove = c.failing;
    moves.clear();
    char leftAt[PATH_BUFFER_SIZE];
    memset(leftAt, 0xcc, sizeof leftAt);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(FinishRenameStep("~step", "a", "A", MoveForTest, leftAt), c.renamed);
    EXPECT_EQ(moves, c.moves);
    EXPECT_STREQ(leftAt, c.leftAt);
    if (!c.renamed) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
  }
}

// A save killed before it replaced its page leaves its temporary file; the
// next listing of the folder removes it, and nothing else. In a folder too
// deep for the usual name the save uses a name of four characters, which a
// file of the user's may have too: only a file TAV recorded making is taken
// for TAV's (a leftover of an earlier build, never recorded, stays).
TEST(RemoveLeftoverTemporaryFiles, RemovesOnlyTheSavesOwnFilesNoOneHolds) {
  TempDir folder;
  const char *names[] = {"~tav1A2B.tmp", "~tavBEEF.tmp", "~tav1A2B5.tmp", "~tavXYZW.tmp",
                         "~1A2", "~notes.tmp", "tav1A2B.tmp"};
  for (const char *name : names) ASSERT_TRUE(WriteBytes(folder / name, name));
  HANDLE held = CreateFileA((folder / "~tavBEEF.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  // A rename killed halfway leaves the page itself under such a name.
  char renamed[PATH_BUFFER_SIZE];
  ASSERT_TRUE(CreateRenameStepFile(folder.path().c_str(), renamed));
  RemoveLeftoverTemporaryFiles(folder.path().c_str());
  CloseHandle(held);
  EXPECT_TRUE(harness::FileExists(renamed));
  ASSERT_TRUE(DeleteFileA(renamed));
  EXPECT_EQ(ListNames(folder.path()),
            (std::vector<std::string>{"tav1A2B.tmp", "~1A2", "~notes.tmp", "~tav1A2B5.tmp",
                                      "~tavBEEF.tmp", "~tavXYZW.tmp"}));

  std::string deep = folder.path() + "\\";
  deep += std::string(247 - deep.size(), 'd');
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(deep + "\\~ADD", "my notes"));
  ASSERT_TRUE(WriteBytes(deep + "\\~RAB", "my other notes"));
  ASSERT_TRUE(WriteBytes(deep + "\\~1A2", "left by an earlier build"));
  char left[PATH_BUFFER_SIZE];
  ASSERT_TRUE(CreateTemporaryFile(deep.c_str(), left));  // a save killed before its move
  ASSERT_TRUE(WriteBytes(left, "the new text"));
  ASSERT_TRUE(CreateRenameStepFile(deep.c_str(), renamed));
  RemoveLeftoverTemporaryFiles(deep.c_str());
  std::vector<std::string> recovered, stuck;
  RecoverRenameSteps(deep.c_str(), &recovered, &stuck);
  EXPECT_EQ(recovered, std::vector<std::string>{"R001.tav"}) << "TAV's own step only";
  EXPECT_TRUE(stuck.empty());
  EXPECT_EQ(ListNames(deep), (std::vector<std::string>{"R001.tav", "~1A2", "~ADD",
                                                       "~RAB"}));
  EXPECT_EQ(harness::ReadBytes(deep + "\\~ADD"), "my notes");
}

}  // namespace
