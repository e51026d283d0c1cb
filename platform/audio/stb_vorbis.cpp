// The Ogg Vorbis decoder (libstb's single-file library), compiled once here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_VORBIS_NO_STDIO
#include <stb_vorbis.h>
#pragma GCC diagnostic pop
