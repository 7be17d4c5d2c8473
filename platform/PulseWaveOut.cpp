#include "platform/PulseWaveOut.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/PlayFade.h"
#include "platform/PulseLibrary.h"
#include "platform/RealtimeScheduling.h"

namespace sondrel {

namespace {

// How long a connection or a stream's start may take before the server
// counts as not answering.
constexpr auto kPatience = std::chrono::seconds(2);
// How soon the stream looks again for sound that is still being synthesized.
constexpr pa_usec_t kNotReadyRetryUsec = 5000;
// How often the play position is asked for once the last frame is with the
// server, until the mix has taken it.
constexpr pa_usec_t kProgressLookUsec = 2000;

int ThisThreadId() { return static_cast<int>(syscall(SYS_gettid)); }

std::string Reason(const PulseFunctions& pulse, pa_context* context) {
  const char* text = context != nullptr ? pulse.strerror(pulse.context_errno(context)) : nullptr;
  return text != nullptr ? text : "no answer from the sound server";
}

// The positions of a stream's channels, always stated: the server's own
// default for a count differs between versions and servers. Mono, stereo,
// and the surround layouts 2.1, Quad, 5.1 and 7.1 by their channel counts.
bool DefaultChannelMap(uint16_t channels, pa_channel_map* map) {
  using P = pa_channel_position_t;
  constexpr P FL = PA_CHANNEL_POSITION_FRONT_LEFT, FR = PA_CHANNEL_POSITION_FRONT_RIGHT,
              FC = PA_CHANNEL_POSITION_FRONT_CENTER, LFE = PA_CHANNEL_POSITION_LFE, RL = PA_CHANNEL_POSITION_REAR_LEFT,
              RR = PA_CHANNEL_POSITION_REAR_RIGHT, SL = PA_CHANNEL_POSITION_SIDE_LEFT,
              SR = PA_CHANNEL_POSITION_SIDE_RIGHT;
  static const std::vector<std::vector<P>> kLayouts = {
      {PA_CHANNEL_POSITION_MONO}, {FL, FR}, {FL, FR, LFE}, {FL, FR, RL, RR}, {FL, FR, FC, LFE, RL, RR},
      {FL, FR, FC, LFE, RL, RR, SL, SR}};
  for (const std::vector<P>& layout : kLayouts) {
    if (layout.size() != channels) continue;
    map->channels = static_cast<uint8_t>(channels);
    std::copy(layout.begin(), layout.end(), map->map);
    return true;
  }
  return false;
}

// The layouts' positions by their short names, the others as the server
// names them ("aux0").
std::string PositionName(const PulseFunctions& pulse, pa_channel_position_t position) {
  switch (position) {
    case PA_CHANNEL_POSITION_MONO: return "MONO";
    case PA_CHANNEL_POSITION_FRONT_LEFT: return "FL";
    case PA_CHANNEL_POSITION_FRONT_RIGHT: return "FR";
    case PA_CHANNEL_POSITION_FRONT_CENTER: return "FC";
    case PA_CHANNEL_POSITION_LFE: return "LFE";
    case PA_CHANNEL_POSITION_REAR_LEFT: return "RL";
    case PA_CHANNEL_POSITION_REAR_RIGHT: return "RR";
    case PA_CHANNEL_POSITION_SIDE_LEFT: return "SL";
    case PA_CHANNEL_POSITION_SIDE_RIGHT: return "SR";
    default: {
      const char* name = pulse.channel_position_to_string(position);
      return name != nullptr ? name : "-";
    }
  }
}

void Release(const PulseFunctions& pulse, pa_operation* operation) {
  if (operation != nullptr) pulse.operation_unref(operation);
}

}  // namespace

// A fresh listing of the sinks and the default; it replaces the known one
// when both answers have arrived, so a reader never sees half a list.
struct PulseWaveOut::Listing {
  ServerState* server;
  std::vector<Sink> sinks;
  std::string defaultSink;
  int pending = 2;

