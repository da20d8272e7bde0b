// A save as a logging program makes it: the whole table written over the file in one write(),
// from a second thread, while the test reads the file.
#pragma once

#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

class SaveInOneWrite
{
public:
    // Starts the save of `bytes` over the file at `path`.
    SaveInOneWrite(const std::string &path, const std::string &bytes)
        : m_thread([path, &bytes] {
              const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
              if (fd < 0)
                  return;
              (void)!::pwrite(fd, bytes.data(), bytes.size(), 0);
              ::close(fd);
          })
    { }

private:
    std::jthread m_thread; // joined when the save is destroyed
};
