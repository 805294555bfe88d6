// Helpers for the unit tests: feed standard input from a string and reset
// the compiler between tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/state.h"
#include "frontend/tokenizer.h"

// Replaces standard input by the given text for the rest of the test.
class StdinFeed {
 public:
  explicit StdinFeed(const std::string &text) : text_(text), saved_(stdin) {
    stdin = fmemopen(text_.data(), text_.size(), "r");
  }
  ~StdinFeed() {
    fclose(stdin);
    stdin = saved_;
  }

 private:
  std::string text_;
  FILE *saved_;
};

// Restores the built-in firmware table and layout, then resets the compiler.
inline void reset_everything() {
  static const uint16_t default_words[] = {2054, 4, 0x2138, 0x1C00, 0x0300, 5};
  memset(f_table, 0, sizeof f_table);
  memcpy(f_table, default_words, sizeof default_words);
  codeSize = 0x10000;
  varSpace = 0x4000;
  FlashEnd = 0x79000;
  blockSize = 0x1000;
  DEMOmode = 0;
  current_filename[0] = 0;
  line[0] = 0;
  init_compiler();
}

// Tokenizes one line (given without its line end); returns the result and
// fills tokens with the list up to its first end-of-line token. Output
// printed meanwhile goes to *out when given.
inline int tokenize(const std::string &text, std::vector<uint16_t> *tokens = nullptr,
                    std::string *out = nullptr) {
  StdinFeed feed(text + "\n");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int r = read_tokenize_line();
  std::string printed = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  if (out) *out = printed;
  if (tokens) {
    tokens->clear();
    for (int i = 0; i < TOKENLIST_SIZE && g_tokenlist[i] != TOK_EOL; i++) tokens->push_back(g_tokenlist[i]);
  }
  return r;
}

// Tokenizes one line with the output left alone (for death tests, whose
// checks read the child's standard error).
inline int tokenize_uncaptured(const std::string &text) {
  StdinFeed feed(text + "\n");
  return read_tokenize_line();
}

class CompilerTest : public testing::Test {
 protected:
  void SetUp() override { reset_everything(); }
};
