#include "panel/UserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <cstdio>

#include "engine/AppError.h"
#include "panel/Application.h"
#include "panel/ByteText.h"

namespace sondrel {

namespace {

// The extension of the filter's first pattern, "*.wav" -> "wav"; empty for "*.*".
QString ExtensionOf(const QString& qtFilter) {
  static const QRegularExpression pattern(R"(\(\*\.([A-Za-z0-9]+))");
  const QRegularExpressionMatch match = pattern.match(qtFilter);
  return match.hasMatch() ? match.captured(1) : QString();
}

bool gEnding = false;

bool NonInteractive() { return gEnding || qEnvironmentVariableIsSet("SONDREL_NONINTERACTIVE"); }

void Print(const QString& title, const QString& text) {
  std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

// A modal box with one OK button. Its text may hold what a user or a file
// wrote (a file name, a script's word): always plain text, never markup.
void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

class QtDialogs : public UserDialogs {
 public:
  void ShowError(QWidget* parent, const QString& text) override {
    if (NonInteractive()) return Print(ApplicationTitle(), text);
    ShowBox(parent, QMessageBox::Critical, ApplicationTitle(), text);
  }
  void ShowApplicationError(const QString& text) override {
    if (NonInteractive()) return Print("Application Error", text);
    ShowBox(nullptr, QMessageBox::Critical, "Application Error", text);
  }
  void ShowMessage(QWidget* parent, const QString& text) override {
    if (NonInteractive()) return Print(ApplicationTitle(), text);
    ShowBox(parent, QMessageBox::Information, ApplicationTitle(), text);
  }
  std::optional<QString> GetOpenFileName(QWidget* parent, const FileDialogSpec& request) override {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // a typed name that does not exist is reported on opening
    return Run(dialog, request);
  }
  std::optional<QString> GetSaveFileName(QWidget* parent, const FileDialogSpec& request) override {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return Run(dialog, request);
  }

 private:
  static std::optional<QString> Run(QFileDialog& dialog, const FileDialogSpec& request) {
    if (NonInteractive()) return std::nullopt;
    const QStringList filters = QtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (!request.defaultExtension.isEmpty()) {
      // Choosing another type of file also changes the extension a bare name gets.
      QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString& chosen) {
        const QString extension = ExtensionOf(chosen);
        dialog.setDefaultSuffix(extension.isEmpty() ? request.defaultExtension : extension);
      });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
  }
};

QtDialogs gQtDialogs;
UserDialogs* gDialogs = &gQtDialogs;

}  // namespace

UserDialogs& Dialogs() { return *gDialogs; }
void EndAllMessageBoxes() {
  gEnding = true;
  for (int boxes = 0; boxes < 16; ++boxes) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) break;
    modal->close();
  }
}

void SetDialogs(UserDialogs* dialogs) { gDialogs = dialogs != nullptr ? dialogs : &gQtDialogs; }

void ReportError(QWidget* parent, const std::exception& error) {
  Dialogs().ShowError(parent, ShownText(ErrorReportText(error.what())));
}

QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << parts[i] + " (" + patterns + ")";
  }
  return filters;
}

}  // namespace sondrel
