#include "panel/UiEvents.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "panel/UserDialogs.h"

namespace sondrel {

namespace {
QHash<QCheckBox*, std::function<void()>>& ClickHandlers() {
  static QHash<QCheckBox*, std::function<void()>> handlers;
  return handlers;
}
}  // namespace

void Guard(QWidget* parent, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ReportError(parent, error);
  }
}

void SetText(QLineEdit* edit, const QString& text) {
  if (edit->text() != text) edit->setText(text);
}

void OnCheckBoxClick(QCheckBox* box, QWidget* window, std::function<void()> handler) {
  ClickHandlers().insert(box, handler);
  QObject::connect(box, &QObject::destroyed, [box] { ClickHandlers().remove(box); });
  QObject::connect(box, &QCheckBox::clicked, window, [window, handler] { Guard(window, handler); });
}

void SetChecked(QCheckBox* box, bool checked) {
  if (box->isChecked() == checked) return;
  box->setChecked(checked);
  const auto handler = ClickHandlers().find(box);
  if (handler != ClickHandlers().end()) (*handler)();
}

EditBoxEvents::EditBoxEvents(QLineEdit* edit, QWidget* window) : QObject(edit), window_(window) {
  edit->installEventFilter(this);
}

bool EditBoxEvents::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && onClick) {
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Guard(window_, onClick);
  } else if (event->type() == QEvent::KeyPress && onKeyDown) {
    bool used = false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    Guard(window_, [&] { used = onKeyDown(key); });
    return used;
  } else if (event->type() == QEvent::FocusOut && onExit) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) Guard(window_, onExit);
  }
  return false;
}

}  // namespace sondrel
