// Where the children go, and the splitter bar.
#include "harness/harness.h"

#include <richedit.h>

#include <utility>

#include "app/display_scale.h"

namespace {

TEST(PlanLayout, WorkedExample) {
  LayoutPlan plan = PlanLayout(1000, 600, 28, 330, true, 4);
  EXPECT_EQ(plan.bandTop, 27);
  EXPECT_EQ(plan.treeShare, 330);
  EXPECT_EQ(plan.tabs.left, 330);
  EXPECT_EQ(plan.tabs.top, 27);
  EXPECT_EQ(plan.tabs.right, 670);
  EXPECT_EQ(plan.tabs.bottom, 573);
  EXPECT_EQ(plan.tree.left, 0);
  EXPECT_EQ(plan.tree.top, 27);
  EXPECT_EQ(plan.tree.right, 326);
  EXPECT_EQ(plan.tree.bottom, 573);
  EXPECT_EQ(plan.splitter.left, 326);
  EXPECT_EQ(plan.splitter.right, 4);
  EXPECT_EQ(plan.splitter.bottom, 573);
  EXPECT_EQ(plan.editorArea.right, 670);
  EXPECT_EQ(plan.editorArea.bottom, 572);
}

TEST(PlanLayout, TreeShareIsTruncated) {
  EXPECT_EQ(PlanLayout(999, 600, 28, 330, true, 4).treeShare, 329);
  EXPECT_EQ(PlanLayout(1000, 600, 28, 330, true, 4).treeShare, 330);
}

TEST(PlanLayout, HiddenTreeGivesTheTabsTheWholeWidth) {
  LayoutPlan plan = PlanLayout(800, 500, 30, 330, false, 4);
  EXPECT_EQ(plan.tabs.left, 0);
  EXPECT_EQ(plan.tabs.right, 800);
  EXPECT_EQ(plan.editorArea.right, 800);
}

TEST(PlanLayout, ShareNarrowerThanTheBarNeverGivesANegativeWidth) {
  // 1 thousandth of 999 pixels is no pixel at all.
  LayoutPlan plan = PlanLayout(999, 400, 28, 1, true, 4);
  EXPECT_EQ(plan.treeShare, 0);
  EXPECT_EQ(plan.tree.right, 0);
  EXPECT_EQ(plan.splitter.left, 0);
  EXPECT_EQ(plan.splitter.right, 4);
  plan = PlanLayout(1000, 400, 28, 3, true, 4);
  EXPECT_EQ(plan.tree.right, 0);
  EXPECT_GE(plan.splitter.left, 0);
}

// On any display the tree keeps its share and the bar its place at the
// share's end; only the pixels grow.
TEST(PlanLayout, ProportionsAreTheSameAtEveryScaling) {
  const struct {
    int dpi;
    int splitterWidth;  // the sizing border for that DPI, as Windows gives it
  } cases[] = {{96, 4}, {120, 4}, {144, 5}, {192, 5}, {288, 8}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.dpi);
    const int width = ScaleForDpi(1000, c.dpi), height = ScaleForDpi(600, c.dpi);
    const int toolbar = ScaleForDpi(28, c.dpi);
    LayoutPlan plan = PlanLayout(width, height, toolbar, 330, true, c.splitterWidth);
    EXPECT_NEAR(plan.treeShare, width * 0.33, 1);
    EXPECT_EQ(plan.bandTop, toolbar - 1);  // the toolbar's border is one pixel on every display
    EXPECT_EQ(plan.tabs.left, plan.treeShare);
    EXPECT_EQ(plan.tabs.right, width - plan.treeShare);
    EXPECT_EQ(plan.splitter.left + plan.splitter.right, plan.treeShare);
    EXPECT_EQ(plan.tree.right, plan.treeShare - c.splitterWidth);
    EXPECT_EQ(plan.editorArea.bottom, height - toolbar);
  }
}

TEST(NormalizeTreeShare, OutsideOneTo999HidesTheTreeAndResetsToHalf) {
  const int bad[] = {0, -1, -500, 1000, 1001, 2000000};
  for (int value : bad) {
    int permille = value;
    bool visible = true;
    EXPECT_FALSE(NormalizeTreeShare(&permille, &visible)) << value;
    EXPECT_EQ(permille, 500) << value;
    EXPECT_FALSE(visible) << value;
  }
  const int good[] = {1, 330, 999};
  for (int value : good) {
    int permille = value;
    bool visible = true;
    EXPECT_TRUE(NormalizeTreeShare(&permille, &visible)) << value;
    EXPECT_EQ(permille, value);
    EXPECT_TRUE(visible);
  }
}

TEST(SplitterPosition, PermilleOfTheClientWidth) {
  EXPECT_EQ(PermilleFromSplitterX(1, 1500), 0);
  EXPECT_EQ(PermilleFromSplitterX(330, 1000), 330);
  EXPECT_EQ(PermilleFromSplitterX(1000, 1000), 1000);
  EXPECT_EQ(PermilleFromSplitterX(2, 1500), 1);
}

