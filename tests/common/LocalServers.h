#pragma once

// Real servers on 127.0.0.1 for the transfer, news and update tests: our Python HTTP server,
// a pyftpdlib FTP server and tinyproxy. Each is started by the test on a port of its own and
// stopped by its PID when the object goes away.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#ifndef LW_TEST_SERVERS_DIR
#error "LW_TEST_SERVERS_DIR must name tests/servers"
#endif

namespace lw::test {

// A child process; killed (SIGTERM, then SIGKILL) and reaped on destruction.
class TChildProcess {
 public:
  TChildProcess() = default;
  ~TChildProcess() { Stop(); }
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // Starts argv; with captureOut, the child's standard output comes to OutFd().
  bool Start(const std::vector<std::string>& argv, bool captureOut) {
    int fds[2] = {-1, -1};
    if (captureOut && ::pipe(fds) != 0) return false;
    FPid = ::fork();
    if (FPid < 0) return false;
    if (FPid == 0) {
      if (captureOut) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
      }
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execvp(args[0], args.data());
      ::_exit(127);
    }
    if (captureOut) {
      ::close(fds[1]);
      FOut = fds[0];
    }
    return true;
  }

  // The first line the child prints, waiting at most timeoutMs.
  std::string ReadLine(int timeoutMs) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{FOut, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char c = 0;
      if (::read(FOut, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return line;
  }

  void Stop() {
    if (FOut >= 0) ::close(FOut);
    FOut = -1;
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(FPid, nullptr, WNOHANG) == FPid) {
        FPid = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
  }

  pid_t Pid() const { return FPid; }

 private:
  pid_t FPid = -1;
  int FOut = -1;
};

// A server script of tests/servers that prints "PORT <n>" once it listens.
class TScriptServer {
 public:
  TScriptServer(const std::string& script, const std::vector<std::string>& args) {
    // Debian's own interpreter: the one python3-pyftpdlib installs into.
    std::vector<std::string> argv{"/usr/bin/python3",
                                  std::string(LW_TEST_SERVERS_DIR) + "/" + script};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!FProcess.Start(argv, true)) return;
    const std::string line = FProcess.ReadLine(15000);
    if (line.rfind("PORT ", 0) == 0) FPort = std::stoi(line.substr(5));
  }
  bool Ok() const { return FPort > 0; }
  int Port() const { return FPort; }
  std::string Base(const std::string& scheme) const {
    return scheme + "://127.0.0.1:" + std::to_string(FPort);
  }
  void Stop() { FProcess.Stop(); }

 private:
  TChildProcess FProcess;
  int FPort = 0;
};

// Our HTTP server over a directory (routes in tests/servers/http_server.py).
class THttpServer : public TScriptServer {
 public:
  explicit THttpServer(const std::string& root) : TScriptServer("http_server.py", {root}) {}
  std::string Url(const std::string& path) const { return Base("http") + path; }
};

// pyftpdlib over a directory; anonymous, or user "lw" with password "secret".
class TFtpServer : public TScriptServer {
 public:
  explicit TFtpServer(const std::string& root) : TScriptServer("ftp_server.py", {root}) {}
  std::string Url(const std::string& path) const { return Base("ftp") + path; }
};

// A port nobody listens on right now (bound and released; good enough on loopback).
inline int FreeLoopbackPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(s);
  return port;
}

inline bool PortAccepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

// tinyproxy in the foreground on 127.0.0.1, logging every request to Log().
class TTinyProxy {
 public:
  explicit TTinyProxy(const std::string& dir) : FLog(dir + "/tinyproxy.log") {
    const std::string conf = dir + "/tinyproxy.conf";
    for (int attempt = 0; attempt < 5 && FPort == 0; ++attempt) {
      const int port = FreeLoopbackPort();
      std::ofstream(conf) << "Port " << port << "\nListen 127.0.0.1\nAllow 127.0.0.1\n"
                          << "Timeout 30\nLogFile \"" << FLog << "\"\nLogLevel Info\n"
                          << "MaxClients 20\nDisableViaHeader No\n";
      FProcess.Stop();
      if (!FProcess.Start({"tinyproxy", "-d", "-c", conf}, false)) return;
      for (int i = 0; i < 150; ++i) {
        if (PortAccepts(port)) {
          FPort = port;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
  }
  bool Ok() const { return FPort > 0; }
  int Port() const { return FPort; }
  std::string Log() const {
    std::ifstream in(FLog);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  TChildProcess FProcess;
  std::string FLog;
  int FPort = 0;
};

}  // namespace lw::test
