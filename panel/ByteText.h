#pragma once
// The program's texts are bytes: a memory's name and fields, a script's
// words, a path from the command line. They are shown as valid UTF-8 where
// they are that, and as Latin-1 (one character a byte) otherwise, and come
// back byte for byte, whatever their length, as long as the user has not
// edited them. What the user types comes back as UTF-8.

#include <QString>
#include <string>

class QLineEdit;

namespace sondrel {

QString ShownText(const std::string& bytes);
// The same for a button's caption, where "&" would mark a mnemonic.
QString ShownCaption(const std::string& bytes);

// Sets the box's text to show the bytes and remembers them; the box's change
// handler runs when the shown text changes, as with SetText.
void SetBytes(QLineEdit* edit, const std::string& bytes);
// The bytes last set while the box still shows them, otherwise its text as UTF-8.
std::string Bytes(const QLineEdit* edit);

// An edit box holds any length of text (Qt's default stops at 32,767).
void AllowAnyLength(QLineEdit* edit);

}  // namespace sondrel
