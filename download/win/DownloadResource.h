#pragma once
// Resource ids of the downloads page's dialogs (Download.rc).
#define IDD_DUPLICATE_TASK 2501
#define IDC_DUP_TITLE 2511
#define IDC_DUP_TIME 2512
#define IDC_DUP_PATH 2513
#define IDC_DUP_REINSTALL 2514
#define IDC_DUP_REDOWNLOAD 2515
