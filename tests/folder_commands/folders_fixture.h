// The running program with a notebook of folders a test makes: what ends up
// on disk, in the tree and in the tab strip, and every box shown.
#ifndef TAV_TEST_FOLDERS_FIXTURE_H
#define TAV_TEST_FOLDERS_FIXTURE_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

using harness::CurrentDirectory;
using harness::ListNames;
using harness::ReadBytes;
using Strings = std::vector<std::string>;

class Folders : public harness::AppTest {
 protected:
  std::string At(const std::string &relative) const { return notebook / relative; }
  void Dir(const std::string &relative) { ASSERT_TRUE(harness::MakeDirs(At(relative))); }
  void Page(const std::string &relative) { ASSERT_TRUE(harness::WriteBytes(At(relative), "")); }
  // The tree rebuilt from disk with this page as the one shown last.
  void Refresh(const std::string &savedPage) {
    strcpy(SavedPagePath, savedPage.c_str());
    ASSERT_TRUE(RefreshTree());
  }
  std::string Label(HTREEITEM node) {
    char label[PATH_BUFFER_SIZE] = "";
    GetNodeLabel(node, label);
    return label;
  }
  HTREEITEM Root() { return TreeView_GetRoot(Ui.tree); }
  HTREEITEM Node(const Strings &labels) {
    HTREEITEM node = Root();
    for (const std::string &wanted : labels) {
      HTREEITEM parent = node;
      Look(parent, [&] {
        node = TreeView_GetChild(Ui.tree, parent);
        while (node != nullptr && Label(node) != wanted)
          node = TreeView_GetNextSibling(Ui.tree, node);
      });
      if (node == nullptr) return nullptr;
    }
    return node;
  }
  Strings Children(HTREEITEM node) {
    Strings labels;
    Look(node, [&] {
      for (HTREEITEM child = TreeView_GetChild(Ui.tree, node); child != nullptr;
           child = TreeView_GetNextSibling(Ui.tree, child))
        labels.push_back(Label(child));
    });
    return labels;
  }
  // A folder's children are listed when its node is first expanded: a
  // closed node is opened to look into it, as a user would, and closed again.
  void Look(HTREEITEM node, const std::function<void()> &look) {
    bool closed = !(TreeView_GetItemState(Ui.tree, node, TVIS_EXPANDED) & TVIS_EXPANDED);
    if (closed) TreeView_Expand(Ui.tree, node, TVE_EXPAND);
    look();
    if (closed) TreeView_Expand(Ui.tree, node, TVE_COLLAPSE);
  }
  std::string SelectedTab() {
    char name[PATH_BUFFER_SIZE] = "";
    GetPageName(TabCtrl_GetCurSel(Ui.tabs), name);
    return name;
  }
  void Type(const char *text) {
    SendMessageA(Ui.editor, EM_SETSEL, 0, -1);
    SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  // Edits a label and ends the edit as Enter (or Escape) would. Under Wine the
  // tree reports that end twice; after a cancel the second report has text.
  void Rename(HTREEITEM node, const std::string &text, bool cancel = false) {
    HWND edit = TreeView_EditLabel(Ui.tree, node);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, text.c_str());
    TreeView_EndEditLabelNow(Ui.tree, cancel);
  }
  void AnswerName(const std::string &name, int button = IDOK) {
    boxes.Handle([name, button](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_NAME_EDIT, name.c_str());
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
  }
  // The boxes since the last call, as "caption: text", the system's
  // description after a context (which follows ":\n") left out.
  Strings Boxes() {
    Strings seen;
    for (const harness::Box &box : boxes.boxes()) {
      size_t context = box.text.find(":\n");
      if (context != std::string::npos) context += 2;
      seen.push_back(box.caption + ": " + box.text.substr(0, context));
    }
    boxes.Clear();
    return seen;
  }
  static std::string SystemText(DWORD error) {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    return text;
  }
};

#endif
