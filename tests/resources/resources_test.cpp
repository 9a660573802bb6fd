// Integrity of the resources linked into the program, read back from the
// running module the way the program reads them: menus, accelerators,
// tooltip strings, bitmaps, icon, cursor and the two dialogs.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/app.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// ---------------------------------------------------------------- menus

struct ExpectedItem {
  int id;            // 0 for a separator or a submenu
  const char *text;  // null for a separator
  const std::vector<ExpectedItem> *submenu = nullptr;
};
const ExpectedItem Rule = {0, nullptr};

struct ExpectedPopup {
  const char *title;
  std::vector<ExpectedItem> items;
};

const std::vector<ExpectedItem> ThemeMenu = {
    {CMD_THEMESYSTEM, "&Use system setting"}, {CMD_THEMELIGHT, "&Light"},
    {CMD_THEMEDARK, "&Dark"}};

const std::vector<ExpectedPopup> ExpectedMainMenu = {
    {"&File",
     {{CMD_IMPORT, "&Import..."}, {CMD_EXPORT, "&Export..."},
      {CMD_SAVENOW, "&Save page now!\tCtrl+S"}, Rule,
      {CMD_WORKDIR, "&Work directory..."}, {CMD_REFRESH, "&Refresh\tF5"}, Rule,
      {CMD_EXIT, "E&xit"}}},
    {"&Edit",
     {{CMD_UNDO, "&Undo\tCtrl+Z"}, {CMD_REDO, "&Redo\tCtrl+Y"}, Rule,
      {CMD_CUT, "Cu&t\tShift+Del"}, {CMD_COPY, "&Copy\tCtrl+Insert"},
      {CMD_PASTE, "&Paste\tShift+Insert"}, {CMD_SELECTALL, "Select &All\tCtrl+A"}, Rule,
      {CMD_FIND, "&Find...\tCtrl+F"}, {CMD_FINDNEXT, "Find &Next\tF3"},
      {CMD_REPLACE, "R&eplace...\tCtrl+H"}, {CMD_FINDALL, "Find in &All Pages...\tCtrl+Shift+F"},
      Rule,
      {CMD_DATETIME, "Insert &Date/Time\tCtrl+D"}, Rule,
      {CMD_WORDWRAP, "Word &Wrap"}}},
    {"&Page",
     {{CMD_NEWPAGE, "&New Page...\tCtrl+N"}, {CMD_OPENPAGE, "&Open Page...\tCtrl+O"},
      {CMD_RENAMEPAGE, "&Rename Page..."}, {CMD_DELETEPAGE, "&Delete Page"},
      {CMD_UNDODELETE, "Undo &Delete"}, {CMD_MOVEPAGE, "&Move Page...\tCtrl+Shift+M"}, {CMD_HISTORY, "&History...\tCtrl+Shift+H"},
      {CMD_DELETEDPAGES, "Deleted &Pages..."}, Rule,
      {CMD_NEXTPAGE, "N&ext Page\tCtrl+Tab"},
      {CMD_PREVPAGE, "&Previous Page\tCtrl+Shift+Tab"}, {CMD_MOVEUP, "Move &Up\tCtrl+U"}, Rule,
      {CMD_BACK, "&Back\tAlt+Left"}, {CMD_FORWARD, "&Forward\tAlt+Right"}}},
    {"&Tree",
     {{CMD_ADDFOLDER, "&Add subfolder..."}, {CMD_OPENFOLDER, "&Open"},
      {CMD_EXPLOREFOLDER, "&Explore"}, {CMD_RENAMEFOLDER, "&Rename"},
      {CMD_MOVEFOLDER, "&Move..."}, {CMD_DELETEFOLDER, "&Delete"}, Rule,
      {CMD_UNDOMOVE, "&Undo Move"}, {CMD_UNDODELETE, "Undo &Delete"}, Rule, {CMD_SHOWTREE, "Show &Tree\tCtrl+T"},
      {CMD_NEXTPANE, "Next &Pane\tF6"}, {CMD_PREVPANE, "Previous Pa&ne\tShift+F6"}}},
    {"&Options",
     {{CMD_FONT, "Set &Font..."},
      {CMD_CUSTOMIZE, "&Customize Toolbar..."},
      {0, "App &theme", &ThemeMenu}}},
    {"&Help", {{CMD_ABOUT, "&About..."}}},
};

