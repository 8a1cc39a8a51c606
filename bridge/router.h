#pragma once
// The autorouter engine's six functions, all with the C calling convention. Their arguments
// (file names, command texts) belong to the engine; the bridge passes them on unchanged.
#include <cstdint>

class VAvideziRazi;

extern "C" {
std::int32_t rivirod_init(std::int32_t argc, char** argv);
std::int32_t rivirod_sethost(VAvideziRazi* host, std::int32_t version);
// Non-zero when the file was loaded.
std::int32_t rivirod_load(const void* argument);
std::int32_t rivirod_dofile(const void* argument);
std::int32_t rivirod_command(const void* argument);
std::int32_t rivirod_abort();
}

// The value the bridge hands the engine together with its host object.
inline constexpr std::int32_t RouterHostVersion = 403;
