#include "lsp/server.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "lsp/features.h"
#include "lsp/params.h"
#include "lsp/text.h"
#include "lsp/uri.h"

namespace lsp {

const char WORKSPACE_TABLE[] = "ombrik.table";

namespace {

namespace fs = std::filesystem;

// LSP enumerations the server answers with.
constexpr int SYNC_FULL = 1;
constexpr int MESSAGE_ERROR = 1;

std::optional<std::string> read_disk_file(const std::string &path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) return std::nullopt;
  return text.str();
}

bool reads(const Analysis &a, const std::string &file) {
  return std::find(a.files.begin(), a.files.end(), file) != a.files.end();
}

bool valid_id(const json &id) { return id.is_string() || id.is_number_integer(); }

}  // namespace

const std::map<std::string, Server::Request, std::less<>> &Server::requests() {
  static const std::map<std::string, Request, std::less<>> table = {
      {"initialize", &Server::initialize},
      {"shutdown", &Server::shutdown},
      {"textDocument/definition", &Server::definition},
      {"textDocument/hover", &Server::hover},
      {"textDocument/documentSymbol", &Server::document_symbol},
      {"textDocument/completion", &Server::completion},
  };
  return table;
}

const std::map<std::string, Server::Notification, std::less<>> &Server::notifications() {
  static const std::map<std::string, Notification, std::less<>> table = {
      {"initialized", &Server::initialized},
      {"exit", &Server::exit},
      {"textDocument/didOpen", &Server::did_open},
      {"textDocument/didChange", &Server::did_change},
      {"textDocument/didSave", &Server::did_save},
      {"textDocument/didClose", &Server::did_close},
      {"workspace/didChangeConfiguration", &Server::did_change_configuration},
  };
  return table;
}

bool Server::handle(const Frame &frame) {
  switch (frame.kind) {
    case Frame::Kind::End:
      running_ = false;
      break;
    case Frame::Kind::Malformed:
      send(make_error(nullptr, frame.code, frame.problem));
      break;
    case Frame::Kind::Message:
      dispatch(frame.message);
      break;
  }
  return running_;
}

void Server::send(const json &message) {
  if (!out_.send(message)) running_ = false;
}

void Server::dispatch(const json &message) {
  if (!message.is_object()) {
    send(make_error(nullptr, ErrorCode::InvalidRequest,
                    message.is_array() ? "batches of messages are not supported"
                                       : "a message must be a JSON object"));
    return;
  }
  const json *id = optional_member(message, "id");
  if (id && !valid_id(*id)) {
    send(make_error(nullptr, ErrorCode::InvalidRequest, "\"id\" must be a string or an integer"));
    return;
  }
  const json reply_id = id ? *id : json(nullptr);
  auto method_it = message.find("method");
  if (method_it == message.end()) {
    // An answer to a request of ours: the server sends none it waits for.
    if (id && (message.contains("result") || message.contains("error"))) return;
    send(make_error(reply_id, ErrorCode::InvalidRequest, "the message has no \"method\""));
    return;
  }
  auto version = message.find("jsonrpc");
  if (!method_it->is_string() || version == message.end() || *version != "2.0") {
    if (id)
      send(make_error(reply_id, ErrorCode::InvalidRequest,
                      !method_it->is_string() ? "\"method\" must be a string"
                                              : "\"jsonrpc\" must be \"2.0\""));
    return;
  }
  const std::string method = method_it->get<std::string>();
  static const json no_params = json::object();
  auto params_it = message.find("params");
  const json &params = params_it == message.end() ? no_params : *params_it;
  if (!params.is_object() && !params.is_array() && !params.is_null()) {
    if (id) send(make_error(reply_id, ErrorCode::InvalidParams, "\"params\" must be an object"));
    return;
  }
  if (id)
    request(reply_id, method, params);
  else
    notification(method, params);
}

