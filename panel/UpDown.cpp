#include "panel/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "panel/UiEvents.h"

namespace sondrel {

UpDown::UpDown(QWidget* parent, QLineEdit* associate, int minimum, int maximum, int increment, int position)
    : QWidget(parent),
      associate_(associate),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)),
      minimum_(minimum),
      maximum_(maximum),
      increment_(increment),
      position_(position) {
  for (QToolButton* button : {up_, down_}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  setCursor(Qt::PointingHandCursor);
  connect(up_, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  associate_->installEventFilter(this);
}

void UpDown::Step(int direction) {
  // The box's own integer when it holds one; otherwise the last position.
  bool isInteger = false;
  const int shown = associate_->text().trimmed().toInt(&isInteger);
  const int current = std::clamp(isInteger ? shown : position_, minimum_, maximum_);
  const long long wanted = static_cast<long long>(current) + static_cast<long long>(direction) * increment_;
  const int next = static_cast<int>(std::clamp<long long>(wanted, minimum_, maximum_));
  if (next == current && isInteger && shown == current) return;  // at the limit: no wrap-around

  bool allowChange = true;
  if (onChanging) Guard(window(), [&] { onChanging(allowChange); });
  if (!allowChange) return;
  position_ = next;
  SetText(associate_, QString::number(next));
}

bool UpDown::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::KeyPress && isEnabled()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? +1 : -1);
      return true;
    }
  }
  return false;
}

void UpDown::resizeEvent(QResizeEvent*) {
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace sondrel
