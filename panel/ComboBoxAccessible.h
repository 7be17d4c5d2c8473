#pragma once
// What a screen reader learns of a drop-down list. Qt's own description of
// a combo box on Linux gives its current entry as its name ("Sine"), so a
// user hears the value without the label that says what it is. Lists are
// described by this class instead: the name is the list's accessible name
// (its label, "Wave Form") where it has one, the value the current entry.

#include <QAccessibleWidget>

class QComboBox;

namespace sondrel {

class ComboBoxAccessible : public QAccessibleWidget {
 public:
  explicit ComboBoxAccessible(QComboBox* box);
  QString text(QAccessible::Text t) const override;

  // Makes Qt describe every drop-down list this way; call once.
  static void Install();
};

}  // namespace sondrel
