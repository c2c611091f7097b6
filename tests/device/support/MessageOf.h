#pragma once

#include <exception>
#include <functional>
#include <string>

namespace spectro::test {

// The text of whatever the action throws, so that a test can pin an exact message in one
// comparison; "(nothing thrown)" when it returns normally, so that a missing throw fails the
// comparison instead of passing silently.
inline std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

}  // namespace spectro::test
