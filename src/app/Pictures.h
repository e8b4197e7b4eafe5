// The program's pictures, compiled in as resources (drawn by
// scripts/make-pictures.py).
#pragma once

#include <memory>
#include <string>

#include "ui/Graphics.h"

namespace sweep {

// A bitmap resource of the executable, loaded.
std::unique_ptr<TBitmap> Picture(const std::string& name);

}  // namespace sweep
