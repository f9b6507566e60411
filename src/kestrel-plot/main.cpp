// kestrel-plot: the ENC-GC3 figure of a KESTREL output file as SVG.
#include <iostream>
#include <string>
#include <vector>

#include "kestrel-plot/enc_plot.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kestrel::runPlotTool(args, std::cout, std::cerr);
}
