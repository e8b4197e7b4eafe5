// Must not compile: what every layer shares sees none of the file engine.
#include "engine/Search.h"
