// Resource and control ids of the alarm editor, the bookmark editor and the bookmark sync dialog
// (manage/alarms/win/Alarms.rc).
#pragma once

#define IDD_ALARM_EDITOR 4800
#define IDD_BOOKMARK_EDITOR 4801
#define IDD_BOOKMARK_SYNC 4802

#define IDC_ALARM_TITLE 4810
#define IDC_ALARM_HALF 4811
#define IDC_ALARM_HOUR 4812
#define IDC_ALARM_MINUTE 4813
#define IDC_ALARM_DAY0 4814
/* 4814-4820: 周一 ... 周日 */
#define IDC_ALARM_VIBRATE 4821
#define IDC_ALARM_VIBRATE_TEXT 4822
#define IDC_ALARM_STATE 4823
#define IDC_ALARM_RINGTONE 4824
#define IDC_ALARM_HINT 4825

#define IDC_BOOKMARK_TITLE 4830
#define IDC_BOOKMARK_URL 4831
#define IDC_BOOKMARK_STORAGE 4832
#define IDC_BOOKMARK_VISITS 4833
#define IDC_BOOKMARK_HINT 4834

#define IDC_SYNC_TO_PHONE 4840
#define IDC_SYNC_TO_PC 4841
#define IDC_SYNC_BOTH 4842
#define IDC_SYNC_TEXT 4843
