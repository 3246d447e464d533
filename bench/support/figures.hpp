// The figures a bench program hands to bench/summarise.py: one line each,
// "figure<TAB>name<TAB>value<TAB>unit". A round is one run of the program; the
// summary gives min / median / max of each name over the rounds.
#pragma once

#include <string>

namespace bench {

void PrintFigure(const std::string& name, double value, const char* unit);

}  // namespace bench
