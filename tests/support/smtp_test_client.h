#pragma once
// A blocking TCP client for tests of the station's servers: sends text,
// reads reply lines, tells when the server has closed. Every read gives up
// after a while, so a server that never answers fails the test instead of
// hanging it.

#include <string>
#include <string_view>

namespace kestrix::testing {

class SmtpTestClient {
 public:
  // Connects to 127.0.0.1:port.
  explicit SmtpTestClient(int port);
  ~SmtpTestClient();
  SmtpTestClient(const SmtpTestClient&) = delete;
  SmtpTestClient& operator=(const SmtpTestClient&) = delete;

  bool Connected() const { return fd_ >= 0; }
  void Send(std::string_view text);
  // The next line without its CR LF; "" when the server closed or went
  // silent for the read timeout.
  std::string ReadLine();
  // Everything up to and including `marker`; what came when the server
  // closed or went silent first.
  std::string ReadUntil(std::string_view marker);
  // Sends `command` and returns the reply line.
  std::string Command(std::string_view command);
  // True once the server has closed the connection (and sent nothing more).
  bool ServerClosed();
  // Ends the sending direction only, as a client that has said all.
  void CloseSending();

 private:
  int fd_ = -1;
  std::string buffered_;
};

}  // namespace kestrix::testing
