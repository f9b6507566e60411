// kestrel-plot: the ENC-GC3 figure of a KESTREL output file as SVG.
#include <iostream>

#include "kestrel-plot/plot_tool.hpp"

int main(int argc, char** argv) {
    return kestrel::runPlotTool({argv + 1, argv + argc}, std::cin, std::cout, std::cerr);
}
