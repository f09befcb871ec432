#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, no file of this process can grow past the given size; a write beyond it
// fails instead of raising SIGXFSZ. The limit binds root too, so a failing write can be
// tested whoever runs the tests.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return active_; }

private:
    struct rlimit old_ = {};
    void (*handler_)(int);
    bool active_ = false;
};
