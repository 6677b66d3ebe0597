// tavio-disc (TAVIODSK.EXE in the Windows build): the disc author's kit on the command line.
#include <stdio.h>

#include <string>
#include <vector>

#include "disc_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    const int status = DiscTool(args, &out, &err);
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
    fwrite(err.data(), 1, err.size(), stderr);
    return status;
}
