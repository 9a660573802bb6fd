// The real common dialogs and shell calls, the default behind the seam.
#include "app/platform_seam.h"

const PlatformDialogs SystemPlatform = {
    GetOpenFileNameA, GetSaveFileNameA, ChooseFontA, SHBrowseForFolderA, SHGetPathFromIDListA,
    ShellExecuteA,
};

PlatformDialogs Platform = SystemPlatform;
