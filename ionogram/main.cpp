// ionoscan: RSF ionograms to "_maxima_" series files. Answers come from the
// file "input" in the working directory; messages go to standard output.
#include <iostream>

#include "driver.h"

int main() { return ionoscan::run_ionoscan(std::cout); }
