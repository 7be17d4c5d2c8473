#pragma once
// The event rules the panel's handlers rely on, kept on top of Qt:
//  - an edit box runs its change handler for every change of its text, typed
//    or set by the program, never when the new text equals the old; an error
//    in that handler is reported at once and the code that set the text goes on;
//  - a check box runs its click handler when the user toggles it and when the
//    program changes its state; in the latter case an error passes on to the
//    code that changed it;
//  - a list's index and a track bar's position set by the program run nothing;
//  - no exception ever leaves a handler that Qt called.

#include <QObject>
#include <QString>
#include <functional>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace sondrel {

// Runs handler; an error it raises is shown in an error box over parent.
void Guard(QWidget* parent, const std::function<void()>& handler);

// Sets the text; the box's change handler runs only when the text differs.
void SetText(QLineEdit* edit, const QString& text);

// Connects the box's click handler: a user's click runs it guarded, and
// SetChecked runs it directly.
void OnCheckBoxClick(QCheckBox* box, QWidget* window, std::function<void()> handler);
// Sets the state; when it changes, the box's click handler runs at once and
// an error it raises passes on to the caller.
void SetChecked(QCheckBox* box, bool checked);

// A mouse click into an edit box and the focus moving from it to another
// control of the same window. Losing the focus because the whole window was
// deactivated (a message box, another program) or a menu opened is no exit.
class EditBoxEvents : public QObject {
 public:
  EditBoxEvents(QLineEdit* edit, QWidget* window);
  std::function<void()> onClick;
  std::function<void()> onExit;
  // A key pressed in the box; returns true when it was used up.
  std::function<bool(int key)> onKeyDown;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
};

}  // namespace sondrel
