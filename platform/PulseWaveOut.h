#pragma once
// Waveform output straight to the sound server through libpulse's
// asynchronous API, which serves PulseAudio and PipeWire's pipewire-pulse
// alike. Each open device is one playback stream that states everything
// itself: the exact sample format and rate, an explicit channel map, and a
// buffer of kTargetLatencyMs filled ahead by the stream's own thread (at
// real-time priority where the system grants it) straight from the
// caller's memory, so that a busy machine does not empty it. The done flag
// is set when the server's mix has taken the buffer's last frame, not when
// it was handed over. A reset or a close of a buffer still playing drops
// what is queued at once and never waits on the server.
//
// Device 0 is the desktop's default output, "Default output (<its name>)":
// its stream follows the desktop when the user switches outputs. The sinks
// follow from 1 in the server's order, each by its description; the list
// follows the server as sinks come and go. A chosen sink's stream never
// moves: when that sink goes, the device is lost. When no server answers,
// the next open tries again, so a server that starts late is found.
//
// A closed stream is kept, corked and empty, for kKeepClosedMs: the next
// open of the same device and format takes it up again at once, without
// the round trips (and on PipeWire the new links) of a new stream, so a
// script's next line starts on time.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/WaveOut.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_mainloop_api;
struct pa_time_event;

namespace sondrel {

struct PulseFunctions;

// How much sound the server holds ahead of the device for each stream: the
// longest stall of this program's audio thread (or of the server's own
// threads) that plays through without a gap; paplay asks for as much. With
// 250 ms a busy private PipeWire session dropped out under Sondrel and not
// under paplay. A start, a stop or a retune does not wait for it.
inline constexpr uint32_t kTargetLatencyMs = 2000;
// The server asks for more sound whenever this much has room.
inline constexpr uint32_t kRefillMs = 25;
inline constexpr uint32_t kKeepClosedMs = 1500;
// A stop's fade-out starts this long after the frame the listener hears when
// the stop comes: time for it to reach the server and the device.
inline constexpr int64_t kStopLeadMs = 30;

class PulseWaveOut : public WaveOut {
 public:
  // Loads libpulse and connects to the server (waiting at most two seconds
  // for its answer); never throws. Check StartError.
  PulseWaveOut();
  ~PulseWaveOut() override;
  PulseWaveOut(const PulseWaveOut&) = delete;
  PulseWaveOut& operator=(const PulseWaveOut&) = delete;

  // Connects again when no server is connected, at most once while any
  // device is open; true when a server is connected.
  bool Connect();
  bool Connected();
  // Empty while a server with an output is connected, otherwise why there
  // is no sound, in words for the user.
  std::string StartError();

  uint32_t GetNumDevs() override;
  std::string GetDeviceName(uint32_t device) override;
  int32_t GetDeviceRate(int32_t device) override;
  std::vector<std::string> GetDevicePositions(int32_t device) override;
  WaveResult Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) override;
  WaveResult PrepareHeader(HWAVEOUT handle, WAVEHDR* header) override;
  WaveResult Write(HWAVEOUT handle, WAVEHDR* header) override;
  WaveResult Reset(HWAVEOUT handle) override;
  WaveResult UnprepareHeader(HWAVEOUT handle, WAVEHDR* header) override;
  WaveResult Close(HWAVEOUT handle) override;
  WaveResult DeviceLost(HWAVEOUT handle) override;

  // The thread id of the stream thread, 0 when it did not start.
  int StreamThreadId() const;
  // Empty when the stream thread runs at real-time priority, otherwise why not.
  const std::string& RealtimeProblem() const { return realtimeProblem_; }
  // How often the server ran out of Sondrel's sound while more of it was
  // still to come: each a dropout of the program's own making, by the
  // server's account.
  uint64_t Starvations() const;

  struct Stream;   // one playback stream and its play position
  struct Listing;  // an answer about the sinks still coming
  struct Sink {
    std::string name;         // the server's name, which opens it
    std::string description;  // what the user sees
    uint32_t rate = 0;        // frames per second
    uint8_t channels = 0;
    std::vector<std::string> positions;  // of its channels, as GetDevicePositions gives them
  };
  // What the loop thread knows of the server; guarded by the loop's lock.
  struct ServerState {
    const PulseFunctions* pulse = nullptr;
    std::vector<Sink> sinks;    // in the server's order
    std::string defaultSink;    // its name; empty when the server has none
    bool listed = false;        // the first full answer has arrived
    // Owned here, so that those a lost connection never answers are freed.
    std::vector<std::unique_ptr<Listing>> listings;
    int loopThread = 0;         // the stream thread's id
    uint64_t starvations = 0;   // see Starvations()
  };

 private:
  class Lock;
  const Sink* DefaultSinkLocked() const;
  // A device of the list (0 or WAVE_MAPPER: the default); null for none.
  const Sink* SinkLocked(int32_t device) const;
  void DisconnectLocked();
  void CloseLocked(Stream& stream);
  bool FadeOutLocked(Lock& lock, Stream& stream);
  // Keeps a closed stream for the next open, or ends it.
  void KeepLocked(std::unique_ptr<Stream> stream);
  void ReleaseKeptLocked();
  // Waits (a little, at most) for a kept stream that played to its end to
  // leave the device, before the program ends it.
  void LetTheKeptStreamSoundOut(Lock& lock);
  static void OnKeptTooLong(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata);
  Stream* Find(HWAVEOUT handle);

  const PulseFunctions* pulse_ = nullptr;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;  // null while no server is connected
  std::string error_;              // why the last connection failed
  std::string realtimeProblem_ = "not asked for";
  ServerState server_;
  HWAVEOUT nextHandle_ = 1;
  std::map<HWAVEOUT, std::unique_ptr<Stream>> streams_;
  std::unique_ptr<Stream> kept_;  // closed, corked, for the next open
  pa_time_event* keptTimer_ = nullptr;
};

}  // namespace sondrel
