#include "sim/gdb_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace sim {

namespace {

// Instructions run between two looks at the connection for a Ctrl-C.
constexpr uint64_t SLICE = 200000;
constexpr char INTERRUPT = 0x03;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A whole field of 1 to 8 hexadecimal digits.
bool parse_hex(const std::string &s, uint32_t &v) {
  if (s.empty() || s.size() > 8) return false;
  v = 0;
  for (char c : s) {
    int d = hex_digit(c);
    if (d < 0) return false;
    v = v << 4 | static_cast<uint32_t>(d);
  }
  return true;
}

bool decode_bytes(const std::string &hex, std::vector<uint8_t> &bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t k = 0; k < hex.size(); k += 2) {
    int hi = hex_digit(hex[k]), lo = hex_digit(hex[k + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  return true;
}

std::string encode_bytes(const uint8_t *bytes, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t k = 0; k < n; k++) {
    s += digits[bytes[k] >> 4];
    s += digits[bytes[k] & 15];
  }
  return s;
}

std::string encode_word(uint32_t v) {
  uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                  static_cast<uint8_t>(v >> 24)};
  return encode_bytes(b, 4);
}

// Splits "a,b" (or "a,b:rest" when rest is wanted) into hexadecimal numbers.
bool address_length(const std::string &s, uint32_t &address, uint32_t &length, std::string *rest = nullptr) {
  size_t comma = s.find(',');
  if (comma == std::string::npos) return false;
  size_t colon = rest ? s.find(':', comma) : std::string::npos;
  if (rest && colon == std::string::npos) return false;
  if (!parse_hex(s.substr(0, comma), address) ||
      !parse_hex(s.substr(comma + 1, rest ? colon - comma - 1 : std::string::npos), length))
    return false;
  if (rest) *rest = s.substr(colon + 1);
  return true;
}

std::string signal_reply(int signal) {
  char buf[8];
  snprintf(buf, sizeof buf, "T%02x", signal & 0xFF);
  return buf;
}

}  // namespace

std::string gdb_packet(const std::string &payload) {
  std::string body;
  for (char c : payload) {
    if (c == '$' || c == '#' || c == '}' || c == '*') {
      body += '}';
      body += static_cast<char>(c ^ 0x20);
    } else {
      body += c;
    }
  }
  unsigned sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  char tail[4];
  snprintf(tail, sizeof tail, "#%02x", sum & 0xFF);
  return "$" + body + tail;
}

GdbSession::GdbSession(Machine &machine) : machine_(machine) {}

std::string GdbSession::read_registers() const {
  std::string s;
  for (int n = 0; n < Machine::REGISTERS; n++) s += encode_word(machine_.read_register(n));
  return s;
}

std::string GdbSession::target_xml() const {
  std::string x =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE target SYSTEM \"gdb-target.dtd\">\n<target version=\"1.0\">\n"
      "<architecture>arm</architecture>\n";
  bool arm = machine_.board().arm();
  x += arm ? "<feature name=\"org.gnu.gdb.arm.core\">\n" : "<feature name=\"org.gnu.gdb.arm.m-profile\">\n";
  for (int n = 0; n <= 12; n++) x += "<reg name=\"r" + std::to_string(n) + "\" bitsize=\"32\"/>\n";
  x += "<reg name=\"sp\" bitsize=\"32\" type=\"data_ptr\"/>\n<reg name=\"lr\" bitsize=\"32\"/>\n"
       "<reg name=\"pc\" bitsize=\"32\" type=\"code_ptr\"/>\n";
  x += arm ? "<reg name=\"cpsr\" bitsize=\"32\"/>\n" : "<reg name=\"xpsr\" bitsize=\"32\"/>\n";
  x += "</feature>\n</target>\n";
  return x;
}

void GdbSession::report_stop(const Stop &stop, std::string &out) {
  switch (stop.kind) {
    case StopKind::End: last_stop_ = "W00"; break;
    case StopKind::Breakpoint: last_stop_ = "T05swbreak:;"; break;
    case StopKind::Step: last_stop_ = "T05"; break;
    case StopKind::Halt: last_stop_ = "T02"; break;
    default: last_stop_ = signal_reply(stop.signal); break;
  }
  out += gdb_packet(last_stop_);
}

