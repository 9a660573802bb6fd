// The settings-file object: value encodings as they reach the file, the
// lenient readers, and the disabled store.
#include <limits.h>
#include <string.h>

#include <string>

#include "harness/harness.h"
#include "settings/settings.h"

namespace {

// Binds the program's store to a settings file of the test's own.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousFile = ConfigInfo.FileName() ? ConfigInfo.FileName() : "TAV.INI";
    file = dir / "TAV.INI";
    ConfigInfo.SetFileName(file.c_str());
  }
  void TearDown() override { ConfigInfo.SetFileName(previousFile.c_str()); }

  // The profile functions cache files: values set this way are written
  // once per test, before the first read.
  void WriteIni(const std::string &text) { ASSERT_TRUE(harness::WriteBytes(file, text)); }
  std::string FileText() { return harness::ReadBytes(file); }

  harness::TempDir dir;
  std::string file;
  std::string previousFile;
};

struct IntCase {
  const char *stored;  // null: no such key
  int expected;
};

TEST_F(StoreTest, ReadIntParsesStoredText) {
  const IntCase cases[] = {
      {"\" -7\"", -7},  // quoted, so the blank reaches the parser
      {"+5", 5},
      {"abc", 0},
      {"12abc", 12},
      {"", 42},
      {nullptr, 42},
      {"-", 0},
      {"--5", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", INT_MAX},
      {"-99999999999", INT_MIN},
      {"-00000000000042" "99999", -42},  // only the first 15 characters count
  };
  std::string ini = "[S]\r\n";
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    if (cases[i].stored) ini += "K" + std::to_string(i) + "=" + cases[i].stored + "\r\n";
  WriteIni(ini);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    SCOPED_TRACE(cases[i].stored ? cases[i].stored : "(missing)");
    EXPECT_EQ(cases[i].expected, ConfigInfo.ReadInt("S", ("K" + std::to_string(i)).c_str(), 42));
  }
}

TEST(ParseProfileInt, SkipsBlanksAndStopsAtFirstNonDigit) {
  EXPECT_EQ(-7, ParseProfileInt(" \t\r\n-7"));
  EXPECT_EQ(0, ParseProfileInt("- 7"));
  EXPECT_EQ(0, ParseProfileInt(""));
  EXPECT_EQ(0, ParseProfileInt(nullptr));
  EXPECT_EQ(INT_MAX, ParseProfileInt("123456789012345678901234567890"));
  EXPECT_EQ(INT_MIN, ParseProfileInt("-123456789012345678901234567890"));
  EXPECT_EQ(905, ParseProfileInt("0905x1"));
}

TEST_F(StoreTest, WriteIntUsesPlainDecimal) {
  EXPECT_NE(0, ConfigInfo.WriteInt("S", "Low", INT_MIN));
  EXPECT_NE(0, ConfigInfo.WriteInt("S", "High", INT_MAX));
  std::string text = FileText();
  EXPECT_NE(std::string::npos, text.find("Low=-2147483648")) << text;
  EXPECT_NE(std::string::npos, text.find("High=2147483647")) << text;
  EXPECT_EQ(INT_MIN, ConfigInfo.ReadInt("S", "Low", 0));
  EXPECT_EQ(INT_MAX, ConfigInfo.ReadInt("S", "High", 0));
}

TEST_F(StoreTest, ReadStringCutsToCapacityAndUsesDefault) {
  ConfigInfo.WriteString("S", "K", "abcdef");
  char buffer[8];
  EXPECT_EQ(3, ConfigInfo.ReadString("S", "K", "", buffer, 4));
  EXPECT_STREQ("abc", buffer);
  EXPECT_EQ(4, ConfigInfo.ReadString("S", "Missing", "dflt", buffer, sizeof buffer));
  EXPECT_STREQ("dflt", buffer);
}

TEST_F(StoreTest, NullNamesNeitherDeleteNorList) {
  ConfigInfo.WriteString("S", "K", "kept");
  EXPECT_EQ(0, ConfigInfo.WriteString("S", nullptr, "x"));
  EXPECT_EQ(0, ConfigInfo.WriteString("S", "K", nullptr));
  char buffer[16];
  memset(buffer, 0xcc, sizeof buffer);
  EXPECT_EQ(0, ConfigInfo.ReadString("S", nullptr, "", buffer, sizeof buffer));
  EXPECT_EQ('\xcc', buffer[0]);
  EXPECT_EQ(4, ConfigInfo.ReadString("S", "K", "", buffer, sizeof buffer));
  EXPECT_STREQ("kept", buffer);
}

TEST_F(StoreTest, SetFileNameKeepsItsOwnCopy) {
  std::string other = dir / "OTHER.INI";
  char name[MAX_PATH];
  strcpy(name, other.c_str());
  ConfigInfo.SetFileName(name);
  strcpy(name, file.c_str());  // the caller reuses its buffer
  ConfigInfo.WriteInt("S", "K", 1);
  EXPECT_TRUE(harness::FileExists(other));
  EXPECT_FALSE(harness::FileExists(file));
  EXPECT_STREQ(other.c_str(), ConfigInfo.FileName());
}

