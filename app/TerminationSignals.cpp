#include "app/TerminationSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace sondrel {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// How long the clean exit may take before the program ends without it.
constexpr unsigned kCleanExitSeconds = 1;

// [0] is read by the GUI thread, [1] written by the handler.
int signalPipe[2] = {-1, -1};
volatile sig_atomic_t signalPending = 0;

// The clean exit has had its second and has not finished: something holds
// the GUI thread (a device that will not close, a start-up step that waits).
void OnWatchdog(int) { _exit(128 + signalPending); }

void OnTerminationSignal(int signalNumber) {
  if (signalPending != 0) {
    // Asked twice: whatever holds up the clean exit, end now.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    return;
  }
  signalPending = signalNumber;
  alarm(kCleanExitSeconds);
  const char byte = static_cast<char>(signalNumber);
  const int savedErrno = errno;
  (void)!write(signalPipe[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (signalPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
    return;  // no pipe: the signals keep their default action
  }
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);
  struct sigaction action {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signalNumber : kSignals) sigaction(signalNumber, &action, nullptr);
  struct sigaction watchdog {};
  watchdog.sa_handler = &OnWatchdog;
  sigemptyset(&watchdog.sa_mask);
  sigaction(SIGALRM, &watchdog, nullptr);
}

TerminationSignals::~TerminationSignals() {
  alarm(0);  // the clean exit is done
  for (const int signalNumber : kSignals) std::signal(signalNumber, SIG_DFL);
  std::signal(SIGALRM, SIG_DFL);
  signalPending = 0;
}

void TerminationSignals::ReadPipe() {
  char byte = 0;
  while (read(signalPipe[0], &byte, 1) == 1) {
    if (received_ != 0) continue;
    received_ = byte;
    if (onSignal) onSignal(received_);
  }
}

}  // namespace sondrel