GdbSession::Action GdbSession::packet(const std::string &p, std::string &reply) {
  reply.clear();
  if (p.empty()) return Action::None;
  const std::string args = p.substr(1);
  uint32_t a = 0, n = 0;
  switch (p[0]) {
    case '?':
      reply = last_stop_;
      return Action::None;
    case 'g':
      reply = read_registers();
      return Action::None;
    case 'G': {
      std::vector<uint8_t> bytes;
      if (!decode_bytes(args, bytes) || bytes.size() != 4 * Machine::REGISTERS) {
        reply = "E01";
        return Action::None;
      }
      for (int r = 0; r < Machine::REGISTERS; r++) {
        const uint8_t *b = bytes.data() + 4 * r;
        machine_.write_register(r, static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24));
      }
      reply = "OK";
      return Action::None;
    }
    case 'p':
      reply = parse_hex(args, n) && n < Machine::REGISTERS ? encode_word(machine_.read_register(static_cast<int>(n)))
                                                           : "E01";
      return Action::None;
    case 'P': {
      size_t eq = args.find('=');
      std::vector<uint8_t> b;
      if (eq == std::string::npos || !parse_hex(args.substr(0, eq), n) || n >= Machine::REGISTERS ||
          !decode_bytes(args.substr(eq + 1), b) || b.size() != 4) {
        reply = "E01";
        return Action::None;
      }
      machine_.write_register(static_cast<int>(n), static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24));
      reply = "OK";
      return Action::None;
    }
    case 'm': {
      std::vector<uint8_t> bytes;
      if (!address_length(args, a, n) || n == 0 || n > MAX_PACKET / 2 || !machine_.read_memory(a, n, bytes))
        reply = "E01";
      else
        reply = encode_bytes(bytes.data(), bytes.size());
      return Action::None;
    }
    case 'M': {
      std::string data;
      std::vector<uint8_t> bytes;
      if (!address_length(args, a, n, &data) || !decode_bytes(data, bytes) || bytes.size() != n || n == 0 ||
          !machine_.write_memory(a, bytes))
        reply = "E01";
      else
        reply = "OK";
      return Action::None;
    }
    case 'c':
    case 's':
    case 'C':
    case 'S': {
      // c [addr], s [addr], C sig[;addr], S sig[;addr]
      std::string at = args;
      if (p[0] == 'C' || p[0] == 'S') {
        size_t semi = args.find(';');
        if (!parse_hex(args.substr(0, semi), n)) {
          reply = "E01";
          return Action::None;
        }
        at = semi == std::string::npos ? "" : args.substr(semi + 1);
      }
      if (!at.empty()) {
        if (!parse_hex(at, a)) {
          reply = "E01";
          return Action::None;
        }
        machine_.write_register(15, a);
      }
      return p[0] == 'c' || p[0] == 'C' ? Action::Resume : Action::Step;
    }
    case 'Z':
    case 'z': {
      // Z0,addr,kind: software breakpoints only.
      size_t comma = args.find(',');
      std::string rest = comma == std::string::npos ? "" : args.substr(comma + 1);
      if (args.substr(0, comma) != "0") return Action::None;
      size_t kind = rest.find(',');
      if (kind == std::string::npos || !parse_hex(rest.substr(0, kind), a) || !parse_hex(rest.substr(kind + 1), n)) {
        reply = "E01";
        return Action::None;
      }
      if (p[0] == 'Z') machine_.add_breakpoint(a);
      else machine_.remove_breakpoint(a);
      reply = "OK";
      return Action::None;
    }
    case 'q': {
      if (p.rfind("qSupported", 0) == 0) {
        reply = "PacketSize=" + std::to_string(MAX_PACKET) + ";qXfer:features:read+;swbreak+";
      } else if (p.rfind("qXfer:features:read:", 0) == 0) {
        std::string rest = p.substr(strlen("qXfer:features:read:"));
        size_t colon = rest.find(':');
        if (colon == std::string::npos || rest.substr(0, colon) != "target.xml") {
          reply = "E00";
        } else if (!address_length(rest.substr(colon + 1), a, n)) {
          reply = "E01";
        } else {
          std::string xml = target_xml();
          if (n > MAX_PACKET - 8) n = MAX_PACKET - 8;
          if (a >= xml.size()) reply = "l";
          else reply = (a + n >= xml.size() ? "l" : "m") + xml.substr(a, n);
        }
      } else if (p == "qAttached") {
        reply = "1";
      } else if (p == "qC") {
        reply = "QC1";
      } else if (p == "qfThreadInfo") {
        reply = "m1";
      } else if (p == "qsThreadInfo") {
        reply = "l";
      } else if (p.rfind("qSymbol", 0) == 0) {
        reply = "OK";
      }
      return Action::None;
    }
    case 'H':
    case 'T':
      reply = "OK";
      return Action::None;
    case 'k':
      return Action::Kill;
    case 'D':
      reply = "OK";
      return Action::Detach;
    case 'v':
      if (p == "vKill" || p.rfind("vKill;", 0) == 0) {
        reply = "OK";
        return Action::Kill;
      }
      return Action::None;
    default:
      return Action::None;
  }
}

