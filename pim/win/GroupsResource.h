// Resource and control ids of the group manager and the group form (pim/win/Groups.rc).
#pragma once

#define IDD_GROUP_MANAGER 2400
#define IDD_GROUP_EDIT 2401

#define IDC_GROUP_LIST 2410
#define IDC_GROUP_REFRESH 2411
#define IDC_GROUP_NEW 2412
#define IDC_GROUP_MODIFY 2413
#define IDC_GROUP_DELETE 2414
#define IDC_GROUP_STATUS 2415
#define IDC_GROUP_TITLE 2420