  void Done() {
    if (--pending > 0) return;
    server->sinks = std::move(sinks);
    server->defaultSink = std::move(defaultSink);
    server->listed = true;
    auto& listings = server->listings;
    listings.erase(std::find_if(listings.begin(), listings.end(), [this](const auto& owned) { return owned.get() == this; }));
  }
};

namespace {

using Listing = PulseWaveOut::Listing;

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
  auto* listing = static_cast<Listing*>(userdata);
  if (eol != 0 || info == nullptr) {
    listing->Done();
    return;
  }
  PulseWaveOut::Sink sink;
  sink.name = info->name != nullptr ? info->name : "";
  sink.description = info->description != nullptr && info->description[0] != '\0' ? info->description : sink.name;
  sink.rate = info->sample_spec.rate;
  sink.channels = info->sample_spec.channels;
  for (uint8_t channel = 0; channel < info->channel_map.channels && channel < PA_CHANNELS_MAX; ++channel) {
    sink.positions.push_back(PositionName(*listing->server->pulse, info->channel_map.map[channel]));
  }
  listing->sinks.push_back(std::move(sink));
}

void OnServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
  auto* listing = static_cast<Listing*>(userdata);
  if (info != nullptr && info->default_sink_name != nullptr) listing->defaultSink = info->default_sink_name;
  listing->Done();
}

void RequestListing(pa_context* context, PulseWaveOut::ServerState* server) {
  const PulseFunctions& pulse = *server->pulse;
  server->listings.push_back(std::make_unique<Listing>(Listing{server, {}, {}, 2}));
  Listing* listing = server->listings.back().get();
  pa_operation* sinks = pulse.context_get_sink_info_list(context, &OnSinkInfo, listing);
  if (sinks == nullptr) listing->Done();
  pa_operation* info = pulse.context_get_server_info(context, &OnServerInfo, listing);
  if (info == nullptr) listing->Done();
  Release(pulse, sinks);
  Release(pulse, info);
}

void OnServerEvent(pa_context* context, pa_subscription_event_type_t, uint32_t, void* userdata) {
  RequestListing(context, static_cast<PulseWaveOut::ServerState*>(userdata));
}

}  // namespace

// Holds the loop's lock: every libpulse call and every field that the loop
// thread's callbacks touch is used under it.
class PulseWaveOut::Lock {
 public:
  explicit Lock(const PulseWaveOut& out) : out_(out) { out_.pulse_->threaded_mainloop_lock(out_.loop_); }
  ~Lock() { out_.pulse_->threaded_mainloop_unlock(out_.loop_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  // Lets the loop thread run until done() holds or the patience runs out.
  template <typename Condition>
  bool WaitFor(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      out_.pulse_->threaded_mainloop_unlock(out_.loop_);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      out_.pulse_->threaded_mainloop_lock(out_.loop_);
    }
    return true;
  }

 private:
  const PulseWaveOut& out_;
};

// Everything here is touched under the loop's lock only: by the callbacks
// on the stream thread and by the calling thread.
struct PulseWaveOut::Stream {
  const PulseFunctions* pulse = nullptr;
  pa_mainloop_api* api = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  std::string name;           // the sink's name; empty for the default output
  std::string shown;          // the sink's description, as listed when it opened
  uint32_t rate = 0;          // frames per second
  uint16_t channels = 0;
  size_t frameBytes = 0;
  WAVEHDR* header = nullptr;  // the queued buffer, nullptr when none plays
  uint32_t offset = 0;        // next byte of the buffer to hand over
  uint32_t loopsLeft = 0;     // whole passes still to hand over, counting the current one
  uint64_t bytesLeft = 0;     // with a play limit: bytes still to hand over
  bool handedOver = false;    // all of it is with the server
  bool startsAnew = false;    // the buffer's first bytes go where the server reads now
  bool played = false;        // ...and the server has taken its last frame into the mix
  bool corked = false;
  bool failed = false;        // the server ended the stream
  uint64_t* starvations = nullptr;  // the output's count
  pa_time_event* timer = nullptr;  // the next look: for sound not yet synthesized, or at the play position
  int progressAsked = 0;      // position requests not yet answered
  int progressStale = 0;      // of those, asked before the current buffer
  int drainsAsked = 0;        // likewise for drains
  int drainsStale = 0;
  PlayFade fade;              // the play's fades
  uint64_t position = 0;      // play frames handed over
  std::vector<int16_t> faded; // room for frames in a fade
  bool stopping = false;      // a stop's fade-out is being placed: nothing more is handed over
  bool tailSounding = false;  // ...and it was handed over after what the listener hears now
  int timingAnswers = 0;      // answers to FadeOut's question, counted by the stream thread

