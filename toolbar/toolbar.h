// The toolbar: its button catalogue, default layout, persistence, and the
// answers to its customisation and tooltip notifications.
#ifndef TAV_TOOLBAR_H
#define TAV_TOOLBAR_H

#include <windows.h>
#include <commctrl.h>

/* toolbar_buttons.cpp */
// The buttons the toolbar can hold; the catalogue is exported for the tests.
enum { CATALOGUE_SIZE = 27 };
extern const TBBUTTON ButtonCatalogue[CATALOGUE_SIZE];
void BuildToolbarButtons(TBBUTTON **buttons, int *count);
void SaveToolbarLayout();
BOOL OnToolbarGetButtonInfo(NMTOOLBARA *info);
void OnToolbarReset();
void OnNeedToolTipText(NMTTDISPINFOA *info);

/* toolbar_theme.cpp */
// The toolbar's face, hot buttons and separators in the dark look (its
// NM_CUSTOMDRAW); the control's own drawing in the light one.
LRESULT OnToolbarCustomDraw(NMTBCUSTOMDRAW *draw);

#endif
