// Package selection.  Nothing is chosen yet: no image carries a readable payload.
#include "package/selection.h"

bool SelectPackage(LauncherState*, SelectionQuery*, CabQuery*, ExtractionQueue*)
{
    return false;
}
