// Resource and control ids, shared by the resource script and the code.
// Plain defines, because the resource compiler reads this file too.
#pragma once

#define IDC_STATIC -1

#define IDI_PROGRAM 128

#define IDD_SCAN_DIALOG 141
#define IDD_MESSAGE_DIALOG 142

#define IDB_INFORMATION_PICTURE 152
#define IDB_QUESTION_PICTURE 153
#define IDB_WARNING_PICTURE 154
#define IDB_ERROR_PICTURE 155
#define IDB_SKIN 156

// Main window controls.
#define IDC_LIST_FRAME 1034
#define IDC_SCAN 1052
#define IDC_DOWNLOAD 1053
#define IDC_CLOSE 1054
#define IDC_RESULT_LIST 1055
#define IDC_STATUS_FRAME 1064
#define IDC_STATUS_FIELD 1065
#define IDC_FAMILY_LABEL 1068
#define IDC_OK 1070
#define IDC_NOTICE_LINE 1072
#define IDC_TITLE_LINE 1074
#define IDC_MEMBERSHIP_LINE 1075
#define IDC_SEARCH_CAPTION 1076
#define IDC_PRODUCT_LINK 1077
#define IDC_TOOLS_LINK 1080
#define IDC_LOGO 1085

// Message dialog controls (1, 2, 6 and 7 are IDOK, IDCANCEL, IDYES, IDNO).
#define IDC_SINGLE_OK 3
#define IDC_MESSAGE_PICTURE 1085
#define IDC_MESSAGE_TEXT 1086
