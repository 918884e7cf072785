#include "host/cli.h"

#include <CLI/CLI.hpp>

namespace vkhost {
int Main(int argc, char** argv) {
    CLI::App app{"vkhost"};
    CLI11_PARSE(app, argc, argv);
    return 0;
}
}  // namespace vkhost
