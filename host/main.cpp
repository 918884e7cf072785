#include "host/commands/cli.h"

int main(int argc, char** argv) {
    return vkhost::Main(argc, argv);
}
