// A modal message box that can close itself after a time-out.
#pragma once

#include <optional>

#include "core/operations.h"

// Shows text under title (left out or empty: "信息：") with the platform's
// style word (left out: 0). A time-out of more than 0 ms closes the box by
// itself, also where the platform's own time-out is missing or ignored.
// Returns the button's identifier minus 1; after a time-out 32000, or 31999
// for the plain styles 0, 16, 32, 48 and 64.
int TimedMessageBox(const Text& text, std::optional<int> style = std::nullopt,
                    std::optional<Text> title = std::nullopt,
                    std::optional<int> timeoutMs = std::nullopt);

// What the platform answers when a time-out closed the box.
constexpr int kMessageBoxTimedOut = 32000;

// The result for the platform's answer r under a style word.
int MapMessageBoxAnswer(int style, int r);
