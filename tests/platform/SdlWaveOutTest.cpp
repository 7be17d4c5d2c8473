// The real SDL path, recorded by SDL's disk driver: whatever SDL hands to its
// "device" lands in a file, byte for byte.
#include "platform/SdlWaveOut.h"

#include "platform/PlayFade.h"

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace sondrel {
namespace {

namespace fs = std::filesystem;

class SdlWaveOutTest : public ::testing::Test {
 protected:
  void UseDiskDriver(bool realTime) {
    output = fs::temp_directory_path() / ("sondrel-sdl-" + std::to_string(getpid()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    if (realTime) {
      unsetenv("SDL_DISKAUDIODELAY");
    } else {
      setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
  }
  void TearDown() override { fs::remove(output); }

  std::vector<uint8_t> Recorded() const {
    std::ifstream in(output, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static WAVEFORMATEX Format(uint16_t channels) {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = 44100;
    format.nBlockAlign = static_cast<uint16_t>(2 * channels);
    format.nAvgBytesPerSec = 44100u * format.nBlockAlign;
    format.wBitsPerSample = 16;
    return format;
  }

  // A buffer in which no 16-bit value is zero, so silence is told apart.
  static std::vector<uint8_t> Pattern(size_t frames, uint16_t channels) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < frames * channels; ++i) {
      const uint16_t value = static_cast<uint16_t>(1 + (i * 7919) % 60000);
      bytes.push_back(static_cast<uint8_t>(value & 0xFF));
      bytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    return bytes;
  }

  // Bytes of silence before the first sample of a pattern.
  static size_t LeadingSilence(const std::vector<uint8_t>& recorded) {
    size_t start = 0;
    while (start + 1 < recorded.size() && (recorded[start] | recorded[start + 1]) == 0) start += 2;
    return start;
  }

  // Polls the done flag; the bound only keeps a broken build from hanging.
  static bool WaitUntilDone(const WAVEHDR& header, std::chrono::seconds bound) {
    const auto give_up = std::chrono::steady_clock::now() + bound;
    while (!(header.dwFlags.load() & WHDR_DONE)) {
      if (std::chrono::steady_clock::now() > give_up) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  fs::path output;
};

TEST_F(SdlWaveOutTest, PlaysTheBufferItsLoopCountOfTimesThenSilence) {
  UseDiskDriver(false);
  for (const uint16_t channels : {1, 2, 6, 8}) {  // and the surround layouts' 5.1 and 7.1
    auto waveOut = std::make_unique<SdlWaveOut>();
    ASSERT_GE(waveOut->GetNumDevs(), 1u);
    const std::vector<uint8_t> buffer = Pattern(1000 + 37 * channels, channels);  // not a multiple of SDL's chunk
    WAVEHDR header;
    header.lpData = buffer.data();
    header.dwBufferLength = static_cast<uint32_t>(buffer.size());
    header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 5;
    HWAVEOUT handle = 0;
    ASSERT_EQ(waveOut->Open(&handle, WAVE_MAPPER, Format(channels)), "");
    ASSERT_EQ(waveOut->PrepareHeader(handle, &header), "");
    ASSERT_EQ(waveOut->Write(handle, &header), "");
    ASSERT_TRUE(WaitUntilDone(header, std::chrono::seconds(30)));
    EXPECT_EQ(waveOut->Reset(handle), "");
    EXPECT_EQ(waveOut->UnprepareHeader(handle, &header), "");
    EXPECT_EQ(waveOut->Close(handle), "");

    // An open device plays silence until the buffer is queued.
    waveOut.reset();  // the close ends on a thread of its own: the recording is whole after it
    const std::vector<uint8_t> recorded = Recorded();
    const size_t start = LeadingSilence(recorded);
    const size_t played = buffer.size() * header.dwLoops;
    ASSERT_GE(recorded.size(), start + played);
    for (size_t i = 0; i < played; ++i) {
      ASSERT_EQ(recorded[start + i], buffer[i % buffer.size()]) << "byte " << i << ", channels " << channels;
    }
    for (size_t i = start + played; i < recorded.size(); ++i) ASSERT_EQ(recorded[i], 0) << "byte " << i;
  }
}

TEST_F(SdlWaveOutTest, ResetStopsTheOutputAtOnceAndMarksTheBufferDone) {
  UseDiskDriver(true);  // real-time pace, so the reset lands mid-way
  auto waveOut = std::make_unique<SdlWaveOut>();
  const std::vector<uint8_t> buffer = Pattern(44100, 1);  // one second
  WAVEHDR header;
  header.lpData = buffer.data();
  header.dwBufferLength = static_cast<uint32_t>(buffer.size());
  header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  header.dwLoops = 0xFFFFFFFF;
  HWAVEOUT handle = 0;
  ASSERT_EQ(waveOut->Open(&handle, WAVE_MAPPER, Format(1)), "");
  waveOut->PrepareHeader(handle, &header);
  waveOut->Write(handle, &header);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(header.dwFlags.load() & WHDR_DONE);
  waveOut->Reset(handle);
  EXPECT_TRUE(header.dwFlags.load() & WHDR_DONE);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  waveOut->UnprepareHeader(handle, &header);
  waveOut->Close(handle);

  // Silence, the tone, then nothing but silence: no sample of the buffer after the cut.
  waveOut.reset();  // the close ends on a thread of its own: the recording is whole after it
  const std::vector<uint8_t> recorded = Recorded();
  const size_t start = LeadingSilence(recorded);
  size_t cut = start;
  while (cut + 1 < recorded.size() && (recorded[cut] | recorded[cut + 1]) != 0) cut += 2;
  ASSERT_GT(cut, start);
  ASSERT_LT(cut - start, buffer.size());
  for (size_t i = start; i < cut; ++i) ASSERT_EQ(recorded[i], buffer[i - start]);
  for (size_t i = cut; i < recorded.size(); ++i) ASSERT_EQ(recorded[i], 0) << "byte " << i;
}

// With a fade the output is the buffer's frames times the fade's factors:
// rising from 0 at the start, falling to 0 over the last frames of the loop
// count, or over as many frames from where SDL was when a reset came.
TEST_F(SdlWaveOutTest, AFadedPlayRisesAndFallsAtItsEndOrItsReset) {
  UseDiskDriver(true);
  constexpr uint32_t kFade = 441;
  for (const bool reset : {false, true}) {
    auto waveOut = std::make_unique<SdlWaveOut>();
    const std::vector<uint8_t> buffer = Pattern(3000, 2);
    WAVEHDR header;
    header.lpData = buffer.data();
    header.dwBufferLength = static_cast<uint32_t>(buffer.size());
    header.dwLoops = reset ? 0xFFFFFFFF : 3;
    header.fadeFrames = kFade;
    HWAVEOUT handle = 0;
    ASSERT_EQ(waveOut->Open(&handle, WAVE_MAPPER, Format(2)), "");
    waveOut->PrepareHeader(handle, &header);
    waveOut->Write(handle, &header);
    if (reset) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      waveOut->Reset(handle);
      EXPECT_TRUE(header.dwFlags.load() & WHDR_DONE);
    } else {
      ASSERT_TRUE(WaitUntilDone(header, std::chrono::seconds(30)));
    }
    waveOut->UnprepareHeader(handle, &header);
    waveOut->Close(handle);
    waveOut.reset();
    const std::vector<uint8_t> recorded = Recorded();

    // Where the output departs from the buffer faded in, a stop began (its
    // first factors are so near 1 that a frame or two may not change).
    auto asBytes = [](const std::vector<int16_t>& samples) {
      std::vector<uint8_t> bytes(samples.size() * 2);
      std::memcpy(bytes.data(), samples.data(), bytes.size());
      return bytes;
    };
    const PlayFade rising(kFade, kEndlessPlay);
    const std::vector<uint8_t> unstopped = asBytes(FadedFrames(header, 4, rising, 0, recorded.size() / 4));
    const size_t offset = LeadingSilence(recorded) - std::min(LeadingSilence(recorded), LeadingSilence(unstopped));
    size_t departs = 0;
    while (offset + departs < recorded.size() && departs < unstopped.size() &&
           recorded[offset + departs] == unstopped[departs]) {
      ++departs;
    }
    bool found = false;
    for (uint64_t stop = departs / 4; stop + 32 >= departs / 4 && stop > 0 && !found; --stop) {
      PlayFade fade = FadeOf(header, 4);
      if (reset) fade.StopAt(stop);
      const std::vector<uint8_t> bytes = asBytes(FadedFrames(header, 4, fade, 0, fade.PlayFrames()));
      if (offset + bytes.size() > recorded.size()) continue;
      found = std::equal(bytes.begin(), bytes.end(), recorded.begin() + static_cast<ptrdiff_t>(offset)) &&
              std::all_of(recorded.begin() + static_cast<ptrdiff_t>(offset + bytes.size()), recorded.end(),
                          [](uint8_t byte) { return byte == 0; });
    }
    EXPECT_TRUE(found) << (reset ? "a reset" : "the loop count's end") << " is not the faded buffer";
  }
}

TEST_F(SdlWaveOutTest, ZeroLoopsAndEmptyBuffersAreDoneAtOnce) {
  UseDiskDriver(false);
  SdlWaveOut waveOut;
  const std::vector<uint8_t> buffer = Pattern(100, 1);
  for (auto [length, loops] : {std::pair<uint32_t, uint32_t>{200, 0}, {0, 3}}) {
    WAVEHDR header;
    header.lpData = buffer.data();
    header.dwBufferLength = length;
    header.dwLoops = loops;
    HWAVEOUT handle = 0;
    ASSERT_EQ(waveOut.Open(&handle, WAVE_MAPPER, Format(1)), "");
    waveOut.PrepareHeader(handle, &header);
    waveOut.Write(handle, &header);
    EXPECT_TRUE(header.dwFlags.load() & WHDR_DONE);
    waveOut.Reset(handle);
    waveOut.UnprepareHeader(handle, &header);
    waveOut.Close(handle);
  }
}

TEST_F(SdlWaveOutTest, RefusalsComeWithAReason) {
  UseDiskDriver(false);
  SdlWaveOut waveOut;
  HWAVEOUT handle = 0;
  EXPECT_NE(waveOut.Open(&handle, 99, Format(1)), "");
  WAVEFORMATEX eightBit = Format(1);
  eightBit.wBitsPerSample = 8;
  EXPECT_NE(waveOut.Open(&handle, WAVE_MAPPER, eightBit), "");
  // Five and seven channels are no layout of Sondrel's; SDL would place them otherwise.
  EXPECT_EQ(waveOut.Open(&handle, WAVE_MAPPER, Format(5)), "The sound format is not supported");
  EXPECT_EQ(waveOut.Open(&handle, WAVE_MAPPER, Format(7)), "The sound format is not supported");
  EXPECT_NE(waveOut.Reset(12345), "");
  EXPECT_NE(waveOut.Close(12345), "");
}

TEST(SdlWaveOutWithoutSoundTest, AMissingDriverListsOnlyTheDefaultAndRefusesToOpen) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SdlWaveOut waveOut;
  EXPECT_EQ(waveOut.GetNumDevs(), 1u);
  EXPECT_EQ(waveOut.GetDeviceName(0), "Default output");
  HWAVEOUT handle = 0;
  WAVEFORMATEX format;
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  const WaveResult result = waveOut.Open(&handle, WAVE_MAPPER, format);
  EXPECT_NE(result, "");
  unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace sondrel
