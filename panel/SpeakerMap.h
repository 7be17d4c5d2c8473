#pragma once
// The speaker map: in a surround layout, the room as seen from the
// listener's seat (the front at the top), one toggle per speaker of the
// layout where that speaker stands. The signal plays on the ticked speakers
// and on no other. Its "Test each speaker" button walks the signal round
// the room, lighting each speaker in turn.

#include <QWidget>
#include <array>
#include <optional>

#include "engine/SpeakerLayout.h"

class QLabel;
class QPushButton;

namespace sondrel {

class TGenerator;

class TSpeakerMap : public QWidget {
 public:
  explicit TSpeakerMap(TGenerator& generator);

  std::array<QPushButton*, kSpeakerCount> Toggles{};  // by Speaker; those of the layout shown
  QPushButton* WalkButton = nullptr;                   // "Test each speaker"
  QLabel* NowPlaying = nullptr;                        // the walk's speaker, by name

  // Shows the layout's speakers, every one ticked.
  void SetLayout(SpeakerLayoutId id);
  SpeakerLayoutId Layout() const { return layout_; }
  SpeakerSet Chosen() const;
  // Ticks these speakers of the layout and clears the others, without the
  // retune a click makes.
  void SetChosen(SpeakerSet chosen);
  // Lights the speaker the walk has come to and names it; nothing: none.
  void Light(std::optional<Speaker> speaker);

 protected:
  void paintEvent(QPaintEvent* event) override;  // the room and the seat
  void closeEvent(QCloseEvent* event) override;  // hidden, the menu item cleared

 private:
  TGenerator& generator_;
  SpeakerLayoutId layout_ = SpeakerLayoutId::Stereo;
};

}  // namespace sondrel
