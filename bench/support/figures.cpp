#include "bench/support/figures.hpp"

#include <cstdio>

namespace bench {

void PrintFigure(const std::string& name, double value, const char* unit) {
    std::printf("figure\t%s\t%.6g\t%s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

}  // namespace bench
