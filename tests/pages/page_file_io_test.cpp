// Writing page files and reading them for the editor, without windows: what
// reaches the disk, what survives a failure, and how a file is cut into pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ui_handles.h"
#include "harness/harness.h"
#include "pages/pages.h"
#include "small_disk.h"

namespace {

using harness::ListNames;
using harness::ReadBytes;
using harness::TempDir;
using harness::WriteBytes;

bool Write(const TempDir &folder, const char *name, const std::string &text) {
  return WritePageFile(folder.path().c_str(), name, text.data(), text.size());
}

TEST(WritePageFile, WritesTheBytesAndLeavesNoTemporaryFile) {
  TempDir folder;
  std::string text = "first line\r\nsecond\r\n\xE4\xF6\xFC";
  ASSERT_TRUE(Write(folder, "new.tav", text));
  EXPECT_EQ(ReadBytes(folder / "new.tav"), text);
  ASSERT_TRUE(Write(folder, "new.tav", ""));
  bool ok = false;
  EXPECT_EQ(ReadBytes(folder / "new.tav", &ok), "");
  EXPECT_TRUE(ok);
  EXPECT_EQ(ListNames(folder.path()), std::vector<std::string>{"new.tav"});
}

TEST(WritePageFile, KeepsTheLetterCaseOfAnExistingName) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "Plan.TAV", "old"));
  ASSERT_TRUE(Write(folder, "plan.tav", "new text"));
  EXPECT_EQ(ListNames(folder.path()), std::vector<std::string>{"Plan.TAV"});
  EXPECT_EQ(ReadBytes(folder / "Plan.TAV"), "new text");
}

