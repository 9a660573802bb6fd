// The main window with one page whose text a test chooses, for the editing
// tools' tests.
#ifndef TAV_TEST_EDITING_FIXTURE_H
#define TAV_TEST_EDITING_FIXTURE_H

#include <richedit.h>

#include <string>
#include <utility>

#include "app/app.h"
#include "notebook/notebook.h"
#include "editing/editing.h"
#include "harness/harness.h"
#include "pages/pages.h"

class EditingApp : public harness::AppTest {
 protected:
  using Span = std::pair<long, long>;

  // Shows text as the page Page.tav; what the editor held before is dropped.
  void ShowText(const std::string &text) {
    EditorSetModified(false);
    ASSERT_TRUE(harness::WriteBytes(notebook / "Page.tav", text));
    ExecuteCommand(CMD_REFRESH);
    harness::PumpMessages();
  }
  std::string Text() { return harness::WindowText(Ui.editor); }
  void Select(long first, long end) {
    CHARRANGE range = {first, end};
    SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  }
  Span Selection() {
    CHARRANGE range = {-1, -1};
    SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return {range.cpMin, range.cpMax};
  }
  static Span Range(long first, long end) { return {first, end}; }
};

#endif
