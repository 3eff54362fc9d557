#include "compose/command_text.h"

#include <cstdarg>
#include <cstdio>

void CommandText::append(const char *format, ...) {
  if (overflow) return;
  va_list args;
  va_start(args, format);
  int wanted = vsnprintf(text + length, command_size - length, format, args);
  va_end(args);
  if (wanted < 0 || size_t(wanted) >= command_size - length) {
    text[length] = '\0';
    overflow = true;
    return;
  }
  length += size_t(wanted);
}
