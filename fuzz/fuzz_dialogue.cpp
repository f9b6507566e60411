// The setup dialogue on any console words: every menu returns or halts, never loops, and keeps the settings' rules.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fuzz_input.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "output/output_file.hpp"
#include "setup/console.hpp"
#include "setup/menus.hpp"

namespace {

// A scratch folder with a lookup table and reference files named a.*, where the dialogue's files land.
const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("kestrel-fuzz-dialogue-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        std::filesystem::current_path(d);
        std::ofstream("a") << "#CDS 1..9\n";
        std::ofstream scu("a.scu"), opt("a.opt");
        scu << "#\n";
        opt << "#\n";
        for (int e = 0; e < 64; ++e) {
            scu << "AAA K " << e << "\n";
            opt << "AAA K " << e % 2 << "\n";
        }
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    scratch();
    for (const auto& entry : std::filesystem::directory_iterator(scratch()))
        if (entry.path().extension() == ".kstl") std::filesystem::remove(entry.path());
    std::istringstream in(fuzzText(data, size));
    std::ostringstream out;
    kestrel::Console console(in, out);
    kestrel::RunSettings s;
    kestrel::ReferenceTables references;
    kestrel::OutputFile output;
    try {
        kestrel::mainMenu(console, s, references, output);
        kestrel::analysisOptionsMenu(console, s);
        if (s.checkLookupTable) kestrel::lookupCheckMenu(console, s);
        if (s.segmentAnalysis) kestrel::segmentAnalysisMenu(console, s, references);
    } catch (const kestrel::RunHalted&) {
        return 0;
    }
    if (s.minimumRscu < 0.0 || s.minimumRscu >= 1.0) __builtin_trap();
    if (s.segmentAnalysis) {
        if (!s.preferredCodonListUsed) __builtin_trap();
        if (!s.segmentRelativeToStop && !(s.segmentBegin >= 1 && s.segmentEnd > s.segmentBegin)) __builtin_trap();
        if (s.segmentRelativeToStop && !(s.segmentBegin >= 2 && s.segmentEnd < s.segmentBegin && s.segmentEnd >= 0))
            __builtin_trap();
    }
    return 0;
}
