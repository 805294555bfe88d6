#include "cli/diagnostic_formats.h"

#include <nlohmann/json.hpp>

namespace ombrik::cli {

using nlohmann::json;

namespace {

std::string dump(const json &j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

// Control characters would upset a terminal; each becomes one '?' so that
// the caret still lines up.
std::string printable(const std::string &line) {
  std::string out = line;
  for (char &c : out)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) c = '?';
  return out;
}

// Code points in the first bytes of text: every byte that does not continue
// a UTF-8 sequence starts one.
uint32_t code_points(const std::string &text, size_t bytes) {
  uint32_t n = 0;
  for (size_t i = 0; i < bytes && i < text.size(); i++)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) n++;
  return n + static_cast<uint32_t>(bytes > text.size() ? bytes - text.size() : 0);
}

}  // namespace

std::string format_text(const Diagnostic &d) {
  std::string out = d.file.empty() ? "ombrik" : d.file;
  if (d.line) {
    out += ":" + std::to_string(d.line);
    if (d.column) out += ":" + std::to_string(d.column);
  }
  out += std::string(": ") + severity_name(d.severity) + ": " + d.message + "\n";
  if (d.line && d.column && !d.source_line.empty()) {
    std::string shown = printable(d.source_line);
    out += shown + "\n";
    // Tabs stay tabs so that the caret lands under the same place.
    for (size_t i = 0; i + 1 < d.column; i++) out += i < shown.size() && shown[i] == '\t' ? '\t' : ' ';
    out += "^\n";
  }
  return out;
}

std::string format_json_line(const Diagnostic &d) {
  json j;
  j["file"] = d.file.empty() ? json(nullptr) : json(d.file);
  j["line"] = d.line ? json(d.line) : json(nullptr);
  j["column"] = d.column ? json(d.column) : json(nullptr);
  j["severity"] = severity_name(d.severity);
  j["message"] = d.message;
  return dump(j) + "\n";
}

std::string artifact_uri(const std::string &file) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out = file.size() > 0 && file[0] == '/' ? "file://" : "";
  for (unsigned char c : file) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                 c == '_' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string format_sarif(const std::vector<Diagnostic> &diagnostics, const SarifTool &tool, int exit_status) {
  json results = json::array();
  for (const Diagnostic &d : diagnostics) {
    json result;
    result["level"] = severity_name(d.severity);
    result["message"] = {{"text", d.message}};
    if (!d.file.empty()) {
      json physical;
      physical["artifactLocation"] = {{"uri", artifact_uri(d.file)}};
      if (d.line) {
        json region;
        region["startLine"] = d.line;
        if (d.column) region["startColumn"] = code_points(d.source_line, d.column - 1) + 1;
        if (!d.source_line.empty()) region["snippet"] = {{"text", d.source_line}};
        physical["region"] = region;
      }
      result["locations"] = json::array({{{"physicalLocation", physical}}});
    }
    results.push_back(result);
  }
  json run;
  run["tool"] = {{"driver", {{"name", tool.name}, {"version", tool.version}}}};
  run["columnKind"] = "unicodeCodePoints";
  run["invocations"] = json::array({{{"executionSuccessful", true}, {"exitCode", exit_status}}});
  run["results"] = results;
  json log;
  log["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
  log["version"] = "2.1.0";
  log["runs"] = json::array({run});
  return log.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace ombrik::cli
