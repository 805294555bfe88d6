#include "lsp/server.h"

#include "lsp/keyword_list.h"
#include "lsp/params.h"

namespace lsp {

namespace {

// LSP enumerations the server answers with.
constexpr int SYNC_FULL = 1;
constexpr int COMPLETION_KEYWORD = 14;

bool valid_id(const json &id) { return id.is_string() || id.is_number_integer(); }

}  // namespace

const std::map<std::string, Server::Request, std::less<>> &Server::requests() {
  static const std::map<std::string, Request, std::less<>> table = {
      {"initialize", &Server::initialize},
      {"shutdown", &Server::shutdown},
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
                           {{"type", 1}, {"message", method + ": " + std::string(e.what())}}));
  }
}

json Server::initialize(const json &) {
  if (state_ != State::Uninitialized)
    throw RequestError(ErrorCode::InvalidRequest, "the server is already initialized");
  state_ = State::Running;
  json capabilities = {
      {"textDocumentSync",
       {{"openClose", true}, {"change", SYNC_FULL}, {"save", {{"includeText", false}}}}},
      {"completionProvider", json::object()},
  };
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

void Server::did_open(const json &params) {
  const json &doc = member(params, "textDocument");
  std::string uri = string_member(doc, "uri");
  std::string text = string_member(doc, "text");
  documents_.open(uri, integer_member(doc, "version"), std::move(text));
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
}

void Server::did_save(const json &params) { document_uri(params); }

void Server::did_close(const json &params) { documents_.close(document_uri(params)); }

json Server::completion(const json &params) {
  document_uri(params);
  json items = json::array();
  for (const std::string &word : dialect_keywords())
    items.push_back({{"label", word}, {"kind", COMPLETION_KEYWORD}});
  return {{"isIncomplete", false}, {"items", std::move(items)}};
}

int serve(ByteSource &in, MessageSink &out) {
  FrameReader reader(in);
  Server server(out);
  while (server.handle(reader.next())) {
  }
  return server.exit_status();
}

}  // namespace lsp
