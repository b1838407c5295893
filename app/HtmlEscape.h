#pragma once
#include "common/HtmlEscape.h"  // moved to the portable text helpers
