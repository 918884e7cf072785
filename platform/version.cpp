// Version of the engine's libraries.
extern "C" const char* vk_version() {
    return "0.1";
}
