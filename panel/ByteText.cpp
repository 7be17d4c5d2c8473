#include "panel/ByteText.h"

#include <QByteArray>
#include <QLineEdit>
#include <QStringDecoder>
#include <limits>

#include "panel/UiEvents.h"

namespace sondrel {

namespace {
constexpr const char* kBytesProperty = "sondrelBytes";
constexpr const char* kShownProperty = "sondrelShown";
}  // namespace

QString ShownText(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return decoded;
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString ShownCaption(const std::string& bytes) { return ShownText(bytes).replace('&', "&&"); }

void SetBytes(QLineEdit* edit, const std::string& bytes) {
  const QString shown = ShownText(bytes);
  edit->setProperty(kBytesProperty, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  edit->setProperty(kShownProperty, shown);
  SetText(edit, shown);
}

std::string Bytes(const QLineEdit* edit) {
  const QString text = edit->text();
  if (edit->property(kShownProperty).toString() == text) {
    const QByteArray bytes = edit->property(kBytesProperty).toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  return text.toStdString();
}

void AllowAnyLength(QLineEdit* edit) { edit->setMaxLength(std::numeric_limits<int>::max()); }

}  // namespace sondrel
