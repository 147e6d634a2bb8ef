// Compiled against the estimate layer alone: a header of a layer below it is visible.
#include "device/DeviceData.h"

int LayeringProbeAllowed() { return 0; }
