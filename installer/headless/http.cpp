// An HTTP/1.0 client for the test front end: GET, status, Content-Length and
// Content-Disposition, the body written into the download folder.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "installer/core/context.h"
#include "installer/core/download_name.h"
#include "installer/headless/posix_sys.h"

namespace inst {

namespace {

struct socket_closer {
    int fd;
    ~socket_closer() {
        if (fd >= 0)
            ::close(fd);
    }
};

int connect_to(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

std::string header_value(const std::string& headers, const std::string& name) {
    size_t pos = 0;
    while (pos < headers.size()) {
        size_t end = headers.find("\r\n", pos);
        std::string line = headers.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? headers.size() : end + 2;
        if (starts_nocase(line, name + ":")) {
            size_t start = line.find_first_not_of(" \t", name.size() + 1);
            return start == std::string::npos ? "" : line.substr(start);
        }
    }
    return "";
}

download_result failed(const std::string& text) { return download_result{download_result::failed, "", text}; }

}  // namespace

download_result http_download(const std::string& url, const std::string& folder, const transfer_callback& progress,
                              int port) {
    size_t host_start = url.find("//") + 2, slash = url.find('/', host_start);
    std::string host = url.substr(host_start, slash - host_start), path = url.substr(slash);
    size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        if (!port)
            port = std::atoi(host.c_str() + colon + 1);
        host.resize(colon);
    }
    if (!port)
        port = 80;
    socket_closer sock{connect_to(host, port)};
    if (sock.fd < 0)
        return failed(format("InternetConnect failed: %d", errno));
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\nUser-Agent: URL_download\r\n\r\n";
    if (send(sock.fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size()))
        return failed(format("HttpSendRequest failed: %d", errno));

    std::string received;
    char piece[16384];
    size_t header_end;
    while ((header_end = received.find("\r\n\r\n")) == std::string::npos) {
        ssize_t got = recv(sock.fd, piece, sizeof piece, 0);
        if (got <= 0)
            return failed(format("HttpQueryInfo failed: %d", got < 0 ? errno : 0));
        received.append(piece, size_t(got));
    }
    std::string headers = received.substr(0, header_end + 2), body = received.substr(header_end + 4);
    size_t space = headers.find(' ');
    int status = space == std::string::npos ? 0 : std::atoi(headers.c_str() + space + 1);
    if (status > 299)
        return failed(format("Server response was %d", status));
    std::string name = download_file_name(url, header_value(headers, "Content-Disposition"));
    std::string length = header_value(headers, "Content-Length");
    uint32_t total = length.empty() ? 0 : uint32_t(std::strtoul(length.c_str(), nullptr, 10));

    std::string local = folder + "/" + name;
    std::FILE* out = std::fopen(local.c_str(), "wb");
    if (!out)
        return failed(format("Can't create file: %s: %d", local.c_str(), errno));
    uint32_t done = 0;
    bool write_ok = true, read_ok = true;
    auto take = [&](const char* data, size_t size) {
        write_ok = write_ok && std::fwrite(data, 1, size, out) == size;
        done += uint32_t(size);
        if (progress && total)
            progress(done, total);
    };
    if (!body.empty())
        take(body.data(), body.size());
    for (;;) {
        ssize_t got = recv(sock.fd, piece, sizeof piece, 0);
        if (got == 0)
            break;
        if (got < 0) {
            read_ok = false;
            break;
        }
        take(piece, size_t(got));
    }
    write_ok = std::fclose(out) == 0 && write_ok;
    // A cut body must not pass for the program: it would be started half written.
    if (!write_ok || !read_ok || (total && done < total)) {
        std::remove(local.c_str());
        return failed(write_ok ? format("Download of %s incomplete", url.c_str()) : format("Write error on %s", local.c_str()));
    }
    return download_result{download_result::ok, local, ""};
}

}  // namespace inst
