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

// The notes for the panel as a line leaves it, with these channels (or, in
// a surround layout, these speakers); none when the line sounds as written
// or when one of its numbers does not convert (the line then fails anyway).
std::vector<std::string> SoundNotes(const PanelState& panel, const ChannelGains& gains, const SpeakerLayout& layout,
                                    SpeakerSet speakers);

}  // namespace sondrel