void Server::request(const json &id, const std::string &method, const json &params) {
  if (state_ == State::Uninitialized && method != "initialize") {
    send(make_error(id, ErrorCode::ServerNotInitialized, "the server has not been initialized"));
    return;
  }
  if (state_ == State::ShuttingDown) {
    send(make_error(id, ErrorCode::InvalidRequest, "the server is shutting down"));
    return;
  }
  auto it = requests().find(method);
  if (it == requests().end()) {
    send(make_error(id, ErrorCode::MethodNotFound, "unknown method \"" + method + "\""));
    return;
  }
  try {
    json result = (this->*(it->second))(params);
    send(make_response(id, std::move(result)));
  } catch (const RequestError &e) {
    send(make_error(id, e.code, e.what()));
  } catch (const std::exception &e) {
    send(make_error(id, ErrorCode::InternalError, e.what()));
  }
}

void Server::notification(const std::string &method, const json &params) {
  // Before "initialize" only "exit" counts; everything else is dropped.
  if (state_ == State::Uninitialized && method != "exit") return;
  auto it = notifications().find(method);
  if (it == notifications().end()) return;  // notifications get no answer, known or not
  try {
    (this->*(it->second))(params);
  } catch (const std::exception &e) {
    // A notification cannot be answered; tell the editor's log instead.
    send(make_notification("window/logMessage",
                           {{"type", MESSAGE_ERROR}, {"message", method + ": " + std::string(e.what())}}));
  }
}

json Server::initialize(const json &params) {
  if (state_ != State::Uninitialized)
    throw RequestError(ErrorCode::InvalidRequest, "the server is already initialized");
  // The workspace folder: the first of workspaceFolders, else rootUri, else
  // the older rootPath.
  std::optional<std::string> root;
  if (const json *folders = optional_member(params, "workspaceFolders"); folders && folders->is_array() &&
                                                                          !folders->empty())
    root = uri_to_path(string_member((*folders)[0], "uri"));
  if (!root)
    if (const json *uri = optional_member(params, "rootUri"); uri && uri->is_string()) root = uri_to_path(uri->get<std::string>());
  if (!root)
    if (const json *path = optional_member(params, "rootPath"); path && path->is_string()) root = path->get<std::string>();
  if (root && fs::path(*root).is_absolute()) root_ = fs::path(*root).lexically_normal().string();
  if (const json *options = optional_member(params, "initializationOptions")) read_settings(*options);
  state_ = State::Running;
  json capabilities = {
      {"textDocumentSync",
       {{"openClose", true}, {"change", SYNC_FULL}, {"save", {{"includeText", false}}}}},
      {"completionProvider", json::object()},
  };
  if (compiler_) {
    capabilities["definitionProvider"] = true;
    capabilities["hoverProvider"] = true;
    capabilities["documentSymbolProvider"] = true;
  }
  return {{"capabilities", capabilities}, {"serverInfo", {{"name", "ombrik"}}}};
}

json Server::shutdown(const json &) {
  state_ = State::ShuttingDown;
  return nullptr;
}

void Server::initialized(const json &) {}

void Server::exit(const json &) {
  exit_status_ = state_ == State::ShuttingDown ? 0 : 1;
  running_ = false;
}

void Server::read_settings(const json &settings) {
  if (!settings.is_object()) return;
  if (const json *table = optional_member(settings, "table")) {
    if (!table->is_string()) throw RequestError(ErrorCode::InvalidParams, "\"table\" must be a string");
    table_setting_ = table->get<std::string>();
  }
  if (const json *dirs = optional_member(settings, "includePaths")) {
    if (!dirs->is_array()) throw RequestError(ErrorCode::InvalidParams, "\"includePaths\" must be an array");
    include_setting_.clear();
    for (const json &d : *dirs) {
      if (!d.is_string()) throw RequestError(ErrorCode::InvalidParams, "\"includePaths\" must hold strings");
      include_setting_.push_back(d.get<std::string>());
    }
  }
}

void Server::did_change_configuration(const json &params) {
  // The editor sends its settings under the extension's section; a client
  // that knows no sections may send them bare.
  const json &settings = member(params, "settings");
  const json *ours = optional_member(settings, "ombrik");
  read_settings(ours ? *ours : settings);
  recompile_all();
}