  // Hands the server up to `wanted` bytes, pass after pass without a gap.
  void Fill(size_t wanted);
  // Hands over `count` bytes of the buffer from `offset` on, faded where the play fades.
  bool Write(size_t count, pa_seek_mode_t seek);
  void Later(pa_usec_t usec);
  void CancelTimer();
  void AskProgress();
  // Drops what the server holds and stops asking for more: silent at once.
  void Cut();
  // What is still to come of the buffer before (answers, a look) is ignored.
  void Forget();
  static void OnWritable(pa_stream*, size_t wanted, void* userdata) { static_cast<Stream*>(userdata)->Fill(wanted); }
  static void OnState(pa_stream* stream, void* userdata);
  static void OnUnderflow(pa_stream*, void* userdata);
  static void OnProgress(pa_stream* stream, int success, void* userdata);
  static void OnDrained(pa_stream*, int success, void* userdata);
  void Played();
  static void OnTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata);
};

void PulseWaveOut::Stream::Fill(size_t wanted) {
  if (header == nullptr || handedOver || stream == nullptr || stopping) return;
  const uint32_t size = header->dwBufferLength;
  while (wanted >= frameBytes && loopsLeft > 0) {
    const size_t ready =
        header->lpReady != nullptr ? std::min<size_t>(size, header->lpReady->load(std::memory_order_acquire)) : size;
    size_t count = ready > offset ? std::min<size_t>(wanted, ready - offset) : 0;
    if (header->playLimit != 0) count = static_cast<size_t>(std::min<uint64_t>(count, bytesLeft));
    count -= count % frameBytes;
    if (count == 0) {
      // Not synthesized yet: look again shortly rather than fill the gap
      // with silence.
      Later(kNotReadyRetryUsec);
      return;
    }
    // libpulse copies the bytes: the buffer stays the caller's.
    const pa_seek_mode_t seek = startsAnew ? PA_SEEK_RELATIVE_ON_READ : PA_SEEK_RELATIVE;
    if (!Write(count, seek)) return;
    startsAnew = false;
    wanted -= count;
    offset += static_cast<uint32_t>(count);
    if (header->playLimit != 0 && (bytesLeft -= count) == 0) loopsLeft = 0;
    if (offset == size) {
      offset = 0;
      if (loopsLeft > 0) --loopsLeft;
    }
  }
  if (loopsLeft == 0) {
    handedOver = true;
    // A buffer shorter than the prebuffer starts now.
    Release(*pulse, pulse->stream_trigger(stream, nullptr, nullptr));
    if (pa_operation* drain = pulse->stream_drain(stream, &OnDrained, this)) {
      ++drainsAsked;
      Release(*pulse, drain);
    }
    AskProgress();
  }
}

bool PulseWaveOut::Stream::Write(size_t count, pa_seek_mode_t seek) {
  const size_t frames = count / frameBytes;
  const uint8_t* bytes = header->lpData + offset;
  if (fade.Touches(position, frames)) {
    faded.resize(count / 2);
    std::memcpy(faded.data(), bytes, count);
    fade.Apply(faded.data(), frames, frameBytes / 2, position);
    bytes = reinterpret_cast<const uint8_t*>(faded.data());
  }
  if (pulse->stream_write(stream, bytes, count, nullptr, 0, seek) < 0) return false;
  position += frames;
  return true;
}

void PulseWaveOut::Stream::Later(pa_usec_t usec) {
  if (timer == nullptr) timer = pulse->context_rttime_new(context, pulse->rtclock_now() + usec, &OnTimer, this);
}

void PulseWaveOut::Stream::CancelTimer() {
  if (timer != nullptr) api->time_free(timer);
  timer = nullptr;
}

void PulseWaveOut::Stream::AskProgress() {
  if (pa_operation* asked = pulse->stream_update_timing_info(stream, &OnProgress, this)) {
    ++progressAsked;
    Release(*pulse, asked);
  }
}

void PulseWaveOut::Stream::Forget() {
  CancelTimer();
  progressStale = progressAsked;
  drainsStale = drainsAsked;
}

void PulseWaveOut::Stream::Cut() {
  Forget();
  header = nullptr;
  loopsLeft = 0;
  if (!failed) Release(*pulse, pulse->stream_flush(stream, nullptr, nullptr));
}

void PulseWaveOut::Stream::OnState(pa_stream* stream, void* userdata) {
  auto* self = static_cast<Stream*>(userdata);
  const pa_stream_state_t state = self->pulse->stream_get_state(stream);
  if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) self->failed = true;
}

