// Writing page files and reading them, without windows: what reaches the
// disk, and what survives a failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
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

// A read that fails keeps what came before it and says why.
TEST(ReadWholeFile, AFailedReadEndsTheTextAndIsKept) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "w.tav", "text"));
  // A handle without read access makes the first read fail.
  HANDLE file = CreateFileA((folder / "w.tav").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string bytes = "stale";
  EXPECT_NE(ReadWholeFile(file, &bytes), 0u);
  CloseHandle(file);
  EXPECT_EQ(bytes, "");
}

// A read bounded by the most it may take ends there, whatever the file's
// size said when it was opened: a file that grows while it is read.
TEST(ReadWholeFile, ABoundedReadEndsAtItsMost) {
  TempDir folder;
  ASSERT_TRUE(WriteBytes(folder / "log.txt", "0123456789"));
  HANDLE file = CreateFileA((folder / "log.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_EQ(ReadFileUpTo(file, 4, &bytes), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  CloseHandle(file);
  EXPECT_EQ(bytes, "0123");
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
