// trivial: the baseline process for runwell-cli report: reads a file whole and writes it to
// standard output, as the tool's start-up and output do, with nothing computed in between.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trivial FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "trivial: cannot open %s\n", argv[1]);
        return 1;
    }
    std::ostringstream content;
    content << in.rdbuf();
    std::cout << content.str();
    return std::cout.good() ? 0 : 1;
}
