#pragma once
// Message boxes and file dialogs go through this one service, so that tests
// can answer them without a human. The program installs the Qt one. With
// SONDREL_NONINTERACTIVE set in the environment (scripts on a machine with
// nobody at it), message boxes are written to standard error and answered
// at once, and file dialogs are cancelled.

#include <QString>
#include <QStringList>
#include <exception>
#include <optional>

class QWidget;

namespace sondrel {

// A file dialog as the program describes it: filters are pairs of
// description and pattern, "PCM-Data|*.pcm|All Files|*.*".
struct FileDialogSpec {
  QString defaultExtension;  // added to a name typed without one; may be empty
  QString fileName;          // initial file name; may be empty
  QString filter;
  bool confirmOverwrite = false;
};

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // An error box: the application's title, the error icon, OK.
  virtual void ShowError(QWidget* parent, const QString& text) = 0;
  // The error that ends the program: "Application Error", the error icon, OK.
  virtual void ShowApplicationError(const QString& text) = 0;
  // A plain message box with OK, captioned with the application's title.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<QString> GetOpenFileName(QWidget* parent, const FileDialogSpec& request) = 0;
  virtual std::optional<QString> GetSaveFileName(QWidget* parent, const FileDialogSpec& request) = 0;
};

UserDialogs& Dialogs();
// Installs another service (tests); nullptr brings back the Qt one.
void SetDialogs(UserDialogs* dialogs);
// The program is ending (a termination signal): from now on the Qt service
// writes every message to standard error instead of waiting in a box, and
// closes the boxes already open.
void EndAllMessageBoxes();

// The application's error report: the error's text, with a full stop added
// where it needs one, in an error box.
void ReportError(QWidget* parent, const std::exception& error);

// "PCM-Data|*.pcm|All Files|*.*" as Qt writes filters:
// {"PCM-Data (*.pcm)", "All Files (*.*)"}.
QStringList QtNameFilters(const QString& filter);

}  // namespace sondrel
