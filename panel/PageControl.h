#pragma once
// A page control: a row of tabs over a framed area that shows one page at a
// time. Each page's client area starts at a fixed offset from the control's
// origin, so that controls laid over the pages from outside line up with the
// controls on them.

#include <QWidget>
#include <functional>

class QFrame;
class QStackedWidget;
class QTabBar;

namespace sondrel {

class PageControl : public QWidget {
 public:
  // pageOrigin: where a page's client area begins, relative to this control.
  PageControl(QWidget* parent, QPoint pageOrigin, int tabHeight);

  // Adds a page named name (its object name) with the caption on its tab.
  QWidget* AddPage(const QString& name, const QString& caption);
  QWidget* ActivePage() const;
  // Shows the page; no handler runs.
  void SetActivePage(QWidget* page);
  QTabBar* Tabs() const { return tabs_; }
  // Runs after another page has become the active one, by the user or the
  // program; it is the window's to arrange, not a parameter handler.
  std::function<void()> onPageChanged;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPoint pageOrigin_;
  int tabHeight_;
  QTabBar* tabs_;
  QFrame* frame_;
  QStackedWidget* pages_;
  bool compactTabs_ = false;
};

}  // namespace sondrel
