// recordcheck GAME_FOLDER: the game maker's check of an installer's output.
#include <iostream>
#include <string>
#include <vector>

#include "recordcheck/cli.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = recordcheck::RunRecordCheck(arguments, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : 3;
}
