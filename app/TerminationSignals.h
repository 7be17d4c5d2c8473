#pragma once
// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C in a terminal, a closed terminal,
// a session manager) end Sondrel the way File > Exit does: the tone stops,
// the device closes, and any file being written is finished first, as files
// are written on the GUI thread between its messages. The signal handler
// itself only writes the signal's number into a pipe; the GUI thread reads it
// as one more window message, also inside a tone's wait or a script run.
// A second signal of the same kind, while the first is still being handled,
// ends the program at once; so does a clean exit that has not finished a
// second after the signal (SIGALRM), whatever holds the GUI thread. The
// program's exit status is 128 plus the signal's number in every case.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace sondrel {

class TerminationSignals : public QObject {
 public:
  // Installs the handlers. Call it once, as early as possible; signals that
  // arrive before the message loop turns are kept for it.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // Runs on the GUI thread for the first signal received.
  std::function<void(int signalNumber)> onSignal;
  // The first signal received, or 0.
  int Received() const { return received_; }

 private:
  void ReadPipe();

  QSocketNotifier* notifier_ = nullptr;
  int received_ = 0;
};

}  // namespace sondrel