// The real window: the client area is made 1000 by 600 pixels.
class LayoutWindow : public harness::AppTest {
 protected:
  void SetUp() override {
    harness::AppTest::SetUp();
    RECT frame = {0, 0, 1000, 600};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
    SetWindowPos(MainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE);
    harness::PumpMessages();
    RECT client;
    GetClientRect(MainWindow, &client);
    width = client.right;
    height = client.bottom;
  }
  RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT *>(&r), 2);
    return r;
  }
  int ToolbarHeight() {
    RECT r;
    GetWindowRect(Ui.toolbar, &r);
    return r.bottom - r.top;
  }
  void Press(int x) { SendMessageA(Ui.splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5)); }
  // x in the main window's client coordinates.
  void MoveTo(int x) {
    POINT p = {x, 40};
    MapWindowPoints(MainWindow, Ui.splitter, &p, 1);
    SendMessageA(Ui.splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  }
  void Release() { SendMessageA(Ui.splitter, WM_LBUTTONUP, 0, 0); }
  int width = 0, height = 0;
};

TEST_F(LayoutWindow, ChildrenStandWhereThePlanSays) {
  ASSERT_EQ(width, 1000);
  int th = ToolbarHeight();
  int tw = width * 330 / 1000;
  RECT tabs = ChildRect(Ui.tabs), tree = ChildRect(Ui.tree), bar = ChildRect(Ui.splitter);
  EXPECT_EQ(tabs.left, tw);
  EXPECT_EQ(tabs.top, th - 1);
  EXPECT_EQ(tabs.right, width);
  EXPECT_EQ(tabs.bottom, height);
  EXPECT_EQ(tree.left, 0);
  EXPECT_EQ(tree.right, tw - Ui.splitterWidth);
  EXPECT_EQ(bar.left, tw - Ui.splitterWidth);
  EXPECT_EQ(bar.right, tw);
  EXPECT_TRUE(IsWindowVisible(Ui.tree));
  EXPECT_TRUE(IsWindowVisible(Ui.splitter));
  // The editor covers the tab strip's display area, one row lower.
  RECT area = {0, 0, width - tw, height - th};
  SendMessageA(Ui.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  RECT editor = ChildRect(Ui.editor);
  EXPECT_EQ(editor.left, area.left + tw);
  EXPECT_EQ(editor.top, area.top + th);
  EXPECT_EQ(editor.right - editor.left, area.right - area.left);
  EXPECT_EQ(editor.bottom - editor.top, area.bottom - area.top);
}

TEST_F(LayoutWindow, ShowTreeHidesAndShowsTreeAndBar) {
  RECT treeBefore = ChildRect(Ui.tree);
  ExecuteCommand(CMD_SHOWTREE);
  EXPECT_FALSE(Ui.treeVisible);
  EXPECT_FALSE(IsWindowVisible(Ui.tree));
  EXPECT_FALSE(IsWindowVisible(Ui.splitter));
  EXPECT_EQ(ChildRect(Ui.tabs).left, 0);
  EXPECT_EQ(ChildRect(Ui.tabs).right, width);
  // Hidden, the tree keeps its old place.
  RECT treeHidden = ChildRect(Ui.tree);
  EXPECT_EQ(treeHidden.left, treeBefore.left);
  EXPECT_EQ(treeHidden.right, treeBefore.right);
  ExecuteCommand(CMD_SHOWTREE);
  EXPECT_TRUE(IsWindowVisible(Ui.tree));
  EXPECT_EQ(ChildRect(Ui.tabs).left, 330);
}

TEST_F(LayoutWindow, OutOfRangeShareHidesTheTree) {
  Ui.treeWidthPermille = 1000;
  LayoutChildren();
  EXPECT_FALSE(Ui.treeVisible);
  EXPECT_EQ(Ui.treeWidthPermille, 500);
  EXPECT_EQ(ChildRect(Ui.tabs).left, 0);
}

TEST_F(LayoutWindow, DraggingMovesTheTreesEdgeToThePointer) {
  Press(2);
  MoveTo(400);
  EXPECT_EQ(Ui.treeWidthPermille, 400);
  EXPECT_EQ(ChildRect(Ui.tabs).left, 400);
  EXPECT_EQ(GetCapture(), Ui.splitter);
  // A second press changes nothing; the release ends the drag.
  Press(2);
  MoveTo(500);
  EXPECT_EQ(Ui.treeWidthPermille, 500);
  Release();
  EXPECT_EQ(GetCapture(), nullptr);
  MoveTo(600);
  EXPECT_EQ(Ui.treeWidthPermille, 500);
}

TEST_F(LayoutWindow, DraggingBeyondTheClientAreaIsIgnored) {
  Press(2);
  MoveTo(450);
  MoveTo(-5);
  EXPECT_EQ(Ui.treeWidthPermille, 450);
  MoveTo(width + 3);
  EXPECT_EQ(Ui.treeWidthPermille, 450);
  EXPECT_TRUE(Ui.treeVisible);
  MoveTo(300);  // still dragging
  EXPECT_EQ(Ui.treeWidthPermille, 300);
  Release();
}

TEST_F(LayoutWindow, DraggingToEitherEdgeHidesTheTreeAndKeepsTheOldWidth) {
  Press(2);
  MoveTo(450);
  MoveTo(0);
  EXPECT_FALSE(Ui.treeVisible);
  EXPECT_EQ(Ui.treeWidthPermille, 330);
  EXPECT_EQ(GetCapture(), nullptr);
  ExecuteCommand(CMD_SHOWTREE);
  EXPECT_EQ(ChildRect(Ui.tabs).left, 330);

  Press(2);
  MoveTo(width);
  EXPECT_FALSE(Ui.treeVisible);
  EXPECT_EQ(Ui.treeWidthPermille, 330);
}

TEST_F(LayoutWindow, AnotherWindowTakingTheCaptureEndsTheDrag) {
  Press(2);
  SetCapture(Ui.editor);
  ReleaseCapture();
  MoveTo(600);
  EXPECT_EQ(Ui.treeWidthPermille, 330);
}

std::pair<int, int> ImageSize(HIMAGELIST images) {
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  return {width, height};
}

LONG FontHeight(HWND window) {
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

// Wine has one display and never sends WM_DPICHANGED; the test sends it as
// Windows does when the window moves to a display of 150 %, and back.
TEST_F(LayoutWindow, ADisplayOfAnotherScalingRemakesImagesFontsAndLayout) {
  const HIMAGELIST toolbarImages = reinterpret_cast<HIMAGELIST>(
      SendMessageA(Ui.toolbar, TB_GETIMAGELIST, 0, 0));
  EXPECT_EQ(ImageSize(toolbarImages), std::make_pair(16, 15));
  EXPECT_EQ(ImageSize(Ui.treeImageList), std::make_pair(16, 14));
  const LONG font96 = FontHeight(Ui.tabs);
  const int toolbar96 = ToolbarHeight();

  RECT frame;
  GetWindowRect(MainWindow, &frame);
  RECT suggested = {frame.left, frame.top, frame.left + 1200, frame.top + 800};
  SendMessageA(MainWindow, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  harness::PumpMessages();
  RECT now;
  GetWindowRect(MainWindow, &now);
  EXPECT_EQ(now.right - now.left, 1200);
  EXPECT_EQ(now.bottom - now.top, 800);
  EXPECT_EQ(ImageSize(reinterpret_cast<HIMAGELIST>(SendMessageA(Ui.toolbar, TB_GETIMAGELIST, 0, 0))),
            std::make_pair(24, 22));
  EXPECT_EQ(ImageSize(Ui.treeImageList), std::make_pair(24, 21));
  EXPECT_GT(ToolbarHeight(), toolbar96);
  LOGFONTW message;
  ASSERT_TRUE(MessageFontForDpi(144, &message));
  EXPECT_EQ(FontHeight(Ui.tabs), message.lfHeight);
  EXPECT_EQ(FontHeight(Ui.tree), message.lfHeight);
  EXPECT_EQ(Ui.splitterWidth, MetricForDpi(SM_CXFRAME, 144));
  RECT client;
  GetClientRect(MainWindow, &client);
  const int share = client.right * 330 / 1000;
  EXPECT_EQ(ChildRect(Ui.tabs).left, share);
  EXPECT_EQ(ChildRect(Ui.splitter).right, share);
  EXPECT_EQ(ChildRect(Ui.tabs).top, ToolbarHeight() - 1);
  // The editor shows points at this display's size, not the system's.
  int numerator = 0, denominator = 0;
  SendMessageA(Ui.editor, EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator),
               reinterpret_cast<LPARAM>(&denominator));
  EXPECT_EQ(numerator * SystemDpi(), denominator * 144);

  GetWindowRect(MainWindow, &suggested);
  SendMessageA(MainWindow, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  harness::PumpMessages();
  EXPECT_EQ(ImageSize(reinterpret_cast<HIMAGELIST>(SendMessageA(Ui.toolbar, TB_GETIMAGELIST, 0, 0))),
            std::make_pair(16, 15));
  EXPECT_EQ(ImageSize(Ui.treeImageList), std::make_pair(16, 14));
  EXPECT_EQ(FontHeight(Ui.tabs), font96);
  EXPECT_EQ(ToolbarHeight(), toolbar96);
}

TEST_F(LayoutWindow, MinimisingDoesNotLayOutRestoringDoes) {
  ShowWindow(MainWindow, SW_MINIMIZE);
  harness::PumpMessages();
  RECT tabs = ChildRect(Ui.tabs);
  // Had the minimised size been laid out, the strip would have no width.
  EXPECT_GT(tabs.right - tabs.left, 100);
  ShowWindow(MainWindow, SW_RESTORE);
  harness::PumpMessages();
  EXPECT_EQ(ChildRect(Ui.tabs).left, 330);
}

}  // namespace