// The tree's code takes these by position: 0 for a folder, 1 for the root.
const std::vector<ExpectedPopup> ExpectedContextMenus = {
    {"RClickItem",
     {{CMD_ADDFOLDER, "&Add subfolder..."}, Rule, {CMD_OPENFOLDER, "&Open"},
      {CMD_EXPLOREFOLDER, "&Explore"}, {CMD_RENAMEFOLDER, "&Rename"},
      {CMD_MOVEFOLDER, "&Move..."}, {CMD_DELETEFOLDER, "&Delete"}}},
    {"RClickRoot",
     {{CMD_ADDFOLDER, "&Add subfolder..."}, Rule,
      {CMD_WORKDIR, "&Change work directory..."}, {CMD_OPENFOLDER, "&Open"},
      {CMD_EXPLOREFOLDER, "&Explore"}}},
};

struct MenuItem {
  bool separator;
  UINT id;
  std::string text;
  HMENU submenu;
};

// Reads every item of one menu level by position.
std::vector<MenuItem> ReadMenu(HMENU menu) {
  std::vector<MenuItem> items;
  int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    char text[128];
    memset(text, 0xcc, sizeof text);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    MenuItem item = {false, 0, std::string(), nullptr};
    if (GetMenuItemInfoA(menu, position, TRUE, &info)) {
      item.separator = (info.fType & MFT_SEPARATOR) != 0;
      item.id = info.wID;
      item.submenu = info.hSubMenu;
      if (!item.separator) item.text.assign(text, strnlen(text, sizeof text));
    } else {
      item.text = "<GetMenuItemInfoA failed>";
    }
    items.push_back(item);
  }
  return items;
}

// Compares one level of a menu, item by item, with the expected list.
void ExpectItemsMatch(HMENU menu, const std::vector<ExpectedItem> &expected) {
  std::vector<MenuItem> items = ReadMenu(menu);
  ASSERT_EQ(items.size(), expected.size()) << "number of items";
  for (size_t i = 0; i < items.size(); ++i) {
    const ExpectedItem &want = expected[i];
    SCOPED_TRACE("position " + std::to_string(i) + (want.text ? std::string(" ") + want.text
                                                             : std::string(" (rule)")));
    EXPECT_EQ(items[i].separator, want.text == nullptr);
    if (want.submenu != nullptr) {
      EXPECT_EQ(items[i].text, want.text);
      ASSERT_NE(items[i].submenu, nullptr);
      ExpectItemsMatch(items[i].submenu, *want.submenu);
      continue;
    }
    EXPECT_EQ(items[i].submenu, nullptr);
    if (want.id != 0) {
      EXPECT_EQ(items[i].id, static_cast<UINT>(want.id));
      EXPECT_EQ(items[i].text, want.text);
    }
  }
}

// Compares a menu's popups, item by item, with the expected lists.
void ExpectMenuMatches(HMENU menu, const std::vector<ExpectedPopup> &popups) {
  std::vector<MenuItem> bar = ReadMenu(menu);
  ASSERT_EQ(bar.size(), popups.size()) << "number of popups";
  for (size_t p = 0; p < popups.size(); ++p) {
    SCOPED_TRACE(std::string("popup ") + popups[p].title);
    EXPECT_EQ(bar[p].text, popups[p].title);
    ASSERT_NE(bar[p].submenu, nullptr);
    ExpectItemsMatch(bar[p].submenu, popups[p].items);
  }
}

struct LoadedMenu {
  explicit LoadedMenu(int id) : handle(LoadMenuA(Module(), MAKEINTRESOURCEA(id))) {}
  ~LoadedMenu() {
    if (handle) DestroyMenu(handle);
  }
  HMENU handle;
};

