// Resource and control ids of the settings page and the download settings dialog (settings/win/Settings.rc).
#pragma once

#define IDD_SETTINGS_PAGE 2300
#define IDD_DOWNLOAD_SETTINGS 2301

// settings page
#define IDC_SETTINGS_AUTORUN 1016
#define IDC_SETTINGS_EXIT_HIDE 1018
#define IDC_SETTINGS_EXIT_QUIT 1019
#define IDC_SETTINGS_SHOW_MODE 1020
#define IDC_SETTINGS_REPAIR 1355
#define IDC_SETTINGS_REPAIR_RESULT 1109
#define IDC_SETTINGS_REPAIR_PROGRESS 2310

// download settings dialog
#define IDC_DOWNLOAD_FOLDER 1383
#define IDC_DOWNLOAD_BROWSE 1384
#define IDC_DOWNLOAD_OPEN 1385
#define IDC_DOWNLOAD_MESSAGE 1386
#define IDC_DOWNLOAD_FREE 1387

// the carried ZorvikAgent.dll (type "DLL")
#define IDR_AGENT_DLL 603
