// The image observer sees every data record the HEX writer prints, at its
// full target address and with the bytes before scrambling.
#include <gtest/gtest.h>

#include <sstream>

#include "codegen/operations.h"
#include "codegen_support.h"
#include "driver/hex_output.h"
#include "expression_support.h"

namespace {

struct Observed {
  uint32_t address;
  std::vector<uint8_t> bytes;
};
std::vector<Observed> observed;

void observe(uint32_t address, const uint8_t *bytes, int32_t count) {
  observed.push_back({address, std::vector<uint8_t>(bytes, bytes + count)});
}

// The scramble key as the firmware knows it.
const char KEY[] = "Ombrik (c) 2026 its developers.";

struct Printed {
  uint16_t offset;
  std::vector<uint8_t> bytes;
};

std::vector<Printed> data_records(const std::string &text) {
  std::vector<Printed> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (l.size() < 11 || l[0] != ':' || l.substr(7, 2) != "00") continue;
    Printed p{static_cast<uint16_t>(std::stoul(l.substr(3, 4), nullptr, 16)), {}};
    size_t n = std::stoul(l.substr(1, 2), nullptr, 16);
    for (size_t k = 0; k < n; k++) p.bytes.push_back(static_cast<uint8_t>(std::stoul(l.substr(9 + 2 * k, 2), nullptr, 16)));
    out.push_back(p);
  }
  return out;
}

TEST(ImageObserver, SeesEachDataRecordUnscrambledAtItsAddress) {
  // The built-in table scrambles, puts the code at 0x3000 and the strings
  // below 0x79000.
  compile_session("A = 123456\nPRINT \"hello\"\n");
  ASSERT_TRUE(firmware.scrambled);
  add_op(OP_END, 0);
  optimizeTJ(0, 1);
  observed.clear();
  image_record_observer = observe;
  std::string text = capture_stdout(write_image);
  image_record_observer = nullptr;

  std::vector<Printed> printed = data_records(text);
  ASSERT_EQ(observed.size(), printed.size());
  ASSERT_GE(observed.size(), 2u);
  EXPECT_EQ(observed.front().address, 0x3000u);
  EXPECT_EQ(observed.back().address, 0x78FE0u);
  for (size_t k = 0; k < observed.size(); k++) {
    EXPECT_EQ(observed[k].address & 0xFFFF, printed[k].offset);
    ASSERT_EQ(observed[k].bytes.size(), printed[k].bytes.size());
    for (size_t p = 0; p < printed[k].bytes.size(); p++) {
      uint8_t shown = p % 4 == 3 ? observed[k].bytes[p] : static_cast<uint8_t>(observed[k].bytes[p] - KEY[p]);
      EXPECT_EQ(printed[k].bytes[p], shown) << k << " " << p;
    }
  }
  // The code's first unit: the start-up BL's first half, low byte first.
  EXPECT_EQ(observed.front().bytes[1] & 0xF8, 0xF0);
  // "hello" ends the string area.
  const std::vector<uint8_t> &last = observed.back().bytes;
  EXPECT_EQ(std::string(last.end() - 6, last.end()), std::string("hello", 6));
}

TEST(ImageObserver, NoObserverNoChange) {
  compile_session("A = 123456\n");
  add_op(OP_END, 0);
  optimizeTJ(0, 1);
  std::string plain = capture_stdout(write_image);
  observed.clear();
  image_record_observer = observe;
  std::string watched = capture_stdout(write_image);
  image_record_observer = nullptr;
  EXPECT_EQ(watched, plain);
  EXPECT_FALSE(observed.empty());
}

}  // namespace
