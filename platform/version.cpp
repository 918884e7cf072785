// Version of the engine's libraries, set by the build from the project's version.
#include "platform/version.h"

#ifndef VK_VERSION_TEXT
#define VK_VERSION_TEXT "unknown"
#endif

extern "C" const char* vk_version() {
    return VK_VERSION_TEXT;
}
