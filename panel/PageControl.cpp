#include "panel/PageControl.h"

#include <QFrame>
#include <QProxyStyle>
#include <QStackedWidget>
#include <QTabBar>

namespace sondrel {

namespace {

// The desktop's own tabs with half their side padding.
class CompactTabStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? value / 2 : value;
  }
};

}  // namespace

PageControl::PageControl(QWidget* parent, QPoint pageOrigin, int tabHeight)
    : QWidget(parent),
      pageOrigin_(pageOrigin),
      tabHeight_(tabHeight),
      tabs_(new QTabBar(this)),
      frame_(new QFrame(this)),
      pages_(new QStackedWidget(this)) {
  frame_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->raise();
  connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
    pages_->setCurrentIndex(index);
    if (onPageChanged) onPageChanged();
  });
}

QWidget* PageControl::AddPage(const QString& name, const QString& caption) {
  auto* page = new QWidget(pages_);
  page->setObjectName(name);
  pages_->addWidget(page);
  tabs_->addTab(caption);
  return page;
}

QWidget* PageControl::ActivePage() const { return pages_->currentWidget(); }

void PageControl::SetActivePage(QWidget* page) {
  const int index = pages_->indexOf(page);
  if (index >= 0) tabs_->setCurrentIndex(index);
}

void PageControl::resizeEvent(QResizeEvent*) {
  // Where the captions outgrow the control at the desktop's padding, they
  // close up rather than hide the last tabs behind scroll arrows.
  if (!compactTabs_ && tabs_->sizeHint().width() > width()) {
    auto* compact = new CompactTabStyle;
    compact->setParent(tabs_);
    tabs_->setStyle(compact);
    compactTabs_ = true;
  }
  tabs_->setGeometry(0, 0, width(), tabHeight_);
  frame_->setGeometry(0, tabHeight_ - 2, width(), height() - tabHeight_ + 2);
  pages_->setGeometry(pageOrigin_.x(), pageOrigin_.y(), width() - 2 * pageOrigin_.x(),
                      height() - pageOrigin_.y() - pageOrigin_.x());
}

}  // namespace sondrel
