#include "ui/UnitInit.h"

#include <vector>

namespace ui {

namespace {

struct Unit {
    void (*initialize)();
    void (*finalize)();
    bool initialized;
};

std::vector<Unit>& Units() {
    static std::vector<Unit> units;  // filled by static objects, before main
    return units;
}

}  // namespace

UnitInitialization::UnitInitialization(void (*initialize)(), void (*finalize)()) {
    Units().push_back(Unit{initialize, finalize, false});
}

void InitializeUnits() {
    for (Unit& u : Units()) {
        if (u.initialized) continue;
        if (u.initialize) u.initialize();
        u.initialized = true;
    }
}

void FinalizeUnits() {
    auto& units = Units();
    for (auto it = units.rbegin(); it != units.rend(); ++it) {
        if (!it->initialized) continue;
        if (it->finalize) it->finalize();
        it->initialized = false;
    }
}

}  // namespace ui
