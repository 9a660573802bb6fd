// The toolbar: its button catalogue, default layout, persistence, and the
// answers to its customisation and tooltip notifications.
#ifndef TAV_TOOLBAR_H
#define TAV_TOOLBAR_H

#include <windows.h>
#include <commctrl.h>

enum { CATALOGUE_SIZE = 27, DEFAULT_LAYOUT_SIZE = 17 };

extern const TBBUTTON ButtonCatalogue[CATALOGUE_SIZE];
extern const char *const ButtonNames[CATALOGUE_SIZE];
extern const TBBUTTON SeparatorButton;
extern const int DefaultToolbarLayout[DEFAULT_LAYOUT_SIZE];

/* toolbar_buttons.cpp */
void BuildToolbarButtons(TBBUTTON **buttons, int *count);
void SaveToolbarLayout();
int CatalogueIndexOfImage(int image);
BOOL OnToolbarGetButtonInfo(NMTOOLBARA *info);
void OnToolbarReset();
void OnNeedToolTipText(NMTTDISPINFOA *info);

#endif
