// Must not compile: the console program sees the engine and base alone.
#include "ui/Forms.h"
