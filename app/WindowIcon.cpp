#include "app/WindowIcon.h"

#include <QApplication>
#include <QIcon>

namespace sondrel {

void SetWindowIcon() {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
    icon.addFile(QString(":/icons/org.kelvo.Sondrel-%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);  // every window without an icon of its own takes this one
}

}  // namespace sondrel
