// Identifiers of the Windows window's resources, shared by the resource script and the code.
#pragma once

#define IDI_APPLICATION_ICON 1
#define IDI_CONVERT 2
#define IDI_CONVERTED_TARGET 3
#define IDI_UNCONVERTIBLE_TARGET 4

#define IDD_NOTICE 100
#define IDC_NOTICE_TEXT 101
#define IDC_NOTICE_ICON 102
