// Stand-in until the driver is written.
#include "control/run_driver.hpp"

#include "control/halt.hpp"
#include "control/run_context.hpp"
#include "setup/console.hpp"
#include "setup/menus.hpp"

namespace kestrel {

void runDriver(Console& console, RunContext& run) {
    mainMenu(console, run.settings, run.references);
}

int runKestrel(std::istream& in, std::ostream& out) {
    Console console(in, out);
    RunContext run;
    try {
        runDriver(console, run);
    } catch (const RunHalted&) {
    }
    return 0;
}

}  // namespace kestrel
