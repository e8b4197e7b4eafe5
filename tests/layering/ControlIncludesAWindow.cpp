// Must not compile: the custom controls see none of the program's windows.
#include "app/MainUnit.h"
