#include "panel/SpeakerMap.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <cmath>
#include <numbers>

#include "panel/Application.h"
#include "panel/Generator.h"
#include "engine/SpeakerWalk.h"
#include "panel/UiEvents.h"

namespace sondrel {

namespace {

// The map in design pixels: the seat at the centre of a square room.
constexpr int kRoomSize = 300;
constexpr int kCentre = kRoomSize / 2;
constexpr int kRadius = 115;
constexpr int kToggleWidth = 54;
constexpr int kToggleHeight = 30;

struct Place {
  double degrees;  // clockwise from straight ahead
  double radius;   // of kRadius
};

// Where each speaker stands round the seat, as the usual layouts draw it.
constexpr Place kPlaces[kSpeakerCount] = {
    {-30, 1}, {30, 1}, {0, 1}, {15, 0.62},  // FL FR FC LFE
    {-140, 1}, {140, 1}, {-90, 1}, {90, 1},  // RL RR SL SR
};

}  // namespace

TSpeakerMap::TSpeakerMap(TGenerator& generator) : QWidget(&generator, kToolWindowFlags), generator_(generator) {
  setObjectName("SpeakerMap");
  setWindowTitle("Speakers");
  setFont(generator.font());
  setFixedSize(generator.Scaled(kRoomSize), generator.Scaled(kRoomSize + 80));
  for (int index = 0; index < kSpeakerCount; ++index) {
    const auto speaker = static_cast<Speaker>(index);
    const Place place = kPlaces[index];
    const double angle = place.degrees * std::numbers::pi / 180;
    const int x = kCentre + static_cast<int>(std::lround(std::sin(angle) * kRadius * place.radius));
    const int y = kCentre - static_cast<int>(std::lround(std::cos(angle) * kRadius * place.radius));
    auto* toggle = new QPushButton(SpeakerName(speaker), this);
    toggle->setObjectName(QString("Speaker") + SpeakerName(speaker));
    toggle->setCheckable(true);
    toggle->setChecked(true);
    toggle->setAutoDefault(false);
    toggle->setGeometry(generator.Scaled(x - kToggleWidth / 2), generator.Scaled(y - kToggleHeight / 2),
                        generator.Scaled(kToggleWidth), generator.Scaled(kToggleHeight));
    toggle->setAccessibleName(QString(SpeakerTitle(speaker)) + " speaker (" + SpeakerName(speaker) + ")");
    toggle->setToolTip(QString(SpeakerTitle(speaker)) + ": ticked, it plays the signal");
    connect(toggle, &QPushButton::clicked, this, [this] { Guard(&generator_, [this] { generator_.SpeakersClick(); }); });
    Toggles[index] = toggle;
  }
  NowPlaying = new QLabel(this);
  NowPlaying->setObjectName("NowPlaying");
  NowPlaying->setAlignment(Qt::AlignCenter);
  NowPlaying->setGeometry(0, generator.Scaled(kRoomSize), width(), generator.Scaled(30));
  WalkButton = new QPushButton("&Test each speaker", this);
  WalkButton->setObjectName("WalkButton");
  WalkButton->setAutoDefault(false);
  WalkButton->setGeometry(generator.Scaled(65), generator.Scaled(kRoomSize + 36), generator.Scaled(170),
                          generator.Scaled(32));
  WalkButton->setToolTip("Plays the signal on each speaker in turn, clockwise from the front left, the subwoofer "
                         "last; any key or a click stops it");
  connect(WalkButton, &QPushButton::clicked, this, [this] { Guard(&generator_, [this] { generator_.WalkClick(); }); });
  CloseOnEscape(this);
  KeepOnScreen(this);
  SetLayout(SpeakerLayoutId::Stereo);
}

void TSpeakerMap::SetLayout(SpeakerLayoutId id) {
  layout_ = id;
  const SpeakerLayout& layout = LayoutOf(id);
  setWindowTitle(QString("Speakers: ") + layout.name);
  QWidget* previous = nullptr;
  for (const Speaker speaker : WalkOrder(layout)) {  // the tab order goes round the room too
    QPushButton* toggle = Toggles[static_cast<int>(speaker)];
    if (previous != nullptr) setTabOrder(previous, toggle);
    previous = toggle;
  }
  if (previous != nullptr) setTabOrder(previous, WalkButton);
  for (int index = 0; index < kSpeakerCount; ++index) Toggles[index]->setVisible(layout.Has(static_cast<Speaker>(index)));
  SetChosen(layout.All());
  Light(std::nullopt);
}

SpeakerSet TSpeakerMap::Chosen() const {
  SpeakerSet chosen = 0;
  for (int index = 0; index < kSpeakerCount; ++index) {
    const auto speaker = static_cast<Speaker>(index);
    if (LayoutOf(layout_).Has(speaker) && Toggles[index]->isChecked()) chosen |= SpeakerBit(speaker);
  }
  return chosen;
}

void TSpeakerMap::SetChosen(SpeakerSet chosen) {
  for (int index = 0; index < kSpeakerCount; ++index) {
    const QSignalBlocker quiet(Toggles[index]);
    Toggles[index]->setChecked((chosen & SpeakerBit(static_cast<Speaker>(index))) != 0);
  }
}

void TSpeakerMap::Light(std::optional<Speaker> speaker) {
  for (int index = 0; index < kSpeakerCount; ++index) {
    const bool lit = speaker && static_cast<int>(*speaker) == index;
    Toggles[index]->setStyleSheet(lit ? "QPushButton { background: #f5c211; color: black; font-weight: bold; }" : "");
  }
  NowPlaying->setText(speaker ? QString(SpeakerTitle(*speaker)) + " (" + SpeakerName(*speaker) + ")" : QString());
}

void TSpeakerMap::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor line = palette().color(QPalette::Mid);
  painter.setPen(QPen(line, 1));
  const int margin = generator_.Scaled(6);
  painter.drawRect(margin, margin, generator_.Scaled(kRoomSize) - 2 * margin, generator_.Scaled(kRoomSize) - 2 * margin);
  painter.drawText(QRect(0, margin, width(), generator_.Scaled(20)), Qt::AlignHCenter, "Front");
  // The listener's seat, facing the front.
  const int seat = generator_.Scaled(18);
  const QPoint centre(generator_.Scaled(kCentre), generator_.Scaled(kCentre));
  painter.setBrush(palette().color(QPalette::Button));
  painter.drawEllipse(centre, seat, seat);
  painter.drawLine(centre, centre - QPoint(0, seat));
  painter.drawText(QRect(centre.x() - generator_.Scaled(50), centre.y() + seat, generator_.Scaled(100),
                         generator_.Scaled(20)),
                   Qt::AlignHCenter, "You");
}

void TSpeakerMap::closeEvent(QCloseEvent* event) {
  if (generator_.SpeakerMap1 != nullptr) generator_.SpeakerMap1->setChecked(false);
  event->accept();  // hidden, not destroyed
}

}  // namespace sondrel
