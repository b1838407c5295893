// The identifiers of the type library, defined once for the module.
#include <windows.h>
#include <initguid.h>

#include "ZorvikAgent_h.h"
