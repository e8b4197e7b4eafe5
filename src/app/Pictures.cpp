#include "app/Pictures.h"

namespace sweep {

std::unique_ptr<TBitmap> Picture(const std::string& name) {
    auto picture = std::make_unique<TBitmap>();
    picture->LoadFromResourceName(::GetModuleHandleW(nullptr), name);
    return picture;
}

}  // namespace sweep
