// The tolerant Base64 decoder and the five-layer decoding of stored addresses.
#pragma once

#include <functional>
#include <string_view>

#include "text/Text.h"

namespace kf {

// Runs the calling thread's pending window messages; empty (no-op) off the window thread.
using PendingMessagesStep = std::function<void()>;

// Decodes `text`, which is cleaned in place (blanks and CR LF pairs removed). `pending` runs
// after every group of four characters.
Bytes Base64Decode(Text& text, const PendingMessagesStep& pending = {});

// Five passes of Base64Decode, each pass's bytes taken up to their first zero byte.
Text DecodeLayeredText(std::string_view text, const PendingMessagesStep& pending = {});

} // namespace kf
