#include "device/support/ScriptedUsbPlatform.h"

#include <algorithm>
#include <cstdio>

namespace spectro::test {

std::string UsbEvent::describe() const {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", endpoint);
    switch (kind) {
        case Kind::ClearHalt:
            return std::string("clear ") + text;
        case Kind::Read:
            return std::string("read ") + text + " " + std::to_string(length);
        case Kind::Write: {
            std::string line = std::string("write ") + text;
            for (std::uint8_t b : bytes) {
                std::snprintf(text, sizeof text, " %02X", b);
                line += text;
            }
            return line;
        }
    }
    return {};
}

std::vector<std::string> ScriptedUsbUnit::describeEvents() const {
    std::vector<std::string> lines;
    for (const UsbEvent& event : events) lines.push_back(event.describe());
    return lines;
}

namespace {

class ScriptedConnection : public UsbConnection {
  public:
    explicit ScriptedConnection(std::shared_ptr<ScriptedUsbUnit> unit) : unit_(std::move(unit)) {
        ++unit_->liveConnections;
    }
    ~ScriptedConnection() override { --unit_->liveConnections; }

    std::uint16_t vendorId() const override { return unit_->vendorWhenOpened; }
    std::uint16_t productId() const override { return unit_->productWhenOpened; }

    int bulkWrite(std::uint8_t endpoint, const std::uint8_t* data, int length) override {
        unit_->events.push_back({UsbEvent::Kind::Write, endpoint, {data, data + length}, length});
        if (unit_->writeResults.empty()) return length;
        const int result = unit_->writeResults.front();
        unit_->writeResults.pop_front();
        return result;
    }

    int bulkRead(std::uint8_t endpoint, std::uint8_t* data, int length) override {
        unit_->events.push_back({UsbEvent::Kind::Read, endpoint, {}, length});
        auto& queue = unit_->replies[endpoint];
        if (queue.empty()) return -1;
        const std::vector<std::uint8_t> reply = std::move(queue.front());
        queue.pop_front();
        const int moved = std::min(length, static_cast<int>(reply.size()));
        std::copy_n(reply.begin(), moved, data);
        return moved;
    }

    std::optional<std::vector<std::uint8_t>> configurationDescriptor() override {
        if (unit_->configuration.empty()) return std::nullopt;
        return unit_->configuration;
    }

    bool clearHalt(std::uint8_t endpoint) override {
        unit_->events.push_back({UsbEvent::Kind::ClearHalt, endpoint, {}, 0});
        return true;
    }

  private:
    std::shared_ptr<ScriptedUsbUnit> unit_;
};

}  // namespace

std::shared_ptr<ScriptedUsbUnit> ScriptedUsbPlatform::plug(const std::string& path,
                                                           std::uint16_t vendorId,
                                                           std::uint16_t productId) {
    auto unit = std::make_shared<ScriptedUsbUnit>();
    unit->info = {path, vendorId, productId};
    unit->vendorWhenOpened = vendorId;
    unit->productWhenOpened = productId;
    units_.push_back(unit);
    return unit;
}

void ScriptedUsbPlatform::unplug(const std::string& path) {
    std::erase_if(units_, [&](const auto& unit) { return unit->info.path == path; });
}

std::vector<UsbUnitInfo> ScriptedUsbPlatform::enumerate() {
    std::vector<UsbUnitInfo> listed;
    for (const auto& unit : units_) listed.push_back(unit->info);
    return listed;
}

std::unique_ptr<UsbConnection> ScriptedUsbPlatform::open(const std::string& path) {
    for (const auto& unit : units_)
        if (unit->info.path == path && unit->openable)
            return std::make_unique<ScriptedConnection>(unit);
    return nullptr;
}

}  // namespace spectro::test
