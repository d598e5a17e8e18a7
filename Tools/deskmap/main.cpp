#include "CommandLine.hpp"

#include <iostream>

int main(int argc, char** argv) {
    return deskmap::cli::run(argc, argv, std::cout, std::cerr);
}