// The server ran dry: a fault of ours while the buffer has sound not yet
// handed over; after its last frame, simply its end.
void PulseWaveOut::Stream::OnUnderflow(pa_stream*, void* userdata) {
  auto* self = static_cast<Stream*>(userdata);
  if (self->header != nullptr && !self->handedOver) ++*self->starvations;
}

// The buffer is done once the server's read position has reached the end
// of what was written: the mix has taken its last frame, which a listener
// hears the device's latency later, as every frame before it. The pause of
// a script's next line counts from there, so it sounds as long as it is on
// every device; the drain alone would add the device's latency to it.
void PulseWaveOut::Stream::OnProgress(pa_stream* stream, int success, void* userdata) {
  auto* self = static_cast<Stream*>(userdata);
  --self->progressAsked;
  if (self->progressStale > 0) {
    --self->progressStale;
    return;
  }
  if (self->header == nullptr || !self->handedOver) return;
  const pa_timing_info* position = success != 0 ? self->pulse->stream_get_timing_info(stream) : nullptr;
  if (position != nullptr && position->read_index_corrupt == 0 && position->write_index_corrupt == 0 &&
      position->read_index >= position->write_index) {
    self->Played();
    return;
  }
  self->Later(kProgressLookUsec);
}

// The drain's answer: later than the read position on PulseAudio (it
// waits for the device), but the one answer where a resampler keeps the
// last frames back from the read position (PipeWire), and the drain is
// what makes PipeWire pass on a last part shorter than its cycle at all.
void PulseWaveOut::Stream::OnDrained(pa_stream*, int success, void* userdata) {
  auto* self = static_cast<Stream*>(userdata);
  --self->drainsAsked;
  if (self->drainsStale > 0) {
    --self->drainsStale;
    return;
  }
  if (success != 0 && self->header != nullptr && self->handedOver) self->Played();
}

void PulseWaveOut::Stream::Played() {
  Forget();
  played = true;
  header->dwFlags.fetch_or(WHDR_DONE);
  header = nullptr;
}

void PulseWaveOut::Stream::OnTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
  auto* self = static_cast<Stream*>(userdata);
  self->CancelTimer();
  if (self->stream == nullptr) return;
  if (self->handedOver) {
    self->AskProgress();
  } else {
    self->Fill(self->pulse->stream_writable_size(self->stream));
  }
}

PulseWaveOut::PulseWaveOut() {
  std::string problem;
  pulse_ = Pulse(&problem);
  if (pulse_ == nullptr) {
    error_ = "The sound system could not be started: " + problem;
    return;
  }
  server_.pulse = pulse_;
  loop_ = pulse_->threaded_mainloop_new();
  if (loop_ == nullptr || pulse_->threaded_mainloop_start(loop_) < 0) {
    if (loop_ != nullptr) pulse_->threaded_mainloop_free(loop_);
    loop_ = nullptr;
    error_ = "The sound system could not be started: its thread did not start";
    return;
  }
  int thread = 0;
  {
    Lock lock(*this);
    pulse_->mainloop_api_once(
        pulse_->threaded_mainloop_get_api(loop_),
        [](pa_mainloop_api*, void* userdata) { static_cast<ServerState*>(userdata)->loopThread = ThisThreadId(); },
        &server_);
    lock.WaitFor([this] { return server_.loopThread != 0; });
    thread = server_.loopThread;
  }
  realtimeProblem_ = MakeThreadRealtime(thread);
  Connect();
}

PulseWaveOut::~PulseWaveOut() {
  if (loop_ == nullptr) return;
  {
    Lock lock(*this);
    for (auto& [handle, stream] : streams_) CloseLocked(*stream);
    streams_.clear();
    LetTheKeptStreamSoundOut(lock);
    ReleaseKeptLocked();
    DisconnectLocked();
  }
  pulse_->threaded_mainloop_stop(loop_);
  pulse_->threaded_mainloop_free(loop_);
}

void PulseWaveOut::DisconnectLocked() {
  if (context_ == nullptr) return;
  pulse_->context_set_subscribe_callback(context_, nullptr, nullptr);
  pulse_->context_disconnect(context_);
  pulse_->context_unref(context_);
  context_ = nullptr;
  server_.listings.clear();  // their answers will never come
}

