#include "panel/PageControl.h"

#include <QFrame>
#include <QProxyStyle>
#include <QStackedWidget>
#include <QTabBar>
#include <algorithm>

namespace sondrel {

namespace {

// The desktop's own tabs with less side padding: `space` pixels a tab.
class CompactTabStyle : public QProxyStyle {
 public:
  explicit CompactTabStyle(int space) : space_(space) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    return metric == PM_TabBarTabHSpace ? space_ : QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  int space_;
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
  if (!compactTabs_ && tabs_->sizeHint().width() > width() && tabs_->count() > 0) {
    // Half the padding, or as much of it as leaves room for every caption.
    const int count = tabs_->count();
    const int padding = tabs_->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs_);
    const int captions = tabs_->sizeHint().width() - count * padding;
    auto* compact = new CompactTabStyle(std::clamp((width() - captions) / count, 2, padding / 2));
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
