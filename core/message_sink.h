// Where the core's messages to the user go. In the Windows program this is
// the timed message box; natively the message is written to standard error.
// Tests pass a sink of their own to see what the user would be shown.
#pragma once

#include <functional>

#include "core/operations.h"

// Shows text under title with a message-box style word (16: error icon), no
// time-out; returns the 0-based code of the button that closed it.
using MessageSink = std::function<int(const Text& text, int style, const Text& title)>;

MessageSink DefaultMessageSink();
