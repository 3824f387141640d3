#include "run.h"

int main(int argc, char** argv) { return quorvel::run_tool(argc, argv); }
