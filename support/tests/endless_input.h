// Endless inputs for the robustness tests, where the platform has them: the
// device /dev/zero, and a FIFO that a thread keeps filling with one chunk of
// text until its reader closes it.
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>

namespace vytest {

inline bool has_dev_zero() { return ::access("/dev/zero", R_OK) == 0; }

class EndlessFifo {
public:
    // Makes the FIFO `path`; from the moment a reader opens it, `chunk` is
    // written over and over until the reader closes it, for every reader
    // that opens it while the object lives.
    EndlessFifo(std::string path, const std::string& chunk) : path_(std::move(path)) {
        while (chunk_.size() < (1 << 16)) chunk_ += chunk;  // few, large writes
        ::signal(SIGPIPE, SIG_IGN);  // a reader that goes away ends the writer, not the test
        ::unlink(path_.c_str());
        made_ = ::mkfifo(path_.c_str(), 0600) == 0;
        if (made_) writer_ = std::thread([this] { feed(); });
    }
    ~EndlessFifo() {
        stop_ = true;
        if (writer_.joinable()) writer_.join();
        ::unlink(path_.c_str());
    }
    EndlessFifo(const EndlessFifo&) = delete;
    EndlessFifo& operator=(const EndlessFifo&) = delete;

    bool made() const { return made_; }
    const std::string& path() const { return path_; }
    // Bytes written so far: more than the reader could ever have taken in
    // shows that the reader stopped by itself.
    unsigned long long written() const { return written_; }

private:
    void feed() {
        while (!stop_) {
            int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) {
                ::usleep(1000);  // no reader yet
                continue;
            }
            std::size_t at = 0;
            while (!stop_) {
                ssize_t n = ::write(fd, chunk_.data() + at, chunk_.size() - at);
                if (n > 0) {
                    written_ += static_cast<unsigned long long>(n);
                    at = (at + static_cast<std::size_t>(n)) % chunk_.size();
                } else if (n < 0 && errno == EAGAIN) {
                    pollfd p{fd, POLLOUT, 0};
                    ::poll(&p, 1, 10);
                } else {
                    break;  // the reader has gone
                }
            }
            ::close(fd);
        }
    }

    std::string path_, chunk_;
    bool made_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned long long> written_{0};
    std::thread writer_;
};

}  // namespace vytest
#endif