bool PulseWaveOut::Connected() {
  if (loop_ == nullptr) return false;
  Lock lock(*this);
  return context_ != nullptr && pulse_->context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseWaveOut::Connect() {
  if (loop_ == nullptr) return false;
  Lock lock(*this);
  if (context_ != nullptr && pulse_->context_get_state(context_) == PA_CONTEXT_READY) return true;
  if (!streams_.empty()) {  // their context stays until they close
    error_ = "The sound system could not be started: the sound server stopped";
    return false;
  }
  ReleaseKeptLocked();
  DisconnectLocked();
  server_.sinks.clear();
  server_.defaultSink.clear();
  server_.listed = false;
  context_ = pulse_->context_new(pulse_->threaded_mainloop_get_api(loop_), "Sondrel");
  if (context_ == nullptr) {
    error_ = "The sound system could not be started: no connection could be made";
    return false;
  }
  const bool asked = pulse_->context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
  const bool ready = asked && lock.WaitFor([this] {
    const pa_context_state_t state = pulse_->context_get_state(context_);
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
  }) && pulse_->context_get_state(context_) == PA_CONTEXT_READY;
  if (!ready) {
    error_ = "The sound system could not be started: " + Reason(*pulse_, context_);
    DisconnectLocked();
    return false;
  }
  pulse_->context_set_subscribe_callback(context_, &OnServerEvent, &server_);
  Release(*pulse_, pulse_->context_subscribe(
                       context_, static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER),
                       nullptr, nullptr));
  RequestListing(context_, &server_);
  lock.WaitFor([this] { return server_.listed; });
  error_.clear();
  return true;
}

std::string PulseWaveOut::StartError() {
  if (!Connected()) return error_;
  Lock lock(*this);
  return server_.sinks.empty() ? kNoOutputDevice : "";
}

int PulseWaveOut::StreamThreadId() const {
  if (loop_ == nullptr) return 0;
  Lock lock(*this);
  return server_.loopThread;
}

uint64_t PulseWaveOut::Starvations() const {
  if (loop_ == nullptr) return 0;
  Lock lock(*this);
  return server_.starvations;
}

const PulseWaveOut::Sink* PulseWaveOut::DefaultSinkLocked() const {
  for (const Sink& sink : server_.sinks) {
    if (sink.name == server_.defaultSink) return &sink;
  }
  return nullptr;
}

uint32_t PulseWaveOut::GetNumDevs() {
  if (loop_ == nullptr) return 1;
  Lock lock(*this);
  return 1 + static_cast<uint32_t>(server_.sinks.size());
}

std::string PulseWaveOut::GetDeviceName(uint32_t device) {
  if (loop_ == nullptr) return device == 0 ? kDefaultOutputName : "";
  Lock lock(*this);
  if (device == 0) {
    const Sink* sink = DefaultSinkLocked();
    return sink != nullptr ? std::string(kDefaultOutputName) + " (" + sink->description + ")" : kDefaultOutputName;
  }
  return device <= server_.sinks.size() ? server_.sinks[device - 1].description : std::string();
}

const PulseWaveOut::Sink* PulseWaveOut::SinkLocked(int32_t device) const {
  if (device == 0 || device == WAVE_MAPPER) return DefaultSinkLocked();
  return device > 0 && static_cast<size_t>(device) <= server_.sinks.size() ? &server_.sinks[static_cast<size_t>(device) - 1]
                                                                           : nullptr;
}

int32_t PulseWaveOut::GetDeviceRate(int32_t device) {
  if (loop_ == nullptr) return 0;
  Lock lock(*this);
  const Sink* sink = SinkLocked(device);
  return sink != nullptr ? static_cast<int32_t>(sink->rate) : 0;
}

std::vector<std::string> PulseWaveOut::GetDevicePositions(int32_t device) {
  if (loop_ == nullptr) return {};
  Lock lock(*this);
  const Sink* sink = SinkLocked(device);
  return sink != nullptr ? sink->positions : std::vector<std::string>{};
}

PulseWaveOut::Stream* PulseWaveOut::Find(HWAVEOUT handle) {
  auto found = streams_.find(handle);
  return found == streams_.end() ? nullptr : found->second.get();
}