// The mnemonic letter of a menu text (the character after a single '&'),
// upper-cased; 0 when it has none. "&&" is a literal ampersand; the key name
// after the tab is not part of the label.
char MnemonicOf(const std::string &text) {
  std::string label = text.substr(0, text.find('\t'));
  for (size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    if (label[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(toupper(static_cast<unsigned char>(label[i + 1])));
  }
  return 0;
}

// The letters used by more than one of the texts, in the order met.
std::string RepeatedMnemonics(const std::vector<std::string> &texts) {
  std::set<char> seen;
  std::string repeated;
  for (const std::string &text : texts) {
    char letter = MnemonicOf(text);
    if (letter == 0) continue;
    if (!seen.insert(letter).second && repeated.find(letter) == std::string::npos)
      repeated += letter;
  }
  return repeated;
}

// The one letter two items share: "Find in &All Pages..." was named so beside
// "Select &All"; Windows moves between the two as the letter is pressed
// again, and Enter chooses.
const char SharedEditMnemonic[] = "A";
// The same for "Undo &Delete" beside "&Delete Page" and the tree's "&Delete".
const char SharedDeleteMnemonic[] = "D";
// And on the Page menu "Deleted &Pages..." beside "&Previous Page".
const char SharedPageMnemonic[] = "P";

// Every level of a menu: its own texts must not share a mnemonic, and every
// item must have one.
void ExpectDistinctMnemonics(HMENU menu, const std::string &where) {
  std::vector<std::string> texts;
  for (const MenuItem &item : ReadMenu(menu)) {
    if (item.separator) continue;
    texts.push_back(item.text);
    EXPECT_NE(MnemonicOf(item.text), 0) << where << ": no mnemonic in \"" << item.text << "\"";
    if (item.submenu) ExpectDistinctMnemonics(item.submenu, where + " > " + item.text);
  }
  std::string allowed = where == "main menu > &Edit"   ? SharedEditMnemonic
                        : where == "main menu > &Page" ? std::string(SharedDeleteMnemonic) + SharedPageMnemonic
                        : where == "main menu > &Tree" ? SharedDeleteMnemonic
                                                       : "";
  EXPECT_EQ(RepeatedMnemonics(texts), allowed) << where << ": mnemonic letters used twice";
}

// Collects the command ids of every item below a menu.
void CollectCommandIds(HMENU menu, std::vector<UINT> *ids) {
  for (const MenuItem &item : ReadMenu(menu)) {
    if (item.submenu)
      CollectCommandIds(item.submenu, ids);
    else if (!item.separator)
      ids->push_back(item.id);
  }
}

TEST(MenuResources, MainMenuHasEveryItemInPlace) {
  LoadedMenu menu(IDM_MAIN);
  ASSERT_NE(menu.handle, nullptr) << "menu " << IDM_MAIN << " error " << GetLastError();
  ExpectMenuMatches(menu.handle, ExpectedMainMenu);
}

TEST(MenuResources, ContextMenusHaveEveryItemInPlace) {
  LoadedMenu menu(IDM_CONTEXT);
  ASSERT_NE(menu.handle, nullptr) << "menu " << IDM_CONTEXT << " error " << GetLastError();
  ExpectMenuMatches(menu.handle, ExpectedContextMenus);
}

TEST(MenuResources, EveryMenuCommandIsInRangeAndRouted) {
  for (int resource : {IDM_MAIN, IDM_CONTEXT}) {
    LoadedMenu menu(resource);
    ASSERT_NE(menu.handle, nullptr) << "menu " << resource;
    std::vector<UINT> ids;
    CollectCommandIds(menu.handle, &ids);
    for (UINT id : ids) {
      SCOPED_TRACE("menu " + std::to_string(resource) + ", command " + std::to_string(id));
      EXPECT_GE(id, static_cast<UINT>(CMD_FIRST));
      EXPECT_LE(id, static_cast<UINT>(CMD_LAST));
      EXPECT_NE(FindCommand(static_cast<int>(id)), nullptr) << "no row in the command table";
    }
  }
}

TEST(MenuResources, NoMnemonicRepeatsWithinAPopup) {
  for (int resource : {IDM_MAIN, IDM_CONTEXT}) {
    LoadedMenu menu(resource);
    ASSERT_NE(menu.handle, nullptr) << "menu " << resource;
    if (resource == IDM_MAIN) {
      ExpectDistinctMnemonics(menu.handle, "main menu");
    } else {
      // The context bar itself is never shown; only its popups need letters.
      for (const MenuItem &popup : ReadMenu(menu.handle))
        ExpectDistinctMnemonics(popup.submenu, "context menu " + popup.text);
    }
  }
}

// The check above is only worth having if it can fail.
TEST(MenuResources, MnemonicCheckSeesRepeatsAndSkipsDoubledAmpersands) {
  EXPECT_EQ(RepeatedMnemonics({"&Open", "&Explore", "Set &options"}), "O");
  EXPECT_EQ(RepeatedMnemonics({"&Find\tCtrl+F", "Find &Next\tF3", "&Replace"}), "");
  EXPECT_EQ(RepeatedMnemonics({"Salt && &Pepper", "&Salt"}), "");
  EXPECT_EQ(MnemonicOf("Tab\t&Key"), 0);
}

// --------------------------------------------------------- accelerators

struct ExpectedAccel {
  const char *keys;
  BYTE flags;
  WORD key;
  WORD command;
};

const ExpectedAccel ExpectedAccelerators[] = {
    {"Ctrl+Tab", FVIRTKEY | FCONTROL, VK_TAB, CMD_NEXTPAGE},
    {"Ctrl+Shift+Tab", FVIRTKEY | FCONTROL | FSHIFT, VK_TAB, CMD_PREVPAGE},
    {"Ctrl+N", FVIRTKEY | FCONTROL, 'N', CMD_NEWPAGE},
    {"Ctrl+S", FVIRTKEY | FCONTROL, 'S', CMD_SAVENOW},
    {"Ctrl+H", FVIRTKEY | FCONTROL, 'H', CMD_REPLACE},
    {"Ctrl+F", FVIRTKEY | FCONTROL, 'F', CMD_FIND},
    {"F3", FVIRTKEY, VK_F3, CMD_FINDNEXT},
    {"Ctrl+D", FVIRTKEY | FCONTROL, 'D', CMD_DATETIME},
    {"Ctrl+T", FVIRTKEY | FCONTROL, 'T', CMD_SHOWTREE},
    {"Ctrl+Y", FVIRTKEY | FCONTROL, 'Y', CMD_REDO},
    {"Ctrl+Z", FVIRTKEY | FCONTROL, 'Z', CMD_UNDO},
    {"Ctrl+U", FVIRTKEY | FCONTROL, 'U', CMD_MOVEUP},
    {"F5", FVIRTKEY, VK_F5, CMD_REFRESH},
    {"Ctrl+Shift+F", FVIRTKEY | FCONTROL | FSHIFT, 'F', CMD_FINDALL},
    {"F6", FVIRTKEY, VK_F6, CMD_NEXTPANE},
    {"Shift+F6", FVIRTKEY | FSHIFT, VK_F6, CMD_PREVPANE},
    {"Ctrl+O", FVIRTKEY | FCONTROL, 'O', CMD_OPENPAGE},
    {"Alt+Left", FVIRTKEY | FALT, VK_LEFT, CMD_BACK},
    {"Alt+Right", FVIRTKEY | FALT, VK_RIGHT, CMD_FORWARD},
    {"Ctrl+Shift+M", FVIRTKEY | FCONTROL | FSHIFT, 'M', CMD_MOVEPAGE},
    {"Ctrl+Shift+H", FVIRTKEY | FCONTROL | FSHIFT, 'H', CMD_HISTORY},
};
const int AcceleratorCount = sizeof ExpectedAccelerators / sizeof ExpectedAccelerators[0];

std::vector<ACCEL> ReadAccelerators(HACCEL table) {
  int count = CopyAcceleratorTableA(table, nullptr, 0);
  std::vector<ACCEL> entries(count > 0 ? count : 0);
  if (count > 0) {
    memset(entries.data(), 0xcc, entries.size() * sizeof(ACCEL));
    CopyAcceleratorTableA(table, entries.data(), count);
  }
  return entries;
}

TEST(AcceleratorResources, EntriesInStoredOrderWithExactModifiers) {
  HACCEL table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDA_MAIN));
  ASSERT_NE(table, nullptr) << "error " << GetLastError();
  std::vector<ACCEL> entries = ReadAccelerators(table);
  ASSERT_EQ(static_cast<int>(entries.size()), AcceleratorCount);
  for (int i = 0; i < AcceleratorCount; ++i) {
    const ExpectedAccel &want = ExpectedAccelerators[i];
    SCOPED_TRACE(std::to_string(i + 1) + ": " + want.keys);
    // Only the meaningful flags: the last entry carries an end marker in
    // the stored table, which the copy may or may not clear.
    EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT | FNOINVERT), want.flags);
    EXPECT_EQ(entries[i].key, want.key);
    EXPECT_EQ(entries[i].cmd, want.command);
    EXPECT_GE(entries[i].cmd, CMD_FIRST);
    EXPECT_LE(entries[i].cmd, CMD_LAST);
    EXPECT_NE(FindCommand(entries[i].cmd), nullptr) << "no row in the command table";
  }
  DestroyAcceleratorTable(table);
}

