#pragma once
// Resource ids of the information pages.
#define IDD_WEATHER_SETTINGS 2600
#define IDC_WEATHER_PROVINCE 2601
#define IDC_WEATHER_CITY 2602
