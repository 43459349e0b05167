// Opening a FIFO for reading blocks until a writer comes. These run an open with a
// watchdog that plays the writer after a second, so that an open that blocks makes
// the test fail instead of hanging it.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// Seconds run() took; after a second the watchdog opens the FIFO for writing, which
// releases a reader blocked in open.
template <typename Run>
double TimedWithWatchdog(const std::string& fifo, Run run) {
    std::atomic<bool> done{false};
    auto start = std::chrono::steady_clock::now();
    std::thread watchdog([&] {
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        while (!done) {
            int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    run();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    watchdog.join();
    return seconds;
}
