#include "platform/HelpViewer.h"

#include <QApplication>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

namespace sondrel {

namespace {

constexpr const char* kManual = "qrc:/help/Sondrel.html";

std::string gLastRequest;

QTextBrowser* Viewer() {
  static QPointer<QTextBrowser> viewer;
  if (!viewer) {
    viewer = new QTextBrowser;
    viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    viewer->setObjectName("HelpViewer");
    viewer->setWindowTitle("Sondrel Help");
    viewer->setOpenExternalLinks(true);
    viewer->resize(720, 640);
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
