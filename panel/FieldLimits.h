#pragma once
// The ranges the main window keeps its fields in: the spinners stop at them,
// and leaving a field brings a value outside back to them. The frequency
// field's spinner stops below its typed ceiling, and a semitone step never
// reaches that.

namespace sondrel {

inline constexpr int kFrequencyFloorHz = 10;             // every frequency field
inline constexpr int kConstantCeilingHz = 22000;         // typed into the constant tone's field
inline constexpr int kConstantSpinnerCeilingHz = 20000;  // its spinner, and the semitone steps
inline constexpr int kSweepCeilingHz = 22050;            // the sweep's spinners
inline constexpr int kFrequencyStepHz = 100;             // one click of a frequency spinner
inline constexpr int kAmplitudeFloorDb = -100;
inline constexpr int kAmplitudeCeilingDb = 0;

}  // namespace sondrel