std::string Server::absolute(const std::string &path) const {
  fs::path p(path);
  if (p.is_relative() && !root_.empty()) p = fs::path(root_) / p;
  return p.lexically_normal().string();
}

std::string Server::file_of(const std::string &uri) const {
  if (std::optional<std::string> path = uri_to_path(uri)) return fs::path(*path).lexically_normal().string();
  return uri;
}

std::string Server::uri_of(const std::string &file) const {
  for (const auto &[uri, doc] : documents_.all())
    if (file_of(uri) == file) return uri;
  return path_to_uri(file);
}

std::optional<std::string> Server::text_of(const std::string &file) const {
  for (const auto &[uri, doc] : documents_.all())
    if (file_of(uri) == file) return doc.text;
  return read_disk_file(file);
}

void Server::compile(const std::string &main) {
  CompileRequest request;
  request.main = main;
  request.root = root_;
  for (const std::string &dir : include_setting_) request.include_dirs.push_back(absolute(dir));
  if (!table_setting_.empty()) {
    request.table = absolute(table_setting_);
  } else if (!root_.empty()) {
    std::error_code ec;
    std::string candidate = (fs::path(root_) / WORKSPACE_TABLE).string();
    if (fs::is_regular_file(candidate, ec)) request.table = candidate;
  }
  request.read = [this](const std::string &path) { return text_of(fs::path(path).lexically_normal().string()); };
  programs_[main] = compiler_(request);
}

// A program whose main file another open program includes is compiled as
// part of that one, not on its own; every open document belongs to a
// program.
void Server::settle_programs() {
  for (auto it = programs_.begin(); it != programs_.end();) {
    bool included = false;
    for (const auto &[main, a] : programs_)
      if (main != it->first && reads(a, it->first) && !reads(it->second, main)) included = true;
    it = included || !is_open(it->first) ? programs_.erase(it) : std::next(it);
  }
  for (const auto &[uri, doc] : documents_.all()) {
    std::string file = file_of(uri);
    if (!analysis_of(file)) compile(file);
  }
}

void Server::refresh(const std::string &file) {
  if (!compiler_) return;
  std::vector<std::string> mains;
  for (const auto &[main, a] : programs_)
    if (reads(a, file)) mains.push_back(main);
  if (mains.empty()) mains.push_back(file);
  for (const std::string &main : mains) compile(main);
  settle_programs();
  publish();
}

void Server::recompile_all() {
  if (!compiler_) return;
  std::vector<std::string> mains;
  for (const auto &[main, a] : programs_) mains.push_back(main);
  for (const std::string &main : mains)
    if (is_open(main))
      compile(main);
    else
      programs_.erase(main);
  settle_programs();
  publish();
}

bool Server::is_open(const std::string &file) const {
  for (const auto &[uri, doc] : documents_.all())
    if (file_of(uri) == file) return true;
  return false;
}

const Analysis *Server::analysis_of(const std::string &file) const {
  auto own = programs_.find(file);
  if (own != programs_.end()) return &own->second;
  for (const auto &[main, a] : programs_)
    if (reads(a, file)) return &a;
  return nullptr;
}

// Sends the diagnostics of every file some program read, and empty lists
// for files that had some and are read no more; only what changed.
void Server::publish() {
  std::map<std::string, json> now;
  TextSource texts = [this](const std::string &path) { return text_of(path); };
  for (const auto &[main, a] : programs_) {
    for (const std::string &file : a.files) {
      json &list = now[file];
      if (list.is_null()) list = json::array();
      for (json &d : diagnostics_for(a, file, texts)) list.push_back(std::move(d));
    }
    // Messages about files the program did not read as source (a firmware
    // table) go with those files.
    for (const FileDiagnostic &d : a.diagnostics)
      if (!d.path.empty() && !reads(a, d.path)) {
        json &list = now[d.path];
        if (list.is_null()) list = json::array();
        for (json &x : diagnostics_for(a, d.path, texts)) list.push_back(std::move(x));
      }
  }
  for (const auto &[file, list] : published_)
    if (!now.count(file) && !list.empty()) now[file] = json::array();
  for (auto &[file, list] : now) {
    auto old = published_.find(file);
    if (old == published_.end() ? list.empty() : old->second == list) continue;
    send(make_notification("textDocument/publishDiagnostics", {{"uri", uri_of(file)}, {"diagnostics", list}}));
    published_[file] = list;
  }
}

