#include "device/protocols/fbp/FBPSpectrumExchanges.h"

#include <algorithm>
#include <string>

#include "device/common/Exceptions.h"
#include "device/common/ProtocolHint.h"
#include "device/protocols/fbp/FBPMessage.h"

namespace spectro::framedBinaryProtocol {

namespace {

const char* const RAW_MISSING =
    "Expected Transfer::transfer to produce a non-null result containing raw spectral data.  "
    "Without this data, it is not possible to generate a valid formatted spectrum.";
const char* const VALUES_MISSING =
    "Expected Transfer::transfer to produce a non-null result containing spectral data.  "
    "Without this data, it is not possible to generate a valid formatted spectrum.";
const char* const NOT_ENOUGH_DATA = "Spectrum response does not have enough data.";

Bytes requestMessage(std::uint32_t type) {
    FBPMessage message;
    message.setMessageType(type);
    return message.toByteVector();
}

// The message of what a read delivered; only the bytes that arrived are parsed, so a message
// that claims more than the read length is refused rather than read past.
FBPMessage parseSpectrumMessage(const std::unique_ptr<Data>& received) {
    const auto* bytes = dynamic_cast<const ByteVector*>(received.get());
    if (bytes == nullptr) throw ProtocolException(RAW_MISSING);
    try {
        return FBPMessage::parseByteStream(bytes->getValues());
    } catch (const IllegalArgumentException&) {
        throw ProtocolException("Failed to parse message transferred from device");
    }
}

Bytes dataOfAtLeast(const FBPMessage& message, std::uint64_t minimum) {
    Bytes data = message.getData();
    if (data.size() < minimum) throw ProtocolException(NOT_ENOUGH_DATA);
    return data;
}

const Bytes& bytesOf(const std::unique_ptr<Data>& result) {
    const auto* bytes = dynamic_cast<const ByteVector*>(result.get());
    if (bytes == nullptr) throw ProtocolException(RAW_MISSING);
    return bytes->getValues();
}

}  // namespace

FBPRequestSpectrumExchange::FBPRequestSpectrumExchange()
    : Transfer({}, requestMessage(MESSAGE_TYPE), TO_DEVICE,
               static_cast<std::uint32_t>(FBPMessage::MINIMUM_LENGTH)) {
    addHint(std::make_unique<FBPSpectrumHint>());
}

FBPRequestBufferedSpectrum32AndMetadataExchange::FBPRequestBufferedSpectrum32AndMetadataExchange()
    : Transfer({}, requestMessage(MESSAGE_TYPE), TO_DEVICE,
               static_cast<std::uint32_t>(FBPMessage::MINIMUM_LENGTH)) {
    addHint(std::make_unique<FBPSpectrumHint>());
}

FBPReadRawSpectrumExchange::FBPReadRawSpectrumExchange(std::uint32_t length,
                                                       std::uint32_t numberOfPixels)
    : Transfer(std::make_unique<FBPSpectrumHint>(), FROM_DEVICE, length),
      numberOfPixels(numberOfPixels) {}

void FBPReadRawSpectrumExchange::resize(std::uint32_t newLength, std::uint32_t pixels) {
    length = newLength;
    buffer.resize(newLength, 0);
    numberOfPixels = pixels;
}

std::unique_ptr<Data> FBPReadRawSpectrumExchange::transfer(TransferHelper& helper) {
    const FBPMessage message = parseSpectrumMessage(Transfer::transfer(helper));
    // Type and flags of a 16-bit spectrum message are not examined.
    return std::make_unique<ByteVector>(
        dataOfAtLeast(message, 2 * static_cast<std::uint64_t>(numberOfPixels)));
}

std::unique_ptr<Data> FBPReadSpectrumExchange::transfer(TransferHelper& helper) {
    const std::unique_ptr<Data> raw = FBPReadRawSpectrumExchange::transfer(helper);
    const Bytes& data = bytesOf(raw);
    std::vector<std::uint16_t> values(numberOfPixels);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = readU16(data.data() + 2 * i);
    return std::make_unique<UShortVector>(std::move(values));
}

FBPReadSpectrumWithGainExchange::FBPReadSpectrumWithGainExchange(std::uint32_t length,
                                                                 std::uint32_t numberOfPixels,
                                                                 GainAdjustmentSource* source)
    : FBPReadSpectrumExchange(length, numberOfPixels), source(source) {}

std::unique_ptr<Data> FBPReadSpectrumWithGainExchange::transfer(TransferHelper& helper) {
    std::unique_ptr<Data> result = FBPReadSpectrumExchange::transfer(helper);
    const auto* raw = dynamic_cast<const UShortVector*>(result.get());
    if (raw == nullptr) throw ProtocolException(VALUES_MISSING);
    if (source == nullptr) return result;
    const double M = source->getMaximumIntensity();
    const double S = source->getSaturationLevel();
    const std::vector<std::uint16_t>& in = raw->getValues();
    std::vector<double> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = gainAdjustedA(in[i], M, S);
    return std::make_unique<DoubleVector>(std::move(out));
}

FBPReadRawSpectrum32AndMetadataExchange::FBPReadRawSpectrum32AndMetadataExchange(
    std::uint32_t numberOfPixels)
    : Transfer(std::make_unique<FBPSpectrumHint>(), FROM_DEVICE,
               4 * numberOfPixels + 32 + static_cast<std::uint32_t>(FBPMessage::MINIMUM_LENGTH)),
      numberOfPixels(numberOfPixels) {}

std::unique_ptr<Data> FBPReadRawSpectrum32AndMetadataExchange::transfer(TransferHelper& helper) {
    const FBPMessage message = parseSpectrumMessage(Transfer::transfer(helper));
    if (message.getMessageType() != MESSAGE_TYPE) {
        throw ProtocolException("Did not get expected message type, got " +
                                std::to_string(message.getMessageType()));
    }
    return std::make_unique<ByteVector>(
        dataOfAtLeast(message, 4 * static_cast<std::uint64_t>(numberOfPixels) + metadataLength));
}

std::unique_ptr<Data> FBPReadSpectrum32AndMetadataExchange::transfer(TransferHelper& helper) {
    const std::unique_ptr<Data> raw = FBPReadRawSpectrum32AndMetadataExchange::transfer(helper);
    const Bytes& data = bytesOf(raw);
    std::vector<std::uint32_t> values(numberOfPixels);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = readU32(data.data() + metadataLength + 4 * i);
    return std::make_unique<U32Vector>(std::move(values));
}

}  // namespace spectro::framedBinaryProtocol
