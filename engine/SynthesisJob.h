#pragma once
// The synthesis of one buffer shared out among threads. The frames are
// claimed a chunk at a time, in order, from a shared counter; a thread that
// a busy processor holds back simply claims fewer chunks, so sharing never
// makes the work slower than doing it alone. Frames are computed
// independently, so the bytes never depend on who computed which chunk.
//
// SynthesizeSignal (Synthesis.h) runs a job to its end on the calling thread
// and the helpers. BackgroundSynthesis runs one on helpers alone while the
// device already plays the part from the start that is ready.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/PanelState.h"
#include "engine/PcmBuffer.h"

namespace sondrel {

// Starts each helper thread; throws std::system_error when the system has no
// thread to give. Tests put in one that fails; an empty starter restores the
// plain std::thread.
using HelperThreadStarter = std::function<std::thread(std::function<void()>)>;
void SetHelperThreadStarter(HelperThreadStarter starter);

// How many threads a synthesis may use, the calling one included; 0 (the
// default) means one for each processor core. For benchmarks and tests.
void SetSynthesisThreadLimit(int threads);

class SynthesisJob;

// A synthesis going on in the background. The buffer is sized at once; its
// bytes from the start up to ReadyBytes() are final.
class BackgroundSynthesis {
 public:
  // Throws AppError for a parameter that does not convert (nothing is
  // started then) or a helper thread that cannot start.
  BackgroundSynthesis(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);
  // Stops the helpers and waits for them: the buffer may go after this.
  ~BackgroundSynthesis();
  BackgroundSynthesis(const BackgroundSynthesis&) = delete;
  BackgroundSynthesis& operator=(const BackgroundSynthesis&) = delete;

  // The bytes ready from the start; the device reads no further.
  const std::atomic<size_t>& ReadyBytes() const;
  // Waits until at least `frames` frames are ready (or all there are) or the
  // synthesis has ended; throws the synthesis's error.
  void WaitForFrames(size_t frames);
  // Throws the synthesis's error, if it has failed by now.
  void ThrowIfFailed() const;

 private:
  std::unique_ptr<SynthesisJob> job_;
  std::vector<std::thread> helpers_;
};

}  // namespace sondrel