TEST(WritePageFile, KeepsTheHiddenAttribute) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "h.tav", "old"));
  ASSERT_TRUE(SetFileAttributesA((folder / "h.tav").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(Write(folder, "h.tav", "new"));
  EXPECT_TRUE(GetFileAttributesA((folder / "h.tav").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(ReadBytes(folder / "h.tav"), "new");
}

// Each failure leaves the old file as it was, no temporary file behind, and
// the reason in the last error.
struct Refusal {
  const char *what;
  DWORD error;
};

void ExpectRefused(const TempDir &folder, const char *name, const std::string &oldText,
                   const Refusal &refusal) {
  SCOPED_TRACE(refusal.what);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Write(folder, name, std::string(5000, 'n')));
  EXPECT_EQ(GetLastError(), refusal.error);
  EXPECT_EQ(ReadBytes(folder / name), oldText);
  for (const std::string &entry : ListNames(folder.path()))
    EXPECT_FALSE(entry.size() > 4 && entry.substr(entry.size() - 4) == ".tmp") << entry;
}

TEST(WritePageFile, RefusesAReadOnlyPage) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "r.tav", "old text"));
  ASSERT_TRUE(SetFileAttributesA((folder / "r.tav").c_str(), FILE_ATTRIBUTE_READONLY));
  ExpectRefused(folder, "r.tav", "old text", {"read-only", ERROR_ACCESS_DENIED});
  SetFileAttributesA((folder / "r.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WritePageFile, RefusesAPageHeldOpenWithoutSharing) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "busy.tav", "old text"));
  HANDLE held = CreateFileA((folder / "busy.tav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Write(folder, "busy.tav", "new"));
  // Replacing a file in use is refused as access denied (Wine) or a
  // sharing violation.
  DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) << error;
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(folder / "busy.tav"), "old text");
  EXPECT_EQ(ListNames(folder.path()), std::vector<std::string>{"busy.tav"});
}

TEST(WritePageFile, RefusesADirectoryNamedLikeAPage) {
  TempDir folder;
  ASSERT_TRUE(CreateDirectoryA((folder / "f.tav").c_str(), nullptr));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Write(folder, "f.tav", "text"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(GetFileAttributesA((folder / "f.tav").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(ListNames(folder.path()), std::vector<std::string>{"f.tav"});
}

TEST(WritePageFile, FailsInAFolderThatIsGone) {
  TempDir folder;
  std::string gone = folder / "gone";
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WritePageFile(gone.c_str(), "a.tav", "x", 1));
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_NE(GetLastError(), 0xdeadbeef);
  EXPECT_TRUE(ListNames(folder.path()).empty());
}

TEST(WritePageFile, RefusesAPathLongerThanTheBuffers) {
  TempDir folder;
  std::string name(PATH_BUFFER_SIZE - folder.path().size(), 'x');
  name += ".tav";
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Write(folder, name.c_str(), "x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_TRUE(ListNames(folder.path()).empty());
}

TEST(WritePageFile, AFullDiskKeepsTheOldText) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << disk.failure();
  std::string page = disk.path() + "\\full.tav";
  std::string oldText(20000, 'o');
  ASSERT_TRUE(WriteBytes(page, oldText));
  SetLastError(0xdeadbeef);
  std::string newText(60000, 'n');
  EXPECT_FALSE(WritePageFile(disk.path().c_str(), "full.tav", newText.data(), newText.size()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(ReadBytes(page), oldText);
  EXPECT_EQ(ListNames(disk.path()), std::vector<std::string>{"full.tav"});
  // The space of the failed attempt was given back.
  std::string smaller(30000, 's');
  EXPECT_TRUE(WritePageFile(disk.path().c_str(), "full.tav", smaller.data(), smaller.size()));
  EXPECT_EQ(ReadBytes(page), smaller);
  DeleteFileA(page.c_str());
}

// Reads a whole file through the page reader in pieces of at most capacity.
std::vector<std::string> ReadPieces(const std::string &path, long capacity, PageReader *reader) {
  std::vector<std::string> pieces;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  StartPageReader(reader, file);
  std::vector<char> buffer(capacity);
  for (;;) {
    long got = -1;
    ReadPagePiece(reader, buffer.data(), capacity, &got);
    if (got <= 0) break;
    EXPECT_LE(got, capacity);
    pieces.emplace_back(buffer.data(), got);
  }
  CloseHandle(file);
  return pieces;
}

std::string Joined(const std::vector<std::string> &pieces) {
  std::string all;
  for (const std::string &piece : pieces) all += piece;
  return all;
}

// No CR LF pair may be split over two pieces: the editor would read it as
// two line breaks.
void ExpectNoLineBreakSplit(const std::vector<std::string> &pieces) {
  for (size_t i = 0; i + 1 < pieces.size(); ++i)
    EXPECT_FALSE(pieces[i].back() == '\r' && pieces[i + 1][0] == '\n')
        << "piece " << i << " of " << pieces.size();
}

TEST(PageReader, HandsOnEveryByteWithoutSplittingALineBreak) {
  std::string crlfAtBoundary = std::string(4095, 'a') + "\r\n" + "tail";
  std::string crlfAcrossTwoBoundaries = "x";
  for (int i = 0; i < 5000; ++i) crlfAcrossTwoBoundaries += "\r\n";
  // What is handed on differs from the file only in line breaks the editor
  // reads alike: a CR before a CR goes on as LF, and a soft line break
  // "\r\r\n" as CR LF.
  const struct {
    const char *what;
    std::string bytes;
    std::string handedOn;
  } cases[] = {
      {"empty", "", ""},
      {"4096 bytes", std::string(4096, 'b'), std::string(4096, 'b')},
      {"4097 bytes", std::string(4097, 'c'), std::string(4097, 'c')},
      {"CR LF across the first block end", crlfAtBoundary, crlfAtBoundary},
      {"CR LF pairs across every block end", crlfAcrossTwoBoundaries, crlfAcrossTwoBoundaries},
      {"only CRs", std::string(9000, '\r'), std::string(8999, '\n') + "\r"},
      {"CR at the very end", std::string(4095, 'd') + "\r", std::string(4095, 'd') + "\r"},
      {"lone CR and LF", "a\rb\nc\r\n", "a\rb\nc\r\n"},
      {"soft line breaks across the block end",
       std::string(4095, 'e') + "\r\r\n" + std::string(4093, 'f') + "\r\r\n",
       std::string(4095, 'e') + "\r\n" + std::string(4093, 'f') + "\r\n"},
  };
  TempDir folder;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteBytes(folder / "p.tav", c.bytes));
    for (long capacity : {4096L, 7L, 2L}) {
      SCOPED_TRACE(capacity);
      PageReader reader;
      std::vector<std::string> pieces = ReadPieces(folder / "p.tav", capacity, &reader);
      EXPECT_EQ(Joined(pieces), c.handedOn);
      ExpectNoLineBreakSplit(pieces);
      EXPECT_TRUE(reader.atEnd);
      EXPECT_FALSE(reader.sawNul);
      EXPECT_EQ(reader.readError, 0u);
    }
  }
}

TEST(PageReader, NulBytesBecomeSpacesAndAreNoted) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "n.tav", std::string("ab\0cd\0\0e", 8)));
  PageReader reader;
  EXPECT_EQ(Joined(ReadPieces(folder / "n.tav", 4096, &reader)), "ab cd  e");
  EXPECT_TRUE(reader.sawNul);
}

TEST(PageReader, AFailedReadEndsThePageAndIsKept) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "w.tav", "text"));
  // A handle without read access makes the first read fail.
  HANDLE file = CreateFileA((folder / "w.tav").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  PageReader reader;
  StartPageReader(&reader, file);
  char buffer[16];
  long got = -1;
  ReadPagePiece(&reader, buffer, sizeof buffer, &got);
  CloseHandle(file);
  EXPECT_EQ(got, 0);
  EXPECT_TRUE(reader.atEnd);
  EXPECT_NE(reader.readError, 0u);
}

}  // namespace

namespace {

// A page in a folder whose path nearly fills the 259 characters: the file
// written beside it must have a name that still fits.
TEST(WritePageFile, SavesInAFolderNearThePathLimit) {
  TempDir base;
  std::string folder = base.path() + "\\";
  folder += std::string(250 - folder.size(), 'd');
  ASSERT_EQ(folder.size(), 250u);
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const char *names[] = {"page.tav", "p.tav"};  // 259 and 256 characters in all
  for (const char *name : names) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(WriteBytes(folder + "\\" + name, "old"));
    EXPECT_TRUE(WritePageFile(folder.c_str(), name, "new text", 8)) << GetLastError();
    EXPECT_EQ(ReadBytes(folder + "\\" + name), "new text");
  }
  EXPECT_EQ(ListNames(folder), (std::vector<std::string>{"p.tav", "page.tav"}));
}

}  // namespace
