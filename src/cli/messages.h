// The texts the tool prints.
#pragma once

#include "console.h"

namespace quorvel {

constexpr const char kMessageSameName[] = "ERROR: Input and Outfiles can not be the same.\n\n";
constexpr const char kMessageOpenInput[] = "ERROR: Could not open input file.\n\n";
constexpr const char kMessageOpenOutput[] = "ERROR: Could not open output file.\n\n";
constexpr const char kMessageReadInput[] = "ERROR: Could not read input file.\n\n";
constexpr const char kMessageWriteOutput[] = "ERROR: Could not write output file.\n\n";
constexpr const char kMessageDone[] = "Done...\n\nPress any key to continue...\n\n";

void print_banner(Console& console);
void print_usage(Console& console);

}  // namespace quorvel
