#include "panel/ComboBoxAccessible.h"

#include <QComboBox>

namespace sondrel {

namespace {

QAccessibleInterface* Describe(const QString& className, QObject* object) {
  auto* box = qobject_cast<QComboBox*>(object);
  // Asked as soon as a list exists, before it has a name: the name is read
  // when it is spoken.
  if (className != "QComboBox" || box == nullptr || box->isEditable()) return nullptr;  // Qt's own description
  return new ComboBoxAccessible(box);
}

}  // namespace

ComboBoxAccessible::ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

QString ComboBoxAccessible::text(QAccessible::Text t) const {
  const auto* box = static_cast<const QComboBox*>(widget());
  switch (t) {
    case QAccessible::Name:
      return box->accessibleName().isEmpty() ? box->currentText() : box->accessibleName();
    case QAccessible::Value:
      return box->currentText();
    default:
      return QAccessibleWidget::text(t);
  }
}

void ComboBoxAccessible::Install() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(&Describe);
}

}  // namespace sondrel
