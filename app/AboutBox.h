#pragma once
// The about window: the program's name and version. While it is open the
// main window takes no input; closing it gives the main window back.

#include <QDialog>

namespace sondrel {

class TGenerator;

class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(TGenerator& generator);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  TGenerator& generator_;
};

}  // namespace sondrel
