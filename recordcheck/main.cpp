// recordcheck GAME_FOLDER: the game maker's check of an installer's output.
#include <cstdio>
#include <string>
#include <vector>

#include "recordcheck/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string out;
    std::string err;
    const int status = recordcheck::RunRecordCheck(arguments, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return status;
}
