#pragma once
// LocalFile moved to common/ so that the writers outside the phone link share it; this name stays
// while branches that include it move over.
#include "common/LocalFile.h"
