#include <cstdio>

#include "core/message_sink.h"

MessageSink DefaultMessageSink() {
  return [](const Text& text, int, const Text& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return 0;
  };
}
