#include "app/WindowIcon.h"

#include <QApplication>
#include <QIcon>

namespace sondrel {

void SetWindowIcon() {
  QIcon icon;
  // Not the 512-pixel icon: Qt converts an image of more than 65536 pixels
  // on its thread pool and waits for ever when no thread can be started (a
  // tight ulimit); desktops take the large sizes from the installed theme.
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/org.kelvo.Sondrel-%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);  // every window without an icon of its own takes this one
}

}  // namespace sondrel
