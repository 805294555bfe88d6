// The GDB remote protocol: every packet the server serves, malformed input
// of every kind, and the socket that takes one loopback connection.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "sim/console.h"
#include "sim/gdb_server.h"
#include "tiny_program.h"

namespace {

using sim::GdbSession;
using sim::gdb_packet;

// MOVS r7,#1; MOVS r7,#2; PRINTNUM; END
struct Fixture {
  sim_test::TinyProgram p;
  sim::StringConsole console;
  std::unique_ptr<sim::Machine> machine;
  explicit Fixture(bool arm7 = false) {
    if (arm7) {
      std::string error;
      sim::make_board(sim::arm7_board_table(), p.board, error);
      // MOV r7,#1; MOV r7,#2; LDM sp!,{r8}; LDM sp!,{pc}
      p.image.segments[0].bytes = {0x01, 0x70, 0xA0, 0xE3, 0x02, 0x70, 0xA0, 0xE3,
                                   0x00, 0x01, 0xBD, 0xE8, 0x00, 0x80, 0xBD, 0xE8};
    } else {
      p.add({0x2701, 0x2702});
      p.call(55);
      p.end();
    }
    std::string error;
    machine = p.started(console, error);
  }
};

// Sends one packet (or raw bytes) and returns what came back.
std::string talk(GdbSession &s, const std::string &bytes, GdbSession::Action *action = nullptr) {
  std::string out;
  size_t consumed = 0;
  GdbSession::Action a = s.receive(bytes.data(), bytes.size(), out, consumed);
  if (action) *action = a;
  return out;
}

std::string reply(const std::string &payload) { return "+" + gdb_packet(payload); }

// A packet with body as it stands, unescaped, and its right checksum.
std::string raw_packet(const std::string &body) {
  unsigned sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  char tail[4];
  snprintf(tail, sizeof tail, "#%02x", sum & 0xFF);
  return "$" + body + tail;
}

TEST(GdbPacket, FramesAndEscapes) {
  EXPECT_EQ(gdb_packet("OK"), "$OK#9a");
  EXPECT_EQ(gdb_packet(""), "$#00");
  EXPECT_EQ(gdb_packet("a#b$c}d*"), "$a}\x03" "b}\x04" "c}]d}\x0a#ec");
}

TEST(GdbSession, ServesRegistersMemoryAndQueries) {
  Fixture f;
  GdbSession s(*f.machine);
  EXPECT_EQ(talk(s, gdb_packet("qSupported:multiprocess+;swbreak+;xmlRegisters=arm")),
            reply("PacketSize=16384;qXfer:features:read+;swbreak+"));
  EXPECT_EQ(talk(s, gdb_packet("?")), reply("S05"));
  std::string g = talk(s, gdb_packet("g"));
  ASSERT_EQ(g.size(), 1 + 1 + 17 * 8 + 3u);
  EXPECT_EQ(g.substr(2 + 5 * 8, 8), "00010010");   // r5, the variable base 0x10000100
  EXPECT_EQ(g.substr(2 + 13 * 8, 8), "f8ff0020");  // sp 0x2000FFF8
  EXPECT_EQ(g.substr(2 + 15 * 8, 8), "00800000");  // pc 0x8000
  EXPECT_EQ(talk(s, gdb_packet("pf")), reply("00800000"));
  EXPECT_EQ(talk(s, gdb_packet("m8000,4")), reply("01270227"));
  EXPECT_EQ(talk(s, gdb_packet("m10b2,2")), reply("0000"));  // between two firmware entries
  EXPECT_EQ(talk(s, gdb_packet("M10000100,4:78563412")), reply("OK"));
  EXPECT_EQ(talk(s, gdb_packet("m10000100,4")), reply("78563412"));
  EXPECT_EQ(talk(s, gdb_packet("P7=2a000000")), reply("OK"));
  EXPECT_EQ(talk(s, gdb_packet("p7")), reply("2a000000"));
  EXPECT_EQ(talk(s, gdb_packet("qAttached")), reply("1"));
  EXPECT_EQ(talk(s, gdb_packet("qC")), reply("QC1"));
  EXPECT_EQ(talk(s, gdb_packet("qfThreadInfo")), reply("m1"));
  EXPECT_EQ(talk(s, gdb_packet("qsThreadInfo")), reply("l"));
  EXPECT_EQ(talk(s, gdb_packet("Hg0")), reply("OK"));
  EXPECT_EQ(talk(s, gdb_packet("vMustReplyEmpty")), reply(""));
}

std::string target_xml(GdbSession &s) {
  std::string xml;
  for (size_t offset = 0;; offset += 0x40) {
    char request[64];
    snprintf(request, sizeof request, "qXfer:features:read:target.xml:%zx,40", offset);
    std::string r = talk(s, gdb_packet(request));
    size_t hash = r.rfind('#');
    std::string payload = r.substr(2, hash - 2);
    xml += payload.substr(1);
    if (payload[0] == 'l') return xml;
    if (payload[0] != 'm') return "bad reply " + r;
  }
}

TEST(GdbSession, TargetDescriptionOfEachBoard) {
  Fixture cortex;
  GdbSession s(*cortex.machine);
  std::string xml = target_xml(s);
  EXPECT_NE(xml.find("<feature name=\"org.gnu.gdb.arm.m-profile\">"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<reg name=\"xpsr\" bitsize=\"32\"/>"), std::string::npos);
  EXPECT_EQ(xml.find("cpsr"), std::string::npos);
  EXPECT_EQ(xml.substr(xml.size() - 10), "</target>\n");

  Fixture arm7(true);
  GdbSession a(*arm7.machine);
  xml = target_xml(a);
  EXPECT_NE(xml.find("<feature name=\"org.gnu.gdb.arm.core\">"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<reg name=\"cpsr\" bitsize=\"32\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<reg name=\"r12\" bitsize=\"32\"/>"), std::string::npos);
}

TEST(GdbSession, BreakpointStepContinueToTheEnd) {
  Fixture f;
  GdbSession s(*f.machine);
  GdbSession::Action a;
  EXPECT_EQ(talk(s, gdb_packet("Z0,8002,2")), reply("OK"));
  EXPECT_EQ(talk(s, gdb_packet("c"), &a), "+");
  ASSERT_EQ(a, GdbSession::Action::Resume);
  std::string out;
  s.report_stop(f.machine->run(), out);
  EXPECT_EQ(out, gdb_packet("T05swbreak:;"));
  EXPECT_EQ(talk(s, gdb_packet("s"), &a), "+");
  ASSERT_EQ(a, GdbSession::Action::Step);
  out.clear();
  s.report_stop(f.machine->run(1), out);
  EXPECT_EQ(out, gdb_packet("T05"));
  EXPECT_EQ(talk(s, gdb_packet("pf")), reply("04800000"));
  EXPECT_EQ(talk(s, gdb_packet("z0,8002,2")), reply("OK"));
  EXPECT_EQ(talk(s, gdb_packet("c"), &a), "+");
  out.clear();
  s.report_stop(f.machine->run(), out);
  EXPECT_EQ(out, gdb_packet("W00"));
  EXPECT_EQ(f.console.output(), "2");
}

struct Malformed {
  const char *name;
  std::string input;
  std::string output;
};

// Test listings name a case by its name, not its bytes.
void PrintTo(const Malformed &c, std::ostream *os) { *os << c.name; }

class MalformedInput : public ::testing::TestWithParam<Malformed> {};

// Each malformed input gets its answer, and the session still serves the
// next good packet.
TEST_P(MalformedInput, IsAnsweredAndForgotten) {
  Fixture f;
  GdbSession s(*f.machine);
  GdbSession::Action a;
  EXPECT_EQ(talk(s, GetParam().input, &a), GetParam().output);
  EXPECT_EQ(a, GdbSession::Action::None);
  EXPECT_EQ(talk(s, gdb_packet("?")), reply("S05"));
  EXPECT_EQ(talk(s, gdb_packet("pf")), reply("00800000"));
}

const std::string E01 = reply("E01"), EMPTY = reply("");

INSTANTIATE_TEST_SUITE_P(
    Gdb, MalformedInput,
    ::testing::Values(
        Malformed{"bad_checksum", "$g#00", "-"},
        Malformed{"checksum_not_hex", "$g#zz", "-"},
        Malformed{"packet_cut_by_another", "$m8000,4" + gdb_packet("qC"), "-" + reply("QC1")},
        Malformed{"nested_start", "$m80$$" + gdb_packet("qC").substr(1), "--" + reply("QC1")},
        Malformed{"noise", std::string("\x00\xff+-#abc\x7f", 9), ""},
        Malformed{"overlong", "$" + std::string(sim::GdbSession::MAX_PACKET + 8, 'a'), "-"},
        Malformed{"empty_packet", "$#00", EMPTY},
        Malformed{"unknown", gdb_packet("Qbogus"), EMPTY},
        Malformed{"read_no_length", gdb_packet("m8000"), E01},
        Malformed{"read_empty_length", gdb_packet("m8000,"), E01},
        Malformed{"read_bad_address", gdb_packet("mzz,4"), E01},
        Malformed{"read_huge_address", gdb_packet("m123456789,4"), E01},
        Malformed{"read_zero", gdb_packet("m8000,0"), E01},
        Malformed{"read_too_long", gdb_packet("m8000,100000"), E01},
        Malformed{"read_unmapped", gdb_packet("m40000000,4"), E01},
        Malformed{"read_device", gdb_packet("m2009c014,4"), E01},
        // The stand-in word of firmware entry 44 at 0x10B0, and a read across it.
        Malformed{"read_firmware_entry", gdb_packet("m10b0,2"), E01},
        Malformed{"read_across_firmware_entry", gdb_packet("m10ae,4"), E01},
        Malformed{"write_short_data", gdb_packet("M10000100,4:01"), E01},
        Malformed{"write_odd_data", gdb_packet("M10000100,1:012"), E01},
        Malformed{"write_no_colon", gdb_packet("M10000100,4"), E01},
        Malformed{"write_unmapped", gdb_packet("M40000000,1:00"), E01},
        Malformed{"registers_short", gdb_packet("G0011"), E01},
        Malformed{"register_number", gdb_packet("p11"), E01},
        Malformed{"register_not_hex", gdb_packet("pq"), E01},
        Malformed{"set_register_short", gdb_packet("P1=0000"), E01},
        Malformed{"set_register_number", gdb_packet("P1f=00000000"), E01},
        Malformed{"set_register_no_value", gdb_packet("P1"), E01},
        Malformed{"continue_bad_address", gdb_packet("czz"), E01},
        Malformed{"signal_bad", gdb_packet("Cxyz"), E01},
        Malformed{"step_bad_address", gdb_packet("S05;qq"), E01},
        Malformed{"breakpoint_bad", gdb_packet("Z0,zz,2"), E01},
        Malformed{"breakpoint_no_kind", gdb_packet("Z0,8000"), E01},
        Malformed{"hardware_breakpoint", gdb_packet("Z1,8000,2"), EMPTY},
        Malformed{"watchpoint", gdb_packet("Z2,10000100,4"), EMPTY},
        Malformed{"other_annex", gdb_packet("qXfer:features:read:other.xml:0,10"), reply("E00")},
        Malformed{"xfer_no_length", gdb_packet("qXfer:features:read:target.xml:0"), E01},
        Malformed{"binary_write", gdb_packet("X10000100,1:a"), EMPTY},
        Malformed{"escape_at_end", raw_packet("m8000,4}"), E01},
        Malformed{"escaped_length", raw_packet("m8000,}\x14"), reply("01270227")}),
    [](const ::testing::TestParamInfo<Malformed> &info) { return std::string(info.param.name); });

TEST(GdbSession, XferBeyondTheEnd) {
  Fixture f;
  GdbSession s(*f.machine);
  EXPECT_EQ(talk(s, gdb_packet("qXfer:features:read:target.xml:fffff,10")), reply("l"));
}

TEST(GdbSession, KillAndDetachEndTheSession) {
  Fixture f;
  GdbSession s(*f.machine);
  GdbSession::Action a;
  EXPECT_EQ(talk(s, gdb_packet("k"), &a), "+");
  EXPECT_EQ(a, GdbSession::Action::Kill);
  EXPECT_EQ(talk(s, gdb_packet("D"), &a), reply("OK"));
  EXPECT_EQ(a, GdbSession::Action::Detach);
  EXPECT_EQ(talk(s, gdb_packet("vKill;1"), &a), reply("OK"));
  EXPECT_EQ(a, GdbSession::Action::Kill);
}

// A packet that asks to run stops the reading there; the rest waits.
TEST(GdbSession, StopsReadingAtAResume) {
  Fixture f;
  GdbSession s(*f.machine);
  std::string bytes = gdb_packet("c") + gdb_packet("?"), out;
  size_t consumed = 0;
  EXPECT_EQ(s.receive(bytes.data(), bytes.size(), out, consumed), GdbSession::Action::Resume);
  EXPECT_EQ(consumed, gdb_packet("c").size());
  EXPECT_EQ(out, "+");
}

// The first address of this machine that is not a loopback one, or 0.
in_addr_t outside_address() {
  ifaddrs *list = nullptr;
  in_addr_t found = 0;
  if (getifaddrs(&list) != 0) return 0;
  for (ifaddrs *i = list; i && !found; i = i->ifa_next)
    if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET) {
      in_addr_t a = reinterpret_cast<sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr;
      if ((ntohl(a) >> 24) != 127) found = a;
    }
  freeifaddrs(list);
  return found;
}

