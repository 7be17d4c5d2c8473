#include "platform/PulseServerProbe.h"

#include <chrono>
#include <thread>

#include "platform/PulseLibrary.h"

namespace sondrel {

namespace {

constexpr auto kPatience = std::chrono::seconds(2);

struct Answer {
  bool received = false;
  bool hasSink = false;
};

void OnServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
  auto* answer = static_cast<Answer*>(userdata);
  answer->received = true;
  answer->hasSink = info != nullptr && info->default_sink_name != nullptr && info->default_sink_name[0] != '\0';
}

}  // namespace

PulseServerOutputs ProbePulseServer() {
  const PulseFunctions* library = Pulse();
  if (library == nullptr) return PulseServerOutputs::Unknown;
  const PulseFunctions& pulse = *library;
  pa_mainloop* loop = pulse.mainloop_new();
  if (loop == nullptr) return PulseServerOutputs::Unknown;
  pa_context* context = pulse.context_new(pulse.mainloop_get_api(loop), "Sondrel");
  PulseServerOutputs outputs = PulseServerOutputs::Unknown;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  // Turns the loop without blocking until done() or the deadline.
  auto turnUntil = [&](auto done) {
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      if (pulse.mainloop_iterate(loop, 0, nullptr) < 0) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  };
  if (context != nullptr && pulse.context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
    const bool ready = turnUntil([&] {
      const pa_context_state_t state = pulse.context_get_state(context);
      return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (ready && pulse.context_get_state(context) == PA_CONTEXT_READY) {
      Answer answer;
      if (pa_operation* asked = pulse.context_get_server_info(context, &OnServerInfo, &answer)) {
        if (turnUntil([&] { return answer.received; })) {
          outputs = answer.hasSink ? PulseServerOutputs::Some : PulseServerOutputs::None;
        }
        pulse.operation_unref(asked);
      }
    }
    pulse.context_disconnect(context);
  }
  if (context != nullptr) pulse.context_unref(context);
  pulse.mainloop_free(loop);
  return outputs;
}

}  // namespace sondrel
