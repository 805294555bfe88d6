// Helpers shared by the print utility's tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

#include <ostream>
#include <string>

namespace wendterm::test {

// The document's paragraphs joined with '\n', their characters as stored
// (line separators, non-breaking spaces and tabs stay as they are).
inline QString blocksText(const QTextDocument& doc) {
  QStringList blocks;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    blocks << block.text();
  }
  return blocks.join(QLatin1Char('\n'));
}

// Runs a program to its end; returns its standard output, or sets `ok` to
// false when it could not start or did not exit normally with status 0.
QByteArray runProgram(const QString& program, const QStringList& args, bool* ok);

}  // namespace wendterm::test

// Lets gtest print QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
