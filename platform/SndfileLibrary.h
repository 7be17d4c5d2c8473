#pragma once
// The few libsndfile functions FLAC is written with and the sound theme's
// recordings are read with, loaded from the shared library when first
// needed: nothing else needs libsndfile or the codec libraries it links.
// Included by the audio-file writer's and the sound theme's .cpp.

#include <sndfile.h>

#include <string>

namespace sondrel {

#define SONDREL_SNDFILE_FUNCTIONS(F) \
  F(sf_open) F(sf_open_fd) F(sf_readf_short) F(sf_writef_short) F(sf_writef_int) F(sf_write_sync) F(sf_close) F(sf_strerror) F(sf_error_number)

struct SndfileFunctions {
#define SONDREL_SNDFILE_POINTER(name) decltype(&::name) name = nullptr;
  SONDREL_SNDFILE_FUNCTIONS(SONDREL_SNDFILE_POINTER)
#undef SONDREL_SNDFILE_POINTER
};

// The functions, loaded once; null with the reason when the library cannot be
// loaded.
const SndfileFunctions* Sndfile(std::string* problem);

}  // namespace sondrel
