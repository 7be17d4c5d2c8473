#include "engine/SynthesisJob.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <system_error>

#include "engine/AppError.h"
#include "engine/FastSynthesis.h"
#include "engine/Synthesis.h"
#include "engine/kernels/SynthesisKernels.h"
#include "engine/noise/NoiseSynthesis.h"
#include "engine/tones/Dtmf.h"
#include "engine/tones/MultiToneSynthesis.h"
#include "engine/tones/ToneBurstSynthesis.h"

namespace sondrel {

namespace {

constexpr int32_t kChunkFrames = 1 << 16;

HelperThreadStarter& StartHelperThread() {
  static HelperThreadStarter starter;
  return starter;
}

std::atomic<int> gThreadLimit{0};

int SynthesisThreads() {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int limit = gThreadLimit.load();
  return limit > 0 ? limit : cores;
}

}  // namespace

void SetHelperThreadStarter(HelperThreadStarter starter) { StartHelperThread() = std::move(starter); }

void SetSynthesisThreadLimit(int threads) { gThreadLimit = std::max(0, threads); }

class SynthesisJob {
 public:
  // Reads the parameters (throws their conversion error) and sizes the buffer
  // for the whole signal.
  SynthesisJob(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream)
      : SynthesisJob(state, gains, 0, -1) {
    if (chunks_ == 0) return;
    stream.Reserve(TotalBytes());
    bytes_ = stream.Grow(TotalBytes());
  }
  // Frames [from, to) of the signal into `out`, which holds them.
  SynthesisJob(const PanelState& state, const ChannelGains& gains, int32_t from, int32_t to, uint8_t* out)
      : SynthesisJob(state, gains, from, to) {
    bytes_ = out;
  }

  int32_t Chunks() const { return chunks_; }

  // Claims chunks until none is left, the job has failed or it is stopped.
  void Work() {
    for (int32_t chunk = next_++; chunk < chunks_ && !stopped_; chunk = next_++) {
      try {
        Synthesize(first_ + chunk * kChunkFrames,
                   static_cast<int32_t>(std::min<int64_t>(end_, first_ + int64_t{chunk + 1} * kChunkFrames)));
      } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!error_) error_ = std::current_exception();
        stopped_ = true;
        return;
      }
      MarkDone(chunk);
    }
  }

  void Stop() { stopped_ = true; }
  bool Failed() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return error_ != nullptr;
  }
  std::exception_ptr Error() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return error_;
  }
  const std::atomic<size_t>& Ready() const { return ready_; }
  size_t FrameBytes() const { return frameBytes_; }
  size_t TotalBytes() const { return static_cast<size_t>(end_ - first_) * frameBytes_; }

 private:
  // Reads the parameters for frames [from, to); to < 0 means the signal's end.
  SynthesisJob(const PanelState& state, const ChannelGains& gains, int32_t from, int32_t to)
      : run_(state),
        gains_(gains),
        frameBytes_(StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, state.AlwaysStereo) ? 4 : 2),
        first_(std::clamp(from, 0, std::max(run_.N, 0))),
        end_(to < 0 ? std::max(run_.N, 0) : std::clamp(to, first_, std::max(run_.N, 0))) {
    chunks_ = (end_ - first_ + kChunkFrames - 1) / kChunkFrames;
    done_ = std::vector<std::atomic<bool>>(static_cast<size_t>(chunks_));
  }

  // Frames [from, to) into their place in the buffer, low byte first.
  void Synthesize(int32_t from, int32_t to) {
    constexpr int32_t kBlock = 4096;
    int16_t values[kBlock];
    for (int32_t start = from; start < to && !stopped_; start += kBlock) {
      const int32_t end = std::min(to, start + kBlock);
      SynthesizeFrames(run_, start, end, values);
      uint8_t* out = bytes_ + static_cast<size_t>(start - first_) * frameBytes_;
      static_assert(std::endian::native == std::endian::little);
      if (frameBytes_ == 2) {
        std::memcpy(out, values, static_cast<size_t>(end - start) * 2);
        continue;
      }
      ActiveKernels().stereoFrames(values, end - start, gains_.LeftGain, gains_.PhaseSign * gains_.RightGain, out);
    }
  }

  // The ready frontier moves over every chunk finished without a gap.
  void MarkDone(int32_t chunk) {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_[static_cast<size_t>(chunk)] = true;
    while (frontier_ < chunks_ && done_[static_cast<size_t>(frontier_)]) ++frontier_;
    const size_t frames = std::min<size_t>(static_cast<size_t>(frontier_) * kChunkFrames, static_cast<size_t>(end_ - first_));
    ready_.store(frames * frameBytes_, std::memory_order_release);
  }

  const SignalRun run_;
  const ChannelGains gains_;
  const size_t frameBytes_;
  const int32_t first_, end_;  // the frames [first_, end_) of the signal
  uint8_t* bytes_ = nullptr;
  int32_t chunks_ = 0;
  std::atomic<int32_t> next_{0};
  std::atomic<bool> stopped_{false};
  std::atomic<size_t> ready_{0};
  mutable std::mutex mutex_;  // guards done_, frontier_, error_
  std::vector<std::atomic<bool>> done_;
  int32_t frontier_ = 0;
  std::exception_ptr error_;
};

