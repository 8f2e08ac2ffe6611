// Identifiers of the dialog templates and their controls, shared by the resource script and code.
#pragma once

// Dialog templates.
#define IDD_SETTINGS 101
#define IDD_ABOUT 102

// Controls; IDOK (1) and IDCANCEL (2) are the system's own.
#define IDC_PREFIX 1002
#define IDC_ABOUT 1003
#define IDC_PBO_TYPE 1004
#define IDC_PREFIX_LABEL 1005
#define IDC_ABOUT_ICON 1006
#define IDC_SIGN_KEY 1007
#define IDC_SIGN_BROWSE 1008
#define IDC_SIGN_VERSION 1009
#define IDC_STATIC -1
