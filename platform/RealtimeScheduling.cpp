#include "platform/RealtimeScheduling.h"

#include <dbus/dbus.h>
#include <sched.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

#include "platform/SharedLibrary.h"

namespace sondrel {

namespace {

// rtkit refuses a process whose real-time threads could run for longer
// than this without sleeping (its RTTimeUSecMax); the kernel then stops a
// runaway thread instead of the desktop freezing.
constexpr rlim_t kRealtimeBudgetUsec = 200000;
constexpr int kReplyPatienceMs = 1000;

#define SONDREL_DBUS_FUNCTIONS(F)                                                                                  \
  F(dbus_error_init) F(dbus_error_free) F(dbus_error_is_set) F(dbus_bus_get_private) F(dbus_connection_close)   \
  F(dbus_connection_unref) F(dbus_message_new_method_call) F(dbus_message_append_args) F(dbus_message_unref)    \
  F(dbus_connection_send_with_reply_and_block) F(dbus_connection_set_exit_on_disconnect)

struct DbusFunctions {
#define SONDREL_DBUS_POINTER(name) decltype(&::name) name = nullptr;
  SONDREL_DBUS_FUNCTIONS(SONDREL_DBUS_POINTER)
#undef SONDREL_DBUS_POINTER
};

std::string AskRtkit(int threadId) {
  static SharedLibrary library("libdbus-1.so.3");
  DbusFunctions dbus;
  bool found = library.Opened();
#define SONDREL_DBUS_FIND(name) found = found && library.Find(#name, dbus.name);
  SONDREL_DBUS_FUNCTIONS(SONDREL_DBUS_FIND)
#undef SONDREL_DBUS_FIND
  if (!found) return library.Problem();

  DBusError error;
  dbus.dbus_error_init(&error);
  // A private connection, closed again: the program keeps no bus of its own.
  DBusConnection* bus = dbus.dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
  std::string problem;
  if (bus == nullptr) {
    problem = dbus.dbus_error_is_set(&error) ? error.message : "no system bus";
    dbus.dbus_error_free(&error);
    return problem;
  }
  dbus.dbus_connection_set_exit_on_disconnect(bus, FALSE);
  DBusMessage* call = dbus.dbus_message_new_method_call("org.freedesktop.RealtimeKit1", "/org/freedesktop/RealtimeKit1",
                                                        "org.freedesktop.RealtimeKit1", "MakeThreadRealtime");
  dbus_uint64_t thread = static_cast<dbus_uint64_t>(threadId);
  dbus_uint32_t priority = kStreamThreadPriority;
  if (call == nullptr || !dbus.dbus_message_append_args(call, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &priority,
                                                        DBUS_TYPE_INVALID)) {
    problem = "out of memory";
  } else if (DBusMessage* reply = dbus.dbus_connection_send_with_reply_and_block(bus, call, kReplyPatienceMs, &error)) {
    dbus.dbus_message_unref(reply);
  } else {
    problem = dbus.dbus_error_is_set(&error) ? error.message : "rtkit did not answer";
  }
  if (call != nullptr) dbus.dbus_message_unref(call);
  dbus.dbus_error_free(&error);
  dbus.dbus_connection_close(bus);
  dbus.dbus_connection_unref(bus);
  return problem;
}

}  // namespace

std::string MakeThreadRealtime(int threadId) {
  if (threadId <= 0) return "no such thread";
  rlimit budget{};
  if (getrlimit(RLIMIT_RTTIME, &budget) == 0 && (budget.rlim_max == RLIM_INFINITY || budget.rlim_max > kRealtimeBudgetUsec)) {
    budget.rlim_cur = budget.rlim_max = kRealtimeBudgetUsec;
    setrlimit(RLIMIT_RTTIME, &budget);
  }
  sched_param parameter{};
  parameter.sched_priority = kStreamThreadPriority;
  if (sched_setscheduler(threadId, SCHED_RR | SCHED_RESET_ON_FORK, &parameter) == 0) return {};
  const std::string direct = std::strerror(errno);
  const std::string rtkit = AskRtkit(threadId);
  return rtkit.empty() ? std::string() : direct + "; rtkit: " + rtkit;
}

}  // namespace sondrel
