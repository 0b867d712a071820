// kavrec: the record-file utility (see doc/kavrec.1).
#include <iostream>
#include <string>
#include <vector>

#include "tools/kavrec_commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kavrec::Run(args, std::cout, std::cerr);
}
