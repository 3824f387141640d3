#pragma once

namespace quorvel {

// One run of the tool over its argument list; returns the exit status.
int run_tool(int argc, char** argv);

}  // namespace quorvel