// --------------------------------------------------------------- strings

struct ExpectedTip {
  int command;
  const char *text;  // null: the command has no tooltip
};

const ExpectedTip ExpectedTooltips[] = {
    {CMD_IMPORT, "Import"},
    {CMD_EXPORT, "Export"},
    {CMD_UNDO, "Undo"},
    {CMD_EXIT, "Exit"},
    {CMD_CUT, "Cut"},
    {CMD_COPY, "Copy"},
    {CMD_PASTE, "Paste"},
    {CMD_ABOUT, nullptr},
    {CMD_WORKDIR, "Select Work Folder"},
    {CMD_WORDWRAP, "Toggle Word Wrap"},
    {CMD_FONT, nullptr},
    {CMD_NEWPAGE, "Create New Page"},
    {CMD_DELETEPAGE, "Delete Current Page"},
    {CMD_NEXTPAGE, "Next Page"},
    {CMD_PREVPAGE, "Previous Page"},
    {CMD_RENAMEPAGE, "Rename Page"},
    {CMD_SAVENOW, "Save Now!"},
    {CMD_REFRESH, "Refresh"},
    {CMD_CUSTOMIZE, nullptr},
    {CMD_FIND, "Find"},
    {CMD_FINDNEXT, "Find Next"},
    {CMD_REPLACE, "Replace"},
    {CMD_DATETIME, "Insert Date/Time"},
    {CMD_SHOWTREE, "Toggle Tree View"},
    {CMD_REDO, "Redo"},
    {CMD_MOVEUP, "Move Up"},
    {CMD_SELECTALL, nullptr},
    {CMD_RENAMEFOLDER, nullptr},
    {CMD_DELETEFOLDER, "Delete Folder"},
    {CMD_ADDFOLDER, "Add Subfolder"},
    {CMD_EXPLOREFOLDER, "Explore Folder"},
    {CMD_OPENFOLDER, "Open Folder"},
    {CMD_FINDALL, "Find in All Pages"},
    {CMD_NEXTPANE, nullptr},
    {CMD_PREVPANE, nullptr},
    {CMD_OPENPAGE, "Open Page"},
    {CMD_BACK, "Back"},
    {CMD_FORWARD, "Forward"},
    {CMD_MOVEPAGE, "Move Page"},
    {CMD_MOVEFOLDER, "Move Folder"},
    {CMD_UNDOMOVE, "Undo Move"},
    {CMD_THEMESYSTEM, "Use the System's App Theme"},
    {CMD_THEMELIGHT, "Light Theme"},
    {CMD_THEMEDARK, "Dark Theme"},
    {CMD_UNDODELETE, "Undo Delete"},
    {CMD_HISTORY, "Page History"},
    {CMD_DELETEDPAGES, "Deleted Pages"},
};

