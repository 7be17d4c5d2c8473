#pragma once
// The script window: shows the line being played and offers "Cancel" (end
// the run) and "Next" (cut the current tone or delay short).

#include <QWidget>

class QLabel;
class QPushButton;

namespace sondrel {

class TGenerator;

class TScriptPopup : public QWidget {
 public:
  explicit TScriptPopup(TGenerator& generator);

  QPushButton* Button1 = nullptr;  // "Cancel"
  QPushButton* Button2 = nullptr;  // "Next"
  QLabel* Label1 = nullptr;        // "Line N: command"

  void Button1Click();
  void Button2Click();
  void FormShow();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;  // FormClose

 private:
  TGenerator& generator_;
};

}  // namespace sondrel
