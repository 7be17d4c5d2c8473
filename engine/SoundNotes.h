#pragma once
// What a signal line will not sound as written, said to the user without
// changing a sample: a frequency above half the rate (it folds back), a
// logarithmic sweep that sweeps linearly, and lines that play silence (no
// channel or speaker chosen, no wave form, a duration of 0 or less).

#include <string>
#include <vector>

#include "engine/PanelState.h"
#include "engine/SpeakerLayout.h"

namespace sondrel {

// Who reads the notes: a script's user, who chose the wave form by its number
// on a line, or the window's, who chose it from the list.
enum class NotesFor { ScriptLine, Window };

// The notes for the panel as a line leaves it (or as the window's controls
// stand), with these channels (or, in a surround layout, these speakers);
// none when it sounds as written or when one of its numbers does not
// convert (it then fails anyway).
std::vector<std::string> SoundNotes(const PanelState& panel, const ChannelGains& gains, const SpeakerLayout& layout,
                                    SpeakerSet speakers, NotesFor reader = NotesFor::ScriptLine);

// "44100 Hz, resampled by the sound server to 48000 Hz" when the device runs
// at another rate than the signal (0: the sound system does not say);
// empty otherwise.
std::string ResamplingNote(int32_t signalRate, int32_t deviceRate);

}  // namespace sondrel