WaveResult PulseWaveOut::Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) {
  pa_channel_map map{};
  if (format.wFormatTag != WAVE_FORMAT_PCM || format.wBitsPerSample != 16 || format.nSamplesPerSec == 0 ||
      format.nSamplesPerSec > PA_RATE_MAX || !DefaultChannelMap(format.nChannels, &map)) {
    return "The sound format is not supported";
  }
  if (!Connect()) return error_;
  Lock lock(*this);
  if (server_.sinks.empty()) return kNoOutputDevice;
  auto opened = std::make_unique<Stream>();
  if (device != WAVE_MAPPER && device != 0) {
    if (device < 0 || static_cast<size_t>(device) > server_.sinks.size()) {
      return "The sound device " + std::to_string(device) + " does not exist";
    }
    opened->name = server_.sinks[static_cast<size_t>(device) - 1].name;
    opened->shown = server_.sinks[static_cast<size_t>(device) - 1].description;
  }
  if (kept_ != nullptr && !kept_->failed && kept_->context == context_ && kept_->name == opened->name &&
      kept_->rate == format.nSamplesPerSec && kept_->channels == format.nChannels) {
    std::unique_ptr<Stream> again = std::move(kept_);
    ReleaseKeptLocked();  // only its timer: the stream is taken up
    if (again->corked) Release(*pulse_, pulse_->stream_cork(again->stream, 0, nullptr, nullptr));
    again->corked = false;
    *handle = nextHandle_++;
    streams_.emplace(*handle, std::move(again));
    return {};
  }
  ReleaseKeptLocked();
  const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, format.nSamplesPerSec, static_cast<uint8_t>(format.nChannels)};
  opened->pulse = pulse_;
  opened->starvations = &server_.starvations;
  opened->api = pulse_->threaded_mainloop_get_api(loop_);
  opened->context = context_;
  opened->rate = format.nSamplesPerSec;
  opened->channels = format.nChannels;
  opened->frameBytes = size_t{2} * format.nChannels;
  opened->stream = pulse_->stream_new(context_, "Sondrel", &sampleFormat, &map);
  if (opened->stream == nullptr) return "The sound device could not be opened: " + Reason(*pulse_, context_);
  pulse_->stream_set_state_callback(opened->stream, &Stream::OnState, opened.get());
  pulse_->stream_set_write_callback(opened->stream, &Stream::OnWritable, opened.get());
  pulse_->stream_set_underflow_callback(opened->stream, &Stream::OnUnderflow, opened.get());

  const uint32_t bytesPerMs = format.nSamplesPerSec * static_cast<uint32_t>(opened->frameBytes) / 1000;
  pa_buffer_attr buffer{};
  buffer.maxlength = static_cast<uint32_t>(-1);
  buffer.tlength = kTargetLatencyMs * bytesPerMs;
  buffer.prebuf = static_cast<uint32_t>(-1);  // the whole target: the first fill starts it
  buffer.minreq = kRefillMs * bytesPerMs;
  buffer.fragsize = static_cast<uint32_t>(-1);
  // The default output follows the desktop; a chosen sink is kept, so that
  // its loss is reported instead of the sound moving elsewhere.
  const auto flags = opened->name.empty() ? PA_STREAM_NOFLAGS : PA_STREAM_DONT_MOVE;
  pa_stream* stream = opened->stream;
  const bool asked = pulse_->stream_connect_playback(stream, opened->name.empty() ? nullptr : opened->name.c_str(),
                                                     &buffer, flags, nullptr, nullptr) >= 0;
  const bool ready = asked && lock.WaitFor([&] {
    const pa_stream_state_t state = pulse_->stream_get_state(stream);
    return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
  }) && pulse_->stream_get_state(stream) == PA_STREAM_READY;
  if (!ready) {
    const std::string reason = Reason(*pulse_, context_);
    CloseLocked(*opened);
    return "The sound device could not be opened: " + reason;
  }
  *handle = nextHandle_++;
  streams_.emplace(*handle, std::move(opened));
  return {};
}

WaveResult PulseWaveOut::PrepareHeader(HWAVEOUT handle, WAVEHDR* header) {
  if (loop_ == nullptr) return "The sound device is not open";
  Lock lock(*this);
  if (Find(handle) == nullptr) return "The sound device is not open";
  if (header == nullptr || (header->lpData == nullptr && header->dwBufferLength > 0)) {
    return "The sound buffer is not valid";
  }
  header->dwFlags.fetch_or(WHDR_PREPARED);
  return {};
}

