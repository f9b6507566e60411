// kestrel-plot: the ENC-GC3 figure of a KESTREL output file as SVG.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "kestrel-plot/enc_plot.hpp"

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write, which is reported
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kestrel::runPlotTool(args, std::cin, std::cout, std::cerr);
}
