#include "app/AboutBox.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "panel/Application.h"
#include "panel/Generator.h"

namespace sondrel {

namespace {
constexpr int kHelpContext = 3;
}

TAboutBox::TAboutBox(TGenerator& generator)
    : QDialog(&generator, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      generator_(generator) {
  setObjectName("AboutBox");
  setWindowTitle("About Sondrel");
  setModal(false);  // the disabled main window is what keeps the user here

  auto* name = new QLabel("Sondrel", this);
  name->setObjectName("ProductName");
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  name->setFont(big);
  auto* version = new QLabel(QString("Version ") + kVersion, this);
  version->setObjectName("Version");
  auto* comment = new QLabel("A test-tone generator: tones and sweeps in sine,\n"
                             "square and triangle, and white, pink and brown\n"
                             "noise, for speakers, rooms, cables and ears.",
                             this);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QWidget::close);

  auto* layout = new QVBoxLayout(this);
  for (QLabel* label : {name, version, comment}) {
    label->setAlignment(Qt::AlignHCenter);
    layout->addWidget(label);
  }
  layout->addSpacing(8);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  InstallContextHelp(this, kHelpContext);
}

void TAboutBox::closeEvent(QCloseEvent* event) {
  event->accept();
  QDialog::closeEvent(event);
}

void TAboutBox::hideEvent(QHideEvent* event) {
  // Closed by OK, the close box or Escape: the main window takes input again.
  generator_.SetMainWindowEnabled(true);
  QDialog::hideEvent(event);
}

}  // namespace sondrel