WaveResult PulseWaveOut::Write(HWAVEOUT handle, WAVEHDR* header) {
  if (loop_ == nullptr) return "The sound device is not open";
  Lock lock(*this);
  Stream* stream = Find(handle);
  if (stream == nullptr) return "The sound device is not open";
  if (!(header->dwFlags.load() & WHDR_PREPARED)) return "The sound buffer is not prepared";
  header->dwFlags.fetch_and(~WHDR_DONE);
  if (header->dwLoops == 0 || header->dwBufferLength == 0) {
    header->dwFlags.fetch_or(WHDR_DONE);
    return {};
  }
  stream->Forget();
  stream->header = header;
  stream->offset = 0;
  stream->loopsLeft = header->dwLoops;
  stream->bytesLeft = header->playLimit;
  stream->handedOver = false;
  stream->played = false;
  stream->startsAnew = true;
  stream->stopping = false;
  stream->tailSounding = false;
  stream->fade = FadeOf(*header, stream->frameBytes);
  stream->position = 0;
  stream->Fill(pulse_->stream_writable_size(stream->stream));
  return {};
}

WaveResult PulseWaveOut::Reset(HWAVEOUT handle) {
  if (loop_ == nullptr) return "The sound device is not open";
  Lock lock(*this);
  Stream* stream = Find(handle);
  if (stream == nullptr) return "The sound device is not open";
  // A buffer still playing is cut off at once, without waiting for the
  // server, or faded out from where the listener is (one round trip to ask
  // the server); one that has played to its end is left to sound out on the
  // device (a flush would take back its last frames from the device too).
  if (stream->header != nullptr) {
    WAVEHDR* header = stream->header;
    if (header->fadeFrames == 0 || stream->failed || !FadeOutLocked(lock, *stream)) stream->Cut();
    header->dwFlags.fetch_or(WHDR_DONE);
  }
  return {};
}

// The fade-out replaces what the server holds from a little after the frame
// the listener hears now: PulseAudio takes back (rewinds) what its device
// holds beyond that, pipewire-pulse's queue ends there. Everything queued
// after the fade is dropped with it, so the stop takes no longer than the
// fade. False when the server does not say where it is.
bool PulseWaveOut::FadeOutLocked(Lock& lock, Stream& stream) {
  stream.stopping = true;
  stream.CancelTimer();
  const int answersBefore = stream.timingAnswers;
  auto onTiming = [](pa_stream*, int, void* userdata) { ++static_cast<Stream*>(userdata)->timingAnswers; };
  pa_operation* asked = pulse_->stream_update_timing_info(stream.stream, onTiming, &stream);
  if (asked == nullptr) return false;
  Release(*pulse_, asked);
  if (!lock.WaitFor([&] { return stream.timingAnswers != answersBefore || stream.failed; }) || stream.failed) return false;
  if (stream.header == nullptr) return true;  // it played to its end meanwhile
  const auto answered = std::chrono::steady_clock::now();
  const pa_timing_info* timing = pulse_->stream_get_timing_info(stream.stream);
  if (timing == nullptr || timing->read_index_corrupt != 0 || timing->write_index_corrupt != 0) return false;
  // Server indices are bytes since the stream began; this play began where
  // its first frame went.
  const int64_t frameBytes = static_cast<int64_t>(stream.frameBytes);
  const int64_t start = timing->write_index - static_cast<int64_t>(stream.position) * frameBytes;
  const auto late = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - answered);
  const auto usecToFrames = [&](int64_t usec) { return usec * static_cast<int64_t>(stream.rate) / 1000000; };
  const int64_t heard = (timing->read_index - start) / frameBytes - usecToFrames(static_cast<int64_t>(timing->sink_usec));
  const int64_t from = std::clamp<int64_t>(heard + usecToFrames(kStopLeadMs * 1000 + late.count()), 0,
                                           static_cast<int64_t>(stream.position));
  stream.fade.StopAt(static_cast<uint64_t>(from));
  const std::vector<int16_t> tail = FadedFrames(*stream.header, stream.frameBytes, stream.fade, static_cast<uint64_t>(from),
                                                stream.fade.PlayFrames() - static_cast<uint64_t>(from));
  stream.Forget();
  stream.header = nullptr;
  stream.loopsLeft = 0;
  // Nothing to fade (the play ends there anyway): what is queued stays.
  if (tail.empty()) return true;
  if (pulse_->stream_write(stream.stream, tail.data(), tail.size() * 2, nullptr, start + from * frameBytes,
                           PA_SEEK_ABSOLUTE) < 0) {
    return false;
  }
  // A short play may not have started; and PipeWire passes on a last part
  // shorter than its graph's cycle only when asked to drain.
  Release(*pulse_, pulse_->stream_trigger(stream.stream, nullptr, nullptr));
  Release(*pulse_, pulse_->stream_drain(stream.stream, nullptr, nullptr));
  stream.tailSounding = true;
  return true;
}

