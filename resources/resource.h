// Resource and command identifiers shared by the resource script and the code.
// One range per kind: resources are numbered from 1, commands from 11842,
// dialog controls under their dialog.
#ifndef TAV_RESOURCE_H
#define TAV_RESOURCE_H

// Icon, cursor, bitmaps, menus, accelerators, dialogs.
#define IDI_TAV             1
#define IDC_SPLITTER        1
#define IDB_TOOLBAR         1
#define IDB_TREE            2
#define IDB_TOOLBAR_150     3   // the same pictures drawn for 150 %
#define IDB_TREE_150        4
#define IDB_TOOLBAR_DARK    5   // the same pictures for the dark look
#define IDB_TOOLBAR_DARK_150 6
#define IDB_TREE_DARK       7
#define IDB_TREE_DARK_150   8
#define IDM_MAIN            1
#define IDM_CONTEXT         2
#define IDA_MAIN            1
#define IDD_ABOUT           1
#define IDD_NAME            2
#define IDD_FINDALL         3
#define IDD_OPENPAGE        4
#define IDD_MOVE            5
#define IDD_HISTORY         6
#define IDD_DELETEDPAGES    7

// Name dialog controls.
#define IDC_NAME_PROMPT     101
#define IDC_NAME_EDIT       102

// Find in All Pages dialog controls (the buttons are IDOK and IDCANCEL).
#define IDC_FINDALL_TEXT    201
#define IDC_FINDALL_WORD    202
#define IDC_FINDALL_CASE    203
#define IDC_FINDALL_RESULTS 204
#define IDC_FINDALL_STATUS  205

// Open Page dialog controls.
#define IDC_OPENPAGE_TEXT   301
#define IDC_OPENPAGE_LIST   302

// Move dialog controls (the buttons are IDOK and IDCANCEL).
#define IDC_MOVE_PROMPT     401
#define IDC_MOVE_TREE       402

// History dialog controls (the buttons are IDOK, Restore, and IDCANCEL,
// Close); the version's text is a rich edit made in the place of its frame.
#define IDC_HISTORY_LIST    501
#define IDC_HISTORY_TEXT    502
#define IDC_HISTORY_NOTE    503

// Deleted Pages dialog controls (the same buttons).
#define IDC_DELETED_LIST    601

// Commands (CommandId). The tooltip string of a command has the same number.
#define CMD_FIRST           11842
#define CMD_IMPORT          11842
#define CMD_EXPORT          11843
#define CMD_UNDO            11844
#define CMD_EXIT            11845
#define CMD_CUT             11846
#define CMD_COPY            11847
#define CMD_PASTE           11848
#define CMD_ABOUT           11849
#define CMD_WORKDIR         11850
#define CMD_WORDWRAP        11851
#define CMD_FONT            11852
#define CMD_NEWPAGE         11853
#define CMD_DELETEPAGE      11854
#define CMD_NEXTPAGE        11855
#define CMD_PREVPAGE        11856
#define CMD_RENAMEPAGE      11857
#define CMD_SAVENOW         11858
#define CMD_REFRESH         11859
#define CMD_CUSTOMIZE       11860
#define CMD_FIND            11861
#define CMD_FINDNEXT        11862
#define CMD_REPLACE         11863
#define CMD_DATETIME        11864
#define CMD_SHOWTREE        11865
#define CMD_REDO            11866
#define CMD_MOVEUP          11867
#define CMD_SELECTALL       11868
#define CMD_RENAMEFOLDER    11869
#define CMD_DELETEFOLDER    11870
#define CMD_ADDFOLDER       11871
#define CMD_EXPLOREFOLDER   11872
#define CMD_OPENFOLDER      11873
#define CMD_FINDALL         11874
#define CMD_NEXTPANE        11875
#define CMD_PREVPANE        11876
#define CMD_MOVEPAGE        11877
#define CMD_MOVEFOLDER      11878
#define CMD_UNDOMOVE        11879
#define CMD_OPENPAGE        11880
#define CMD_BACK            11881
#define CMD_FORWARD         11882
#define CMD_HISTORY         11883
#define CMD_UNDODELETE      11884
#define CMD_DELETEDPAGES    11885
#define CMD_THEMESYSTEM     11886
#define CMD_THEMELIGHT      11887
#define CMD_THEMEDARK       11888
#define CMD_LAST            11888

#endif
