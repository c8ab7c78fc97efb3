// The `stagehand` program: the command line goes to CApplication, which does the rest.
#include <iostream>
#include <string_view>
#include <vector>

#include "app/Application.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return stagehand::CApplication::Main(arguments, std::cout, std::cerr);
}