WaveResult PulseWaveOut::UnprepareHeader(HWAVEOUT handle, WAVEHDR* header) {
  if (loop_ == nullptr) return "The sound device is not open";
  Lock lock(*this);
  Stream* stream = Find(handle);
  if (stream == nullptr) return "The sound device is not open";
  if (stream->header == header) return "The sound buffer is still playing";
  header->dwFlags.fetch_and(~WHDR_PREPARED);
  return {};
}

void PulseWaveOut::CloseLocked(Stream& stream) {
  stream.CancelTimer();
  stream.header = nullptr;
  if (stream.stream == nullptr) return;
  // No callback can reach the record after this: they all run under the lock.
  pulse_->stream_set_state_callback(stream.stream, nullptr, nullptr);
  pulse_->stream_set_write_callback(stream.stream, nullptr, nullptr);
  pulse_->stream_set_underflow_callback(stream.stream, nullptr, nullptr);
  pulse_->stream_disconnect(stream.stream);
  pulse_->stream_unref(stream.stream);
  stream.stream = nullptr;
}

WaveResult PulseWaveOut::Close(HWAVEOUT handle) {
  if (loop_ == nullptr) return "The sound device is not open";
  Lock lock(*this);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return "The sound device is not open";
  std::unique_ptr<Stream> closed = std::move(found->second);
  streams_.erase(found);
  KeepLocked(std::move(closed));
  return {};
}

void PulseWaveOut::KeepLocked(std::unique_ptr<Stream> stream) {
  ReleaseKeptLocked();
  if (stream->failed || stream->context != context_ || context_ == nullptr) {
    CloseLocked(*stream);
    return;
  }
  if (!stream->played && !stream->tailSounding) {
    // Stopped before its end: silent at once, and nothing more asked for.
    stream->Cut();
    Release(*pulse_, pulse_->stream_cork(stream->stream, 1, nullptr, nullptr));
    stream->corked = true;
  }
  keptTimer_ = pulse_->context_rttime_new(context_, pulse_->rtclock_now() + pa_usec_t{kKeepClosedMs} * 1000,
                                          &PulseWaveOut::OnKeptTooLong, this);
  kept_ = std::move(stream);
}

void PulseWaveOut::ReleaseKeptLocked() {
  if (keptTimer_ != nullptr) pulse_->threaded_mainloop_get_api(loop_)->time_free(keptTimer_);
  keptTimer_ = nullptr;
  if (kept_ != nullptr) CloseLocked(*kept_);
  kept_.reset();
}

void PulseWaveOut::LetTheKeptStreamSoundOut(Lock& lock) {
  if (kept_ == nullptr || !(kept_->played || kept_->tailSounding) || kept_->failed) return;
  // Its last frames may still be in the device: the server answers the
  // drain once they have played (and ending the stream first would take
  // them back).
  bool drained = false;
  auto onDrained = [](pa_stream*, int, void* userdata) { *static_cast<bool*>(userdata) = true; };
  if (pa_operation* drain = pulse_->stream_drain(kept_->stream, onDrained, &drained)) {
    lock.WaitFor([&drained] { return drained; });
    Release(*pulse_, drain);
  }
}

// On the stream thread, under the lock.
void PulseWaveOut::OnKeptTooLong(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
  static_cast<PulseWaveOut*>(userdata)->ReleaseKeptLocked();
}

WaveResult PulseWaveOut::DeviceLost(HWAVEOUT handle) {
  if (loop_ == nullptr) return "The sound device is not open";
  Lock lock(*this);
  const Stream* stream = Find(handle);
  if (stream == nullptr) return "The sound device is not open";
  const bool serverGone = context_ == nullptr || !PA_CONTEXT_IS_GOOD(pulse_->context_get_state(context_));
  if (!stream->failed && !serverGone) return {};
  const std::string shown = stream->name.empty() ? std::string(kDefaultOutputName) : stream->shown;
  // The server ends a stream that may not move when its sink goes away.
  return "The sound device \"" + shown + "\" was lost: " +
         (serverGone ? "the sound server stopped or the device failed" : "it was unplugged or removed");
}

}  // namespace sondrel
