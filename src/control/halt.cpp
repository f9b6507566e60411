#include "control/halt.hpp"

#include "setup/console.hpp"

namespace kestrel {

void haltRun(Console& console) {
    console.writeLine("KESTREL halted.\n");
    throw RunHalted{};
}

}  // namespace kestrel
