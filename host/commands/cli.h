// The reference host's command line.
#pragma once

namespace vkhost {
int Main(int argc, char** argv);
}
