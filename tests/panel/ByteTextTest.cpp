// Texts keep their bytes through the edit boxes: memory names and fields of
// any length and any encoding come back as they went in unless the user
// edits them; valid UTF-8 shows as such, other bytes as Latin-1.
#include <QLabel>

#include "panel/ByteText.h"
#include "tests/panel/PanelFixture.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

struct BytesCase {
  const char* name;
  std::string bytes;
  QString shown;
};

const std::string kLong = std::string(40000, 'n');
const std::string kLongNumber = std::string(39996, '0') + "1000";

class ByteTextTest : public PanelFixture, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(ByteTextTest, ShowsAndKeepsTheBytes) {
  EXPECT_EQ(ShownText(GetParam().bytes), GetParam().shown);
  QLineEdit edit;
  AllowAnyLength(&edit);
  SetBytes(&edit, GetParam().bytes);
  EXPECT_EQ(edit.text(), GetParam().shown);
  EXPECT_EQ(Bytes(&edit), GetParam().bytes);
}

TEST_P(ByteTextTest, ARenameWithoutTypingKeepsTheName) {
  generator->Memories[2].Name = GetParam().bytes;
  generator->BeginRename(2);
  generator->FinishRename(2);
  EXPECT_EQ(generator->Memories[2].Name, GetParam().bytes);
  EXPECT_EQ(generator->MemoryButton(2)->text(), QString(GetParam().shown).replace('&', "&&"));
}

TEST_P(ByteTextTest, RecallThenStoreKeepsTheFields) {
  MemoryRecord& memory = generator->Memories[1];
  memory.fInit = GetParam().bytes;
  memory.fFinal = GetParam().bytes;
  memory.Duration = GetParam().bytes;
  memory.Amplitude = GetParam().bytes;
  try {
    generator->RecallMemory(1);  // a text that is no number raises, after the boxes are set
  } catch (const std::exception&) {
  }
  generator->StoreMemory(2);
  EXPECT_EQ(generator->Memories[2].fInit, GetParam().bytes);
  EXPECT_EQ(generator->Memories[2].fFinal, GetParam().bytes);
  EXPECT_EQ(generator->Memories[2].Duration, GetParam().bytes);
  EXPECT_EQ(generator->Memories[2].Amplitude, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ByteTextTest,
    ::testing::Values(BytesCase{"Latin1", "Caf\xe9", QString::fromUtf8("Caf\xc3\xa9")},
                      BytesCase{"Utf8", "Caf\xc3\xa9", QString::fromUtf8("Caf\xc3\xa9")},
                      BytesCase{"Ampersand", "Bass & Mid", "Bass & Mid"},
                      BytesCase{"Markup", "<b>bold</b>", "<b>bold</b>"},
                      BytesCase{"Long", kLong, QString::fromStdString(kLong)},
                      BytesCase{"LongNumber", kLongNumber, QString::fromStdString(kLongNumber)}),
    [](const auto& test) { return std::string(test.param.name); });

class EditBoxBytesTest : public PanelFixture {};

TEST_F(EditBoxBytesTest, WhatTheUserTypesComesBackAsUtf8) {
  QLineEdit edit;
  SetBytes(&edit, "Caf\xe9");
  edit.setText(QString::fromUtf8("Caf\xc3\xa9 au lait"));
  EXPECT_EQ(Bytes(&edit), "Caf\xc3\xa9 au lait");
}

TEST_F(EditBoxBytesTest, ALongNumberReachesTheEngineWhole) {
  SetBytes(generator->fEdit, kLongNumber);
  EXPECT_EQ(generator->ReadPanelState().fEdit, kLongNumber);
}

}  // namespace
}  // namespace sondrel
