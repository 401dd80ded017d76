// A tiny HTTP server on a loopback port, run in a thread of the test program:
// it answers a bounded number of requests with one fixed reply and stops by
// itself after a deadline, so no test can leave it running.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace velk_test {

struct HttpReply {
    std::string status = "200 OK";
    std::string body;
    // Sent first; the rest follows after `pause_ms`, so the client sees the body arrive in parts.
    size_t first_part = 0;
    DWORD pause_ms = 0;
    // When set, the rest follows as soon as this event is set (within `pause_ms`).
    HANDLE resume_event = nullptr;
    // How the reply can go wrong or be framed otherwise: the head declares this
    // many bytes more than are sent; the connection is reset after the first
    // part, or held open with nothing more sent until the client hangs up; the
    // body goes in chunks with no declared length.
    size_t missing = 0;
    bool reset_after_first_part = false;
    bool stall_after_first_part = false;
    bool chunked = false;
    // A request for this path is sent on to "/x" with a 302 first.
    std::string moved_from{};
};

class LocalHttpServer {
public:
    explicit LocalHttpServer(HttpReply reply, int max_requests = 2, DWORD lifetime_ms = 60000)
        : reply_(std::move(reply)), left_(max_requests), lifetime_ms_(lifetime_ms) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LocalHttpServer() {
        stop_ = true;
        thread_.join();
        closesocket(listener_);
        WSACleanup();
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    std::wstring Url(const wchar_t* path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
    }
    int requests() const { return served_; }
    // Whether the rest of the body waited for the resume event rather than for the pause's end.
    bool resumed_by_event() const { return resumed_by_event_; }
    const std::string& last_request() const { return request_; }

private:
    bool Live() const { return !stop_ && GetTickCount() - start_ < lifetime_ms_; }

    void Serve() {
        while (left_ > 0 && Live()) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(listener_, &ready);
            timeval wait = {0, 100000};
            if (select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
            SOCKET peer = accept(listener_, nullptr, nullptr);
            if (peer == INVALID_SOCKET) continue;
            --left_;
            Answer(peer);
            closesocket(peer);
            ++served_;
        }
    }

    void Answer(SOCKET peer) {
        DWORD timeout = 5000;
        setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        setsockopt(peer, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        std::string request;
        char chunk[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            int got = recv(peer, chunk, sizeof chunk, 0);
            if (got <= 0) return;
            request.append(chunk, got);
        }
        request_ = request;
        if (!reply_.moved_from.empty() && request.rfind("GET " + reply_.moved_from + " ", 0) == 0) {
            SendAll(peer, "HTTP/1.0 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            shutdown(peer, SD_SEND);
            return;
        }
        const std::string& body = reply_.body;
        std::string head = (reply_.chunked ? "HTTP/1.1 " : "HTTP/1.0 ") + reply_.status +
                           "\r\nContent-Type: application/octet-stream\r\n";
        if (reply_.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else
            head += "Content-Length: " + std::to_string(body.size() + reply_.missing) + "\r\n";
        if (!SendAll(peer, head + "Connection: close\r\n\r\n")) return;
        size_t first = reply_.first_part < body.size() ? reply_.first_part : body.size();
        if (first > 0) {
            if (!SendBody(peer, body.data(), first)) return;
            if (reply_.reset_after_first_part) {
                linger abort = {1, 0};  // closing now resets the connection
                setsockopt(peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
                return;
            }
            if (reply_.stall_after_first_part) return WaitForHangUp(peer);
            if (reply_.resume_event)
                resumed_by_event_ = WaitForSingleObject(reply_.resume_event, reply_.pause_ms) == WAIT_OBJECT_0;
            else
                Sleep(reply_.pause_ms);
        }
        if (!SendBody(peer, body.data() + first, body.size() - first)) return;
        if (reply_.chunked) SendAll(peer, "0\r\n\r\n");
        shutdown(peer, SD_SEND);
    }

    // The receive time-out of the socket (set in Answer) wakes this up now and then.
    void WaitForHangUp(SOCKET peer) {
        char byte;
        while (Live()) {
            int got = recv(peer, &byte, 1, 0);
            if (got == 0 || (got < 0 && WSAGetLastError() != WSAETIMEDOUT)) return;
        }
    }

    bool SendBody(SOCKET peer, const char* data, size_t size) {
        if (!reply_.chunked) return SendAll(peer, data, size);
        constexpr size_t kChunkBytes = 50000;  // not a power of two: chunk edges fall inside reads
        for (size_t done = 0; done < size; done += kChunkBytes) {
            size_t part = size - done < kChunkBytes ? size - done : kChunkBytes;
            char line[16];
            snprintf(line, sizeof line, "%lx\r\n", static_cast<unsigned long>(part));
            if (!SendAll(peer, line) || !SendAll(peer, data + done, part) || !SendAll(peer, "\r\n")) return false;
        }
        return true;
    }

    static bool SendAll(SOCKET peer, const std::string& bytes) { return SendAll(peer, bytes.data(), bytes.size()); }
    static bool SendAll(SOCKET peer, const char* data, size_t size) {
        size_t done = 0;
        while (done < size) {
            int sent = send(peer, data + done, static_cast<int>(size - done), 0);
            if (sent <= 0) return false;
            done += static_cast<size_t>(sent);
        }
        return true;
    }

    HttpReply reply_;
    std::atomic<int> left_;
    DWORD lifetime_ms_;
    const DWORD start_ = GetTickCount();
    std::atomic<int> served_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> resumed_by_event_{false};
    std::string request_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
};

}  // namespace velk_test
