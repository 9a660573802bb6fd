// A tab's page: its name from the tab's label, and its file name.
#include "pages/pages.h"

#include <string.h>

// A tab label carries every "&" of the page name doubled; undo that.
void PageNameFromLabel(const char *label, char *out) {
  size_t to = 0;
  for (size_t from = 0; label[from] != '\0'; ++from) {
    out[to++] = label[from];
    if (label[from + 1] == '&') ++from;
  }
  out[to] = '\0';
}

bool GetPageName(int index, char *out) {
  out[0] = '\0';
  if (Ui.tabs == nullptr || index < 0) return false;
  char label[PATH_BUFFER_SIZE] = "";
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = label;
  item.cchTextMax = PATH_BUFFER_SIZE;
  if (!SendMessageA(Ui.tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return false;
  label[PATH_BUFFER_SIZE - 1] = '\0';
  PageNameFromLabel(label, out);
  return true;
}

bool GetPageFileName(int index, char *out) {
  if (!GetPageName(index, out)) return false;
  if (strlen(out) + 4 >= PATH_BUFFER_SIZE) {
    out[0] = '\0';
    return false;
  }
  strcat(out, ".tav");
  return true;
}

