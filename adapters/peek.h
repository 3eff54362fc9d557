#pragma once

#include <string>

// Up to want bytes from the start of what fd will read, left unread: a regular file is read at
// its offset, a pipe is copied with tee(2), which first waits for data. Fewer bytes when no more
// have arrived yet; empty at end of input, on other kinds of files and on error. want <= 64 KiB.
std::string peek_start(int fd, size_t want);
