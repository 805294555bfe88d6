#include "rtf_reader.h"

#include "code_pages.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <climits>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace wendterm {

namespace {

// Word processors nest a few dozen groups at most; a limit keeps a hostile
// file of opening braces from eating memory.
constexpr std::size_t kMaxGroupDepth = 1000;

// A paragraph keeps this many tab stops at most. Word processors set a
// few; without a limit, a file of many \tx words inside deeply nested
// groups would copy the list into every group.
constexpr qsizetype kMaxTabStops = 64;

// RTF measures in twips (1/1440 inch). Lengths in a QTextDocument are
// pixels at the default 96 dpi, which its layout scales to the printer.
// Sums of lengths are formed in qreal, where two clamped parameters cannot
// overflow.
qreal twipsToPixels(qreal twips) { return twips / 15.0; }

enum class Destination { Text, Skip, FontTable, ColorTable };

struct CharState {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool hidden = false;
  int font = -1;  // -1: the document's default font (\deffN)
  int halfPoints = 24;
  int foreground = 0;  // colour-table index; 0 is the automatic colour
  int background = 0;
  QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;

  bool operator==(const CharState&) const = default;
};

struct ParaState {
  Qt::Alignment alignment = Qt::AlignLeft;
  int leftIndent = 0;
  int rightIndent = 0;
  int firstIndent = 0;
  int spaceBefore = 0;
  int spaceAfter = 0;
  QList<QTextOption::Tab> tabs;
  QTextOption::TabType nextTabType = QTextOption::LeftTab;
};

struct Group {
  Destination destination = Destination::Text;
  CharState chars;
  ParaState para;
  int unicodeSkip = 1;  // \ucN: bytes that stand in for each \uN
};

struct FontEntry {
  QString name;
  int codePage = 0;  // 0: the document's code page
  QFont::StyleHint hint = QFont::AnyStyle;
  bool fixedPitch = false;
};

enum class Word {
  // destinations
  FontTable, ColorTable, SkipDestination,
  // document
  Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont, DefaultTab,
  // font table entries
  Font, Charset, CodePage, FontModern, FontRoman, FontSwiss, FontScript, FontDecor, FontPitch,
  // colour table entries
  Red, Green, Blue,
  // character formatting
  Plain, Bold, Italic, Underline, UnderlineNone, Strike, FontSize,
  Foreground, Background, Hidden, Super, Sub, NoSuperSub,
  // paragraphs
  Par, Pard, Line, Tab, Page, Cell, Row,
  AlignLeft, AlignCenter, AlignRight, AlignJustify,
  LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter,
  TabStop, TabRight, TabCenter, TabDecimal,
  // characters
  Unicode, UnicodeSkip, Special, Bin,
};

struct WordInfo {
  Word word;
  char16_t character = 0;  // for Word::Special
};

const std::unordered_map<std::string_view, WordInfo>& wordTable() {
  static const std::unordered_map<std::string_view, WordInfo> table = {
      {"fonttbl", {Word::FontTable}},
      {"colortbl", {Word::ColorTable}},
      // Destinations whose text is not part of the printed body.
      {"stylesheet", {Word::SkipDestination}},
      {"info", {Word::SkipDestination}},
      {"pict", {Word::SkipDestination}},
      {"object", {Word::SkipDestination}},
      {"objdata", {Word::SkipDestination}},
      {"result", {Word::SkipDestination}},
      {"nonshppict", {Word::SkipDestination}},
      {"shp", {Word::SkipDestination}},
      {"shppict", {Word::SkipDestination}},
      {"header", {Word::SkipDestination}},
      {"headerl", {Word::SkipDestination}},
      {"headerr", {Word::SkipDestination}},
      {"headerf", {Word::SkipDestination}},
      {"footer", {Word::SkipDestination}},
      {"footerl", {Word::SkipDestination}},
      {"footerr", {Word::SkipDestination}},
      {"footerf", {Word::SkipDestination}},
      {"footnote", {Word::SkipDestination}},
      {"annotation", {Word::SkipDestination}},
      {"fldinst", {Word::SkipDestination}},
      {"listtable", {Word::SkipDestination}},
      {"listoverridetable", {Word::SkipDestination}},
      {"revtbl", {Word::SkipDestination}},
      {"rsidtbl", {Word::SkipDestination}},
      {"filetbl", {Word::SkipDestination}},
      {"pn", {Word::SkipDestination}},
      {"xe", {Word::SkipDestination}},
      {"tc", {Word::SkipDestination}},
      {"txe", {Word::SkipDestination}},
      {"private", {Word::SkipDestination}},
      {"author", {Word::SkipDestination}},
      {"operator", {Word::SkipDestination}},
      {"title", {Word::SkipDestination}},
      {"subject", {Word::SkipDestination}},
      {"keywords", {Word::SkipDestination}},
      {"comment", {Word::SkipDestination}},
      {"doccomm", {Word::SkipDestination}},
      {"creatim", {Word::SkipDestination}},
      {"revtim", {Word::SkipDestination}},
      {"printim", {Word::SkipDestination}},
      {"buptim", {Word::SkipDestination}},
      {"ansi", {Word::Ansi}},
      {"mac", {Word::Mac}},
      {"pc", {Word::Pc}},
      {"pca", {Word::Pca}},
      {"ansicpg", {Word::AnsiCodePage}},
      {"deff", {Word::DefaultFont}},
      {"deftab", {Word::DefaultTab}},
      {"f", {Word::Font}},
      {"fcharset", {Word::Charset}},
      {"cpg", {Word::CodePage}},
      {"fmodern", {Word::FontModern}},
      {"froman", {Word::FontRoman}},
      {"fswiss", {Word::FontSwiss}},
      {"fscript", {Word::FontScript}},
      {"fdecor", {Word::FontDecor}},
      {"fprq", {Word::FontPitch}},
      {"red", {Word::Red}},
      {"green", {Word::Green}},
      {"blue", {Word::Blue}},
      {"plain", {Word::Plain}},
      {"b", {Word::Bold}},
      {"i", {Word::Italic}},
      {"ul", {Word::Underline}},
      {"uld", {Word::Underline}},
      {"uldash", {Word::Underline}},
      {"uldashd", {Word::Underline}},
      {"uldashdd", {Word::Underline}},
      {"uldb", {Word::Underline}},
      {"ulth", {Word::Underline}},
      {"ulw", {Word::Underline}},
      {"ulwave", {Word::Underline}},
      {"ulnone", {Word::UnderlineNone}},
      {"strike", {Word::Strike}},
      {"striked", {Word::Strike}},
      {"fs", {Word::FontSize}},
      {"cf", {Word::Foreground}},
      {"highlight", {Word::Background}},
      {"cb", {Word::Background}},
      {"chcbpat", {Word::Background}},
      {"v", {Word::Hidden}},
      {"super", {Word::Super}},
      {"sub", {Word::Sub}},
      {"nosupersub", {Word::NoSuperSub}},
      {"par", {Word::Par}},
      {"sect", {Word::Par}},
      {"pard", {Word::Pard}},
      {"line", {Word::Line}},
      {"tab", {Word::Tab}},
      {"page", {Word::Page}},
      {"cell", {Word::Cell}},
      {"nestcell", {Word::Cell}},
      {"row", {Word::Row}},
      {"nestrow", {Word::Row}},
      {"ql", {Word::AlignLeft}},
      {"qc", {Word::AlignCenter}},
      {"qr", {Word::AlignRight}},
      {"qj", {Word::AlignJustify}},
      {"li", {Word::LeftIndent}},
      {"ri", {Word::RightIndent}},
      {"fi", {Word::FirstIndent}},
      {"sb", {Word::SpaceBefore}},
      {"sa", {Word::SpaceAfter}},
      {"tx", {Word::TabStop}},
      {"tqr", {Word::TabRight}},
      {"tqc", {Word::TabCenter}},
      {"tqdec", {Word::TabDecimal}},
      {"u", {Word::Unicode}},
      {"uc", {Word::UnicodeSkip}},
      {"bin", {Word::Bin}},
      {"emdash", {Word::Special, 0x2014}},
      {"endash", {Word::Special, 0x2013}},
      {"bullet", {Word::Special, 0x2022}},
      {"lquote", {Word::Special, 0x2018}},
      {"rquote", {Word::Special, 0x2019}},
      {"ldblquote", {Word::Special, 0x201C}},
      {"rdblquote", {Word::Special, 0x201D}},
      {"emspace", {Word::Special, 0x2003}},
      {"enspace", {Word::Special, 0x2002}},
      {"qmspace", {Word::Special, 0x2005}},
      {"zwj", {Word::Special, 0x200D}},
      {"zwnj", {Word::Special, 0x200C}},
      {"zwbo", {Word::Special, 0x200B}},
      {"ltrmark", {Word::Special, 0x200E}},
      {"rtlmark", {Word::Special, 0x200F}},
  };
  return table;
}

// The values a parameter may take. Parameters are clamped to these where
// they are read, so that the arithmetic on them (indent sums, negation,
// sizes) stays in range and Qt is never handed a size it cannot lay out.
struct ParamRange {
  int low = INT_MIN;
  int high = INT_MAX;
};

// Lengths: 22 inches, the largest page dimension word processors accept.
constexpr int kMaxTwips = 31680;

ParamRange parameterRange(Word word) {
  switch (word) {
    case Word::LeftIndent:
    case Word::RightIndent:
    case Word::FirstIndent:
      return {-kMaxTwips, kMaxTwips};
    case Word::SpaceBefore:
    case Word::SpaceAfter:
    case Word::TabStop:
    case Word::DefaultTab:
      return {0, kMaxTwips};
    case Word::FontSize:
      return {0, 3276};  // half points: 1638 pt, the largest size word processors offer
    case Word::Unicode:
      // A signed 16-bit number (characters above U+7FFF come negative);
      // some writers put a whole code point instead.
      return {-32768, 0x10FFFF};
    case Word::UnicodeSkip:
      return {0, 255};
    case Word::AnsiCodePage:
    case Word::CodePage:
      return {0, 65535};
    case Word::Charset:
    case Word::Red:
    case Word::Green:
    case Word::Blue:
      return {0, 255};
    case Word::Font:
    case Word::DefaultFont:
    case Word::Foreground:
    case Word::Background:
      return {0, 32767};  // table indexes
    default:
      return {};
  }
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class RtfReader {
 public:
  RtfReader(QByteArrayView data, QTextDocument& doc) : data_(data), doc_(doc), cursor_(&doc) {}

  bool read();

 private:
  Group& group() { return groups_.back(); }

  bool controlWord();
  bool controlSymbol();
  void textByte(char c);
  void applyWord(const WordInfo& info, bool hasParam, int param);

  void flushBytes();
  void appendText(const QString& text);
  void appendUnit(char16_t unit);
  void appendChar(char16_t c);
  void flushText();
  void endParagraph(bool pageBreak);

  QTextCharFormat charFormat();
  QTextBlockFormat blockFormat() const;
  int textCodePage() const;
  void commitFontEntry();
  void commitColor();

  QByteArrayView data_;
  qsizetype pos_ = 0;
  QTextDocument& doc_;
  QTextCursor cursor_;

  std::vector<Group> groups_;
  int skipBytes_ = 0;  // bytes still to skip after \uN

  int codePage_ = kDefaultCodePage;
  int defaultFont_ = -1;
  std::map<int, FontEntry> fonts_;
  int fontEntryNumber_ = -1;
  FontEntry fontEntry_;
  QByteArray fontName_;
  std::vector<QColor> colors_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colorSet_ = false;

  QByteArray pendingBytes_;
  QString pendingText_;
  QTextCharFormat pendingFormat_;
  char16_t highSurrogate_ = 0;

  // Building a format for every piece of text is costly; most text comes
  // in the same state as the text before it.
  bool formatCached_ = false;
  CharState cachedState_;
  QTextCharFormat cachedFormat_;
};

bool RtfReader::read() {
  if (!data_.startsWith(QByteArrayView("{\\rtf"))) {
    return false;
  }
  doc_.clear();
  cursor_ = QTextCursor(&doc_);
  while (pos_ < data_.size()) {
    const char c = data_[pos_];
    if (c == '{') {
      flushBytes();
      if (groups_.size() >= kMaxGroupDepth) {
        return false;
      }
      groups_.push_back(groups_.empty() ? Group{} : group());
      skipBytes_ = 0;
      ++pos_;
    } else if (c == '}') {
      flushBytes();
      ++pos_;
      if (group().destination == Destination::FontTable) {
        commitFontEntry();
      }
      if (groups_.size() == 1) {
        // The last paragraph has no \par of its own. Whatever follows the
        // document's closing brace (often a line end or padding) is not
        // part of it.
        flushText();
        cursor_.setBlockFormat(blockFormat());
        return true;
      }
      groups_.pop_back();
      skipBytes_ = 0;
    } else if (c == '\\') {
      ++pos_;
      if (pos_ >= data_.size()) {
        return false;
      }
      const bool ok = isLetter(data_[pos_]) ? controlWord() : controlSymbol();
      if (!ok) {
        return false;
      }
    } else {
      ++pos_;
      if (c == '\r' || c == '\n' || c == '\0') {
        continue;  // line ends in RTF source only wrap the source
      }
      if (groups_.empty()) {
        return false;
      }
      if (skipBytes_ > 0) {
        --skipBytes_;
        continue;
      }
      textByte(c);
    }
  }
  return false;  // the outermost group was never closed
}

bool RtfReader::controlWord() {
  const qsizetype start = pos_;
  while (pos_ < data_.size() && isLetter(data_[pos_]) && pos_ - start < 32) {
    ++pos_;
  }
  const std::string_view name(data_.data() + start, static_cast<std::size_t>(pos_ - start));
  bool hasParam = false;
  bool negative = false;
  long long param = 0;
  if (pos_ < data_.size() && data_[pos_] == '-' && pos_ + 1 < data_.size() &&
      isDigit(data_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  int digits = 0;
  while (pos_ < data_.size() && isDigit(data_[pos_])) {
    // Parameters are 16- or 32-bit; extra digits are read but saturate.
    if (digits++ < 11) {
      param = param * 10 + (data_[pos_] - '0');
    }
    hasParam = true;
    ++pos_;
  }
  if (pos_ < data_.size() && data_[pos_] == ' ') {
    ++pos_;  // the space that ends a control word belongs to it
  }
  if (negative) {
    param = -param;
  }

  if (name == "bin") {
    // Binary data is skipped wherever it appears; it is never text.
    if (hasParam && param > 0) {
      if (param > data_.size() - pos_) {
        return false;
      }
      pos_ += static_cast<qsizetype>(param);
    }
    return true;
  }
  flushBytes();
  if (skipBytes_ > 0) {
    --skipBytes_;
    return true;
  }
  const auto& table = wordTable();
  const auto it = table.find(name);
  if (it != table.end()) {
    const ParamRange range = parameterRange(it->second.word);
    applyWord(it->second, hasParam, static_cast<int>(std::clamp<long long>(param, range.low, range.high)));
  }
  return true;
}

bool RtfReader::controlSymbol() {
  const char c = data_[pos_++];
  if (c == '\'') {
    if (pos_ + 2 > data_.size()) {
      return false;
    }
    const int high = hexValue(data_[pos_]);
    const int low = hexValue(data_[pos_ + 1]);
    if (high < 0 || low < 0) {
      return false;
    }
    pos_ += 2;
    if (skipBytes_ > 0) {
      --skipBytes_;
      return true;
    }
    textByte(static_cast<char>(high * 16 + low));
    return true;
  }
  flushBytes();
  if (skipBytes_ > 0) {
    --skipBytes_;
    return true;
  }
  switch (c) {
    case '\\':
    case '{':
    case '}':
      textByte(c);
      break;
    case '~':
      appendChar(0x00A0);  // non-breaking space
      break;
    case '-':
      appendChar(0x00AD);  // optional hyphen
      break;
    case '_':
      appendChar(0x2011);  // non-breaking hyphen
      break;
    case '*':
      // A destination this reader may not know: its contents are not text.
      group().destination = Destination::Skip;
      break;
    case '\r':
    case '\n':
      if (group().destination == Destination::Text) {
        endParagraph(false);
      }
      break;
    case '\t':
      appendChar(u'\t');
      break;
    default:
      break;  // \: (index subentry), \| (formula) and unknown symbols
  }
  return true;
}

void RtfReader::applyWord(const WordInfo& info, bool hasParam, int param) {
  Group& g = group();
  CharState& ch = g.chars;
  ParaState& para = g.para;
  // A toggle such as \b is on without a parameter and off with \b0.
  const bool on = !hasParam || param != 0;

  switch (info.word) {
    case Word::FontTable:
      g.destination = Destination::FontTable;
      fontEntryNumber_ = -1;
      return;
    case Word::ColorTable:
      g.destination = Destination::ColorTable;
      colors_.clear();
      formatCached_ = false;
      colorSet_ = false;
      return;
    case Word::SkipDestination:
      g.destination = Destination::Skip;
      return;
    case Word::UnicodeSkip:
      if (hasParam) {
        g.unicodeSkip = param;
      }
      return;
    case Word::Unicode: {
      // The parameter is a signed 16-bit number: characters above U+7FFF
      // come negative.
      const int unit = param < 0 ? param + 65536 : param;
      if (unit > 0xFFFF) {
        const char32_t c = static_cast<char32_t>(unit);
        appendText(QString::fromUcs4(&c, 1));
      } else {
        appendUnit(static_cast<char16_t>(unit));
      }
      // The fallback bytes after it are skipped in every destination, or
      // they would end up in font names.
      skipBytes_ = g.unicodeSkip;
      return;
    }
    default:
      break;
  }

  if (g.destination == Destination::Skip) {
    return;
  }
  if (g.destination == Destination::FontTable) {
    switch (info.word) {
      case Word::Font:
        commitFontEntry();
        fontEntryNumber_ = param;
        fontEntry_ = FontEntry{};
        fontName_.clear();
        break;
      case Word::Charset:
        fontEntry_.codePage = codePageForCharset(param);
        break;
      case Word::CodePage:
        fontEntry_.codePage = param;
        break;
      case Word::FontModern:
        fontEntry_.hint = QFont::TypeWriter;
        fontEntry_.fixedPitch = true;
        break;
      case Word::FontRoman:
        fontEntry_.hint = QFont::Serif;
        break;
      case Word::FontSwiss:
        fontEntry_.hint = QFont::SansSerif;
        break;
      case Word::FontScript:
        fontEntry_.hint = QFont::Cursive;
        break;
      case Word::FontDecor:
        fontEntry_.hint = QFont::Decorative;
        break;
      case Word::FontPitch:
        if (param == 1) {
          fontEntry_.fixedPitch = true;
        }
        break;
      default:
        break;
    }
    return;
  }
  if (g.destination == Destination::ColorTable) {
    switch (info.word) {
      case Word::Red: red_ = param; colorSet_ = true; break;
      case Word::Green: green_ = param; colorSet_ = true; break;
      case Word::Blue: blue_ = param; colorSet_ = true; break;
      default: break;
    }
    return;
  }

  switch (info.word) {
    case Word::Ansi: codePage_ = kDefaultCodePage; break;
    case Word::Mac: codePage_ = 10000; break;
    case Word::Pc: codePage_ = 437; break;
    case Word::Pca: codePage_ = 850; break;
    case Word::AnsiCodePage:
      if (hasParam && param > 0) {
        codePage_ = param;
      }
      break;
    case Word::DefaultFont:
      defaultFont_ = param;
      formatCached_ = false;
      break;
    case Word::DefaultTab: {
      if (hasParam && param > 0) {
        QTextOption option = doc_.defaultTextOption();
        option.setTabStopDistance(twipsToPixels(param));
        doc_.setDefaultTextOption(option);
      }
      break;
    }
    case Word::Font: ch.font = param; break;
    case Word::Plain: ch = CharState{}; break;
    case Word::Bold: ch.bold = on; break;
    case Word::Italic: ch.italic = on; break;
    case Word::Underline: ch.underline = on; break;
    case Word::UnderlineNone: ch.underline = false; break;
    case Word::Strike: ch.strike = on; break;
    case Word::Hidden: ch.hidden = on; break;
    case Word::FontSize: ch.halfPoints = hasParam && param > 0 ? param : 24; break;
    case Word::Foreground: ch.foreground = param; break;
    case Word::Background: ch.background = param; break;
    case Word::Super: ch.vertical = QTextCharFormat::AlignSuperScript; break;
    case Word::Sub: ch.vertical = QTextCharFormat::AlignSubScript; break;
    case Word::NoSuperSub: ch.vertical = QTextCharFormat::AlignNormal; break;
    case Word::Par: endParagraph(false); break;
    case Word::Page: endParagraph(true); break;
    case Word::Row: endParagraph(false); break;
    case Word::Pard: para = ParaState{}; break;
    case Word::Line: appendChar(QChar::LineSeparator); break;
    case Word::Tab:
    case Word::Cell: appendChar(u'\t'); break;
    case Word::AlignLeft: para.alignment = Qt::AlignLeft; break;
    case Word::AlignCenter: para.alignment = Qt::AlignHCenter; break;
    case Word::AlignRight: para.alignment = Qt::AlignRight; break;
    case Word::AlignJustify: para.alignment = Qt::AlignJustify; break;
    case Word::LeftIndent: para.leftIndent = param; break;
    case Word::RightIndent: para.rightIndent = param; break;
    case Word::FirstIndent: para.firstIndent = param; break;
    case Word::SpaceBefore: para.spaceBefore = param; break;
    case Word::SpaceAfter: para.spaceAfter = param; break;
    case Word::TabRight: para.nextTabType = QTextOption::RightTab; break;
    case Word::TabCenter: para.nextTabType = QTextOption::CenterTab; break;
    case Word::TabDecimal: para.nextTabType = QTextOption::DelimiterTab; break;
    case Word::TabStop: {
      QTextOption::Tab tab(twipsToPixels(param), para.nextTabType);
      if (para.nextTabType == QTextOption::DelimiterTab) {
        tab.delimiter = QLatin1Char('.');
      }
      if (para.tabs.size() < kMaxTabStops) {
        para.tabs.append(tab);
      }
      para.nextTabType = QTextOption::LeftTab;
      break;
    }
    case Word::Special: appendChar(info.character); break;
    default:
      break;
  }
}

void RtfReader::textByte(char c) {
  switch (group().destination) {
    case Destination::Text:
      pendingBytes_.append(c);
      break;
    case Destination::FontTable:
      if (c == ';') {
        commitFontEntry();
      } else {
        fontName_.append(c);
      }
      break;
    case Destination::ColorTable:
      if (c == ';') {
        commitColor();
      }
      break;
    case Destination::Skip:
      break;
  }
}

int RtfReader::textCodePage() const {
  const int font = groups_.back().chars.font >= 0 ? groups_.back().chars.font : defaultFont_;
  const auto it = fonts_.find(font);
  if (it != fonts_.end() && it->second.codePage > 0) {
    return it->second.codePage;
  }
  return codePage_;
}

void RtfReader::flushBytes() {
  if (pendingBytes_.isEmpty()) {
    return;
  }
  // Bytes are decoded together so that the two bytes of a double-byte code
  // page character, one written as \'hh and one literally, stay together.
  const QString text = decodeCodePage(pendingBytes_, textCodePage());
  pendingBytes_.clear();
  appendText(text);
}

void RtfReader::appendChar(char16_t c) {
  if (group().destination != Destination::Text) {
    return;
  }
  appendUnit(c);
}

void RtfReader::appendUnit(char16_t unit) {
  if (group().destination != Destination::Text) {
    return;
  }
  // \uN writes characters outside the Basic Multilingual Plane as two
  // surrogates; keep the first until its partner arrives.
  if (QChar::isHighSurrogate(unit)) {
    if (highSurrogate_ != 0) {
      appendText(QString(QChar::ReplacementCharacter));
    }
    highSurrogate_ = unit;
    return;
  }
  if (QChar::isLowSurrogate(unit)) {
    if (highSurrogate_ != 0) {
      const QChar pair[2] = {QChar(highSurrogate_), QChar(unit)};
      highSurrogate_ = 0;
      appendText(QString(pair, 2));
    } else {
      appendText(QString(QChar::ReplacementCharacter));
    }
    return;
  }
  appendText(QString(QChar(unit)));
}

void RtfReader::appendText(const QString& text) {
  if (group().destination != Destination::Text || group().chars.hidden) {
    return;
  }
  QString chunk;
  if (highSurrogate_ != 0) {
    chunk.append(QChar::ReplacementCharacter);
    highSurrogate_ = 0;
  }
  chunk.append(text);
  const QTextCharFormat format = charFormat();
  if (format != pendingFormat_) {
    flushText();
    pendingFormat_ = format;
  }
  pendingText_.append(chunk);
}

void RtfReader::flushText() {
  if (highSurrogate_ != 0) {
    highSurrogate_ = 0;
    pendingText_.append(QChar::ReplacementCharacter);
  }
  if (!pendingText_.isEmpty()) {
    cursor_.insertText(pendingText_, pendingFormat_);
    pendingText_.clear();
  }
}

void RtfReader::endParagraph(bool pageBreak) {
  flushText();
  QTextBlockFormat format = blockFormat();
  if (pageBreak) {
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysAfter);
  }
  cursor_.setBlockFormat(format);
  const QTextCharFormat chars = charFormat();
  if (cursor_.block().length() == 1) {
    // An empty paragraph is as high as the font it would be written in.
    cursor_.setBlockCharFormat(chars);
  }
  cursor_.insertBlock(QTextBlockFormat(), chars);
}

QTextCharFormat RtfReader::charFormat() {
  const CharState& ch = group().chars;
  if (formatCached_ && ch == cachedState_) {
    return cachedFormat_;
  }
  QTextCharFormat format;
  const int fontNumber = ch.font >= 0 ? ch.font : defaultFont_;
  const auto font = fonts_.find(fontNumber);
  if (font != fonts_.end() && !font->second.name.isEmpty()) {
    // The hint and pitch are set even when they say nothing, or those of
    // the document's fixed-pitch font would choose a monospace stand-in
    // for a font that is not installed.
    format.setFontFamilies(QStringList{font->second.name});
    format.setFontStyleHint(font->second.hint);
    format.setFontFixedPitch(font->second.fixedPitch);
  }
  format.setFontPointSize(ch.halfPoints / 2.0);
  if (ch.bold) format.setFontWeight(QFont::Bold);
  if (ch.italic) format.setFontItalic(true);
  if (ch.underline) format.setFontUnderline(true);
  if (ch.strike) format.setFontStrikeOut(true);
  if (ch.vertical != QTextCharFormat::AlignNormal) format.setVerticalAlignment(ch.vertical);
  const auto color = [this](int index) -> QColor {
    return index > 0 && static_cast<std::size_t>(index) < colors_.size() ? colors_[index] : QColor();
  };
  if (const QColor fg = color(ch.foreground); fg.isValid()) {
    format.setForeground(fg);
  }
  if (const QColor bg = color(ch.background); bg.isValid()) {
    format.setBackground(bg);
  }
  cachedState_ = ch;
  cachedFormat_ = format;
  formatCached_ = true;
  return format;
}

QTextBlockFormat RtfReader::blockFormat() const {
  const ParaState& para = groups_.back().para;
  QTextBlockFormat format;
  format.setAlignment(para.alignment);
  if (para.leftIndent != 0) format.setLeftMargin(twipsToPixels(para.leftIndent));
  if (para.rightIndent != 0) format.setRightMargin(twipsToPixels(para.rightIndent));
  if (para.firstIndent != 0) format.setTextIndent(twipsToPixels(para.firstIndent));
  if (para.spaceBefore != 0) format.setTopMargin(twipsToPixels(para.spaceBefore));
  if (para.spaceAfter != 0) format.setBottomMargin(twipsToPixels(para.spaceAfter));
  // RTF measures tab stops from the left margin; the layout measures them
  // from where the line starts, which for the first line of a paragraph is
  // the left indent plus the first-line indent. Stops are moved to suit the
  // first line, the one that holds the tabs of bullets, numbers and
  // columns. As in word processors, a hanging indent is a tab stop too.
  const qreal firstLineStart = twipsToPixels(qreal(para.leftIndent) + para.firstIndent);
  QList<QTextOption::Tab> tabs;
  for (QTextOption::Tab tab : para.tabs) {
    tab.position -= firstLineStart;
    if (tab.position > 0) {
      tabs.append(tab);
    }
  }
  if (para.firstIndent < 0) {
    const qreal hanging = -twipsToPixels(para.firstIndent);
    const bool present = std::any_of(tabs.begin(), tabs.end(), [hanging](const QTextOption::Tab& tab) {
      return qFuzzyCompare(tab.position, hanging);
    });
    if (!present) {
      tabs.append(QTextOption::Tab(hanging, QTextOption::LeftTab));
    }
  }
  std::sort(tabs.begin(), tabs.end(), [](const QTextOption::Tab& a, const QTextOption::Tab& b) {
    return a.position < b.position;
  });
  if (!tabs.isEmpty()) format.setTabPositions(tabs);
  return format;
}

void RtfReader::commitFontEntry() {
  if (fontEntryNumber_ < 0) {
    return;
  }
  const int codePage = fontEntry_.codePage > 0 ? fontEntry_.codePage : codePage_;
  fontEntry_.name = decodeCodePage(fontName_, codePage).trimmed();
  fonts_[fontEntryNumber_] = fontEntry_;
  formatCached_ = false;
  fontEntryNumber_ = -1;
  fontEntry_ = FontEntry{};
  fontName_.clear();
}

void RtfReader::commitColor() {
  // An entry with no components is the automatic colour (usually entry 0).
  colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
  formatCached_ = false;
  red_ = green_ = blue_ = 0;
  colorSet_ = false;
}

}  // namespace

bool readRtf(QByteArrayView rtf, QTextDocument& doc) {
  RtfReader reader(rtf, doc);
  return reader.read();
}

}  // namespace wendterm