int connect_to(in_addr_t address, int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  to.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string receive_until(int fd, const std::string &end) {
  std::string got;
  char buf[512];
  while (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0) {
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

TEST(GdbServer, OneLoopbackConnectionToTheEnd) {
  Fixture f;
  FILE *log = tmpfile();
  ASSERT_NE(log, nullptr);
  sim::Stop stop;
  std::string error;
  bool served = false;
  std::thread server([&] { served = sim::serve_gdb(*f.machine, 0, log, stop, error); });
  int port = 0;
  for (int tries = 0; tries < 500 && port == 0; tries++) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    char line[128] = {};
    rewind(log);
    if (fgets(line, sizeof line, log)) sscanf(line, "gdb: listening on 127.0.0.1:%d", &port);
  }
  ASSERT_NE(port, 0);
  // Only the loopback address listens.
  if (in_addr_t outside = outside_address()) {
    EXPECT_EQ(connect_to(outside, port), -1);
  }
  int fd = connect_to(htonl(INADDR_LOOPBACK), port);
  ASSERT_GE(fd, 0);
  std::string garbage = "$g#00" "\x01\x02" "$m8000,zz#" "00" "+";
  send(fd, garbage.data(), garbage.size(), 0);
  EXPECT_EQ(receive_until(fd, "--"), "--");
  std::string query = gdb_packet("m8000,2");
  send(fd, query.data(), query.size(), 0);
  EXPECT_EQ(receive_until(fd, gdb_packet("0127")), reply("0127"));
  std::string go = gdb_packet("c");
  send(fd, go.data(), go.size(), 0);
  EXPECT_EQ(receive_until(fd, gdb_packet("W00")), "+" + gdb_packet("W00"));
  // The server has closed the connection and stopped listening.
  char c;
  EXPECT_EQ(recv(fd, &c, 1, 0), 0);
  close(fd);
  server.join();
  EXPECT_TRUE(served) << error;
  EXPECT_EQ(stop.kind, sim::StopKind::End);
  EXPECT_EQ(connect_to(htonl(INADDR_LOOPBACK), port), -1);
  rewind(log);
  char line[128];
  std::string text;
  while (fgets(line, sizeof line, log)) text += line;
  EXPECT_EQ(text, "gdb: listening on 127.0.0.1:" + std::to_string(port) + "\ngdb: connected\n");
  fclose(log);
}

}  // namespace
