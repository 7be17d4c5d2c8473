#pragma once
// The compatibility settings window: two options for sound devices that need
// them. Its check boxes are the settings themselves: the engine reads them at
// every start of a tone. They are loaded from the per-user store when the
// window is created at start-up and stored only by OK.

#include <QWidget>
#include <string>

#include "app/StoredOptions.h"

class QCheckBox;
class QPushButton;

namespace sondrel {

class TGenerator;

class TSettingsForm : public QWidget {
 public:
  TSettingsForm(TGenerator& generator, std::string storePath);

  QCheckBox* AlwaysStereo = nullptr;  // "Always generate stereo signal"
  QPushButton* Button1 = nullptr;     // "OK"
  QCheckBox* LongBuffer = nullptr;    // "Use large buffer size"

  void FormCreate();
  void Button1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose

 private:

  TGenerator& generator_;
  std::string storePath_;
};

}  // namespace sondrel