// Every command has its row here; a number of the range that names no
// command has no string either.
TEST(StringResources, EachCommandHasItsTooltipOrNone) {
  std::vector<ExpectedTip> tips(std::begin(ExpectedTooltips), std::end(ExpectedTooltips));
  std::set<int> listed;
  for (const ExpectedTip &tip : tips) listed.insert(tip.command);
  for (int id = CMD_FIRST; id <= CMD_LAST; ++id) {
    EXPECT_EQ(FindCommand(id) != nullptr, listed.count(id) == 1) << "command " << id;
    char text[64];
    if (listed.count(id) == 0) EXPECT_EQ(LoadStringA(Module(), id, text, sizeof text), 0) << id;
  }
  EXPECT_EQ(tips.size(), static_cast<size_t>(CommandTableSize));
  for (const ExpectedTip &tip : tips) {
    SCOPED_TRACE("string " + std::to_string(tip.command));
    char text[128];
    memset(text, 0xcc, sizeof text);
    int length = LoadStringA(Module(), tip.command, text, sizeof text);
    if (tip.text) {
      ASSERT_GT(length, 0) << "missing tooltip \"" << tip.text << "\"";
      EXPECT_EQ(std::string(text, length), tip.text);
      EXPECT_EQ(text[length], '\0');
    } else {
      EXPECT_EQ(length, 0) << "unexpected string \"" << std::string(text, length > 0 ? length : 0)
                           << "\"";
    }
  }
}

// Numbered resources by number; a named one counts as -1.
BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
  int number = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : -1;
  reinterpret_cast<std::vector<int> *>(list)->push_back(number);
  return TRUE;
}

