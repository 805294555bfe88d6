// The language server: the protocol's life cycle, the open documents, and
// the answers to the editor's requests. One thread, one message at a time;
// every request gets a result or an error, whatever the message holds.
//
// Programs. Every open document that no other open document includes is the
// main file of a program, compiled after each change of it or of a file it
// includes (from the editor's buffers where they are open, else from disk).
// Diagnostics, definitions and the rest come from the latest compile of the
// program a file belongs to.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/analysis.h"
#include "lsp/documents.h"
#include "lsp/json_rpc.h"

namespace lsp {

// The name of the file a workspace's firmware table is looked for in when no
// setting names one.
extern const char WORKSPACE_TABLE[];

class Server {
 public:
  // compiler may be empty: the server then only knows the dialect's keywords.
  explicit Server(MessageSink &out, Compiler compiler = {}) : out_(out), compiler_(std::move(compiler)) {}

  // Handles one frame; false once the server is to stop (after "exit", or
  // when the editor can no longer be written to).
  bool handle(const Frame &frame);
  // The process's exit status once the server has stopped: 0 after
  // "shutdown" and "exit", 1 when it ended any other way.
  int exit_status() const { return exit_status_; }

  const DocumentStore &documents() const { return documents_; }

 private:
  enum class State { Uninitialized, Running, ShuttingDown };
  using Request = json (Server::*)(const json &params);
  using Notification = void (Server::*)(const json &params);

  void dispatch(const json &message);
  void request(const json &id, const std::string &method, const json &params);
  void notification(const std::string &method, const json &params);
  void send(const json &message);

  json initialize(const json &params);
  json shutdown(const json &params);
  json definition(const json &params);
  json hover(const json &params);
  json document_symbol(const json &params);
  json completion(const json &params);

  void initialized(const json &params);
  void exit(const json &params);
  void did_open(const json &params);
  void did_change(const json &params);
  void did_save(const json &params);
  void did_close(const json &params);
  void did_change_configuration(const json &params);

  void read_settings(const json &settings);
  // The file a document stands for: its path, or its URI when it has none.
  std::string file_of(const std::string &uri) const;
  std::string uri_of(const std::string &file) const;
  std::optional<std::string> text_of(const std::string &file) const;
  std::string absolute(const std::string &path) const;
  bool is_open(const std::string &file) const;
  // Compiles the programs file belongs to (or file itself as a program),
  // then publishes what changed.
  void refresh(const std::string &file);
  void recompile_all();
  void compile(const std::string &main);
  void settle_programs();
  void publish();
  // The latest compile that read file: its own program first.
  const Analysis *analysis_of(const std::string &file) const;
  // The document and 1-based line a request's position names, and the name
  // there.
  struct Place {
    std::string file;
    uint32_t line;
    std::optional<std::string> name;
    const Analysis *analysis;
  };
  Place place_of(const json &params) const;

  static const std::map<std::string, Request, std::less<>> &requests();
  static const std::map<std::string, Notification, std::less<>> &notifications();

  MessageSink &out_;
  Compiler compiler_;
  DocumentStore documents_;
  State state_ = State::Uninitialized;
  bool running_ = true;
  int exit_status_ = 1;

  std::string root_;                         // the workspace folder; empty when there is none
  std::string table_setting_;                // as set, possibly relative to root_
  std::vector<std::string> include_setting_;  // as set
  std::map<std::string, Analysis> programs_;  // by main file
  std::map<std::string, json> published_;     // diagnostics last sent, by file
};

// Reads frames from in and answers on out until the server stops or the
// input ends; the process's exit status.
int serve(ByteSource &in, MessageSink &out, Compiler compiler = {});

}  // namespace lsp
