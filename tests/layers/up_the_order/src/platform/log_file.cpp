// The platform reaching up into the settings it must not know.
#include "settings/preferences.h"
