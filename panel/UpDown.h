#pragma once
// A spinner attached to an edit box: it steps the integer shown in the box by
// its increment, stops at its limits, and writes plain digits back into the
// box (whose change handler then runs). The Up and Down keys step it while
// its box has the focus.

#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace sondrel {

class UpDown : public QWidget {
 public:
  UpDown(QWidget* parent, QLineEdit* associate, int minimum, int maximum, int increment, int position);

  int Position() const { return position_; }
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  int Increment() const { return increment_; }

  // Runs before each step with the allow-change flag (true); a handler may
  // set it false to veto the step.
  std::function<void(bool& allowChange)> onChanging;

  // One step up (+1) or down (-1), as a click on an arrow does.
  void Step(int direction);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLineEdit* associate_;
  QToolButton* up_;
  QToolButton* down_;
  int minimum_;
  int maximum_;
  int increment_;
  int position_;
};

}  // namespace sondrel