void Server::did_open(const json &params) {
  const json &doc = member(params, "textDocument");
  std::string uri = string_member(doc, "uri");
  std::string text = string_member(doc, "text");
  documents_.open(uri, integer_member(doc, "version"), std::move(text));
  refresh(file_of(uri));
}

void Server::did_change(const json &params) {
  std::string uri = document_uri(params);
  int64_t version = integer_member(member(params, "textDocument"), "version");
  const json &changes = member(params, "contentChanges");
  if (!changes.is_array()) throw RequestError(ErrorCode::InvalidParams, "\"contentChanges\" must be an array");
  if (!documents_.find(uri)) throw RequestError(ErrorCode::InvalidParams, "the document is not open: " + uri);
  // Changes apply in order; one without a range replaces the whole text.
  for (const json &change : changes) {
    std::string text = string_member(change, "text");
    if (const json *range = optional_member(change, "range"))
      documents_.edit(uri, version, range_of(*range), text);
    else
      documents_.replace(uri, version, std::move(text));
  }
  refresh(file_of(uri));
}

void Server::did_save(const json &params) {
  std::string file = file_of(document_uri(params));
  // A saved firmware table changes every program.
  bool table = !table_setting_.empty() ? file == absolute(table_setting_)
                                       : !root_.empty() && file == absolute(WORKSPACE_TABLE);
  if (table) recompile_all();
}

void Server::did_close(const json &params) {
  std::string uri = document_uri(params);
  documents_.close(uri);
  if (!compiler_) return;
  // Files the closed one included may be read from disk again, and may be
  // programs of their own now.
  recompile_all();
}

Server::Place Server::place_of(const json &params) const {
  std::string uri = document_uri(params);
  const json &pos = member(params, "position");
  uint32_t line = position_number(pos, "line"), character = position_number(pos, "character");
  Place place{file_of(uri), line + 1, std::nullopt, nullptr};
  place.analysis = analysis_of(place.file);
  if (std::optional<std::string> text = text_of(place.file)) {
    LineIndex lines(*text);
    std::string_view l = lines.line(line);
    if (std::optional<Word> w = word_at(l, byte_offset(l, character))) place.name = w->name;
  }
  return place;
}

json Server::definition(const json &params) {
  Place p = place_of(params);
  if (!p.analysis || !p.name) return nullptr;
  const SymbolInfo *s = resolve(*p.analysis, p.file, p.line, *p.name);
  if (!s || s->kind == SymbolKind::UndefinedLabel) return nullptr;
  return location_of(*s, [this](const std::string &path) { return text_of(path); });
}

json Server::hover(const json &params) {
  Place p = place_of(params);
  if (!p.analysis || !p.name) return nullptr;
  const SymbolInfo *s = resolve(*p.analysis, p.file, p.line, *p.name);
  if (!s) return nullptr;
  return {{"contents", {{"kind", "markdown"}, {"value", hover_text(*p.analysis, *s)}}}};
}

json Server::document_symbol(const json &params) {
  std::string file = file_of(document_uri(params));
  const Analysis *a = analysis_of(file);
  if (!a) return json::array();
  return document_symbols(*a, file, [this](const std::string &path) { return text_of(path); });
}

json Server::completion(const json &params) {
  std::string file = file_of(document_uri(params));
  uint32_t line = 0;
  if (const json *pos = optional_member(params, "position")) line = position_number(*pos, "line") + 1;
  return {{"isIncomplete", false}, {"items", completion_items(analysis_of(file), file, line)}};
}

int serve(ByteSource &in, MessageSink &out, Compiler compiler) {
  FrameReader reader(in);
  Server server(out, std::move(compiler));
  while (server.handle(reader.next())) {
  }
  return server.exit_status();
}

}  // namespace lsp
