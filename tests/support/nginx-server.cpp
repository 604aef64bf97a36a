#include "tests/support/nginx-server.h"

#include "tests/support/sandbox.h"

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace rv::test
{

std::uint16_t FreeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool WaitForPort(std::uint16_t port, int milliseconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline)
    {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (up)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

namespace
{

// Starts a peer program. It gets /dev/null for its standard streams, so that
// it never holds the test runner's output pipe open, and it is killed when
// the test process ends, so that a test that crashes leaves nothing behind.
int Spawn(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    const int null = ::open("/dev/null", O_RDWR);
    for (int stream = 0; stream < 3; ++stream)
        ::dup2(null, stream);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

void Stop(int pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace

NginxServer::NginxServer(const std::filesystem::path& folder, const std::string& locations) : folder_(folder)
{
    std::filesystem::create_directories(folder_ / "www");
    std::filesystem::create_directories(folder_ / "tmp");
    port_ = FreeLoopbackPort();
    std::string f = folder_.string();
    std::string config = "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + f +
                         "/nginx.pid;\n"
                         "error_log " +
                         f +
                         "/error.log;\nevents { worker_connections 256; }\n"
                         "http {\n access_log " +
                         f +
                         "/access.log;\n log_format uri '$uri';\n"
                         " client_body_temp_path " +
                         f + "/tmp/body;\n proxy_temp_path " + f +
                         "/tmp/proxy;\n"
                         " fastcgi_temp_path " +
                         f + "/tmp/fastcgi;\n uwsgi_temp_path " + f +
                         "/tmp/uwsgi;\n"
                         " scgi_temp_path " +
                         f +
                         "/tmp/scgi;\n"
                         " types { text/html html htm; image/gif gif; text/plain txt; }\n"
                         " server {\n  listen 127.0.0.1:" +
                         std::to_string(port_) + ";\n  root " + f + "/www;\n" + locations + "\n }\n}\n";
    WriteFile(folder_ / "nginx.conf", config);
    pid_ = Spawn({"/usr/sbin/nginx", "-p", f, "-c", f + "/nginx.conf", "-e", f + "/error.log"});
    if (pid_ > 0 && !WaitForPort(port_, 5000))
    {
        Stop(pid_);
        pid_ = -1;
    }
}

NginxServer::~NginxServer()
{
    Stop(pid_);
}

TinyProxy::TinyProxy(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    port_ = FreeLoopbackPort();
    std::string config = "Port " + std::to_string(port_) +
                         "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                         "Allow 127.0.0.1\nLogLevel Error\nLogFile \"" +
                         (folder / "tinyproxy.log").string() +
                         "\"\n"
                         "BasicAuth proxyuser proxypass\n";
    WriteFile(folder / "tinyproxy.conf", config);
    pid_ = Spawn({"/usr/bin/tinyproxy", "-d", "-c", (folder / "tinyproxy.conf").string()});
    if (pid_ > 0 && !WaitForPort(port_, 5000))
    {
        Stop(pid_);
        pid_ = -1;
    }
}

TinyProxy::~TinyProxy()
{
    Stop(pid_);
}

} // namespace rv::test
