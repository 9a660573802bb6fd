// Window-free rules of moving pages and folders: what a move decides, and
// the moves Undo Move keeps following TAV's later moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

namespace {

TEST(DecideMove, NamesClashesLetterCaseItselfVolumesAndLengths) {
  const std::vector<std::wstring> there = {L"Plan.TAV", L"Ideas", L"\u00c9t\u00e9.tav",
                                           L"\u03a9mega"};
  const std::string deep = "C:\\N\\" + std::string(240, 'd');
  const struct {
    const char *label;
    MoveKind kind;
    std::string from, target, name;
    bool sameVolume;
    size_t tail;
    MoveDecision decision;
    std::string to;
  } cases[] = {
      {"page to another folder", MOVE_PAGE, "C:\\N\\A\\Note.tav", "C:\\N\\B", "Note.tav", true, 0,
       MOVE_GO, "C:\\N\\B\\Note.tav"},
      {"page into its own folder", MOVE_PAGE, "C:\\N\\A\\Note.tav", "c:\\n\\a\\", "Note.tav", true,
       0, MOVE_NOTHING_TO_DO, ""},
      {"page name taken in another case", MOVE_PAGE, "C:\\N\\A\\plan.tav", "C:\\N\\B", "plan.tav",
       true, 0, MOVE_NAME_TAKEN, ""},
      {"accented name taken in another case", MOVE_PAGE, "C:\\N\\A\\\xc3\xa9t\xc3\xa9.tav",
       "C:\\N\\B", "\xc3\xa9t\xc3\xa9.tav", true, 0, MOVE_NAME_TAKEN, ""},
      {"Greek name taken in another case", MOVE_FOLDER, "C:\\N\\A\\\xcf\x89mega", "C:\\N\\B",
       "\xcf\x89mega", true, 0, MOVE_NAME_TAKEN, ""},
      {"folder onto a page's name", MOVE_FOLDER, "C:\\N\\A\\plan.tav", "C:\\N\\B", "plan.tav",
       true, 0, MOVE_NAME_TAKEN, ""},
      {"a name that only begins the same", MOVE_FOLDER, "C:\\N\\A\\Idea", "C:\\N\\B", "Idea", true,
       0, MOVE_GO, "C:\\N\\B\\Idea"},
      {"folder into itself", MOVE_FOLDER, "C:\\N\\A", "C:\\N\\A", "A", true, 0, MOVE_INTO_ITSELF,
       ""},
      {"folder below itself", MOVE_FOLDER, "C:\\N\\A", "c:\\n\\a\\x\\y", "A", true, 0,
       MOVE_INTO_ITSELF, ""},
      {"folder into a sibling named like it", MOVE_FOLDER, "C:\\N\\A", "C:\\N\\AB", "A", true, 0,
       MOVE_GO, "C:\\N\\AB\\A"},
      {"folder up to the work folder", MOVE_FOLDER, "C:\\N\\A\\B", "C:\\N", "B", true, 0, MOVE_GO,
       "C:\\N\\B"},
      {"another volume", MOVE_PAGE, "C:\\N\\A\\Note.tav", "C:\\N\\Linked", "Note.tav", false, 0,
       MOVE_OTHER_VOLUME, ""},
      {"page path too long", MOVE_PAGE, "C:\\N\\A\\Note.tav", deep, "Note.tav" + std::string(20, 'x'),
       true, 0, MOVE_PATH_TOO_LONG, ""},
      {"a folder below would be too deep", MOVE_FOLDER, "C:\\N\\A", deep, "A", true, 13,
       MOVE_PATH_TOO_LONG, ""},
      {"the folders below still fit", MOVE_FOLDER, "C:\\N\\A", deep, "A", true, 12, MOVE_GO,
       deep + "\\A"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.label);
    MoveRequest request = {c.kind, c.from.c_str(), c.target.c_str(), c.name.c_str(), &there,
                           c.sameVolume, c.tail};
    char to[PATH_BUFFER_SIZE];
    memset(to, 0xcc, sizeof to);
    EXPECT_EQ(DecideMove(request, to), c.decision);
    EXPECT_EQ(std::string(to), c.to);
  }
}

// A page moved, then its folder moved by TAV, then the folder it came from
// renamed: Undo Move still finds the page and its old place, which does not
// follow what is moved away from it later.
TEST(MoveRecords, FollowLaterMovesOfTheItemAndOfItsOldPlace) {
  std::vector<MoveRecord> records;
  KeepMoveRecord(&records, MoveRecord{MOVE_PAGE, "C:\\N\\A\\p.tav", "C:\\N\\B\\p.tav", {}});
  FollowMoveRecords(&records, "C:\\N\\B", "C:\\N\\C\\B");
  FollowMoveRecords(&records, "C:\\N\\a", "C:\\N\\A2");
  FollowMoveRecords(&records, "C:\\N\\C\\B\\p", "C:\\N\\elsewhere");  // only a name's start
  FollowMoveRecords(&records, "C:\\N\\A2\\p.tav", "C:\\N\\D\\p.tav");  // a newcomer, or the move seen again
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].from, "C:\\N\\A2\\p.tav");
  EXPECT_EQ(records[0].to, "C:\\N\\C\\B\\p.tav");
  for (int i = 0; i < MOVE_RECORDS_KEPT + 5; ++i)
    KeepMoveRecord(&records, MoveRecord{MOVE_FOLDER, "C:\\N\\x", "C:\\N\\y\\x", {}});
  EXPECT_EQ(records.size(), static_cast<size_t>(MOVE_RECORDS_KEPT));
}

}  // namespace
