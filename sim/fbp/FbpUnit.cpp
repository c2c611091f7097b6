#include "sim/fbp/FbpUnit.h"

#include <chrono>

#include "sim/ByteOrder.h"
#include "sim/SpectrumPatterns.h"
#include "sim/fbp/FbpMessageTypes.h"

namespace spectro::sim {

namespace {

constexpr std::uint8_t commandOut = 0x01;
constexpr std::size_t metadataLength = 32;

UsbIdentity usbIdentityOf(const UnitConfig& config) {
    const FbpModel& model = *config.fbpModel;
    return UsbIdentity{simVendorId, model.productId, model.endpoints, config.highSpeed};
}

std::uint32_t spectrumMessageType(const FbpModel& model) {
    return model.spectrum == FbpSpectrumFormat::Pixels16 ? fbp::requestSpectrum16
                                                         : fbp::requestSpectrum32WithMetadata;
}

}  // namespace

FbpUnit::FbpUnit(UnitConfig config, std::shared_ptr<SimClock> clock,
                 std::shared_ptr<HardwareTrigger> trigger)
    : SimUnit(config, usbIdentityOf(config), commandOut, std::move(clock), std::move(trigger)),
      model_(*config.fbpModel),
      firmware_(model_, config) {}

bool FbpUnit::takeCommand(const std::uint8_t* data, std::size_t length, bool wholeTransfer) {
    // The Blaze pads on its USB link, where its host helper pads too; a byte stream (its
    // network link) carries messages as they are.
    paddedLink_ = model_.padsTo4 && wholeTransfer;
    input_.insert(input_.end(), data, data + length);
    std::size_t done = 0;
    for (;;) {
        const FbpScan scan =
            scanMessage(input_.data() + done, input_.size() - done, paddedLink_);
        if (scan.state == FbpScan::State::Broken) return false;
        if (scan.state == FbpScan::State::Incomplete) break;
        // A second message right behind one whose reply is still unread.
        if (done != 0 && unreadReplies()) return false;
        answer(parseMessage(input_.data() + done));
        done += scan.length;
    }
    input_.erase(input_.begin(), input_.begin() + static_cast<long>(done));
    return true;
}

void FbpUnit::answer(const FbpRequest& request) {
    const bool listed = config().faults.nackMessageTypes.count(request.messageType) != 0;
    if (!listed && request.messageType == spectrumMessageType(model_)) {
        requestSpectrum(request);
        return;
    }
    const FbpFirmware::Answer answer =
        listed ? FbpFirmware::Answer{FbpFirmware::Answer::Kind::Refused, {}}
               : firmware_.answer(request);
    const std::uint16_t ack = request.wantsAck() ? fbp::flagAck : 0;
    switch (answer.kind) {
        case FbpFirmware::Answer::Kind::Refused:
            reply(request.messageType, fbp::flagNack, {});
            return;
        case FbpFirmware::Answer::Kind::Data:
            reply(request.messageType, ack, answer.data);
            return;
        case FbpFirmware::Answer::Kind::Done:
            if (request.messageType == fbp::setTriggerMode) rearmTrigger();
            if (ack != 0) reply(request.messageType, ack, {});
            return;
    }
}

void FbpUnit::reply(std::uint32_t messageType, std::uint16_t flags,
                    const std::vector<std::uint8_t>& data) {
    // Short replies are due at once.
    queue(model_.replyIn, encodeMessage(messageType, flags, data, paddedLink_), SimTime{0},
          false);
}

void FbpUnit::requestSpectrum(const FbpRequest& request) {
    if (!request.data.empty()) {
        reply(request.messageType, fbp::flagNack, {});
        return;
    }
    if (request.wantsAck()) reply(request.messageType, fbp::flagAck, {});
    const SimTime due = scheduleExposure(std::chrono::microseconds(firmware_.integrationUs()),
                                         firmware_.triggerMode() != 0);
    const std::uint64_t index = nextSpectrumIndex();
    queue(model_.replyIn,
          encodeMessage(request.messageType, 0, spectrumData(index, due), paddedLink_), due,
          true);
    firmware_.spectrumStored();
}

std::vector<std::uint8_t> FbpUnit::spectrumData(std::uint64_t index, SimTime due) const {
    const int pixels = firmware_.spectrumPixels();
    const std::vector<std::uint32_t> values = patternValues(
        {pixels, pixels, model_.maxIntensity}, config().pattern, index, firmware_.integrationUs());
    std::vector<std::uint8_t> data;
    if (model_.spectrum == FbpSpectrumFormat::Pixels16) {
        data.resize(2 * values.size());
        for (std::size_t j = 0; j < values.size(); ++j)
            writeLittle16(&data[2 * j], static_cast<std::uint16_t>(values[j]));
        return data;
    }
    // The metadata: the spectrum's number since the opening, when its exposure ended (in
    // microseconds of the bench's time), its integration time and the trigger mode it took.
    data.resize(metadataLength + 4 * values.size());
    writeLittle32(&data[0], static_cast<std::uint32_t>(index));
    const std::uint64_t endUs =
        due == never ? ~std::uint64_t{0}
                     : static_cast<std::uint64_t>(
                           std::chrono::duration_cast<std::chrono::microseconds>(due).count());
    writeLittle32(&data[4], static_cast<std::uint32_t>(endUs & 0xFFFFFFFFu));
    writeLittle32(&data[8], static_cast<std::uint32_t>(endUs >> 32));
    writeLittle32(&data[12], firmware_.integrationUs());
    data[16] = firmware_.triggerMode();
    for (std::size_t j = 0; j < values.size(); ++j)
        writeLittle32(&data[metadataLength + 4 * j], values[j]);
    return data;
}

}  // namespace spectro::sim
