// Change records as a directory watch delivers them, made by the tests.
#ifndef TAV_CHANGE_RECORDS_H
#define TAV_CHANGE_RECORDS_H

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

namespace changetest {

struct Record {
  DWORD action;
  std::wstring name;
};

enum class Layout { Aligned, Packed };

// FILE_NOTIFY_INFORMATION records, each starting on a four-byte boundary as
// Windows delivers them, or packed one right after another as Wine does.
inline std::vector<unsigned char> Records(const std::vector<Record> &records,
                                          Layout layout = Layout::Aligned) {
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i < records.size(); ++i) {
    size_t at = bytes.size();
    DWORD nameBytes = static_cast<DWORD>(records[i].name.size() * sizeof(wchar_t));
    size_t size = layout == Layout::Packed ? 12 + nameBytes : (12 + nameBytes + 3) & ~size_t{3};
    bytes.resize(at + size, 0);
    DWORD next = i + 1 < records.size() ? static_cast<DWORD>(size) : 0;
    memcpy(&bytes[at], &next, 4);
    memcpy(&bytes[at + 4], &records[i].action, 4);
    memcpy(&bytes[at + 8], &nameBytes, 4);
    if (nameBytes > 0) memcpy(&bytes[at + 12], records[i].name.data(), nameBytes);
  }
  return bytes;
}

}  // namespace changetest

#endif
