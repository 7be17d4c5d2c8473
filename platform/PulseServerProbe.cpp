#include "platform/PulseServerProbe.h"

#include <dlfcn.h>
#include <pulse/pulseaudio.h>

#include <chrono>
#include <thread>

namespace sondrel {

namespace {

constexpr auto kPatience = std::chrono::seconds(2);

// The few entry points the probe uses, loaded from the library.
struct PulseLibrary {
  void* handle = nullptr;
  decltype(&pa_mainloop_new) mainloopNew;
  decltype(&pa_mainloop_get_api) mainloopGetApi;
  decltype(&pa_mainloop_iterate) mainloopIterate;
  decltype(&pa_mainloop_free) mainloopFree;
  decltype(&pa_context_new) contextNew;
  decltype(&pa_context_connect) contextConnect;
  decltype(&pa_context_get_state) contextGetState;
  decltype(&pa_context_get_server_info) contextGetServerInfo;
  decltype(&pa_context_disconnect) contextDisconnect;
  decltype(&pa_context_unref) contextUnref;
  decltype(&pa_operation_unref) operationUnref;

  bool Load() {
    handle = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return false;
    return Find(mainloopNew, "pa_mainloop_new") && Find(mainloopGetApi, "pa_mainloop_get_api") &&
           Find(mainloopIterate, "pa_mainloop_iterate") && Find(mainloopFree, "pa_mainloop_free") &&
           Find(contextNew, "pa_context_new") && Find(contextConnect, "pa_context_connect") &&
           Find(contextGetState, "pa_context_get_state") &&
           Find(contextGetServerInfo, "pa_context_get_server_info") &&
           Find(contextDisconnect, "pa_context_disconnect") && Find(contextUnref, "pa_context_unref") &&
           Find(operationUnref, "pa_operation_unref");
  }
  template <typename Function>
  bool Find(Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
  }
  ~PulseLibrary() {
    if (handle != nullptr) dlclose(handle);
  }
};

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
  PulseLibrary pulse;
  if (!pulse.Load()) return PulseServerOutputs::Unknown;
  pa_mainloop* loop = pulse.mainloopNew();
  if (loop == nullptr) return PulseServerOutputs::Unknown;
  pa_context* context = pulse.contextNew(pulse.mainloopGetApi(loop), "Sondrel");
  PulseServerOutputs outputs = PulseServerOutputs::Unknown;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  // Turns the loop without blocking until done() or the deadline.
  auto turnUntil = [&](auto done) {
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      if (pulse.mainloopIterate(loop, 0, nullptr) < 0) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  };
  if (context != nullptr && pulse.contextConnect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
    const bool ready = turnUntil([&] {
      const pa_context_state_t state = pulse.contextGetState(context);
      return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (ready && pulse.contextGetState(context) == PA_CONTEXT_READY) {
      Answer answer;
      if (pa_operation* asked = pulse.contextGetServerInfo(context, &OnServerInfo, &answer)) {
        if (turnUntil([&] { return answer.received; })) {
          outputs = answer.hasSink ? PulseServerOutputs::Some : PulseServerOutputs::None;
        }
        pulse.operationUnref(asked);
      }
    }
    pulse.contextDisconnect(context);
  }
  if (context != nullptr) pulse.contextUnref(context);
  pulse.mainloopFree(loop);
  return outputs;
}

}  // namespace sondrel