namespace {

// Starts `count` helpers on the job; on failure the ones started are stopped
// and joined and the system's reason is thrown.
std::vector<std::thread> StartHelpers(SynthesisJob& job, int count) {
  std::vector<std::thread> helpers;
  try {
    for (int helper = 0; helper < count; ++helper) {
      std::function<void()> task = [&job] { job.Work(); };
      helpers.push_back(StartHelperThread() ? StartHelperThread()(std::move(task)) : std::thread(std::move(task)));
    }
  } catch (const std::system_error& error) {
    // The helpers already running write into the buffer: they finish before
    // it goes, and the start is reported like any other failure.
    job.Stop();
    for (std::thread& started : helpers) started.join();
    throw AppError(error.code().message());
  }
  return helpers;
}

// Runs a job to its end on this thread and the helpers; a failed one frees
// the stream it writes, if any.
void RunJob(SynthesisJob& job, PcmBuffer* stream) {
  if (job.Chunks() == 0) return;
  std::vector<std::thread> helpers;
  try {
    helpers = StartHelpers(job, std::clamp(SynthesisThreads(), 1, job.Chunks()) - 1);
  } catch (...) {
    if (stream != nullptr) stream->Free();
    throw;
  }
  job.Work();  // this thread claims chunks too
  for (std::thread& helper : helpers) helper.join();
  if (const std::exception_ptr error = job.Error()) {
    if (stream != nullptr) stream->Free();  // a failed synthesis leaves no half-written buffer
    std::rethrow_exception(error);
  }
}
}  // namespace

void SynthesizeSignal(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  if (state.SignalType == SignalPage::Noise) {
    SynthesizeNoise(state, gains, stream);
    return;
  }
  if (state.SignalType == SignalPage::MultiTone) {
    SynthesizeMultiTone(state, gains, stream);
    return;
  }
  if (state.SignalType == SignalPage::Burst) {
    SynthesizeToneBurst(state, gains, stream);
    return;
  }
  if (state.SignalType == SignalPage::Dtmf) {  // a few seconds at most: the definition itself
    SynthesizeDtmf(state, gains, stream);
    return;
  }
  SynthesisJob job(state, gains, stream);
  RunJob(job, &stream);
}

void SynthesizeSignalPiece(const PanelState& state, const ChannelGains& gains, int32_t from, int32_t to,
                           int16_t* samples) {
  SynthesisJob job(state, gains, from, to, reinterpret_cast<uint8_t*>(samples));
  RunJob(job, nullptr);
}

BackgroundSynthesis::BackgroundSynthesis(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream)
    : job_(std::make_unique<SynthesisJob>(state, gains, stream)) {
  helpers_ = StartHelpers(*job_, std::clamp(SynthesisThreads(), 1, std::max(job_->Chunks(), 1)));
}

BackgroundSynthesis::~BackgroundSynthesis() {
  job_->Stop();
  for (std::thread& helper : helpers_) helper.join();
}

const std::atomic<size_t>& BackgroundSynthesis::ReadyBytes() const { return job_->Ready(); }

void BackgroundSynthesis::WaitForFrames(size_t frames) {
  const size_t bytes = std::min(frames * job_->FrameBytes(), job_->TotalBytes());
  while (job_->Ready().load() < bytes && !job_->Failed()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ThrowIfFailed();
}

void BackgroundSynthesis::ThrowIfFailed() const {
  if (const std::exception_ptr error = job_->Error()) std::rethrow_exception(error);
}

}  // namespace sondrel
