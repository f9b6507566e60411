#pragma once

namespace kestrel {

class Console;

// Thrown by haltRun; the entry point catches it, closes the files and ends with status 0.
struct RunHalted {};

// The one way to stop a run early: "KESTREL halted." and an empty line on the console.
[[noreturn]] void haltRun(Console& console);

}  // namespace kestrel
