// Must not compile: the file engine sees no window.
#include "ui/Forms.h"