GdbSession::Action GdbSession::receive(const char *data, size_t length, std::string &out, size_t &consumed) {
  for (size_t i = 0; i < length; i++) {
    char c = data[i];
    if (!in_packet_) {
      if (c == '$') {
        in_packet_ = true;
        buffer_.clear();
      } else if (c == INTERRUPT) {
        interrupt_ = true;
      }
      continue;  // acknowledgements and noise between packets
    }
    if (c == '$') {  // a new packet before this one ended: this one is lost
      out += '-';
      buffer_.clear();
      continue;
    }
    buffer_ += c;
    if (buffer_.size() > MAX_PACKET + 3) {
      out += '-';
      in_packet_ = false;
      buffer_.clear();
      continue;
    }
    size_t hash = buffer_.find('#');
    if (hash == std::string::npos || buffer_.size() < hash + 3) continue;
    in_packet_ = false;
    std::string body = buffer_.substr(0, hash);
    int hi = hex_digit(buffer_[hash + 1]), lo = hex_digit(buffer_[hash + 2]);
    buffer_.clear();
    unsigned sum = 0;
    for (char b : body) sum += static_cast<unsigned char>(b);
    if (hi < 0 || lo < 0 || (sum & 0xFF) != static_cast<unsigned>(hi << 4 | lo)) {
      out += '-';
      continue;
    }
    out += '+';
    std::string payload;
    for (size_t k = 0; k < body.size(); k++) {
      if (body[k] == '}' && k + 1 < body.size()) payload += static_cast<char>(body[++k] ^ 0x20);
      else payload += body[k];
    }
    std::string reply;
    Action action = packet(payload, reply);
    if (action == Action::Resume || action == Action::Step) {
      consumed = i + 1;
      interrupt_ = false;
      return action;
    }
    if (action != Action::Kill || !reply.empty()) out += gdb_packet(reply);  // 'k' has no reply
    if (action == Action::Kill || action == Action::Detach) {
      consumed = i + 1;
      return action;
    }
  }
  consumed = length;
  return Action::None;
}

namespace {

bool send_all(int fd, const std::string &s) {
  size_t sent = 0;
  while (sent < s.size()) {
    ssize_t n = send(fd, s.data() + sent, s.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool serve_gdb(Machine &machine, int port, FILE *log, Stop &stop, std::string &error) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  if (listener < 0) {
    error = std::string("cannot open a socket: ") + strerror(errno);
    return false;
  }
  int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + strerror(errno);
    close(listener);
    return false;
  }
  fprintf(log, "gdb: listening on 127.0.0.1:%d\n", ntohs(address.sin_port));
  fflush(log);

  int fd = -1;
  while (fd < 0) {
    sockaddr_in peer{};
    socklen_t peer_size = sizeof peer;
    fd = accept(listener, reinterpret_cast<sockaddr *>(&peer), &peer_size);
    if (fd < 0) {
      if (errno == EINTR) continue;
      error = std::string("cannot accept a connection: ") + strerror(errno);
      close(listener);
      return false;
    }
    // Only this machine may debug it: 127.0.0.0/8.
    if (peer.sin_family != AF_INET || (ntohl(peer.sin_addr.s_addr) >> 24) != 127) {
      fprintf(log, "gdb: refused a connection that did not come from the loopback address\n");
      close(fd);
      fd = -1;
    }
  }
  close(listener);
  fprintf(log, "gdb: connected\n");
  fflush(log);

  GdbSession session(machine);
  std::string inbox, out;
  char buf[4096];
  stop = Stop{StopKind::Halt, "the debugger disconnected", machine.pc(), SIGINT};
  for (;;) {
    if (inbox.empty()) {
      ssize_t got = recv(fd, buf, sizeof buf, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;  // the debugger went away
      inbox.assign(buf, static_cast<size_t>(got));
    }
    size_t consumed = 0;
    out.clear();
    GdbSession::Action action = session.receive(inbox.data(), inbox.size(), out, consumed);
    inbox.erase(0, consumed);
    if (!send_all(fd, out)) break;
    if (action == GdbSession::Action::Kill) {
      stop = Stop{StopKind::Halt, "killed by the debugger", machine.pc(), SIGKILL};
      break;
    }
    if (action == GdbSession::Action::Detach) {
      close(fd);
      stop = machine.run();
      return true;
    }
    if (action != GdbSession::Action::Resume && action != GdbSession::Action::Step) continue;

    out.clear();
    if (machine.ended()) {
      // Going on after a fault: the program is over, killed by its signal.
      stop = machine.run();
      char code[8];
      snprintf(code, sizeof code, "X%02x", stop.signal & 0xFF);
      send_all(fd, gdb_packet(code));
      break;
    }
    Stop s;
    for (;;) {
      s = machine.run(action == GdbSession::Action::Step ? 1 : SLICE);
      if (action == GdbSession::Action::Step || s.kind != StopKind::Step) break;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 0) > 0) {
        ssize_t got = recv(fd, buf, sizeof buf, 0);
        if (got <= 0) break;
        std::string more(buf, static_cast<size_t>(got));
        size_t ctrl_c = more.find(INTERRUPT);
        if (ctrl_c != std::string::npos) {
          more.erase(ctrl_c, 1);
          inbox += more;
          s = Stop{StopKind::Halt, "interrupted", machine.pc(), SIGINT};
          break;
        }
        inbox += more;
      }
    }
    stop = s;
    session.report_stop(s, out);
    if (!send_all(fd, out) || s.kind == StopKind::End) break;
  }
  close(fd);
  return true;
}

}  // namespace sim
