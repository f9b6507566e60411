#include <iostream>

#include "control/run_driver.hpp"

int main() { return kestrel::runKestrel(std::cin, std::cout); }
