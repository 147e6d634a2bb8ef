// Compiled against the estimate layer alone: the settings file belongs to a layer above it, so
// this include must not be found.
#include "files/SettingsFile.h"

int LayeringProbeForbidden() { return 0; }