TEST_F(StoreTest, BinaryRoundTripsEveryByteValue) {
  unsigned char bytes[256], back[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
  EXPECT_NE(0, ConfigInfo.WriteBinary("S", "All", bytes, 256));
  memset(back, 0xcc, sizeof back);
  EXPECT_EQ(256, ConfigInfo.ReadBinary("S", "All", back, 256));
  EXPECT_EQ(0, memcmp(bytes, back, sizeof bytes));

  const unsigned char three[] = {0x00, 0xAB, 0x10};
  ConfigInfo.WriteBinary("S", "Three", three, 3);
  EXPECT_NE(std::string::npos, FileText().find("Three=00,AB,10\r\n"));
}

struct BinaryCase {
  const char *stored;  // null: no such key
  int n;
  int result;
  unsigned char expected[4];  // bytes past n must keep the 0xcc sentinel
};

TEST_F(StoreTest, ReadBinaryDecodesLeniently) {
  const BinaryCase cases[] = {
      {"00,ab,10", 3, 3, {0x00, 0xAB, 0x10, 0xcc}},
      {"00;AB;10", 3, 3, {0x00, 0xAB, 0x10, 0xcc}},
      {"01,02,03,04", 2, 2, {0x01, 0x02, 0xcc, 0xcc}},  // longer text: n bytes only
      {"01,A", 3, 3, {0x01, 0xA0, 0x00, 0xcc}},         // missing characters read as '0'
      {"7", 1, 1, {0x70, 0xcc, 0xcc, 0xcc}},
      {"", 3, 0, {0xcc, 0xcc, 0xcc, 0xcc}},
      {nullptr, 3, 0, {0xcc, 0xcc, 0xcc, 0xcc}},
      {"01,02", 0, 0, {0xcc, 0xcc, 0xcc, 0xcc}},
      {"01,02", -1, 0, {0xcc, 0xcc, 0xcc, 0xcc}},
  };
  std::string ini = "[S]\r\n";
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    if (cases[i].stored) ini += "B" + std::to_string(i) + "=" + cases[i].stored + "\r\n";
  WriteIni(ini);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    SCOPED_TRACE(std::string(cases[i].stored ? cases[i].stored : "(missing)") +
                 " n=" + std::to_string(cases[i].n));
    unsigned char out[4];
    memset(out, 0xcc, sizeof out);
    EXPECT_EQ(cases[i].result,
              ConfigInfo.ReadBinary("S", ("B" + std::to_string(i)).c_str(), out, cases[i].n));
    EXPECT_EQ(0, memcmp(cases[i].expected, out, sizeof out));
  }
}

TEST(HexBytes, OtherCharactersFollowTheSameArithmetic) {
  unsigned char out[2];
  DecodeHexBytes("0g, 1", 5, out, 2);  // 'g' -> 0x10; ' ' -> 0xC9, kept to 8 bits
  EXPECT_EQ(0x10, out[0]);
  EXPECT_EQ(0x91, out[1]);
  char text[7];
  const unsigned char bytes[] = {0xFF, 0x0A};
  EncodeHexBytes(bytes, 2, text);
  EXPECT_STREQ("FF,0A", text);
}

TEST_F(StoreTest, WriteBinaryOfNothingWritesNothing) {
  const unsigned char byte = 1;
  EXPECT_EQ(0, ConfigInfo.WriteBinary("S", "K", &byte, 0));
  EXPECT_EQ(0, ConfigInfo.WriteBinary("S", "K", &byte, -3));
  EXPECT_FALSE(harness::FileExists(file));
}

TEST_F(StoreTest, DisabledStoreNeitherReadsNorWrites) {
  WriteIni("[S]\r\nK=12\r\nB=01\r\n");
  CConfigInfo disabled(file.c_str(), 1);
  std::string other = dir / "NEW.INI";
  CConfigInfo disabledNew(other.c_str(), 1);
  EXPECT_EQ(0, disabledNew.WriteString("S", "K", "x"));
  EXPECT_EQ(0, disabledNew.WriteInt("S", "K", 1));
  const unsigned char byte = 1;
  EXPECT_EQ(0, disabledNew.WriteBinary("S", "K", &byte, 1));
  EXPECT_FALSE(harness::FileExists(other));

  char buffer[8];
  memset(buffer, 0xcc, sizeof buffer);
  EXPECT_EQ(0, disabled.ReadString("S", "K", "dflt", buffer, sizeof buffer));
  EXPECT_EQ('\xcc', buffer[0]);
  EXPECT_EQ(-4, disabled.ReadInt("S", "K", -4));
  unsigned char out = 0xcc;
  EXPECT_EQ(0, disabled.ReadBinary("S", "B", &out, 1));
  EXPECT_EQ(0xcc, out);
}

}  // namespace
