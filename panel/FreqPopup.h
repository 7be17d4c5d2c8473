#pragma once
// The frequency slider window: a long, thin tool window whose track bar sets
// the constant-tone frequency on a logarithmic scale, three decades from
// 20 Hz (position 1000) to 20 kHz (position 4000). Position p stands for
// 2 * 10^(p / 1000) Hz.

#include <QWidget>

class QSlider;

namespace sondrel {

class TGenerator;

class TFreqPopup : public QWidget {
 public:
  explicit TFreqPopup(TGenerator& generator);

  QSlider* FreqSlider = nullptr;  // positions 1000 to 4000

  // The user moved the thumb: writes its frequency into fEdit.
  void FreqSliderChange();
  // Moves the thumb from the program; raises no change event.
  void SetSliderPosition(int position);
  // Design pixels (96 per inch) to screen pixels.
  int Scaled(int designPixels) const;

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose

 private:
  TGenerator& generator_;
  double scale_ = 1.0;
};

}  // namespace sondrel
