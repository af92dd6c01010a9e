// The program's entry.

#include "app/Scrivly.h"

#include <string>
#include <vector>

int main(int argc, char** argv) { return Scrivly::runMain(std::vector<std::string>(argv, argv + argc), "Scrivly.nib"); }
