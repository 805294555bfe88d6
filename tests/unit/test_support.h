// Helpers for the unit tests: feed standard input from a string and reset
// the compiler between tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "compile/reset.h"
#include "core/firmware.h"
#include "core/options.h"
#include "driver/driver.h"
#include "frontend/diagnostics.h"
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
inline void reset_everything() { reset_to_startup(); }

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
