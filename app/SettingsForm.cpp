#include "app/SettingsForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <cstring>

#include "engine/AppError.h"
#include "panel/Application.h"
#include "panel/Generator.h"
#include "panel/UiEvents.h"
#include "platform/SettingsStore.h"

namespace sondrel {

namespace {
constexpr int kHelpContext = 2;
}

TSettingsForm::TSettingsForm(TGenerator& generator, std::string storePath)
    : QWidget(&generator, kToolWindowFlags),
      generator_(generator),
      storePath_(std::move(storePath)) {
  setObjectName("SettingsForm");
  setWindowTitle("Compatibility Settings");
  setFont(generator.font());
  setFixedSize(generator.Scaled(239), generator.Scaled(103));
  move(generator.Scaled(460), generator.Scaled(264));

  AlwaysStereo = new QCheckBox("Always generate stereo signal", this);
  AlwaysStereo->setObjectName("AlwaysStereo");
  AlwaysStereo->setGeometry(generator.Scaled(16), generator.Scaled(20), generator.Scaled(213), generator.Scaled(17));
  AlwaysStereo->setToolTip("Always generates separate left and right signals, nedded on some digital sound cards");
  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(generator.Scaled(158), generator.Scaled(69), generator.Scaled(75), generator.Scaled(26));
  Button1->setToolTip("Save settings and close");
  LongBuffer = new QCheckBox("Use large buffer size", this);
  LongBuffer->setObjectName("LongBuffer");
  LongBuffer->setGeometry(generator.Scaled(16), generator.Scaled(44), generator.Scaled(177), generator.Scaled(18));
  LongBuffer->setToolTip("Uses large buffer; needed to function with some cheap sound cards");
  setTabOrder(AlwaysStereo, Button1);
  setTabOrder(Button1, LongBuffer);

  connect(Button1, &QPushButton::clicked, this, [this] { Guard(this, [this] { Button1Click(); }); });
  InstallContextHelp(this, kHelpContext);

  generator.SettingsForm = this;
  generator.ReadCompatibilityOptions = [this] {
    return CompatibilityOptions{AlwaysStereo->isChecked(), LongBuffer->isChecked()};
  };
  Guard(&generator, [this] { FormCreate(); });
}

bool TSettingsForm::ReadFlag(const char* name) const {
  const std::optional<StoredValue> value = SettingsStore(storePath_).ReadValue(kSettingsKey, name);
  // Read into four bytes: a missing value or a longer one cannot be read at
  // all; one that fits but is no number has the wrong type.
  if (!value || value->data.size() > 4) throw AppError(std::string("Failed to get data for '") + name + "'");
  if (value->type != StoredValue::Type::Dword) throw AppError(std::string("Invalid data type for '") + name + "'");
  uint32_t number = 0;
  for (size_t byte = 0; byte < value->data.size(); ++byte) number |= uint32_t{value->data[byte]} << (8 * byte);
  return number != 0;
}

// A settings file that exists but cannot be read is reported and then left
// exactly as it is: OK will not write over it either.
void TSettingsForm::ThrowIfUnreadable(const SettingsStore& store) const {
  if (const int error = store.ReadError(); error != 0) {
    throw AppError("The settings file " + storePath_ + " could not be read (" + std::strerror(error) +
                   "); it was left as it was");
  }
}

void TSettingsForm::FormCreate() {
  const SettingsStore store(storePath_);
  ThrowIfUnreadable(store);
  if (!store.KeyExists(kSettingsKey)) return;  // first start: both unchecked
  if (!store.ReadValue(kSettingsKey, "LongBuffer")) {
    AlwaysStereo->setChecked(false);
    LongBuffer->setChecked(false);
    return;
  }
  AlwaysStereo->setChecked(ReadFlag("AlwaysStereo"));
  LongBuffer->setChecked(ReadFlag("LongBuffer"));
}

void TSettingsForm::Button1Click() {
  SettingsStore store(storePath_);
  ThrowIfUnreadable(store);
  const int error = store.WriteDwords(kSettingsKey, {{"AlwaysStereo", AlwaysStereo->isChecked() ? 1u : 0u},
                                                     {"LongBuffer", LongBuffer->isChecked() ? 1u : 0u}});
  if (error != 0) throw AppError("Failed to set data for 'AlwaysStereo'");  // the window stays open
  close();
}

void TSettingsForm::closeEvent(QCloseEvent* event) {
  generator_.SetMainWindowEnabled(true);
  event->accept();  // hidden; the boxes keep their states for the rest of the run
}

}  // namespace sondrel
