// The language server: the protocol's life cycle, the open documents, and
// the answers to the editor's requests. One thread, one message at a time;
// every request gets a result or an error, whatever the message holds.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "lsp/documents.h"
#include "lsp/json_rpc.h"

namespace lsp {

class Server {
 public:
  explicit Server(MessageSink &out) : out_(out) {}

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
  json completion(const json &params);

  void initialized(const json &params);
  void exit(const json &params);
  void did_open(const json &params);
  void did_change(const json &params);
  void did_save(const json &params);
  void did_close(const json &params);

  static const std::map<std::string, Request, std::less<>> &requests();
  static const std::map<std::string, Notification, std::less<>> &notifications();

  MessageSink &out_;
  DocumentStore documents_;
  State state_ = State::Uninitialized;
  bool running_ = true;
  int exit_status_ = 1;
};

// Reads frames from in and answers on out until the server stops or the
// input ends; the process's exit status.
int serve(ByteSource &in, MessageSink &out);

}  // namespace lsp
