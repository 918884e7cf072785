/// @file
/// The version of the engine's libraries.
#pragma once

/// The version of the installed engine ("0.2.0"), as the libraries were built; a host compares it
/// with the headers it was compiled against when it needs to.
extern "C" const char* vk_version();
