#include "panel/Application.h"

#include <QEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <QWidget>

#include "platform/HelpViewer.h"

namespace sondrel {

namespace {
QString gTitle = kStartupTitle;
QString gHelpFile;
}  // namespace

QString ApplicationTitle() { return gTitle; }
void SetApplicationTitle(const QString& title) { gTitle = title; }

QString HelpFileName() { return gHelpFile; }
void SetHelpFileName(const QString& name) { gHelpFile = name; }

namespace {

class ScreenKeeper : public QObject {
 public:
  explicit ScreenKeeper(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      Keep();
      // The frame's size is known only once the window system has framed
      // the window: look again then.
      QTimer::singleShot(0, this, &ScreenKeeper::Keep);
    }
    return false;
  }

 private:
  void Keep() {
    const QScreen* screen = window_->screen();
    if (screen == nullptr || !window_->isVisible()) return;
    const QRect room = screen->availableGeometry();
    const QRect frame = window_->frameGeometry();
    const int left = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
    const int top = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
    if (left != frame.left() || top != frame.top()) {
      window_->move(window_->pos() + QPoint(left - frame.left(), top - frame.top()));
    }
  }

  QWidget* window_;
};

}  // namespace

void CloseOnEscape(QWidget* window) {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

void KeepOnScreen(QWidget* window) { new ScreenKeeper(window); }

void InstallContextHelp(QWidget* window, int helpContext) {
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), window);
  QObject::connect(help, &QShortcut::activated, window,
                   [helpContext] { ShowHelpContext(HelpFileName().toStdString(), helpContext); });
}

}  // namespace sondrel
