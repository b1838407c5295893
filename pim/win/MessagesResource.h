// Resource and control ids of the messages page's compose dialog (pim/win/Messages.rc).
#pragma once

#define IDD_COMPOSE 2500

#define IDC_COMPOSE_PICKER 2510
#define IDC_COMPOSE_TO 2511
#define IDC_COMPOSE_CONVERSATION 2512
#define IDC_COMPOSE_TEXT 2513
#define IDC_COMPOSE_SEND 2514
#define IDC_COMPOSE_CANCEL IDCANCEL
#define IDC_COMPOSE_STATUS 2515

// "更多操作" of the messages page
#define IDM_SMS_EXPORT_ONE_TEXT 2530
#define IDM_SMS_EXPORT_ONE_CSV 2531
#define IDM_SMS_EXPORT_ALL_TEXT 2532
#define IDM_SMS_EXPORT_ALL_CSV 2533
