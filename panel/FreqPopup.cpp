#include "panel/FreqPopup.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "engine/NumberText.h"
#include "panel/Application.h"
#include "panel/Generator.h"
#include "panel/UiEvents.h"

namespace sondrel {

namespace {
constexpr int kDesignPixelsPerInch = 96;
constexpr long double kPositionToExponent = 0.001L;
}  // namespace

TFreqPopup::TFreqPopup(TGenerator& generator)
    : QWidget(&generator, kToolWindowFlags),
      generator_(generator) {
  setObjectName("FreqPopup");
  setWindowTitle("FreqPopup");
  scale_ = logicalDpiY() / static_cast<double>(kDesignPixelsPerInch);
  setFixedSize(Scaled(803), Scaled(48));
  move(Scaled(169), Scaled(252));

  FreqSlider = new QSlider(Qt::Horizontal, this);
  FreqSlider->setObjectName("FreqSlider");
  FreqSlider->setAccessibleName("Frequency");
  FreqSlider->setRange(1000, 4000);
  FreqSlider->setValue(1000);
  FreqSlider->setTickPosition(QSlider::TicksBelow);
  FreqSlider->setTickInterval(25);
  FreqSlider->setSingleStep(1);
  FreqSlider->setPageStep(2);
  // The whole width: the thumb stays wholly visible at both ends.
  FreqSlider->setGeometry(0, 0, width(), Scaled(33));
  // Each label sits under the position it names; "2k" is centred on its box.
  struct Mark {
    const char* text;
    int left, width;
    Qt::Alignment alignment;
  };
  for (const Mark& mark : {Mark{"20", 0, 12, Qt::AlignLeft}, Mark{"200", 256, 18, Qt::AlignLeft},
                           Mark{"2k", 512, 12, Qt::AlignHCenter}, Mark{"20k", 776, 18, Qt::AlignLeft}}) {
    auto* label = new QLabel(mark.text, this);
    const int textWidth = label->sizeHint().width();
    const int width = std::max(Scaled(mark.width), textWidth);
    const int left = Scaled(mark.left) - (mark.alignment == Qt::AlignHCenter ? (width - Scaled(mark.width)) / 2 : 0);
    label->setGeometry(std::min(left, this->width() - width), Scaled(32), width, label->sizeHint().height());
    label->setAlignment(mark.alignment | Qt::AlignTop);
  }
  KeepOnScreen(this);
  connect(FreqSlider, &QSlider::valueChanged, this, [this] { Guard(&generator_, [this] { FreqSliderChange(); }); });
}

int TFreqPopup::Scaled(int designPixels) const {
  return static_cast<int>(std::lround(designPixels * scale_));
}

void TFreqPopup::FreqSliderChange() {
  const int32_t position = FreqSlider->value();
  const int32_t f = Round(std::pow(10.0L, position * kPositionToExponent) * 2);
  SetText(generator_.fEdit, QString::fromStdString(IntToStr(f)));
}

void TFreqPopup::SetSliderPosition(int position) {
  const QSignalBlocker quiet(FreqSlider);
  FreqSlider->setValue(position);  // the track bar clamps to 1000..4000
}

void TFreqPopup::closeEvent(QCloseEvent* event) {
  generator_.FreqSlider1->setChecked(false);
  event->accept();  // hidden, not destroyed
}

}  // namespace sondrel
