#include "platform/HelpViewer.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

namespace sondrel {

namespace {

constexpr const char* kManual = "qrc:/help/Sondrel.html";

std::string gLastRequest;
// The window that had the focus when the manual was opened: it gets it back
// when the manual closes, not whichever window the desktop picks.
QPointer<QWidget> gOpener;

class GiveFocusBack : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide && gOpener && gOpener->isVisible()) {
      gOpener->raise();
      gOpener->activateWindow();
    }
    return false;
  }
};

// The designed 720 x 640, but never more than nine tenths of the screen the
// manual opens on (at a scale of 2 a 1080-pixel screen has 540 to offer).
void FitToScreen(QWidget* viewer) {
  const QScreen* screen = gOpener ? gOpener->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  viewer->resize(std::min(720, room.width() * 9 / 10), std::min(640, room.height() * 9 / 10));
  viewer->move(room.center() - viewer->rect().center());
}

QTextBrowser* Viewer() {
  static QPointer<QTextBrowser> viewer;
  if (!viewer) {
    viewer = new QTextBrowser;
    viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    viewer->setObjectName("HelpViewer");
    viewer->setWindowTitle("Sondrel Help");
    viewer->setOpenExternalLinks(true);
    viewer->installEventFilter(new GiveFocusBack(viewer));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), viewer);
    QObject::connect(escape, &QShortcut::activated, viewer, &QWidget::close);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, viewer, &QObject::deleteLater);
  }
  return viewer;
}

void Show(const std::string& helpFile, const std::string& anchor) {
  gLastRequest = helpFile + "#" + anchor;
  QUrl page(kManual);
  if (!anchor.empty()) page.setFragment(QString::fromStdString(anchor));
  QTextBrowser* viewer = Viewer();
  QWidget* active = QApplication::activeWindow();
  if (active != viewer) gOpener = active;
  if (!viewer->isVisible()) FitToScreen(viewer);
  viewer->setSource(page);
  if (!anchor.empty()) viewer->scrollToAnchor(QString::fromStdString(anchor));
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace

void ShowHelpTopic(const std::string& helpFile, const std::string& topicId) { Show(helpFile, topicId); }

void ShowHelpContext(const std::string& helpFile, int context) {
  Show(helpFile, context == 0 ? std::string() : "context-" + std::to_string(context));
}

std::string LastHelpRequest() { return gLastRequest; }

}  // namespace sondrel
