// Platform services shared by the upper layers: message boxes and the browser.
#pragma once

#include "text/Text.h"

namespace kf {

class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // Hands an address to the default browser.
    virtual void Open(const Text& address) = 0;
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Task-modal box with OK only and no icon; returns when the user dismisses it.
    virtual void Show(const Text& title, const Text& message) = 0;
};

} // namespace kf