// Strings live in blocks of 16; a string with a mistyped number would sit in
// another block or in the unused slots around the commands.
TEST(StringResources, NoStringsOutsideTheCommands) {
  std::vector<int> blocks;
  EnumResourceNamesA(Module(), RT_STRING, CollectName, reinterpret_cast<LONG_PTR>(&blocks));
  std::set<int> found(blocks.begin(), blocks.end());
  std::set<int> expected;
  for (int block = CMD_FIRST / 16 + 1; block <= CMD_LAST / 16 + 1; ++block) expected.insert(block);
  EXPECT_EQ(found, expected);
  for (int id = (CMD_FIRST / 16) * 16; id < (CMD_LAST / 16 + 1) * 16; ++id) {
    if (id >= CMD_FIRST && id <= CMD_LAST) continue;
    char text[64];
    EXPECT_EQ(LoadStringA(Module(), id, text, sizeof text), 0) << "string " << id;
  }
}

// ------------------------------------------------------- pictures

struct ExpectedBitmap {
  const char *label;
  int id;
  int width;
  int height;
  int imageWidth;
  COLORREF background;  // the colour of each image's top-right corner
};

const ExpectedBitmap ExpectedBitmaps[] = {
    {"toolbar", IDB_TOOLBAR, 432, 15, 16, RGB(192, 192, 192)},
    {"tree", IDB_TREE, 64, 14, 16, RGB(255, 0, 255)},
    {"toolbar at 150 %", IDB_TOOLBAR_150, 648, 22, 24, RGB(192, 192, 192)},
    {"tree at 150 %", IDB_TREE_150, 96, 21, 24, RGB(255, 0, 255)},
    {"dark toolbar", IDB_TOOLBAR_DARK, 432, 15, 16, RGB(16, 16, 16)},
    {"dark tree", IDB_TREE_DARK, 64, 14, 16, RGB(255, 0, 255)},
    {"dark toolbar at 150 %", IDB_TOOLBAR_DARK_150, 648, 22, 24, RGB(16, 16, 16)},
    {"dark tree at 150 %", IDB_TREE_DARK_150, 96, 21, 24, RGB(255, 0, 255)},
};

// Sizes, and the background each strip relies on: the toolbar maps the
// button-face grey to the system colour, the tree's list keys out magenta.
TEST(PictureResources, BitmapsHaveTheirSizesAndBackgrounds) {
  for (const ExpectedBitmap &want : ExpectedBitmaps) {
    SCOPED_TRACE(want.label);
    HBITMAP bitmap = LoadBitmapA(Module(), MAKEINTRESOURCEA(want.id));
    ASSERT_NE(bitmap, nullptr) << "error " << GetLastError();
    BITMAP info;
    memset(&info, 0xcc, sizeof info);
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, want.width);
    EXPECT_EQ(info.bmHeight, want.height);
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int x = want.imageWidth - 1; x < info.bmWidth; x += want.imageWidth)
      EXPECT_EQ(GetPixel(dc, x, 0), want.background) << "image " << x / want.imageWidth;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
}

// The icon group holds every size Windows shows it at from 100 % to 300 %,
// so that Windows never stretches one (a width of 0 is 256).
TEST(PictureResources, IconHasEverySizeWindowsAsksFor) {
  HICON icon = LoadIconA(Module(), MAKEINTRESOURCEA(IDI_TAV));
  ASSERT_NE(icon, nullptr) << "error " << GetLastError();
  HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(IDI_TAV), RT_GROUP_ICON);
  ASSERT_NE(found, nullptr);
  const BYTE *group = static_cast<const BYTE *>(LockResource(LoadResource(Module(), found)));
  ASSERT_NE(group, nullptr);
  // GRPICONDIR: reserved, type, count (16 bits each), then 14-byte entries
  // starting with width and height bytes.
  WORD type, count;
  memcpy(&type, group + 2, sizeof type);
  memcpy(&count, group + 4, sizeof count);
  EXPECT_EQ(type, 1);
  std::set<std::pair<int, int>> sizes;
  for (int i = 0; i < count; ++i) sizes.insert({group[6 + 14 * i], group[6 + 14 * i + 1]});
  EXPECT_EQ(sizes, (std::set<std::pair<int, int>>{
                       {16, 16}, {20, 20}, {24, 24}, {32, 32}, {40, 40}, {48, 48}, {64, 64}, {0, 0}}));
  // The largest is stored compressed; it must still make an icon of its size.
  int id = LookupIconIdFromDirectoryEx(const_cast<BYTE *>(group), TRUE, 256, 256, LR_DEFAULTCOLOR);
  HRSRC image = FindResourceA(Module(), MAKEINTRESOURCEA(id), RT_ICON);
  ASSERT_NE(image, nullptr);
  HICON large = CreateIconFromResourceEx(
      static_cast<BYTE *>(LockResource(LoadResource(Module(), image))),
      SizeofResource(Module(), image), TRUE, 0x00030000, 256, 256, LR_DEFAULTCOLOR);
  ASSERT_NE(large, nullptr);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(large, &info));
  BITMAP mask = {};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 256);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(large);
}

