// Answers the message boxes and dialogs the program shows, from inside the
// test, through a CBT hook on the test's own thread. Each box is recorded
// with its caption and text, so a test can assert every message it caused.
#include "harness/harness.h"

#include <algorithm>

namespace harness {

BoxDriver *BoxDriver::current;

BoxDriver::BoxDriver() : hook_(nullptr), timer_(0), unexpected_(0) {
  current = this;
  hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
  // Should the hook ever miss a box, this finds it, so a test cannot hang.
  timer_ = SetTimer(nullptr, 0, 1000, FallbackTimer);
}

BoxDriver::~BoxDriver() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (timer_ != 0) KillTimer(nullptr, timer_);
  if (current == this) current = nullptr;
}

void BoxDriver::Answer(int button) { plans_.push_back({button, nullptr}); }

void BoxDriver::Handle(std::function<void(HWND)> handler) { plans_.push_back({0, handler}); }

void BoxDriver::Clear() {
  plans_.clear();
  boxes_.clear();
  unexpected_ = 0;
}

static bool IsDialogBox(HWND window) {
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  return strcmp(className, "#32770") == 0;
}

// A message box with MB_SETFOREGROUND is activated before its text is set,
// so the box is read and answered a moment later, from its own modal loop.
static const UINT_PTR AnswerTimer = 0x7A5;

static void CALLBACK AnswerLater(HWND box, UINT, UINT_PTR, DWORD) {
  KillTimer(box, AnswerTimer);
  if (BoxDriver::current != nullptr) BoxDriver::current->Answer(box);
}

void BoxDriver::OnActivate(HWND box) {
  // A dialog is activated again when a box it opened closes; answer it once.
  if (std::find(handled_.begin(), handled_.end(), box) != handled_.end()) return;
  handled_.push_back(box);
  SetTimer(box, AnswerTimer, 10, AnswerLater);
}

void BoxDriver::Answer(HWND box) {
  Box seen;
  seen.caption = WindowText(box);
  HWND text = GetDlgItem(box, 0xFFFF);
  if (text != nullptr) seen.text = WindowText(text);
  boxes_.push_back(seen);
  if (plans_.empty()) {
    ++unexpected_;
    ADD_FAILURE() << "unexpected box \"" << seen.caption << "\": " << seen.text;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return;
  }
  Plan plan = plans_.front();
  plans_.erase(plans_.begin());
  if (plan.handler)
    plan.handler(box);
  else
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(plan.button, BN_CLICKED), 0);
}

LRESULT CALLBACK BoxDriver::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (current != nullptr) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && IsDialogBox(window)) current->OnActivate(window);
    // Window handles are reused: forget a box when it goes.
    if (code == HCBT_DESTROYWND) {
      auto &seen = current->handled_;
      seen.erase(std::remove(seen.begin(), seen.end(), window), seen.end());
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}


void CALLBACK BoxDriver::FallbackTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (current == nullptr) return;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM) -> BOOL {
    if (current != nullptr && IsWindowVisible(window) && IsDialogBox(window)) current->OnActivate(window);
    return TRUE;
  }, 0);
}

}  // namespace harness
