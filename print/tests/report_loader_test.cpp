#include "report_font.h"
#include "report_loader.h"
#include "test_support.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace wendterm {
namespace {

TEST(LoadFailedMessage, IsTheExactText) { EXPECT_STREQ(kLoadFailedMessage, "Failed to Load Stream"); }

struct LoadCase {
  const char* name;
  QByteArray bytes;
  LoadedAs loadedAs;
  QString text;  // paragraphs joined with '\n'
};

class LoadReportBytes : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadReportBytes, ReadsRtfFirstThenPlainText) {
  QTextDocument doc;
  EXPECT_EQ(loadReportBytes(GetParam().bytes, doc), GetParam().loadedAs);
  EXPECT_EQ(test::blocksText(doc), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadReportBytes,
    ::testing::Values(
        LoadCase{"Rtf", "{\\rtf1 {\\b Hi}\\par there}", LoadedAs::RichText, "Hi\nthere"},
        LoadCase{"PlainText", "10 PRINT \"HI\"\r\n20 GOTO 10\r\n", LoadedAs::PlainText,
                 "10 PRINT \"HI\"\n20 GOTO 10"},
        LoadCase{"UnclosedRtfShownAsItIs", "{\\rtf1 {\\b Hi}\r\nthere", LoadedAs::PlainText,
                 "{\\rtf1 {\\b Hi}\nthere"},
        LoadCase{"BadHexShownAsItIs", "{\\rtf1 \\'zz}", LoadedAs::PlainText, "{\\rtf1 \\'zz}"},
        LoadCase{"Windows1252Text", "caf\xE9\n", LoadedAs::PlainText, QStringLiteral(u"caf\u00E9")},
        LoadCase{"Empty", "", LoadedAs::PlainText, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadReportBytes, PlainTextIsInTheFixedPitchReportFont) {
  QTextDocument doc;
  ASSERT_EQ(loadReportBytes("x", doc), LoadedAs::PlainText);
  EXPECT_EQ(doc.defaultFont(), reportFont());
  EXPECT_DOUBLE_EQ(doc.defaultFont().pointSizeF(), 9.75);
  EXPECT_TRUE(QFontInfo(doc.defaultFont()).fixedPitch());
  QTextCursor cursor(&doc);
  cursor.setPosition(1);
  EXPECT_FALSE(cursor.charFormat().hasProperty(QTextFormat::FontFamilies));
}

TEST(LoadReportBytes, FailedRtfLeavesNoFormatsBehind) {
  QTextDocument doc;
  ASSERT_EQ(loadReportBytes("{\\rtf1\\deftab2880\\qc\\b bold", doc), LoadedAs::PlainText);
  EXPECT_EQ(doc.toPlainText(), "{\\rtf1\\deftab2880\\qc\\b bold");
  EXPECT_DOUBLE_EQ(doc.defaultTextOption().tabStopDistance(), 48.0);
  EXPECT_EQ(doc.begin().blockFormat().alignment(), Qt::AlignLeft);
  QTextCursor cursor(&doc);
  cursor.setPosition(2);
  EXPECT_NE(cursor.charFormat().fontWeight(), QFont::Bold);
}

TEST(LoadReportBytes, TabStopsEveryHalfInch) {
  QTextDocument doc;
  loadReportBytes("a\tb", doc);
  EXPECT_DOUBLE_EQ(doc.defaultTextOption().tabStopDistance(), 48.0);
}

class LoadReportFile : public ::testing::Test {
 protected:
  QString write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  QTemporaryDir dir_;
};

TEST_F(LoadReportFile, ReadsRtfFile) {
  QTextDocument doc;
  EXPECT_EQ(loadReportFile(write("a.rtf", "{\\rtf1 x\\par y}"), doc), LoadedAs::RichText);
  EXPECT_EQ(test::blocksText(doc), "x\ny");
}

TEST_F(LoadReportFile, ExtensionDoesNotDecide) {
  QTextDocument doc;
  EXPECT_EQ(loadReportFile(write("a.txt", "{\\rtf1 x}"), doc), LoadedAs::RichText);
  EXPECT_EQ(loadReportFile(write("b.rtf", "just text"), doc), LoadedAs::PlainText);
  EXPECT_EQ(doc.toPlainText(), "just text");
}

TEST_F(LoadReportFile, LargeFileIsNotCutShort) {
  // Far beyond the 64 KB that text controls hold by default.
  QByteArray bytes;
  const int lines = 100000;
  for (int i = 1; i <= lines; ++i) {
    bytes += QByteArray::number(i).rightJustified(6, '0') + " 0123456789abcdefghijklmnopqrstuvwxyz\r\n";
  }
  ASSERT_GT(bytes.size(), 4'000'000);
  QTextDocument doc;
  ASSERT_EQ(loadReportFile(write("big.txt", bytes), doc), LoadedAs::PlainText);
  EXPECT_EQ(doc.blockCount(), lines);
  EXPECT_EQ(doc.lastBlock().text(), "100000 0123456789abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(doc.characterCount(), bytes.size() - lines);  // CRLF becomes one separator
}

TEST_F(LoadReportFile, MissingFileFails) {
  QTextDocument doc;
  EXPECT_EQ(loadReportFile(dir_.filePath("none.txt"), doc), LoadedAs::Failed);
  EXPECT_TRUE(doc.isEmpty());
}

TEST_F(LoadReportFile, UnreadableFileFails) {
  // A file that opens but cannot be read: reading the start of a process's
  // own memory file fails with an I/O error.
  QTextDocument doc;
  EXPECT_EQ(loadReportFile("/proc/self/mem", doc), LoadedAs::Failed);
  EXPECT_TRUE(doc.isEmpty());
}

TEST(ReportFont, DejaVuSansMonoStandsInForFixedsysWhereInstalled) {
  // Other monospace fonts measure differently and would break the pages
  // elsewhere: the stand-in must not depend on what else is installed.
  if (!QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans Mono"))) {
    GTEST_SKIP() << "DejaVu Sans Mono is not installed";
  }
  EXPECT_EQ(QFontInfo(reportFont()).family(), QStringLiteral("DejaVu Sans Mono"));
  EXPECT_EQ(QFontInfo(formFont()).family(), QStringLiteral("DejaVu Sans Mono"));
}

}  // namespace
}  // namespace wendterm
