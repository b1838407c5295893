#pragma once
#include "common/win/Handles.h"  // the owners moved to the Win32 support library
