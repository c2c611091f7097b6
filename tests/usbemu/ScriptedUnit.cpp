#include "ScriptedUnit.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace spectro::test {

namespace {

std::string hex(std::uint8_t endpoint) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", endpoint);
    return text;
}

}  // namespace

void ScriptedUnit::reply(std::uint8_t endpoint, std::vector<std::uint8_t> bytes) {
    std::lock_guard guard(mutex_);
    replies_[endpoint].push_back(std::move(bytes));
}

std::vector<std::string> ScriptedUnit::events() const {
    std::lock_guard guard(mutex_);
    return events_;
}

std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> ScriptedUnit::writes() const {
    std::lock_guard guard(mutex_);
    return writes_;
}

void ScriptedUnit::unplug() {
    std::lock_guard guard(mutex_);
    unplugged_ = true;
}

bool ScriptedUnit::present() const {
    std::lock_guard guard(mutex_);
    return !unplugged_;
}

bool ScriptedUnit::open(unsigned interface) {
    std::lock_guard guard(mutex_);
    events_.push_back("claim " + std::to_string(interface));
    return true;
}

void ScriptedUnit::close(unsigned interface) {
    std::lock_guard guard(mutex_);
    events_.push_back("release " + std::to_string(interface));
}

void ScriptedUnit::clearHalt(std::uint8_t endpoint) {
    std::lock_guard guard(mutex_);
    events_.push_back("clear " + hex(endpoint));
}

int ScriptedUnit::write(std::uint8_t endpoint, const std::uint8_t* data, int length) {
    std::lock_guard guard(mutex_);
    std::vector<std::uint8_t> bytes(data, data + length);
    std::string line = "write " + hex(endpoint);
    char part[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(part, sizeof part, " %02X", b);
        line += part;
    }
    events_.push_back(line);
    writes_.emplace_back(endpoint, std::move(bytes));
    return length;
}

sim::PollResult ScriptedUnit::poll(std::uint8_t endpoint, std::uint8_t* into, int length) {
    std::lock_guard guard(mutex_);
    auto& pending = replies_[endpoint];
    if (pending.empty()) return {sim::PollState::NotYet, 0};
    events_.push_back("read " + hex(endpoint) + " " + std::to_string(length));
    std::vector<std::uint8_t>& next = pending.front();
    const std::size_t moved = std::min(next.size(), static_cast<std::size_t>(length));
    std::copy_n(next.begin(), moved, into);
    next.erase(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(moved));
    if (next.empty()) pending.pop_front();
    return {sim::PollState::Ready, static_cast<int>(moved)};
}

}  // namespace spectro::test