TEST(PictureResources, SplitterCursorIsTwoColourWithCentredHotSpot) {
  HCURSOR cursor = LoadCursorA(Module(), MAKEINTRESOURCEA(IDC_SPLITTER));
  ASSERT_NE(cursor, nullptr) << "error " << GetLastError();
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 16u);
  EXPECT_EQ(info.yHotspot, 16u);
  // A two-colour cursor has no colour bitmap: its mask is AND over XOR.
  EXPECT_EQ(info.hbmColor, nullptr);
  BITMAP mask = {};
  ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof mask, &mask));
  EXPECT_EQ(mask.bmWidth, 32);
  EXPECT_EQ(mask.bmHeight, 64);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  // Drawn for 150 % and 200 % too, each with its hot spot at its centre.
  for (int size : {48, 64}) {
    SCOPED_TRACE(size);
    HCURSOR larger = static_cast<HCURSOR>(
        LoadImageA(Module(), MAKEINTRESOURCEA(IDC_SPLITTER), IMAGE_CURSOR, size, size, 0));
    ASSERT_NE(larger, nullptr);
    ICONINFO big = {};
    ASSERT_TRUE(GetIconInfo(larger, &big));
    EXPECT_EQ(big.xHotspot, static_cast<DWORD>(size / 2));
    EXPECT_EQ(big.yHotspot, static_cast<DWORD>(size / 2));
    if (big.hbmColor) DeleteObject(big.hbmColor);
    DeleteObject(big.hbmMask);
    DestroyCursor(larger);
  }
}

// ------------------------------------------------------------- dialogs

INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog created modelessly from its template, for looking at.
struct OpenDialog {
  explicit OpenDialog(int id)
      : window(CreateDialogParamA(Module(), MAKEINTRESOURCEA(id), nullptr, IgnoreAll, 0)) {}
  ~OpenDialog() {
    if (window) DestroyWindow(window);
  }
  HWND window;
};

std::string TextOf(HWND window) {
  char text[256];
  memset(text, 0xcc, sizeof text);
  int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The child whose text is given, for the statics that have no id.
HWND ChildWithText(HWND dialog, const char *text) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (TextOf(child) == text) return child;
  return nullptr;
}

// Where a control sits, in the dialog's own units.
RECT PlaceInDialogUnits(HWND dialog, HWND control) {
  RECT place;
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
  RECT unit = {0, 0, 400, 800};  // dialog units to pixels, large for precision
  MapDialogRect(dialog, &unit);
  RECT result = {
      MulDiv(place.left, 400, unit.right), MulDiv(place.top, 800, unit.bottom),
      MulDiv(place.right - place.left, 400, unit.right),
      MulDiv(place.bottom - place.top, 800, unit.bottom)};
  return result;  // left, top, width, height
}

struct ExpectedControl {
  const char *label;
  int id;            // -1: found by its text
  const char *text;
  const char *className;
  DWORD styleBits;   // bits that must be set
  int x, y, cx, cy;  // dialog units
};

void ExpectControls(HWND dialog, const ExpectedControl *expected, int count) {
  for (int i = 0; i < count; ++i) {
    const ExpectedControl &want = expected[i];
    SCOPED_TRACE(want.label);
    HWND control = want.id >= 0 ? GetDlgItem(dialog, want.id) : ChildWithText(dialog, want.text);
    ASSERT_NE(control, nullptr) << "control not found";
    EXPECT_EQ(TextOf(control), want.text);
    EXPECT_STRCASEEQ(ClassOf(control).c_str(), want.className);
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    EXPECT_EQ(style & want.styleBits, want.styleBits) << std::hex << "style " << style;
    RECT place = PlaceInDialogUnits(dialog, control);
    // One unit of slack for the rounding between units and pixels.
    EXPECT_NEAR(place.left, want.x, 1);
    EXPECT_NEAR(place.top, want.y, 1);
    EXPECT_NEAR(place.right, want.cx, 1);
    EXPECT_NEAR(place.bottom, want.cy, 1);
  }
}

