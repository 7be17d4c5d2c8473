#include "script/ScriptPopup.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "panel/Application.h"
#include "panel/Generator.h"
#include "panel/UiEvents.h"

namespace sondrel {

namespace {
constexpr int kHelpContext = 4;
}

TScriptPopup::TScriptPopup(TGenerator& generator)
    : QWidget(&generator, kToolWindowFlags),
      generator_(generator) {
  setObjectName("ScriptPopup");
  setFont(generator.font());
  setFixedSize(generator.Scaled(224), generator.Scaled(91));
  Button1 = new QPushButton("Cancel", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(generator.Scaled(26), generator.Scaled(9), generator.Scaled(75), generator.Scaled(24));
  Button2 = new QPushButton("Next", this);
  Button2->setObjectName("Button2");
  Button2->setGeometry(generator.Scaled(118), generator.Scaled(9), generator.Scaled(76), generator.Scaled(24));
  Label1 = new QLabel("Label1", this);
  Label1->setObjectName("Label1");
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setTextFormat(Qt::PlainText);  // the script's own words, never markup
  Label1->setGeometry(generator.Scaled(27), generator.Scaled(39), generator.Scaled(165), generator.Scaled(16) + 4);
  setTabOrder(Button1, Button2);
  for (QPushButton* button : {Button1, Button2}) button->setAutoDefault(true);

  connect(Button1, &QPushButton::clicked, this, [this] { Guard(this, [this] { Button1Click(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { Guard(this, [this] { Button2Click(); }); });
  InstallContextHelp(this, kHelpContext);
}

void TScriptPopup::Button1Click() { close(); }

void TScriptPopup::Button2Click() {
  Playback& engine = generator_.Engine();
  if (engine.Playing) {
    engine.StopTone();
  } else {
    engine.StopRequested = true;  // ends a delay after its current pass
  }
}

void TScriptPopup::FormShow() { setWindowTitle(QString("Kelvo ") + kVersion + " Script"); }

void TScriptPopup::showEvent(QShowEvent* event) {
  FormShow();
  QWidget::showEvent(event);
}

void TScriptPopup::closeEvent(QCloseEvent* event) {
  Guard(this, [this] {
    generator_.Engine().StopTone();
    generator_.show();  // still disabled until the run has ended
    generator_.raise();
  });
  event->accept();  // hidden, not destroyed
}

}  // namespace sondrel
