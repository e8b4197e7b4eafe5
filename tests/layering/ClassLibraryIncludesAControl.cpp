// Must not compile: the class library sees no custom control.
#include "controls/FlatButtons.h"