// The template's own header: style and size in dialog units.
const DLGTEMPLATE *TemplateOf(int id) {
  HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), RT_DIALOG);
  if (!found) return nullptr;
  return static_cast<const DLGTEMPLATE *>(LockResource(LoadResource(Module(), found)));
}

const DWORD FramedDialogStyle =
    DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;

TEST(DialogResources, AboutBoxTemplateAndControls) {
  const DLGTEMPLATE *about = TemplateOf(IDD_ABOUT);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->style & ~WS_VISIBLE, FramedDialogStyle) << std::hex << about->style;
  EXPECT_EQ(about->cx, 233);
  EXPECT_EQ(about->cy, 74);

  OpenDialog dialog(IDD_ABOUT);
  ASSERT_NE(dialog.window, nullptr) << "error " << GetLastError();
  EXPECT_EQ(TextOf(dialog.window), "About TAV");
  const ExpectedControl controls[] = {
      {"OK button", IDOK, "OK", "Button", WS_TABSTOP, 172, 4, 50, 14},
      {"title", -1, "TAV : Tiny Azure Verses", "Static", SS_CENTER, 36, 4, 128, 12},
      {"version", -1, "Version 1.001", "Static", SS_CENTER, 36, 31, 128, 8},
  };
  ExpectControls(dialog.window, controls, sizeof controls / sizeof controls[0]);

  // The icon, the description (its '&' shown as is) and the two lines below.
  int icons = 0, centred = 0;
  bool descriptionShowsAmpersand = false;
  for (HWND child = GetWindow(dialog.window, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    if (ClassOf(child) != "Static") continue;
    if ((style & SS_TYPEMASK) == SS_ICON) {
      ++icons;
      EXPECT_NE(SendMessageA(child, STM_GETICON, 0, 0), 0) << "icon control without an icon";
      RECT place = PlaceInDialogUnits(dialog.window, child);
      EXPECT_NEAR(place.left, 8, 1);
      EXPECT_NEAR(place.top, 4, 1);
    } else if ((style & SS_TYPEMASK) == SS_CENTER) {
      ++centred;
      if (TextOf(child).find('&') != std::string::npos)
        descriptionShowsAmpersand = (style & SS_NOPREFIX) != 0;
    }
  }
  EXPECT_EQ(icons, 1);
  EXPECT_EQ(centred, 5);
  EXPECT_TRUE(descriptionShowsAmpersand);
}

TEST(DialogResources, NameDialogTemplateAndControls) {
  const DLGTEMPLATE *name = TemplateOf(IDD_NAME);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->style & ~WS_VISIBLE, FramedDialogStyle) << std::hex << name->style;
  EXPECT_EQ(name->cx, 240);
  EXPECT_EQ(name->cy, 60);

  OpenDialog dialog(IDD_NAME);
  ASSERT_NE(dialog.window, nullptr) << "error " << GetLastError();
  EXPECT_EQ(TextOf(dialog.window), "New Page");
  const ExpectedControl controls[] = {
      {"prompt", IDC_NAME_PROMPT, "Enter the page name:", "Button", BS_GROUPBOX, 4, 4, 232, 32},
      {"name field", IDC_NAME_EDIT, "", "Edit", ES_AUTOHSCROLL | WS_TABSTOP, 12, 16, 216, 14},
      {"OK", IDOK, "OK", "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 4, 41, 50, 14},
      {"Cancel", IDCANCEL, "Cancel", "Button", WS_TABSTOP, 60, 41, 50, 14},
  };
  ExpectControls(dialog.window, controls, sizeof controls / sizeof controls[0]);
  // A bordered edit field in a dialog is drawn with a sunken client edge:
  // the dialog manager turns WS_BORDER into WS_EX_CLIENTEDGE (Windows and Wine).
  HWND field = GetDlgItem(dialog.window, IDC_NAME_EDIT);
  EXPECT_TRUE((GetWindowLongA(field, GWL_STYLE) & WS_BORDER) ||
              (GetWindowLongA(field, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
  // The field gets the focus when the dialog opens: the first tab stop.
  EXPECT_EQ(GetNextDlgTabItem(dialog.window, nullptr, FALSE),
            GetDlgItem(dialog.window, IDC_NAME_EDIT));
  EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog.window, IDC_NAME_EDIT), GWL_STYLE) & ES_MULTILINE, 0);
}

}  // namespace
