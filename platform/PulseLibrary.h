#pragma once
// libpulse's functions, loaded from the shared library when the sound system
// first starts, as SDL loads it: the program runs on machines without it,
// and a terminal command that plays nothing never loads it. The library
// speaks to PulseAudio and to PipeWire's pipewire-pulse alike. Included by
// the sound-server back end's .cpp files alone.

#include <pulse/pulseaudio.h>

#include <string>

namespace sondrel {

#define SONDREL_PULSE_FUNCTIONS(F)                                                                                   \
  F(mainloop_new) F(mainloop_get_api) F(mainloop_iterate) F(mainloop_free) F(threaded_mainloop_new)                   \
  F(threaded_mainloop_free) F(threaded_mainloop_start) F(threaded_mainloop_stop) F(threaded_mainloop_lock)            \
  F(threaded_mainloop_unlock) F(threaded_mainloop_get_api) F(mainloop_api_once) F(context_new)              \
  F(context_connect) F(context_disconnect) F(context_unref) F(context_get_state) F(context_errno)                     \
  F(context_set_state_callback) F(context_set_subscribe_callback) F(context_subscribe)                                \
  F(context_get_server_info) F(context_get_sink_info_list) F(context_rttime_new) F(operation_unref) F(strerror)       \
  F(rtclock_now) F(stream_new) F(stream_connect_playback) F(stream_disconnect) F(stream_unref) F(stream_get_state)    \
  F(stream_set_state_callback) F(stream_set_write_callback) F(stream_set_underflow_callback) F(stream_writable_size) F(stream_begin_write)             \
  F(stream_cancel_write) F(stream_write) F(stream_drain) F(stream_flush) F(stream_trigger) F(stream_cork) F(stream_update_timing_info) F(stream_get_timing_info)     \
  F(channel_position_to_string)

struct PulseFunctions {
#define SONDREL_PULSE_POINTER(name) decltype(&pa_##name) name = nullptr;
  SONDREL_PULSE_FUNCTIONS(SONDREL_PULSE_POINTER)
#undef SONDREL_PULSE_POINTER
};

// The functions, loaded once; null with the reason when the library cannot
// be loaded or lacks one of them.
const PulseFunctions* Pulse(std::string* problem = nullptr);

}  // namespace sondrel
